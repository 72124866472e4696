#include "sound/SoundEnvironment.h"

#include "sound/OpenALSoundHAL.h"
#include "sound/SoundSystem.h"
#include "support/Eventually.h"
#include "support/LoopbackAudio.h"
#include "support/ToneSource.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{

constexpr int tenthOfASecond = plat::LoopbackAudio::rate / 10;

// The whole chain, from the environment through the hardware layer to OpenAL, heard through
// OpenAL's loopback device.
class HeardTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(loopback.isOpen()) << "OpenAL offers no loopback device";
        loopback.installAsOpener();
        ASSERT_TRUE(hal.initialize(nullptr));
    }
    heron::counted_ptr<egret::SoundDataSource> saw(const egret::SoundFormat& format, const char* name)
    {
        return heron::counted_ptr<egret::SoundDataSource>(new ToneSource(format, 44100, 44100, name));
    }
    // Left and right levels of a tenth of a second, after one frame and a tenth to settle.
    std::pair<double, double> levels()
    {
        environment.update();
        hal.update();
        loopback.render(tenthOfASecond);
        const std::vector<std::int16_t> mix = loopback.render(tenthOfASecond);
        return {plat::channelLevel(mix, 0), plat::channelLevel(mix, 1)};
    }

    plat::LoopbackAudio loopback;
    egret::OpenALSoundHAL hal;
    egret::SoundEnvironment environment{hal};
};

}

TEST_F(HeardTest, EmitterToTheListenersRightIsLouderOnTheRight)
{
    const auto emitter = environment.createEmitter(saw(egret::mono16Format, "buoy.wav"), 1.0f, 10.0f);
    ASSERT_TRUE(eventually([&] { return emitter->samples()->isLoaded(); }));
    egret::Motion right;
    right.position.x = 20.0f;
    environment.setEmitterMotion(emitter, right);
    auto [left, rightLevel] = levels();
    EXPECT_GT(rightLevel, 500.0);
    EXPECT_GT(rightLevel, 10 * left);

    egret::Placement turned;
    turned.front = {0.0f, -1.0f, 0.0f};         // facing back: the emitter is now on the left
    environment.setListener(turned);
    std::tie(left, rightLevel) = levels();
    EXPECT_GT(left, 10 * rightLevel);
}

TEST_F(HeardTest, EffectVolumesAreHeardAtTheirGains)
{
    const auto samples = hal.loadBuffer(saw(egret::stereo16Format, "chime.wav"), egret::Loading::AtOnce);
    environment.allocateChannels(egret::ChannelKind::Effect, 1, egret::stereo16Format);
    environment.playEffect(samples, 1.0f);
    const double full = levels().first;
    ASSERT_GT(full, 1000.0);
    for (const float volume : {0.5f, 0.25f}) {
        environment.playEffect(samples, volume);
        const double gain = std::pow(10.0, egret::volumeToAttenuation(volume) / 2000.0);
        EXPECT_NEAR(levels().first / full, gain, 0.02) << volume;
    }
}
