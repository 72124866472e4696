#include "sound/SoundEnvironment.h"

#include "sound/OpenALSoundHAL.h"
#include "sound/SoundSystem.h"
#include "support/Eventually.h"
#include "support/FakeAudio.h"
#include "support/LogCapture.h"
#include "support/ToneSource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

using Emitter = heron::counted_ptr<egret::SoundEmitter>;

// An environment over the hardware layer of a fake device.
class EnvironmentTest : public testing::Test
{
protected:
    EnvironmentTest() { EXPECT_TRUE(hal.initialize(nullptr)); }
    // Moves an emitter to y = ahead.
    void place(const Emitter& emitter, float ahead)
    {
        egret::Motion motion;
        motion.position.y = ahead;
        environment.setEmitterMotion(emitter, motion);
    }
    // A loaded emitter of distance 1 (a voice inside 0.9 * 16², kept up to 1.1 * 16²) at y = ahead.
    Emitter emitterAt(float ahead, const std::string& name)
    {
        Emitter emitter = environment.createEmitter(ToneSource::shared(egret::mono16Format, 1000, name.c_str()), 1.0f, 1.0f);
        place(emitter, ahead);
        EXPECT_TRUE(eventually([&] { return emitter->samples()->isLoaded(); }));
        return emitter;
    }
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
        emitters.push_back(emitterAt(14.0f - float(i), "wave" + std::to_string(i)));
    }
    frame();
    // The first emitter set up the pools: 6 mono emitter voices, then 6 stereo effect voices.
    ASSERT_EQ(audio.bufferCount(), 12);
    EXPECT_EQ(audio.buffer(5).format.channels, 1);
    EXPECT_EQ(audio.buffer(6).format.channels, 2);
    EXPECT_FALSE(voiced(emitters[0]));
    for (int i = 1; i < 7; ++i) {
        EXPECT_TRUE(voiced(emitters[i])) << i;
    }
    place(emitters[6], 17.0f);
    environment.update();
    EXPECT_FALSE(voiced(emitters[6]));
    EXPECT_FALSE(voiced(emitters[0]));      // the freed voice is not idle before the hardware update
    hal.update();
    frame();
    EXPECT_TRUE(voiced(emitters[0]));
    EXPECT_FALSE(voiced(emitters[6]));
}

TEST_F(EnvironmentTest, BetweenNinetyAndHundredTenPercentOfItsRangeAnEmitterKeepsWhatItHas)
{
    const Emitter playing = emitterAt(10.0f, "a");
    const Emitter silent = emitterAt(16.0f, "b");
    frame();
    place(playing, 16.5f);
    frame();
    EXPECT_TRUE(voiced(playing));
    EXPECT_FALSE(voiced(silent));
    environment.setEmitterActive(playing, egret::EmitterActivity::Inactive);
    frame();
    EXPECT_FALSE(voiced(playing));
}

TEST_F(EnvironmentTest, EmittersOfTheSameNameShareTheirSamplesAndStereoPlaysAsMono)
{
    const Emitter a = environment.createEmitter(ToneSource::shared(egret::stereo16Format, 500, "surf"), 1.0f, 1.0f);
    const Emitter b = environment.createEmitter(ToneSource::shared(egret::stereo16Format, 500, "surf"), 1.0f, 1.0f);
    EXPECT_EQ(a->samples(), b->samples());
    ASSERT_TRUE(eventually([&] { return a->samples()->isLoaded(); }));
    EXPECT_TRUE(egret::samePlayback(a->samples()->format(), egret::mono16Format));
    frame();
    EXPECT_TRUE(voiced(a));
    EXPECT_TRUE(voiced(b));
}

TEST_F(EnvironmentTest, SeventhEffectTakesOverTheOneStartedLongestAgoAndOnlyLoadedSamplesPlay)
{
    environment.allocateChannels(egret::ChannelKind::Effect, 6, egret::stereo16Format);
    environment.playEffect(hal.loadBuffer(ToneSource::shared(egret::stereo16Format, 0, "none"), egret::Loading::Queued), 1.0f);
    const auto samples = hal.loadBuffer(ToneSource::shared(egret::stereo16Format, 100000, "chime"), egret::Loading::AtOnce);
    for (int i = 0; i < 7; ++i) {
        environment.playEffect(samples, 0.1f * float(i + 1));
        hal.update();
    }
    EXPECT_EQ(audio.buffer(0).volume, egret::volumeToAttenuation(0.7f));
    EXPECT_EQ(audio.buffer(0).starts, 2);
    EXPECT_EQ(audio.buffer(1).volume, egret::volumeToAttenuation(0.2f));
}

TEST_F(EnvironmentTest, EmitterWhoseSamplesNoVoicePlaysStaysSilentAndTheLogSaysSoOncePerEmitter)
{
    LogCapture log;
    const egret::SoundFormat slow{1, 16, 22050, 1, 2, 44100};
    const Emitter brook = environment.createEmitter(ToneSource::shared(slow, 1000, "brook.wav"), 1.0f, 1.0f);
    const Emitter creek = environment.createEmitter(ToneSource::shared(slow, 1000, "creek.wav"), 1.0f, 1.0f);
    ASSERT_TRUE(eventually([&] { return brook->samples()->isLoaded() && creek->samples()->isLoaded(); }));
    for (int i = 0; i < 3; ++i) {
        frame();
    }
    EXPECT_FALSE(voiced(brook));
    EXPECT_FALSE(voiced(creek));
    for (const char* name : {"brook.wav", "creek.wav"}) {
        EXPECT_EQ(log.count(std::string("SoundEnvironment: ") + name +
                            " stays silent: its samples are 1 channels, 16 bits, 22050 Hz; the emitter voices play 1 "
                            "channels, 16 bits, 44100 Hz\n"),
                  1)
            << name;
    }
}
