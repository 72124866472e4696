#pragma once

#include "scene/core/Clock.h"

// Drives the scene clock by hand while it lives: each frame() ticks it at the time given.
class ManualSceneClock
{
public:
    explicit ManualSceneClock(double start)
    {
        seconds() = start;
        finch::Clock::setBaseClock(&read);
        finch::Clock::tick();
    }
    ~ManualSceneClock() { finch::Clock::setBaseClock(nullptr); }
    ManualSceneClock(const ManualSceneClock&) = delete;
    ManualSceneClock& operator=(const ManualSceneClock&) = delete;

    void frame(double time)
    {
        seconds() = time;
        finch::Clock::tick();
    }
    // Sets the time that the next tick reads, for a loop that ticks the clock itself.
    void setTime(double time) { seconds() = time; }

private:
    static double& seconds()
    {
        static double value = 0.0;
        return value;
    }
    static double read() { return seconds(); }
};
