#include "scene/core/Clock.h"

#include "base/Debug.h"

namespace finch
{

namespace
{

struct ClockState
{
    Clock::BaseClock base = &heron::getTime;
    double now = 0.0;
    bool paused = false;
    double pauseStart = 0.0;
    double totalPaused = 0.0;
    double frameTime = 0.0;
    // A flag rather than a zero previous tick: a base clock may well read 0.0 at the first tick.
    bool ticked = false;
    double previousTick = 0.0;
    double frameDelta = 0.0;
};

ClockState& state()
{
    static ClockState clock;
    return clock;
}

}

void Clock::setBaseClock(BaseClock clock)
{
    state() = ClockState();
    if (clock != nullptr) {
        state().base = clock;
    }
}

double Clock::now()
{
    ClockState& s = state();
    if (!s.paused) {
        s.now = s.base() - s.totalPaused;
    }
    return s.now;
}

void Clock::tick()
{
    ClockState& s = state();
    s.frameTime = now();
    s.frameDelta = s.ticked ? s.frameTime - s.previousTick : firstFrameDelta;
    s.ticked = true;
    s.previousTick = s.frameTime;
}

void Clock::pause()
{
    ClockState& s = state();
    if (!s.paused) {
        // Frozen at the moment of the pause, not at whatever now() last read.
        now();
    }
    s.paused = true;
    s.pauseStart = s.base();
}

void Clock::resume()
{
    ClockState& s = state();
    if (!s.paused) {
        return;
    }
    s.totalPaused += s.base() - s.pauseStart;
    s.paused = false;
}

bool Clock::isPaused()
{
    return state().paused;
}

double Clock::frameTime()
{
    return state().frameTime;
}

double Clock::frameDelta()
{
    return state().frameDelta;
}

}
