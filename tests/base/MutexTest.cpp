#include "base/Mutex.h"

#include "support/Eventually.h"
#include "support/TempLog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

// tryLock on another thread; a lock it gets is given back at once.
bool freeForAnotherThread(heron::Mutex& mutex)
{
    bool taken = false;
    std::thread([&] {
        taken = heron::MutexLock::tryLock(mutex);
        if (taken) {
            mutex.unlock();
        }
    }).join();
    return taken;
}

// Points the lock-file folder at a fresh temp folder for the test's duration.
class SystemMutex : public testing::Test
{
protected:
    // The exit code of a child process that tries to take the system-wide mutex name.
    static int childTryLockResult(const char* name)
    {
        const pid_t child = fork();
        if (child == 0) {
            heron::Mutex mutex(name, true);
            _exit(heron::MutexLock::tryLock(mutex) ? 1 : 0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    TempLog m_log;
    ScopedEnv m_runtime{"XDG_RUNTIME_DIR", m_log.folder().string()};
};

}

TEST(MutexLock, IsReentrantAndTryLockFailsForAnotherThreadUntilTheLastRelease)
{
    heron::Mutex mutex("Reentrant");
    {
        heron::MutexLock outer(mutex, 1);
        ASSERT_TRUE(heron::MutexLock::tryLock(mutex));
        EXPECT_FALSE(freeForAnotherThread(mutex));
        mutex.unlock();
        {
            heron::MutexLock inner(mutex, 2);
        }
        EXPECT_FALSE(freeForAnotherThread(mutex));
    }
    EXPECT_TRUE(freeForAnotherThread(mutex));
}

TEST(Mutex, UnlockByAThreadThatDoesNotHoldItIsLoggedAndIgnored)
{
    TempLog log;
    heron::Mutex mutex("Held");
    heron::MutexLock lock(mutex, 3);
    std::thread([&] { mutex.unlock(); }).join();
    EXPECT_TRUE(log.contains("Mutex Held unlocked by a thread that does not hold it\n"));
    EXPECT_FALSE(freeForAnotherThread(mutex));
}

TEST_F(SystemMutex, ExcludesOtherHoldersInThisAndOtherProcessesButNotTheHoldingThread)
{
    heron::Mutex first("VevoDezeTest", true);
    heron::Mutex second("VevoDezeTest", true);
    {
        heron::MutexLock outer(first, 1);
        ASSERT_TRUE(heron::MutexLock::tryLock(first));
        first.unlock();
        EXPECT_FALSE(heron::MutexLock::tryLock(second));
        EXPECT_FALSE(freeForAnotherThread(first));
        EXPECT_EQ(childTryLockResult("VevoDezeTest"), 0);
    }
    EXPECT_EQ(childTryLockResult("VevoDezeTest"), 1);
    EXPECT_TRUE(heron::MutexLock::tryLock(second));
    second.unlock();
    EXPECT_TRUE(std::filesystem::exists(m_log.folder() / ("VevoDezeTest-" + std::to_string(getuid()) + ".lock")));
}

TEST_F(SystemMutex, WithoutALockFileIsLoggedAndNeverTaken)
{
    const std::string missing = (m_log.folder() / "missing").string();
    const ScopedEnv runtime("XDG_RUNTIME_DIR", missing);
    const ScopedEnv temp("TMPDIR", missing);
    heron::Mutex mutex("VevoDezeNowhere", true);
    EXPECT_TRUE(m_log.contains("Mutex creation failed because: 2\n"));
    EXPECT_FALSE(heron::MutexLock::tryLock(mutex));
    heron::MutexLock lock(mutex, 5);
    EXPECT_FALSE(freeForAnotherThread(mutex));
}

// Every wait that lasts over a wait slice: a process mutex and a system mutex log each slice of
// waiting with both call sites, while a wait for the log itself (its writer blocked on a full pipe)
// is not logged into the log.
TEST_F(SystemMutex, WaitsOfOverASliceAreLoggedExceptTheWaitForTheLog)
{
    constexpr std::chrono::milliseconds slice{10};
    const struct RestoreSlice
    {
        std::chrono::milliseconds previous;
        ~RestoreSlice() { heron::setMutexWaitSlice(previous); }
    } restore{heron::setMutexWaitSlice(slice)};
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    std::FILE* const writeEnd = fdopen(ends[1], "w");
    heron::setDebugLogFile(writeEnd);
    const int capacity = fcntl(ends[0], F_GETPIPE_SZ);
    // Page-sized messages fill the pipe to its capacity; more than it holds blocks the writer
    // inside the log lock until the pipe is read.
    const std::string block(4096, 'b');
    std::thread logHolder([&] {
        for (int written = 0; written < 2 * capacity; written += static_cast<int>(block.size())) {
            heron::debug("%s", block.c_str());
        }
    });
    EXPECT_TRUE(eventually([&] {
        int queued = 0;
        return ioctl(ends[0], FIONREAD, &queued) == 0 && queued >= capacity;
    }));
    std::thread logWaiter([] { heron::debug("waiter\n"); });

    heron::Mutex local("Slow lock");
    heron::Mutex holderSide("VevoDezeWait", true);
    heron::Mutex waiterSide("VevoDezeWait", true);
    std::atomic<bool> holding{false};
    std::atomic<bool> release{false};
    std::thread holder([&] {
        heron::MutexLock first(local, 7);
        heron::MutexLock second(holderSide, 7);
        holding = true;
        EXPECT_TRUE(eventually([&] { return release.load(); }));
    });
    ASSERT_TRUE(eventually([&] { return holding.load(); }));
    std::thread localWaiter([&] { heron::MutexLock lock(local, 42); });
    std::thread systemWaiter([&] { heron::MutexLock lock(waiterSide, 42); });
    // Several slices pass before the log is read, so every waiter has waited past one.
    std::this_thread::sleep_for(10 * slice);

    std::mutex textLock;
    std::string text;
    std::thread reader([&] {
        char bytes[4096];
        ssize_t got = 0;
        while ((got = read(ends[0], bytes, sizeof bytes)) > 0) {
            const std::lock_guard<std::mutex> lock(textLock);
            text.append(bytes, static_cast<std::size_t>(got));
        }
    });
    auto logged = [&](const std::string& line) {
        const std::lock_guard<std::mutex> lock(textLock);
        return text.find(line) != std::string::npos;
    };
    EXPECT_TRUE(eventually([&] {
        return logged("Mutex Slow lock taking a long time at 42 (locked from 7)...\n") &&
               logged("Mutex VevoDezeWait taking a long time at 42 (locked from -1)...\n") && logged("waiter\n");
    }));
    release = true;
    for (std::thread* thread : {&holder, &localWaiter, &systemWaiter, &logHolder, &logWaiter}) {
        thread->join();
    }
    heron::setDebugLogFile(nullptr);
    std::fclose(writeEnd);
    reader.join();
    close(ends[0]);
    EXPECT_FALSE(logged("Mutex Debug mutex"));
}
