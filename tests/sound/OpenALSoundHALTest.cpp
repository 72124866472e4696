#include "sound/OpenALSoundHAL.h"

#include "sound/SoundSystem.h"
#include "support/Eventually.h"
#include "support/FakeAudio.h"
#include "support/LogCapture.h"
#include "support/ToneSource.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{

using Status = egret::PlayerStatus;
constexpr std::uint32_t unit = plat::FakeAudio::unit;
constexpr std::uint32_t voiceBytes = unit * 8;
constexpr egret::SoundFormat slowMono{1, 16, 22050, 1, 2, 44100};

egret::Motion ahead(float y)
{
    return {{0.0f, y, 0.0f}, {}};
}

// A source whose reads wait until the test opens its gate.
struct GatedSource : ToneSource
{
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
        return hal.loadBuffer(ToneSource::shared(format, frames), egret::Loading::AtOnce);
    }
    heron::counted_ptr<egret::SoundPlayer> voice(const egret::SoundFormat& format = egret::stereo16Format)
    {
        return hal.createPlayer(format, plat::PositionalControl::Yes);
    }
    // Runs updates, the device playing a unit before each, while the voice has status; how many.
    int updatesWhile(const heron::counted_ptr<egret::SoundPlayer>& player, Status status)
    {
        int updates = 0;
        for (; player->status() == status && updates < 100; ++updates) {
            audio.advance(unit);
            hal.update();
        }
        return updates;
    }

    plat::FakeAudio audio;
    egret::OpenALSoundHAL hal;
};

}

TEST(OpenALSoundHAL, WithoutADeviceIsSilentAndVoicesStayRequested)
{
    LogCapture log;
    plat::FakeAudio audio(plat::FakeAudio::Presence::Absent);
    egret::OpenALSoundHAL hal;
    EXPECT_FALSE(hal.initialize(nullptr));
    EXPECT_FALSE(hal.initialize(nullptr));
    EXPECT_EQ(audio.devicesOpened(), 1);
    EXPECT_EQ(hal.freeMixingChannels(), -1);
    EXPECT_TRUE(log.contains("Initializing DirectSound\nDirectSound not available\n"));
    const auto player = hal.createPlayer(egret::stereo16Format, plat::PositionalControl::Yes);
    ASSERT_TRUE(player->play(hal.loadBuffer(ToneSource::shared(egret::stereo16Format, 100), egret::Loading::AtOnce), {}));
    hal.update();
    EXPECT_EQ(player->status(), Status::Requested);
    EXPECT_EQ(audio.bufferCount(), 0);
}

TEST_F(HALTest, OneShotPlaysThenDrainsThenTurnsIdleAfterTwoBuffersOfSilence)
{
    const auto player = voice();
    ASSERT_TRUE(player->play(loaded(egret::stereo16Format, voiceBytes / 2), {.volume = 0.5f}));  // two buffers
    EXPECT_EQ(player->status(), Status::Requested);
    hal.update();
    const plat::FakeAudio::Buffer started = audio.buffer(0);
    EXPECT_EQ(started.ring.size(), voiceBytes);
    EXPECT_EQ(started.volume, -100);
    EXPECT_EQ(started.mode, plat::PositionalMode::Flat);
    EXPECT_TRUE(started.playing);
    // The voice runs a quarter buffer ahead at first and fills up as a unit plays per update.
    EXPECT_EQ(updatesWhile(player, Status::Playing), 9);
    EXPECT_EQ(updatesWhile(player, Status::Draining), 17);
    EXPECT_EQ(player->status(), Status::Idle);
    EXPECT_FALSE(audio.buffer(0).playing);
}

TEST_F(HALTest, LoopingVoiceWritesItsSamplesRoundAndRound)
{
    const auto player = voice();
    ASSERT_TRUE(player->play(loaded(egret::stereo16Format, 1000), {.looping = true}));
    hal.update();
    hal.update();
    const plat::FakeAudio::Buffer buffer = audio.buffer(0);
    EXPECT_EQ(buffer.bytesWritten, voiceBytes / 4 * 3);     // the start's quarter, then one per update
    for (const int frame : {0, 999, 1000, 7777, int(voiceBytes / 8) - 1}) {
        std::int16_t right = 0;
        std::memcpy(&right, buffer.ring.data() + frame * 4 + 2, 2);
        EXPECT_EQ(right, ToneSource::sampleAt(frame % 1000, 1)) << frame;
    }
}

