#pragma once

namespace finch
{

// The scene clock every animated thing reads: seconds of the base clock less the time spent
// paused. The frame's time and length are taken once per frame by tick(). Process-wide; main
// thread only.
class Clock
{
public:
    // A source of seconds that never decrease.
    using BaseClock = double (*)();
    // Length of the first frame, before any frame has been measured.
    static constexpr double firstFrameDelta = 0.01;

    // Makes clock the base clock (null: the base library's seconds clock) and starts the scene
    // clock afresh: not paused, nothing paused so far, no tick yet.
    static void setBaseClock(BaseClock clock);

    // Base clock less the total paused; frozen while paused.
    static double now();
    // Once per frame: the frame time becomes now(), the frame delta the time since the previous
    // tick (firstFrameDelta on the first).
    static void tick();
    // Freezes now(); a second pause while paused restarts the pause from this moment.
    static void pause();
    // Counts the pause as paused time and unfreezes now(); nothing when not paused.
    static void resume();

    static bool isPaused();
    // now() at the last tick.
    static double frameTime();
    // The last tick's frame time less the one before.
    static double frameDelta();
};

}
