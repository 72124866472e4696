#include "sound/Streamer.h"

#include "sound/SoundSystem.h"
#include "sound/SoundSystemInternals.h"
#include "sound/StreamerInternals.h"
#include "support/Eventually.h"
#include "support/FakeAudio.h"
#include "support/LogCapture.h"
#include "support/ToneSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace
{

using egret::AtZero;
using egret::StreamKind;
using Source = heron::counted_ptr<egret::SoundDataSource>;

constexpr std::uint32_t unit = plat::FakeAudio::unit;
constexpr std::uint32_t longBuffer = unit * 8;
constexpr std::uint32_t shortBuffer = unit * 3;
// A small advance of the play cursor, in whole frames.
constexpr std::uint32_t step = 2200;

// Whether bytes bytes of the ring from offset on (wrapping) hold the tone's stereo frames from
// firstFrame on.
bool holdsTone(const plat::FakeAudio::Buffer& buffer, std::uint32_t offset, std::uint32_t bytes, int firstFrame)
{
    const auto size = static_cast<std::uint32_t>(buffer.ring.size());
    for (std::uint32_t i = 0; i < bytes; i += 2) {
        std::int16_t sample = 0;
        std::memcpy(&sample, buffer.ring.data() + (offset + i) % size, 2);
        const int frame = firstFrame + static_cast<int>(i / 4);
        if (sample != static_cast<std::int16_t>(ToneSource::sampleAt(frame, (i / 2) % 2))) {
            return false;
        }
    }
    return true;
}

Source endlessTone(const egret::SoundFormat& format = egret::stereo16Format)
{
    return Source(new ToneSource(format, ToneSource::endless, ToneSource::unknown));
}

// An endless sound of one sample value that the tone never has.
constexpr std::int16_t hum = 1234;

class HumSource : public egret::SoundDataSource
{
public:
    const egret::SoundFormat& format() override { return egret::stereo16Format; }
    void rewind() override {}
    int read(int frames, void* buffer) override
    {
        std::fill_n(static_cast<std::int16_t*>(buffer), frames * 2, hum);
        return frames;
    }
};

// An endless tone whose reads wait until the test lets them go on.
class HeldTone : public ToneSource
{
public:
    HeldTone() : ToneSource(egret::stereo16Format, ToneSource::endless, ToneSource::unknown) {}
    int read(int frames, void* buffer) override
    {
        std::unique_lock lock(m_lock);
        waiting = true;
        m_released.wait(lock, [&] { return m_free; });
        return ToneSource::read(frames, buffer);
    }
    void release()
    {
        {
            const std::lock_guard lock(m_lock);
            m_free = true;
        }
        m_released.notify_all();
    }

    std::atomic<bool> waiting{false};

private:
    std::mutex m_lock;
    std::condition_variable m_released;
    bool m_free = false;
};

// A sound system on the fake device whose passes the test runs, with a clock it sets.
class StreamerTest : public testing::Test
{
protected:
    explicit StreamerTest(std::uint32_t threadModel = 0)
    {
        EXPECT_TRUE(system.initialize(nullptr));
        system.setThreadModel(threadModel);
        system.internals().setClock([this] { return now; });
    }
    egret::Streamer& make(StreamKind kind, const egret::SoundFormat& format = egret::stereo16Format)
    {
        streams.push_back(egret::Streamer::create(system, format, kind));
        return streams.back();
    }
    // Plays source on a new stream and runs the pass that starts it.
    egret::Streamer& playing(StreamKind kind, const Source& source, float volume = 1.0f)
    {
        egret::Streamer& stream = make(kind);
        stream.requestPlay(source, volume, plat::PositionalMode::Flat);
        system.update();
        return stream;
    }
    // Lets the device play bytes of every playing buffer, then runs a pass.
    void playOn(std::uint32_t bytes)
    {
        audio.advance(bytes);
        system.update();
    }
    // Lets the device play bytes of a buffer, keeping the samples it played (silence while the
    // buffer is stopped), then runs a pass.
    void listenOn(int buffer, std::uint32_t bytes, std::vector<std::int16_t>& heard)
    {
        const plat::FakeAudio::Buffer record = audio.buffer(buffer);
        for (std::uint32_t i = 0; i < bytes; i += 2) {
            std::int16_t sample = 0;
            if (record.playing) {
                std::memcpy(&sample, record.ring.data() + (record.play + i) % record.ring.size(), 2);
            }
            heard.push_back(sample);
        }
        playOn(bytes);
    }
    // Lets the device play bytes of every playing buffer and the clock move on as far, then runs
    // a pass.
    void keepTimeOn(std::uint32_t bytes)
    {
        audio.advance(bytes);
        now += bytes / double(egret::stereo16Format.bytesPerSecond);
        system.update();
    }
    // Plays a unit at a time until the buffer stops; false when it still plays after 100 passes.
    bool playsOut(int buffer)
    {
        for (int i = 0; i < 100 && audio.buffer(buffer).playing; ++i) {
            playOn(unit);
        }
        return !audio.buffer(buffer).playing;
    }

    plat::FakeAudio audio;
    egret::SoundSystem system;
    double now = 0.0;
    std::deque<egret::Streamer> streams;
};

class FedStreamerTest : public StreamerTest
{
protected:
    FedStreamerTest() : StreamerTest(egret::feederThreads) {}

    // Runs passes until the stream plays.
    void passUntilPlaying(egret::Streamer& stream)
    {
        ASSERT_TRUE(eventually([&] {
            system.update();
            return stream.internals()->isPlaying();
        }));
    }
};

}

