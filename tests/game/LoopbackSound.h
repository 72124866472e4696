#pragma once

#include "sound/SoundSystem.h"
#include "sound/SoundSystemInternals.h"
#include "support/LoopbackAudio.h"

#include <memory>

// The program's sound system on OpenAL's loopback device: the test renders what OpenAL mixes and
// runs the update passes itself, on a clock it moves by hand.

// The program's sound system's clock. That system outlives each test, so its clock must not read
// a fixture.
inline double& programSoundTime()
{
    static double now = 0.0;
    return now;
}

// Has the program's sound system open plat::programLoopback (on the first call), with passes left
// to the test and programSoundTime as its clock. False when OpenAL offers no loopback device or it
// does not open.
[[nodiscard]] inline bool openProgramSound()
{
    plat::openProgramLoopbackOnDemand();
    egret::SoundSystem& system = egret::SoundSystem::instance();
    if (!system.initialize(nullptr)) {
        return false;
    }
    system.setThreadModel(0);
    system.internals().setClock([] { return programSoundTime(); });
    return true;
}

// Ends a test's sound: one pass deletes the objects its world gave back, and a tenth of a second
// rendered lets OpenAL carry out their stops, so the next test on the same device starts in silence.
inline void quietProgramSound()
{
    programSoundTime() += 0.1;
    egret::SoundSystem::instance().update();
    static_cast<void>(plat::programLoopback().render(plat::LoopbackAudio::rate / 10));
}