TEST_F(HALTest, VoiceRefusesSamplesOfAnotherFormatWithALogLineAndSamplesNotLoaded)
{
    LogCapture log;
    const auto player = voice(egret::mono16Format);
    EXPECT_FALSE(player->play(loaded(slowMono, 100), {}));
    EXPECT_FALSE(player->play(loaded(egret::stereo16Format, 100), {}));
    EXPECT_FALSE(player->play(hal.loadBuffer(ToneSource::shared(egret::mono16Format, 0), egret::Loading::Queued), {}));
    EXPECT_EQ(player->status(), Status::Idle);
    EXPECT_TRUE(log.contains("SoundPlayer::play() - refused samples of 1 channels, 16 bits, 22050 Hz on a voice of 1 "
                             "channels, 16 bits, 44100 Hz\nSoundPlayer::play() - refused samples of 2 channels"));
}

TEST_F(HALTest, BuffersKeepTheirTrueFormatAndStereoIsMixedDownOnlyForMono)
{
    const auto slow = hal.loadBuffer(ToneSource::shared(slowMono, 100), egret::Loading::AtOnce, egret::stereo16Format);
    EXPECT_TRUE(egret::samePlayback(slow->format(), slowMono));
    const auto mixed = hal.loadBuffer(ToneSource::shared(egret::stereo16Format, 100), egret::Loading::AtOnce, egret::mono16Format);
    EXPECT_TRUE(egret::samePlayback(mixed->format(), egret::mono16Format));
    EXPECT_EQ(mixed->frames(), 100);
}

TEST_F(HALTest, StopCancelsAPlayAskedForWithItAndIdlesAtTheNextUpdate)
{
    const auto player = voice();
    const auto samples = loaded(egret::stereo16Format, 100000);
    ASSERT_TRUE(player->play(samples, {}));
    hal.update();
    ASSERT_TRUE(player->play(samples, {}));
    player->stop();
    hal.update();
    EXPECT_EQ(player->status(), Status::Idle);
    EXPECT_EQ(audio.buffer(0).starts, 1);
    EXPECT_FALSE(audio.buffer(0).playing);
}

TEST_F(HALTest, QueuedBufferAbandonedBeforeItsTurnIsNeverRead)
{
    auto* gate = new GatedSource;
    const auto first = hal.loadBuffer(heron::counted_ptr<egret::SoundDataSource>(gate), egret::Loading::Queued);
    ASSERT_TRUE(eventually([&] { return gate->entered.load(); }));
    auto* dropped = new ToneSource(egret::stereo16Format, 100, 100);
    const heron::counted_ptr<egret::SoundDataSource> droppedSource(dropped);
    heron::counted_ptr<egret::SoundBuffer> abandoned = hal.loadBuffer(droppedSource, egret::Loading::Queued);
    const auto last = hal.loadBuffer(ToneSource::shared(egret::stereo16Format, 100), egret::Loading::Queued);
    abandoned.reset();
    gate->open = true;
    ASSERT_TRUE(eventually([&] { return last->isLoaded(); }));
    EXPECT_TRUE(first->isLoaded());
    EXPECT_EQ(dropped->reads, 0);
}

TEST_F(HALTest, LoopingPositionalVoicePausesBeyondItsFadeAndFadesInLinearlyInDistanceSquared)
{
    // Distance 1: full level up to 16, paused beyond sqrt(1.5) * 16 from the listener (at y = -5
    // from the second update on: the voices fade by where it was at the last update).
    egret::Placement listener;
    listener.position.y = -5.0f;
    hal.setListener(listener);
    hal.update();
    const auto player = voice(egret::mono16Format);
    player->setMotion(ahead(15.0f));
    ASSERT_TRUE(player->play(loaded(egret::mono16Format, 1000), {.positional = true, .looping = true, .distance = 1.0f}));
    hal.update();
    EXPECT_FALSE(audio.buffer(0).playing);
    EXPECT_EQ(player->status(), Status::Playing);

    player->setMotion(ahead(12.0f));
    hal.update();
    const plat::FakeAudio::Buffer resumed = audio.buffer(0);
    EXPECT_TRUE(resumed.playing);
    EXPECT_EQ(resumed.position.y, 12.0f);
    EXPECT_EQ(resumed.minimum, 1.0f);
    EXPECT_EQ(resumed.volume, egret::volumeToAttenuation((1.5f * 256.0f - 289.0f) / (0.5f * 256.0f)));

    player->setMotion(ahead(5.0f));
    hal.update();
    EXPECT_EQ(audio.buffer(0).volume, 0);
    EXPECT_EQ(audio.listener().position.y, -5.0f);
}