TEST_F(StreamerTest, DirectStreamStartsWithTwoUnitsThenRefillsAnEighthBehindThePlayCursor)
{
    egret::Streamer& stream = playing(StreamKind::Short, endlessTone());
    plat::FakeAudio::Buffer buffer = audio.buffer(0);
    ASSERT_EQ(buffer.ring.size(), shortBuffer);
    EXPECT_TRUE(buffer.playing);
    // The pass that starts the stream also refills it behind the start block.
    const std::uint32_t eighth = shortBuffer / 8 / 4 * 4;
    EXPECT_EQ(buffer.bytesWritten, 2 * unit + eighth);
    playOn(2 * step);
    buffer = audio.buffer(0);
    EXPECT_EQ(buffer.bytesWritten, 2 * unit + 2 * eighth);
    EXPECT_TRUE(holdsTone(buffer, 0, 2 * unit + 2 * eighth, 0));
    EXPECT_EQ(stream.internals()->framesPlayed(), 2 * step / 4);
}

TEST_F(StreamerTest, SourceShorterThanTheStartBlockPlaysOnceThenSilenceUntilMoreThanABufferThenStops)
{
    egret::Streamer& stream = playing(StreamKind::Short, ToneSource::shared(egret::stereo16Format, 1000));
    EXPECT_TRUE(stream.isFinished());
    plat::FakeAudio::Buffer buffer = audio.buffer(0);
    EXPECT_TRUE(holdsTone(buffer, 0, 4000, 0));
    EXPECT_TRUE(std::all_of(buffer.ring.begin() + 4000, buffer.ring.begin() + 2 * unit, [](auto b) { return b == 0; }));
    EXPECT_TRUE(playsOut(0));
    EXPECT_GT(audio.buffer(0).bytesWritten - 4000, shortBuffer);
    EXPECT_FALSE(stream.hasSound());
}

TEST_F(StreamerTest, UnderrunIsLoggedWithTheLast32LeadsAndFreezesTheStatistics)
{
    playing(StreamKind::Long, endlessTone());
    LogCapture log;
    for (int i = 0; i < 40; ++i) {
        playOn(step);
    }
    EXPECT_FALSE(log.contains("Not enough magic!"));
    playOn(longBuffer - unit / 2);
    ASSERT_EQ(log.count("Not enough magic!  "), 1);
    const std::string text = log.text();
    const std::string leads = text.substr(text.find('\n') + 1);
    EXPECT_EQ(std::count(leads.begin(), leads.end(), '.'), 32) << leads;
    EXPECT_EQ(leads.back(), '\n');
    const std::size_t records = system.internals().statistics().size();
    playOn(step);
    EXPECT_GT(system.internals().statistics().size(), records);
    EXPECT_TRUE(audio.buffer(0).playing);
}

