#include "base/Mutex.h"

#include "base/Debug.h"
#include "base/heron_string.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace heron
{

namespace
{

// Deadlines of timed waits are on the system clock: its timed lock is the one that
// ThreadSanitizer understands. A jump of that clock only lengthens or shortens one wait slice.
using Clock = std::chrono::system_clock;

// How long a MutexLock waits before it logs that it is still waiting, in milliseconds.
std::atomic<std::chrono::milliseconds::rep> waitSliceMs{1000};
// How often a waiter polls the lock file of a system-wide mutex held by another process.
constexpr std::chrono::milliseconds fileLockPoll{5};

bool isPlainNameChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
           c == '.';
}

// The lock file's name: the mutex name kept to characters that cannot leave the folder, and
// the user id, so that users sharing a temp folder do not lock each other out.
heron_string lockFileName(const heron_string& name)
{
    heron_string file;
    for (std::uint32_t i = 0; i < name.length(); ++i) {
        file += isPlainNameChar(name[i]) ? name[i] : '_';
    }
    file += "-";
    file += std::to_string(getuid()).c_str();
    file += ".lock";
    return file;
}

int openIn(const char* folder, const heron_string& file)
{
    if (!folder || !*folder) {
        errno = ENOENT;
        return -1;
    }
    const heron_string path = heron_string(folder) + "/" + file;
    return open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
}

// Opens the lock file in $XDG_RUNTIME_DIR, else in the temp folder ($TMPDIR, else /tmp).
int openLockFile(const heron_string& name)
{
    const heron_string file = lockFileName(name);
    const int fd = openIn(std::getenv("XDG_RUNTIME_DIR"), file);
    if (fd >= 0) {
        return fd;
    }
    const char* const temp = std::getenv("TMPDIR");
    return openIn(temp && *temp ? temp : "/tmp", file);
}

}

// The lock itself: a recursive mutex of this process (which ThreadSanitizer understands) and,
// for a system-wide mutex, an exclusive flock on the lock file taken by the first level.
class MutexInternals
{
public:
    MutexInternals(const char* name, bool systemWide)
        : m_name(name), m_systemWide(systemWide)
    {
        if (!systemWide) {
            return;
        }
        m_fd = openLockFile(m_name);
        if (m_fd < 0) {
            debug("Mutex creation failed because: %d\n", errno);
        }
    }

    ~MutexInternals()
    {
        if (m_fd >= 0) {
            close(m_fd);
        }
    }

    // False for a system-wide mutex without lock file.
    bool usable() const { return !m_systemWide || m_fd >= 0; }

    // Takes the lock when it can be had before the deadline.
    bool lockUntil(Clock::time_point deadline, int callSite)
    {
        if (!m_lock.try_lock_until(deadline)) {
            return false;
        }
        if (m_recursion == 0 && m_systemWide && !fileLockUntil(deadline)) {
            m_lock.unlock();
            return false;
        }
        taken(callSite);
        return true;
    }

    // Takes the lock only when that needs no wait.
    bool tryLock(int callSite)
    {
        if (!m_lock.try_lock()) {
            return false;
        }
        if (m_recursion == 0 && m_systemWide && flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
            m_lock.unlock();
            return false;
        }
        taken(callSite);
        return true;
    }

    void unlock()
    {
        if (m_owner.load(std::memory_order_relaxed) != std::this_thread::get_id()) {
            debug("Mutex %s unlocked by a thread that does not hold it\n", m_name.c_str());
            return;
        }
        m_lockedFrom.store(-1, std::memory_order_relaxed);
        if (--m_recursion == 0) {
            m_owner.store(std::thread::id(), std::memory_order_relaxed);
            if (m_systemWide) {
                flock(m_fd, LOCK_UN);
            }
        }
        m_lock.unlock();
    }

    const heron_string& name() const { return m_name; }
    int lockedFrom() const { return m_lockedFrom.load(std::memory_order_relaxed); }

private:
    void taken(int callSite)
    {
        if (++m_recursion == 1) {
            m_lockedFrom.store(callSite, std::memory_order_relaxed);
            m_owner.store(std::this_thread::get_id(), std::memory_order_relaxed);
        }
    }

    bool fileLockUntil(Clock::time_point deadline)
    {
        while (flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
            if (Clock::now() >= deadline) {
                return false;
            }
            std::this_thread::sleep_for(fileLockPoll);
        }
        return true;
    }

    const heron_string m_name;
    const bool m_systemWide;
    int m_fd = -1;
    std::recursive_timed_mutex m_lock;
    // Levels held by the owner; changed only by the thread holding m_lock.
    int m_recursion = 0;
    // The holder's call-site number, -1 after an unlock; read by waiters for their log line.
    std::atomic<int> m_lockedFrom{-1};
    // Only the holder stores itself here and clears it, so a thread reading its own id is the
    // holder whatever the memory order.
    std::atomic<std::thread::id> m_owner;
};

Mutex::Mutex(const char* name, bool systemWide)
    : m_internals(std::make_unique<MutexInternals>(name, systemWide))
{
}

Mutex::~Mutex() = default;

void Mutex::unlock()
{
    m_internals->unlock();
}

MutexLock::MutexLock(Mutex& mutex, int callSite)
    : m_taken(false), m_mutex(&mutex)
{
    MutexInternals& lock = *mutex.m_internals;
    if (!lock.usable()) {
        return;
    }
    if (!lock.tryLock(callSite)) {
        while (!lock.lockUntil(Clock::now() + std::chrono::milliseconds(waitSliceMs.load()), callSite)) {
            debug("Mutex %s taking a long time at %d (locked from %d)...\n", lock.name().c_str(), callSite,
                  lock.lockedFrom());
        }
    }
    m_taken = true;
}

MutexLock::~MutexLock()
{
    if (m_taken) {
        m_mutex->unlock();
    }
}

bool MutexLock::tryLock(Mutex& mutex)
{
    MutexInternals& lock = *mutex.m_internals;
    return lock.usable() && lock.tryLock(0);
}

MutexTryLock::MutexTryLock(Mutex& mutex)
    : m_mutex(mutex), m_taken(MutexLock::tryLock(mutex))
{
}

MutexTryLock::~MutexTryLock()
{
    if (m_taken) {
        m_mutex.unlock();
    }
}

std::chrono::milliseconds setMutexWaitSlice(std::chrono::milliseconds slice)
{
    return std::chrono::milliseconds(waitSliceMs.exchange(slice.count()));
}

}
