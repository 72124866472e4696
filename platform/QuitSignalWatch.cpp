#include "platform/QuitSignalWatch.h"

#include "base/threads/Thread.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <fstream>

#include <sys/types.h>
#include <unistd.h>

namespace plat
{

namespace
{

constexpr int watchedSignals[] = {SIGINT, SIGTERM};
constexpr int watchedCount = 2;
// How often the ender looks for a quit, in milliseconds.
constexpr unsigned checkMs = 20;
// Normal priority.
constexpr int enderPriority = 2;

std::atomic<bool> g_quitCame{false};
// The handlers in place before the watch, read by the signal handler; set before it is installed.
struct sigaction g_previous[watchedCount];
bool g_installed[watchedCount];

int indexOf(int signal)
{
    return signal == SIGINT ? 0 : 1;
}

bool isHandler(const struct sigaction& action)
{
    if ((action.sa_flags & SA_SIGINFO) != 0) {
        return action.sa_sigaction != nullptr;
    }
    return action.sa_handler != SIG_DFL && action.sa_handler != SIG_IGN;
}

void noteQuit(int signal, siginfo_t* info, void* context)
{
    g_quitCame.store(true);
    const struct sigaction& previous = g_previous[indexOf(signal)];
    if ((previous.sa_flags & SA_SIGINFO) != 0) {
        previous.sa_sigaction(signal, info, context);
    } else {
        previous.sa_handler(signal);
    }
}

// Kills the child processes of the thread. SIGKILL, since a box forked from the program keeps the
// program's quit handlers, which only note the quit.
void endChildrenOf(pid_t thread)
{
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/task/%d/children", static_cast<int>(thread));
    std::ifstream children(path);
    for (pid_t child = 0; children >> child;) {
        ::kill(child, SIGKILL);
    }
}

}

// Ends the owner's children from the moment a quit came until the watch goes: the box may be
// followed by another (SDL tries a second kind of box when the first fails).
class QuitSignalWatch::Ender : public heron::Threadable
{
public:
    explicit Ender(pid_t owner) : m_owner(owner) {}

    int run() override
    {
        while (!stopFlag.load()) {
            if (g_quitCame.load()) {
                endChildrenOf(m_owner);
            }
            heron::sleepMs(checkMs);
        }
        return 0;
    }

private:
    pid_t m_owner;
};

QuitSignalWatch::QuitSignalWatch() : m_ender(std::make_unique<Ender>(::gettid()))
{
    g_quitCame.store(false);
    struct sigaction watching{};
    watching.sa_sigaction = &noteQuit;
    watching.sa_flags = SA_SIGINFO | SA_RESTART;
    sigemptyset(&watching.sa_mask);
    for (int i = 0; i < watchedCount; ++i) {
        g_installed[i] = sigaction(watchedSignals[i], nullptr, &g_previous[i]) == 0 && isHandler(g_previous[i]) &&
                         sigaction(watchedSignals[i], &watching, nullptr) == 0;
    }
    new heron::Thread(m_thread, m_ender.get(), enderPriority);
}

QuitSignalWatch::~QuitSignalWatch()
{
    m_thread = heron::counted_ptr<heron::Thread>();
    for (int i = 0; i < watchedCount; ++i) {
        if (g_installed[i]) {
            sigaction(watchedSignals[i], &g_previous[i], nullptr);
        }
    }
}

bool QuitSignalWatch::quitCame() const
{
    return g_quitCame.load();
}

}
