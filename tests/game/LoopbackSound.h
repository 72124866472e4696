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

// Has the program's sound system open the loopback device, with passes left to the test and
// programSoundTime as its clock. False when OpenAL offers no loopback device or it does not open.
[[nodiscard]] inline bool openProgramSoundOn(plat::LoopbackAudio& loopback)
{
    if (!loopback.isOpen()) {
        return false;
    }
    plat::setAudioDeviceOpener([&loopback] { return std::unique_ptr<plat::AudioDevice>(loopback.takeDevice()); });
    egret::SoundSystem& system = egret::SoundSystem::instance();
    if (!system.initialize(nullptr)) {
        return false;
    }
    system.setThreadModel(0);
    system.internals().setClock([] { return programSoundTime(); });
    return true;
}
