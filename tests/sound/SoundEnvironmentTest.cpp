#include "sound/SoundEnvironment.h"

#include "sound/OpenALSoundHAL.h"
#include "sound/SoundSystem.h"
#include "support/Eventually.h"
#include "support/FakeAudio.h"
#include "support/ToneSource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

using Emitter = heron::counted_ptr<egret::SoundEmitter>;

egret::Motion at(float ahead)
{
    egret::Motion motion;
    motion.position.y = ahead;
    return motion;
}

// An environment over the hardware layer of a fake device, with its pools set up as the launcher
// sets them up: 6 mono emitter voices, then 6 stereo effect voices.
class EnvironmentTest : public testing::Test
{
protected:
    EnvironmentTest()
    {
        EXPECT_TRUE(hal.initialize(nullptr));
        environment.allocateChannels(egret::ChannelKind::Emitter, 6, egret::mono16Format);
        environment.allocateChannels(egret::ChannelKind::Effect, 6, egret::stereo16Format);
    }

    // An emitter of distance 1 (full level to 16, a voice inside sqrt(0.9) * 16) at y = ahead,
    // its samples loaded.
    Emitter emitterAt(float ahead, const char* name)
    {
        const heron::counted_ptr<egret::SoundDataSource> source(
            new ToneSource(egret::mono16Format, 1000, 1000, name));
        Emitter emitter = environment.createEmitter(source, 1.0f, 1.0f);
        environment.setEmitterMotion(emitter, at(ahead));
        EXPECT_TRUE(eventually([&] { return emitter->samples()->isLoaded(); }));
        return emitter;
    }
    // One frame: the environment's update, then the hardware's.
    void frame()
    {
        environment.update();
        hal.update();
    }
    static bool voiced(const Emitter& emitter) { return static_cast<bool>(emitter->player()); }

    plat::FakeAudio audio;
    egret::OpenALSoundHAL hal;
    egret::SoundEnvironment environment{hal};
};

}

TEST_F(EnvironmentTest, NearestSixGetVoicesAndTheSeventhWaitsForOneToBeFreedAndIdle)
{
    std::vector<Emitter> emitters;
    for (int i = 0; i < 7; ++i) {
        emitters.push_back(emitterAt(14.0f - i, ("wave" + std::to_string(i) + ".wav").c_str()));
    }
    frame();
    EXPECT_FALSE(voiced(emitters[0]));
    for (int i = 1; i < 7; ++i) {
        EXPECT_TRUE(voiced(emitters[i])) << i;
        EXPECT_EQ(emitters[i]->player()->status(), egret::PlayerStatus::Playing);
    }
    environment.setEmitterMotion(emitters[6], at(17.0f));      // outside 1.1 times its range squared
    environment.update();
    EXPECT_FALSE(voiced(emitters[6]));
    EXPECT_FALSE(voiced(emitters[0]));                          // its voice is not idle yet
    hal.update();
    frame();
    EXPECT_TRUE(voiced(emitters[0]));
    EXPECT_FALSE(voiced(emitters[6]));
}

TEST_F(EnvironmentTest, BetweenNinetyAndHundredTenPercentOfItsRangeAnEmitterKeepsWhatItHas)
{
    const Emitter playing = emitterAt(10.0f, "a.wav");
    const Emitter silent = emitterAt(16.0f, "b.wav");            // 256: between 230.4 and 281.6
    frame();
    EXPECT_TRUE(voiced(playing));
    EXPECT_FALSE(voiced(silent));
    environment.setEmitterMotion(playing, at(16.5f));
    frame();
    EXPECT_TRUE(voiced(playing));
    EXPECT_FALSE(voiced(silent));
    environment.setEmitterActive(playing, egret::EmitterActivity::Inactive);
    frame();
    EXPECT_FALSE(voiced(playing));
}

TEST_F(EnvironmentTest, EmittersOfTheSameNameShareTheirSamplesAndStereoLoadsAsMono)
{
    const heron::counted_ptr<egret::SoundDataSource> first(new ToneSource(egret::stereo16Format, 500, 500, "surf.wav"));
    const heron::counted_ptr<egret::SoundDataSource> second(new ToneSource(egret::stereo16Format, 500, 500, "surf.wav"));
    const Emitter a = environment.createEmitter(first, 1.0f, 1.0f);
    const Emitter b = environment.createEmitter(second, 1.0f, 1.0f);
    EXPECT_EQ(a->samples(), b->samples());
    ASSERT_TRUE(eventually([&] { return a->samples()->isLoaded(); }));
    EXPECT_TRUE(egret::samePlayback(a->samples()->format(), egret::mono16Format));
    frame();
    EXPECT_TRUE(voiced(a));
    EXPECT_TRUE(voiced(b));
}

TEST_F(EnvironmentTest, DestroyedEmitterStopsItsVoiceAndIsForgotten)
{
    Emitter emitter = emitterAt(1.0f, "a.wav");
    frame();
    const heron::counted_ptr<egret::SoundPlayer> voice = emitter->player();
    ASSERT_TRUE(voice);
    environment.destroyEmitter(emitter);
    EXPECT_FALSE(emitter);
    frame();
    EXPECT_EQ(voice->status(), egret::PlayerStatus::Idle);
}

TEST_F(EnvironmentTest, SeventhEffectTakesOverTheOneStartedLongestAgo)
{
    const auto samples = hal.loadBuffer(
        heron::counted_ptr<egret::SoundDataSource>(new ToneSource(egret::stereo16Format, 100000, 100000)),
        egret::Loading::AtOnce);
    for (int i = 0; i < 7; ++i) {
        environment.playEffect(samples, 0.1f * float(i + 1));
        hal.update();
    }
    // The voices are the 6 emitter voices, then the 6 effect voices, in the order they were made.
    EXPECT_EQ(audio.buffer(6).volume, egret::volumeToAttenuation(0.7f));
    EXPECT_EQ(audio.buffer(6).starts, 2);
    EXPECT_EQ(audio.buffer(7).volume, egret::volumeToAttenuation(0.2f));
}

TEST_F(EnvironmentTest, EffectsPlayOnlyLoadedSamplesOfTheirFormat)
{
    const auto mono = hal.loadBuffer(
        heron::counted_ptr<egret::SoundDataSource>(new ToneSource(egret::mono16Format, 100, 100)), egret::Loading::AtOnce);
    const auto neverLoaded = hal.loadBuffer(
        heron::counted_ptr<egret::SoundDataSource>(new ToneSource(egret::stereo16Format, 0, 0)), egret::Loading::Queued);
    environment.playEffect(mono, 1.0f);
    environment.playEffect(neverLoaded, 1.0f);
    frame();
    for (int i = 6; i < 12; ++i) {
        EXPECT_EQ(audio.buffer(i).starts, 0) << i;
    }
}

TEST(SoundEnvironment, FirstEmitterSetsUpTheDefaultPools)
{
    plat::FakeAudio audio;
    egret::OpenALSoundHAL hal;
    ASSERT_TRUE(hal.initialize(nullptr));
    egret::SoundEnvironment environment(hal);
    const Emitter emitter = environment.createEmitter({}, 1.0f, 1.0f);
    environment.update();
    hal.update();
    ASSERT_EQ(audio.bufferCount(), 12);
    EXPECT_EQ(audio.buffer(0).format.channels, 1);
    EXPECT_EQ(audio.buffer(11).format.channels, 2);
    EXPECT_FALSE(emitter->player());
}
