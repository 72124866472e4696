#pragma once

#include "launcher/MainFixture.h"

#include "game/Level.h"
#include "game/Zone.h"
#include "scene/core/Clock.h"
#include "support/LoopbackAudio.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace game_launcher
{

// What the player heard since the last listen: the loudness of the whole mix (its left channel),
// of its higher notes alone, and of the notes of the ring's chime.
struct Heard
{
    double level = 0.0;
    double bright = 0.0;
    double chime = 0.0;
    // How long the mix lasted, in seconds.
    double seconds = 0.0;
};

// The level of the left channel's changes from sample to sample, which grow with the pitch: the
// music's low pads and bass hardly move it, the chime and the splash do.
inline double brightLevel(const std::vector<std::int16_t>& samples)
{
    double sum = 0.0;
    std::size_t count = 0;
    for (std::size_t i = 2; i < samples.size(); i += 2) {
        const double change = double(samples[i]) - double(samples[i - 2]);
        sum += change * change;
        ++count;
    }
    return count ? std::sqrt(sum / double(count)) : 0.0;
}

// The loudness of the ring's chime, a glass bell of three notes, which no music of the world plays.
inline double chimeLevel(const std::vector<std::int16_t>& samples)
{
    constexpr std::array<double, 3> notes = {1046.5, 1568.0, 2093.0};
    double sum = 0.0;
    for (const double note : notes) {
        sum += plat::toneLevel(samples, note);
    }
    return sum;
}

// The level's zone of the name.
inline Zone& zoneNamed(Level& level, const char* name)
{
    for (const auto& zone : level.zones()) {
        if (zone->name == name) {
            return *zone;
        }
    }
    throw std::logic_error(std::string("no zone ") + name);
}

// The time the scene clock reads while a play fixture runs: moved by the test alone.
inline std::atomic<double>& scriptedSceneTime()
{
    static std::atomic<double> now{1000.0};
    return now;
}

inline double readScriptedSceneTime()
{
    return scriptedSceneTime().load();
}

// Moves the scene's time on.
inline void moveSceneOn(double seconds)
{
    scriptedSceneTime() = scriptedSceneTime().load() + seconds;
}

// The program played as the user plays the shipped world, with its sound on OpenAL's loopback
// device and the scene's time moved by the test alone, so that what happens in the game does not
// depend on the machine's speed. The sound runs in real time, as a sound card plays it, so that the
// sound threads keep up.
class PlayFixture : public MainFixture
{
protected:
    void SetUp() override
    {
        MainFixture::SetUp();
        ASSERT_TRUE(m_loopback.isOpen()) << "OpenAL offers no loopback device";
        plat::openProgramLoopbackOnDemand();
        scriptedSceneTime() = 1000.0;
        finch::Clock::setBaseClock(&readScriptedSceneTime);
        std::filesystem::copy_file(AURELLE_DEMO_WORLD, m_places.dataFile.c_str());
    }
    void TearDown() override
    {
        finch::Clock::setBaseClock(nullptr);
        plat::setAudioDeviceOpener({});
        MainFixture::TearDown();
    }

    // The mix since the last time, as a sound card would have played it: the music's feeders refill
    // their streams as the real time passes, so that much is taken (a hundredth of a second at
    // least, a tenth at most).
    Heard listen()
    {
        const auto time = std::chrono::steady_clock::now();
        const double seconds = std::clamp(std::chrono::duration<double>(time - m_heard).count(), 0.01, 0.1);
        m_heard = time;
        const std::vector<std::int16_t> samples = m_loopback.render(int(seconds * plat::LoopbackAudio::rate));
        return Heard{plat::channelLevel(samples, 0), brightLevel(samples), chimeLevel(samples), seconds};
    }

    plat::LoopbackAudio& m_loopback = plat::programLoopback();
    std::chrono::steady_clock::time_point m_heard = std::chrono::steady_clock::now();
};

}