// Threaded sound off: nothing runs the passes during a long frame while the device loops over the
// buffer. The stall is logged and the sound goes on where it would be had the passes run.
TEST_F(StreamerTest, StallLongerThanTheBufferIsLoggedAndTheSoundGoesOnInTime)
{
    const std::uint32_t stalls[] = {longBuffer + 3 * unit, 3 * longBuffer + unit + 40};
    int index = 0;
    for (const std::uint32_t stall : stalls) {
        egret::Streamer stream = playing(StreamKind::Long, endlessTone());
        std::uint64_t played = 0;
        for (int i = 0; i < 10; ++i, played += step) {
            keepTimeOn(step);
        }
        LogCapture log;
        keepTimeOn(stall);
        played += stall;
        EXPECT_TRUE(log.contains("Not enough magic!  ")) << stall;
        EXPECT_TRUE(log.contains("Streamer: a late pass: the device played ")) << stall;
        EXPECT_EQ(stream.internals()->framesPlayed(), played / 4) << stall;
        const plat::FakeAudio::Buffer buffer = audio.buffer(index++);
        EXPECT_TRUE(holdsTone(buffer, buffer.play, longBuffer / 4, static_cast<int>(played / 4))) << stall;
        stream.release();
        system.update();
    }
}

TEST_F(StreamerTest, RequestsAreStoredUntilThePass)
{
    egret::Streamer& stream = make(StreamKind::Long);
    system.update();
    stream.setVolume(0.25f, 0.0f, AtZero::KeepPlaying);
    stream.requestPlay(endlessTone(), 0.5f, plat::PositionalMode::Positional);
    EXPECT_TRUE(stream.hasSound());
    EXPECT_FALSE(audio.buffer(0).playing);
    system.update();
    const plat::FakeAudio::Buffer buffer = audio.buffer(0);
    EXPECT_TRUE(buffer.playing);
    EXPECT_EQ(buffer.volume, egret::volumeToAttenuation(0.5f));
    EXPECT_EQ(buffer.mode, plat::PositionalMode::Positional);
    EXPECT_EQ(buffer.minimum, 10.0f);
    stream.requestPlay(Source(), 1.0f, plat::PositionalMode::Flat);
    EXPECT_FALSE(stream.hasSound());
}

TEST_F(StreamerTest, SourceOfAnotherFormatIsRefusedAndTheStreamStops)
{
    egret::Streamer& stream = playing(StreamKind::Long, endlessTone());
    LogCapture log;
    stream.requestPlay(endlessTone(egret::mono16Format), 1.0f, plat::PositionalMode::Flat);
    system.update();
    EXPECT_TRUE(log.contains("Streamer::play() - refused tone.wav of 1 channels, 16 bits, 44100 Hz"));
    EXPECT_FALSE(audio.buffer(0).playing);
    EXPECT_FALSE(stream.hasSound());
}

TEST_F(StreamerTest, FadeRequestsForTheTargetChangeNothingAndZeroSecondsActAtOnce)
{
    egret::Streamer& stream = playing(StreamKind::Long, endlessTone());
    stream.setVolume(0.2f, 4.0f, AtZero::KeepPlaying);
    playOn(step);
    now = 1.0;
    stream.setVolume(0.2f, 1.0f, AtZero::KeepPlaying);
    playOn(step);
    EXPECT_FLOAT_EQ(stream.internals()->currentVolume(), 0.8f);
    stream.setVolume(0.6f, 0.0f, AtZero::KeepPlaying);
    playOn(step);
    EXPECT_FLOAT_EQ(stream.internals()->currentVolume(), 0.6f);
    stream.setVolume(0.3f, -1.0f, AtZero::KeepPlaying);
    playOn(step);
    EXPECT_FLOAT_EQ(stream.internals()->currentVolume(), 0.6f);
}

TEST_F(StreamerTest, NewSoundIsNotStoppedByTheFadeOutOfTheOneBefore)
{
    egret::Streamer& stream = playing(StreamKind::Long, endlessTone());
    stream.setVolume(0.0f, 0.0f, AtZero::Stop);
    EXPECT_TRUE(playsOut(0));
    stream.requestPlay(endlessTone(), 0.0f, plat::PositionalMode::Flat);
    playOn(step);
    playOn(step);
    stream.setVolume(1.0f, 1.0f, AtZero::KeepPlaying);
    for (now = 0.0; now <= 2.0; now += 0.5) {
        playOn(step);
    }
    EXPECT_TRUE(audio.buffer(0).playing);
    EXPECT_EQ(stream.internals()->currentVolume(), 1.0f);
}

// A fade-out to zero that would stop the stream is held by a request for the volume it has reached.
TEST_F(StreamerTest, FadeToZeroIsCancelledByARequestForTheVolumeReached)
{
    egret::Streamer& stream = playing(StreamKind::Long, endlessTone());
    stream.setVolume(0.0f, 2.0f, AtZero::Stop);
    for (; now <= 1.0; now += 1.0) {
        playOn(step);
    }
    ASSERT_FLOAT_EQ(stream.internals()->currentVolume(), 0.5f);
    stream.setVolume(0.5f, 0.0f, AtZero::KeepPlaying);
    for (now = 2.0; now < 6.0; now += 1.0) {
        playOn(step);
    }
    EXPECT_FLOAT_EQ(stream.internals()->currentVolume(), 0.5f);
    EXPECT_TRUE(audio.buffer(0).playing);
}

