#include "sound/OpenALSoundHAL.h"

#include "sound/SoundSystem.h"
#include "support/Eventually.h"
#include "support/FakeAudio.h"
#include "support/LogCapture.h"
#include "support/ToneSource.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>

namespace
{

constexpr std::uint32_t unit = 17640;
constexpr std::uint32_t voiceBytes = unit * 8;

heron::counted_ptr<egret::SoundDataSource> tone(const egret::SoundFormat& format, int frames, const char* name = "tone.wav")
{
    return heron::counted_ptr<egret::SoundDataSource>(new ToneSource(format, frames, frames, name));
}

egret::Motion at(float ahead)
{
    egret::Motion motion;
    motion.position.y = ahead;
    return motion;
}

// A source whose first read waits until the test opens its gate.
class GatedSource : public ToneSource
{
public:
    GatedSource() : ToneSource(egret::stereo16Format, 100, 100) {}
    int read(int frames, void* buffer) override
    {
        entered = true;
        while (!open) {
            heron::sleepMs(1);
        }
        return ToneSource::read(frames, buffer);
    }
    std::atomic<bool> entered{false};
    std::atomic<bool> open{false};
};

class HALTest : public testing::Test
{
protected:
    HALTest() { EXPECT_TRUE(hal.initialize(nullptr)); }

    heron::counted_ptr<egret::SoundBuffer> loaded(const egret::SoundFormat& format, int frames)
    {
        return hal.loadBuffer(tone(format, frames), egret::Loading::AtOnce);
    }
    heron::counted_ptr<egret::SoundPlayer> effectVoice()
    {
        return hal.createPlayer(egret::stereo16Format, plat::PositionalControl::Yes);
    }
    // Lets the device play bytes, then runs one hardware update.
    void playOn(std::uint32_t bytes)
    {
        audio.advance(bytes);
        hal.update();
    }

    plat::FakeAudio audio;
    egret::OpenALSoundHAL hal;
};

}

TEST(OpenALSoundHAL, WithoutADeviceVoicesStayRequestedAndNothingRuns)
{
    LogCapture log;
    plat::FakeAudio::Settings none;
    none.present = false;
    plat::FakeAudio audio(none);
    egret::OpenALSoundHAL hal;
    EXPECT_FALSE(hal.initialize(nullptr));
    EXPECT_FALSE(hal.initialize(nullptr));
    EXPECT_EQ(audio.devicesOpened(), 1);
    EXPECT_EQ(hal.freeMixingChannels(), -1);
    EXPECT_TRUE(log.contains("Initializing DirectSound\nDirectSound not available\n"));

    const auto voice = hal.createPlayer(egret::stereo16Format, plat::PositionalControl::Yes);
    ASSERT_TRUE(voice->play(hal.loadBuffer(tone(egret::stereo16Format, 100), egret::Loading::AtOnce), {}));
    hal.update();
    EXPECT_EQ(voice->status(), egret::PlayerStatus::Requested);
    EXPECT_EQ(audio.bufferCount(), 0);
}

TEST_F(HALTest, DeviceOpensOnceAndReportsItsCapabilities)
{
    EXPECT_TRUE(hal.initialize(nullptr));
    EXPECT_EQ(audio.devicesOpened(), 1);
    EXPECT_EQ(hal.freeMixingChannels(), 30);
    EXPECT_EQ(hal.free3DChannels(), 14);
    EXPECT_EQ(hal.unit(), unit);
}

