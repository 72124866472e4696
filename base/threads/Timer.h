#pragma once

#include "base/counted_ptr.h"

namespace heron
{

// Work done once per period on a Timer's thread.
class TimerFunc
{
public:
    virtual ~TimerFunc() = default;
    // Called on the timer's thread, the first time as soon as the timer starts.
    virtual void tick() = 0;
};

class TimerInternals;

// Calls a TimerFunc periodically on a thread of its own. Periods are counted from the start, not
// from the end of each tick; periods missed while a tick runs late give one tick, not a burst.
class Timer
{
public:
    // Period 0.01 s, priority index 3 (above normal).
    Timer();
    // Stops the timer if it is running.
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    // The period in seconds, truncated to whole milliseconds; below 1 ms the function is called
    // only once. Takes effect at the next start.
    void setPeriod(double seconds);
    // The thread's priority index 0..4 (see Thread). Takes effect at the next start.
    void setPriority(int priority);
    // Starts calling func->tick(); nothing while already running. func must live until stop.
    void start(TimerFunc* func);
    // Stops the calls; returns once the timer's thread has ended (or at once when called from
    // the timer's own tick, after which no further tick comes).
    void stop();

private:
    counted_ptr<TimerInternals> m_internals;
};

}