TEST_F(StreamerTest, CrossfadeMovesTwoVolumesLinearlyAndOppositeThenStopsTheOldStream)
{
    egret::Streamer& old = playing(StreamKind::Long, endlessTone());
    egret::Streamer& next = playing(StreamKind::Long, endlessTone(), 0.0f);
    old.setVolume(0.0f, 2.0f, AtZero::Stop);
    next.setVolume(1.0f, 2.0f, AtZero::KeepPlaying);
    for (now = 0.0; now <= 2.0; now += 0.5) {
        playOn(step);
        const float linear = static_cast<float>(now / 2.0);
        EXPECT_FLOAT_EQ(next.internals()->currentVolume(), linear) << now;
        EXPECT_FLOAT_EQ(old.internals()->currentVolume(), 1.0f - linear) << now;
        EXPECT_EQ(audio.buffer(1).volume, egret::volumeToAttenuation(linear)) << now;
    }
    EXPECT_TRUE(playsOut(0));
    EXPECT_FALSE(old.hasSound());
    EXPECT_TRUE(audio.buffer(1).playing);
    EXPECT_EQ(audio.buffer(1).volume, 0);
}

TEST(StreamerLifetime, HandleOutlivingTheSoundSystemDoesNothing)
{
    plat::FakeAudio audio;
    auto system = std::make_unique<egret::SoundSystem>();
    ASSERT_TRUE(system->initialize(nullptr));
    egret::Streamer stream = egret::Streamer::create(*system, egret::stereo16Format, StreamKind::Long);
    const egret::Streamer copy = stream;
    stream.requestPlay(endlessTone(), 1.0f, plat::PositionalMode::Flat);
    system->update();
    system.reset();
    LogCapture log;
    stream.requestPlay(endlessTone(), 1.0f, plat::PositionalMode::Flat);
    stream.stop();
    EXPECT_FALSE(copy.hasSound());
    EXPECT_EQ(copy.internals(), nullptr);
    stream.release();
    EXPECT_FALSE(stream);
    EXPECT_TRUE(log.contains("!!!deleted a SoundObject after the system died\n"));
}

TEST_F(StreamerTest, ReleasedStreamIsDeletedByTheNextPass)
{
    egret::Streamer stream = playing(StreamKind::Short, endlessTone());
    const egret::Streamer copy = stream;
    LogCapture log;
    stream.release();
    EXPECT_EQ(copy.internals(), nullptr);
    system.update();
    EXPECT_TRUE(log.contains("Sound streamer destroyed\n"));
    EXPECT_FALSE(audio.buffer(0).playing);
    EXPECT_FALSE(egret::Streamer::create(system, egret::SoundFormat{3, 16, 44100, 2, 6, 264600}, StreamKind::Long));
}

TEST_F(FedStreamerTest, FeederStreamStartsOnceItsRingIsHalfFullWithAtMostHalfTheBuffer)
{
    egret::Streamer& stream = make(StreamKind::Long);
    stream.requestPlay(endlessTone(), 1.0f, plat::PositionalMode::Flat);
    passUntilPlaying(stream);
    plat::FakeAudio::Buffer buffer = audio.buffer(0);
    EXPECT_EQ(buffer.bytesWritten, longBuffer / 2);
    EXPECT_TRUE(holdsTone(buffer, 0, longBuffer / 2, 0));
    // The device plays on only while the ring is more than half full: these passes come far
    // faster than a device plays, and one that outran the decoding would be an underrun.
    ASSERT_TRUE(eventually([&] {
        const std::vector<egret::StatisticsRecord> records = system.internals().statistics();
        if (records.size() == 2 && records[1].value > 0.5f) {
            playOn(unit);
        } else {
            system.update();
        }
        return audio.buffer(0).bytesWritten > longBuffer;
    }));
    buffer = audio.buffer(0);
    const auto written = static_cast<std::uint32_t>(buffer.bytesWritten);
    EXPECT_TRUE(holdsTone(buffer, written % longBuffer, longBuffer, (written - longBuffer) / 4));
    EXPECT_EQ(system.internals().statistics().size(), 2u);
}