TEST_F(HALTest, OneShotPlaysThenDrainsThenTurnsIdleAfterTwoBuffersOfSilence)
{
    const auto voice = effectVoice();
    EXPECT_EQ(voice->status(), egret::PlayerStatus::Idle);
    const auto samples = loaded(egret::stereo16Format, 2 * voiceBytes / 4);   // two voice buffers long
    ASSERT_TRUE(voice->play(samples, {.volume = 0.5f}));
    EXPECT_EQ(voice->status(), egret::PlayerStatus::Requested);
    hal.update();
    EXPECT_EQ(voice->status(), egret::PlayerStatus::Playing);
    const plat::FakeAudio::Buffer started = audio.buffer(0);
    EXPECT_EQ(started.ring.size(), voiceBytes);
    EXPECT_EQ(started.volume, -100);
    EXPECT_EQ(started.mode, plat::PositionalMode::Flat);
    EXPECT_TRUE(started.playing);

    // A unit played per update: the voice runs a quarter buffer ahead at first, then fills up.
    int updates = 0;
    while (voice->status() == egret::PlayerStatus::Playing && updates < 100) {
        playOn(unit);
        ++updates;
    }
    EXPECT_EQ(voice->status(), egret::PlayerStatus::Draining);
    EXPECT_EQ(updates, 9);
    while (voice->status() == egret::PlayerStatus::Draining && updates < 100) {
        playOn(unit);
        ++updates;
    }
    EXPECT_EQ(voice->status(), egret::PlayerStatus::Idle);
    EXPECT_EQ(updates, 9 + 17);
    EXPECT_FALSE(audio.buffer(0).playing);
}

TEST_F(HALTest, ShortOneShotReportsDrainingAsSoonAsItStarts)
{
    const auto voice = effectVoice();
    ASSERT_TRUE(voice->play(loaded(egret::stereo16Format, 100), {}));
    hal.update();
    EXPECT_EQ(voice->status(), egret::PlayerStatus::Draining);
}

TEST_F(HALTest, LoopingVoiceWritesItsSamplesRoundAndRound)
{
    const auto voice = effectVoice();
    ASSERT_TRUE(voice->play(loaded(egret::stereo16Format, 1000), {.looping = true}));
    hal.update();
    hal.update();
    const plat::FakeAudio::Buffer buffer = audio.buffer(0);
    EXPECT_EQ(buffer.bytesWritten, voiceBytes / 4 * 3);     // the start's quarter, then a quarter per update
    for (const int frame : {0, 999, 1000, 7777, int(voiceBytes / 8) - 1}) {
        std::int16_t right = 0;
        std::memcpy(&right, buffer.ring.data() + frame * 4 + 2, 2);
        EXPECT_EQ(right, ToneSource::sampleAt(frame % 1000, 1)) << frame;
    }
    EXPECT_EQ(voice->status(), egret::PlayerStatus::Playing);
}

TEST_F(HALTest, VoiceRefusesSamplesOfAnotherFormatWithALogLine)
{
    LogCapture log;
    const auto voice = hal.createPlayer(egret::mono16Format, plat::PositionalControl::Yes);
    const egret::SoundFormat slowMono{1, 16, 22050, 1, 2, 44100};
    EXPECT_FALSE(voice->play(loaded(slowMono, 100), {}));
    EXPECT_FALSE(voice->play(loaded(egret::stereo16Format, 100), {}));
    EXPECT_EQ(voice->status(), egret::PlayerStatus::Idle);
    EXPECT_TRUE(log.contains("refused samples of 1 channels, 16 bits, 22050 Hz on a voice of 1 channels, 16 bits, 44100 Hz"));
    EXPECT_EQ(log.count("SoundPlayer::play() - refused"), 2);
}

TEST_F(HALTest, VoiceRefusesSamplesNotLoadedYet)
{
    auto* gated = new GatedSource;
    const heron::counted_ptr<egret::SoundDataSource> source(gated);
    const auto pending = hal.loadBuffer(source, egret::Loading::Queued);
    EXPECT_FALSE(effectVoice()->play(pending, {}));
    gated->open = true;
}

TEST_F(HALTest, BuffersKeepTheirTrueFormatAndStereoIsMixedOnlyForMono)
{
    const egret::SoundFormat slowMono{1, 16, 22050, 1, 2, 44100};
    const auto slow = hal.loadBuffer(tone(slowMono, 100), egret::Loading::AtOnce, egret::stereo16Format);
    EXPECT_EQ(slow->format().rate, 22050u);
    EXPECT_EQ(slow->format().channels, 1u);
    const auto mixed = hal.loadBuffer(tone(egret::stereo16Format, 100), egret::Loading::AtOnce, egret::mono16Format);
    EXPECT_TRUE(egret::samePlayback(mixed->format(), egret::mono16Format));
    EXPECT_EQ(mixed->frames(), 100);
    const auto kept = hal.loadBuffer(tone(egret::stereo16Format, 100), egret::Loading::AtOnce);
    EXPECT_TRUE(egret::samePlayback(kept->format(), egret::stereo16Format));
    EXPECT_EQ(hal.createBuffer(egret::mono16Format, 10)->frames(), 10);
    EXPECT_FALSE(hal.createBuffer(egret::mono16Format, 0));
}

