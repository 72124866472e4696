#pragma once

#include "game/LookFixture.h"

#include "game/LoopbackSound.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// The demo world read with the program's sound system on OpenAL's loopback device: the tests
// render what OpenAL mixes and run the sound system's passes themselves, on a clock set by hand.
class DemoAudioTest : public LookTest
{
protected:
    static constexpr int tenthOfASecond = plat::LoopbackAudio::rate / 10;

    void SetUp() override
    {
        ASSERT_TRUE(openProgramSound()) << "OpenAL offers no loopback device";
        LookTest::SetUp();
        pelican::setCacheRoot(m_folder.path().string().c_str());
        pelican::registerPackedFile(heron::FilePath(AURELLE_DEMO_WORLD));
        world = heron::counted_ptr<Look>(new Look(heron::FilePath("glasstide.look")));
    }

    void TearDown() override
    {
        world.reset();
        quietProgramSound();
        plat::setAudioDeviceOpener({});
        LookTest::TearDown();
    }

    // Renders tenths tenths of a second as the game's frames would make them: after each tenth the
    // clock moves on, the sound system runs a pass and then eachTenth runs. The level of the left
    // channel of each tenth.
    std::vector<double> renderTenths(int tenths, const std::function<void()>& eachTenth = {})
    {
        std::vector<double> levels;
        for (int tenth = 0; tenth < tenths; ++tenth) {
            levels.push_back(plat::channelLevel(renderTenth(eachTenth), 0));
        }
        return levels;
    }

    // The same, keeping the whole mix: left and right samples interleaved.
    std::vector<std::int16_t> recordTenths(int tenths, const std::function<void()>& eachTenth = {})
    {
        std::vector<std::int16_t> mix;
        for (int tenth = 0; tenth < tenths; ++tenth) {
            const std::vector<std::int16_t> samples = renderTenth(eachTenth);
            mix.insert(mix.end(), samples.begin(), samples.end());
        }
        return mix;
    }

    std::vector<std::int16_t> renderTenth(const std::function<void()>& eachTenth)
    {
        std::vector<std::int16_t> samples = loopback.render(tenthOfASecond);
        programSoundTime() += 0.1;
        egret::SoundSystem::instance().update();
        if (eachTenth) {
            eachTenth();
        }
        return samples;
    }

    plat::LoopbackAudio& loopback = plat::programLoopback();
    heron::counted_ptr<Look> world;
};
