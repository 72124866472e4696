#include "base/threads/Thread.h"

#include "base/Debug.h"
#include "base/Mutex.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <system_error>
#include <thread>

#include <sys/resource.h>
#include <unistd.h>

namespace heron
{

namespace
{

constexpr int startSite = 1071;
constexpr int entrySite = 1072;
constexpr int normalPriority = 2;
constexpr int aboveNormalPriority = 3;
// Nice values of the priority indexes 0..4; lower is more urgent.
constexpr int niceOfPriority[] = {10, 5, 0, -5, -10};
constexpr unsigned stopPollMs = 10;

Mutex& threadStartLock()
{
    static Mutex* const lock = new Mutex("Thread start mutex");
    return *lock;
}

// Best effort: without the right to raise a thread's priority the system refuses, which is fine.
void setPriority(pid_t threadId, int priority)
{
    if (threadId == 0 || priority < 0 || priority > 4 || priority == normalPriority) {
        return;
    }
    setpriority(PRIO_PROCESS, static_cast<id_t>(threadId), niceOfPriority[priority]);
}

}

// What the thread itself needs; shared by the Thread and its thread, so that a Thread deleted on
// its own thread leaves the record to the thread until it ends.
class ThreadRecord
{
public:
    ThreadRecord(Threadable* target, int priority)
        : target(target), priority(priority)
    {
    }

    Threadable* const target;
    const int priority;
    // Used only by the owning Thread.
    std::thread thread;
    // The system's id of the thread, 0 until the thread has started.
    std::atomic<pid_t> threadId{0};
    // True from the start until run has returned.
    std::atomic<bool> running{true};
};

namespace
{

void threadEntry(std::shared_ptr<ThreadRecord> record)
{
    // The starting thread holds the start lock until its Thread is complete; only then may run
    // begin, and with it a stop from this thread.
    {
        MutexLock started(threadStartLock(), entrySite);
    }
    record->threadId = gettid();
    setPriority(record->threadId, record->priority);
    record->target->run();
    record->running = false;
}

}

Thread::Thread(counted_ptr<Thread>& self, Threadable* target, int priority)
    : m_record(std::make_shared<ThreadRecord>(target, priority))
{
    // What self held is dropped only after the start lock is released: stopping that thread
    // waits for it, and it may itself be about to start a thread.
    const counted_ptr<Thread> previous = self;
    MutexLock lock(threadStartLock(), startSite);
    self.reset(this);
    if (!target) {
        m_record->running = false;
        return;
    }
    target->stopFlag = false;
    try {
        m_record->thread = std::thread(threadEntry, m_record);
    } catch (const std::system_error& e) {
        m_record->running = false;
        debug("Thread create failed (errno=%d)\n", e.code().value());
    }
}

Thread::~Thread()
{
    ThreadRecord& record = *m_record;
    if (!record.thread.joinable()) {
        return;
    }
    record.target->stopFlag = true;
    if (record.thread.get_id() == std::this_thread::get_id()) {
        record.thread.detach();
        return;
    }
    setPriority(record.threadId, aboveNormalPriority);
    while (record.running) {
        record.target->stopFlag = true;
        sleepMs(stopPollMs);
    }
    record.thread.join();
}

void sleepSeconds(double seconds)
{
    const double ms = std::trunc(seconds * 1000.0);
    if (!(ms > 0.0)) {
        return;
    }
    sleepMs(ms >= UINT_MAX ? UINT_MAX : static_cast<unsigned>(ms));
}

void sleepMs(unsigned ms)
{
    timespec wait{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (clock_nanosleep(CLOCK_MONOTONIC, 0, &wait, &wait) == EINTR) {
    }
}

}