TEST_F(HALTest, StopCancelsAPlayAskedForWithItAndIdlesAtTheNextUpdate)
{
    const auto voice = effectVoice();
    const auto samples = loaded(egret::stereo16Format, 100000);
    ASSERT_TRUE(voice->play(samples, {}));
    hal.update();
    ASSERT_TRUE(voice->play(samples, {}));
    voice->stop();
    hal.update();
    EXPECT_EQ(voice->status(), egret::PlayerStatus::Idle);
    EXPECT_EQ(audio.buffer(0).starts, 1);
    EXPECT_FALSE(audio.buffer(0).playing);
}

TEST_F(HALTest, AbandonedQueuedBufferIsNeverRead)
{
    auto* gate = new GatedSource;
    const heron::counted_ptr<egret::SoundDataSource> gated(gate);
    const auto first = hal.loadBuffer(gated, egret::Loading::Queued);
    ASSERT_TRUE(eventually([&] { return gate->entered.load(); }));
    auto* dropped = new ToneSource(egret::stereo16Format, 100, 100);
    const heron::counted_ptr<egret::SoundDataSource> droppedSource(dropped);
    heron::counted_ptr<egret::SoundBuffer> abandoned = hal.loadBuffer(droppedSource, egret::Loading::Queued);
    const auto last = hal.loadBuffer(tone(egret::stereo16Format, 100), egret::Loading::Queued);
    abandoned.reset();
    gate->open = true;
    ASSERT_TRUE(eventually([&] { return last->isLoaded(); }));
    EXPECT_TRUE(first->isLoaded());
    EXPECT_EQ(dropped->reads, 0);
    EXPECT_EQ(dropped->closes, 0);
}

TEST_F(HALTest, LoopingPositionalVoicePausesBeyondItsFadeAndFadesInLinearlyInDistanceSquared)
{
    const auto voice = hal.createPlayer(egret::mono16Format, plat::PositionalControl::Yes);
    const auto samples = loaded(egret::mono16Format, 1000);
    // Distance 1: full level to 16, silent beyond sqrt(1.5) * 16.
    voice->setMotion(at(20.0f));
    ASSERT_TRUE(voice->play(samples, {.positional = true, .looping = true, .volume = 1.0f, .distance = 1.0f}));
    hal.update();
    EXPECT_FALSE(audio.buffer(0).playing);
    EXPECT_EQ(voice->status(), egret::PlayerStatus::Playing);

    voice->setMotion(at(17.0f));
    hal.update();
    const plat::FakeAudio::Buffer resumed = audio.buffer(0);
    EXPECT_TRUE(resumed.playing);
    EXPECT_EQ(resumed.position.y, 17.0f);
    const float r2 = 256.0f;
    EXPECT_EQ(resumed.volume, egret::volumeToAttenuation((1.5f * r2 - 289.0f) / (0.5f * r2)));
    EXPECT_EQ(resumed.minimum, 1.0f);

    voice->setMotion(at(10.0f));
    hal.update();
    EXPECT_EQ(audio.buffer(0).volume, 0);
}

TEST_F(HALTest, ListenerGoesToTheDeviceEveryUpdate)
{
    egret::Placement listener;
    listener.position = {1.0f, 2.0f, 3.0f};
    listener.rolloff = 2.0f;
    hal.setListener(listener);
    hal.update();
    hal.update();
    EXPECT_EQ(audio.listenerUpdates(), 2);
    EXPECT_EQ(audio.listener().position.z, 3.0f);
    EXPECT_EQ(audio.listener().rolloff, 2.0f);
}
