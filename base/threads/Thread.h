#pragma once

#include "base/counted_ptr.h"

#include <atomic>
#include <memory>

namespace heron
{

// The work of a thread: run is called on the thread and should return soon after stopFlag
// turns true.
class Threadable
{
public:
    virtual ~Threadable() = default;
    // The work; called once on the new thread.
    virtual int run() = 0;

    // Set by the Thread that stops this work, cleared by the Thread that starts it. Any thread.
    std::atomic<bool> stopFlag{false};
};

class ThreadRecord;

// A system thread running one Threadable, owned by counted_ptr; dropping the last pointer stops it.
class Thread
{
public:
    // Starts target->run() on a new thread at priority index 0..4 (lowest, below normal, normal,
    // above normal, highest; raising needs the right to, and failing to change it is no error)
    // and stores this Thread in self, which owns it. What self held before is dropped after the
    // start. target must live until run has returned. A thread that cannot be created is logged
    // as "Thread create failed (errno=%d)\n" and this Thread then does nothing.
    Thread(counted_ptr<Thread>& self, Threadable* target, int priority);
    // Sets the target's stop flag and waits until run has returned, however long that takes.
    // Called on the thread itself (its run dropped the last pointer), it sets the flag and
    // returns at once; the thread then ends on its own.
    virtual ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

private:
    std::shared_ptr<ThreadRecord> m_record;
};

// Sleeps the calling thread for seconds * 1000 milliseconds, truncated; nothing for 0 or less.
void sleepSeconds(double seconds);
// Sleeps the calling thread for ms milliseconds.
void sleepMs(unsigned ms);

}