// The buffer loops over what it holds: once the old sound's samples ahead of the play cursor have
// played, only what the new sound has (and silence when it has nothing) may follow, never the old
// sound again. Cases: a new sound much shorter than a pass, and one whose decoding is held up.
TEST_F(FedStreamerTest, OldSoundIsNeverHeardAgainAfterTheSamplesItHadAhead)
{
    int index = 0;
    for (const bool held : {false, true}) {
        egret::Streamer& stream = make(StreamKind::Long);
        stream.requestPlay(Source(new HumSource), 1.0f, plat::PositionalMode::Flat);
        passUntilPlaying(stream);
        for (int i = 0; i < 10; ++i) {
            playOn(step);
        }
        auto* tone = held ? new HeldTone : new ToneSource(egret::stereo16Format, 100, ToneSource::unknown);
        const Source next(tone);
        struct Release
        {
            HeldTone* tone;
            ~Release()
            {
                if (tone) {
                    tone->release();
                }
            }
        } release{held ? static_cast<HeldTone*>(tone) : nullptr};
        stream.requestPlay(next, 1.0f, plat::PositionalMode::Flat);
        system.update();
        ASSERT_TRUE(eventually([&] { return held ? release.tone->waiting.load() : stream.isFinished(); })) << held;
        std::vector<std::int16_t> heard;
        for (int i = 0; i < 12; ++i) {
            listenOn(index, 2 * unit, heard);
        }
        if (held) {
            release.tone->release();
            ASSERT_TRUE(eventually([&] {
                system.update();
                const plat::FakeAudio::Buffer buffer = audio.buffer(index);
                return holdsTone(buffer, buffer.play, 400, 0);
            }));
            for (int i = 0; i < 12; ++i) {
                listenOn(index, 2 * unit, heard);
            }
        }
        const auto after = std::find_if(heard.begin(), heard.end(), [](std::int16_t s) { return s != hum; });
        EXPECT_LE(after - heard.begin(), longBuffer / 2) << held;
        EXPECT_EQ(std::count(after, heard.end(), hum), 0) << held;
        EXPECT_TRUE(std::any_of(after, heard.end(), [](std::int16_t s) { return s == ToneSource::sampleAt(99, 1); }))
            << held;
        stream.stop();
        ++index;
    }
}

// A ring that holds more than the buffer when its short source ends: the first send is cut to the
// buffer less one frame and the rest follows in the next passes, nothing lost.
TEST_F(FedStreamerTest, StartBlockLargerThanTheBufferIsSentInParts)
{
    const egret::SoundFormat fast{2, 16, 96000, 2, 4, 384000};
    egret::Streamer& stream = make(StreamKind::Long, fast);
    const int frames = 38400;
    stream.requestPlay(ToneSource::shared(fast, frames), 1.0f, plat::PositionalMode::Flat);
    passUntilPlaying(stream);
    plat::FakeAudio::Buffer buffer = audio.buffer(0);
    ASSERT_EQ(buffer.bytesWritten, longBuffer - 4);
    EXPECT_TRUE(holdsTone(buffer, 0, longBuffer - 4, 0));
    EXPECT_TRUE(stream.isFinished());
    playOn(longBuffer / 2);
    buffer = audio.buffer(0);
    EXPECT_GE(buffer.bytesWritten, std::uint64_t{frames} * 4);
    EXPECT_TRUE(holdsTone(buffer, longBuffer - 4, frames * 4 - (longBuffer - 4), (longBuffer - 4) / 4));
}

TEST_F(FedStreamerTest, StopWhileTimerPassesFeedLeavesTheStreamStopped)
{
    egret::Streamer& stream = make(StreamKind::Long);
    system.setThreadModel(egret::timerDrivenUpdates | egret::feederThreads);
    ASSERT_TRUE(eventually([&] { return audio.bufferCount() == 1; }));
    std::atomic<bool> done{false};
    std::thread device([&] {
        while (!done) {
            audio.advance(step);
            std::this_thread::yield();
        }
    });
    for (int round = 0; round < 20; ++round) {
        stream.requestPlay(endlessTone(), 1.0f, plat::PositionalMode::Flat);
        EXPECT_TRUE(eventually([&] { return audio.buffer(0).bytesWritten > std::uint64_t(round + 1) * unit; }));
        stream.stop();
        EXPECT_FALSE(stream.hasSound());
        EXPECT_FALSE(audio.buffer(0).playing);
    }
    done = true;
    device.join();
    system.setThreadModel(egret::feederThreads);
}
