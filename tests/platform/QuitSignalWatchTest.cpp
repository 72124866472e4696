#include "platform/QuitSignalWatch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <csignal>

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace
{

std::atomic<int> g_handled{0};

void countQuit(int)
{
    ++g_handled;
}

}

// The box is a child process that this thread waits for, as SDL's is; it would close only when its
// button is pressed (here: after half a minute).
TEST(QuitSignalWatch, AQuitSignalEndsTheBoxProcessAndStillReachesTheHandlerBefore)
{
    const auto saved = std::signal(SIGTERM, &countQuit);
    int status = 0;
    bool quit = false;
    {
        const plat::QuitSignalWatch watch;
        pid_t box = 0;
        char* const words[] = {const_cast<char*>("sleep"), const_cast<char*>("30"), nullptr};
        ASSERT_EQ(posix_spawnp(&box, "sleep", nullptr, nullptr, words, environ), 0);
        std::raise(SIGTERM);
        while (waitpid(box, &status, 0) < 0 && errno == EINTR) {
        }
        quit = watch.quitCame();
    }
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
    EXPECT_TRUE(quit);
    EXPECT_EQ(g_handled.load(), 1);
    EXPECT_EQ(std::signal(SIGTERM, saved), &countQuit);
}
