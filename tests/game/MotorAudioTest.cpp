// The step sequencer as OpenAL mixes it: its own stream on the loopback device, under the player's
// volume switch.
#include "game/LoopbackSound.h"
#include "music/Motor.h"
#include "support/ToneSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace
{

class MotorAudioTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(openProgramSound()) << "OpenAL offers no loopback device";
        motor.queueSampleFile(0, "tone.wav");
        motor.patterns[0].notes.fill(0);
        motor.enable = true;
        motor.setTempo(600);
    }

    void TearDown() override
    {
        motor.stop();
        quietProgramSound();
        Motor::volumeSwitchOn = true;
        plat::setAudioDeviceOpener({});
    }

    // One pass reads the sequencer, which asks for its sample; it is loaded here rather than
    // waiting for the worker.
    void startSounding()
    {
        pass();
        motor.loadSample();
    }

    // The loudest tenth of a second of the left channel over tenths tenths.
    double loudestOf(int tenths)
    {
        double loudest = 0.0;
        for (int tenth = 0; tenth < tenths; ++tenth) {
            loudest = std::max(loudest, plat::channelLevel(loopback.render(plat::LoopbackAudio::rate / 10), 0));
            pass();
        }
        return loudest;
    }

    void pass()
    {
        programSoundTime() += 0.1;
        egret::SoundSystem::instance().update();
    }

    plat::LoopbackAudio& loopback = plat::programLoopback();
    Motor motor{[](const heron::FilePath&) { return ToneSource::shared(egret::mono16Format, 2000); }};
};

}

TEST_F(MotorAudioTest, VolumeSwitchSilencesTheSequencerUntilSwitchedOnAgain)
{
    constexpr double heard = 500.0;
    motor.start();
    startSounding();
    EXPECT_GT(loudestOf(10), heard);

    Motor::volumeSwitchOn = false;
    motor.setTempo(600);
    // OpenAL's mixer takes a moment to carry out a stop.
    loudestOf(2);
    EXPECT_LT(loudestOf(5), 1.0);

    Motor::volumeSwitchOn = true;
    motor.setTempo(600);
    startSounding();
    EXPECT_GT(loudestOf(10), heard);
}
