#pragma once

#include <chrono>
#include <memory>

namespace heron
{

class MutexInternals;

// Recursive lock with a name for diagnostics. By default it is a lock inside this process; a
// system-wide mutex is also shared with other processes through a lock file named after it in
// $XDG_RUNTIME_DIR (else the temp folder), released by the system when the process ends.
class Mutex
{
public:
    // name may be null (no name). A system-wide mutex whose lock file cannot be opened logs
    // "Mutex creation failed because: %d\n" with errno and can never be taken.
    explicit Mutex(const char* name = nullptr, bool systemWide = false);
    ~Mutex();
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

    // Releases one level of the lock held by the calling thread (after MutexLock::tryLock).
    // A thread that does not hold the lock only gets a log line.
    void unlock();

private:
    friend class MutexLock;

    std::unique_ptr<MutexInternals> m_internals;
};

// Scoped hold of a Mutex, re-entrant for the thread that already holds it. It never waits
// silently: every wait slice (one second) it waits it logs
// "Mutex <name> taking a long time at <callSite> (locked from <holder's callSite>)...".
class MutexLock
{
public:
    // Takes the mutex, waiting as long as needed. callSite is any number the caller chooses to
    // tell its call sites apart in the log. A system-wide mutex without lock file is not taken.
    MutexLock(Mutex& mutex, int callSite);
    // Releases the mutex if it was taken.
    ~MutexLock();
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

    // Takes the mutex only when it is free or held by the calling thread, without waiting;
    // true when taken, and the caller then releases it with Mutex::unlock.
    [[nodiscard]] static bool tryLock(Mutex& mutex);

private:
    bool m_taken;
    Mutex* m_mutex;
};

// Scoped hold of a Mutex taken only when that needs no wait (see MutexLock::tryLock): check it
// with taken(); it releases the mutex if it took it.
class MutexTryLock
{
public:
    explicit MutexTryLock(Mutex& mutex);
    ~MutexTryLock();
    MutexTryLock(const MutexTryLock&) = delete;
    MutexTryLock& operator=(const MutexTryLock&) = delete;

    bool taken() const { return m_taken; }

private:
    Mutex& m_mutex;
    bool m_taken;
};

// Sets the wait slice of every MutexLock in the process (one second unless changed; tests shorten
// it) and returns the one it replaces. Waits already in a slice keep theirs.
std::chrono::milliseconds setMutexWaitSlice(std::chrono::milliseconds slice);

}
