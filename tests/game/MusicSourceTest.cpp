// Songs played through their song order: phrases cut between markers, repeats, and the orders
// that end the music early.
#include "music/MusicPlayer.h"
#include "music/Song.h"
#include "sound/SoundSystem.h"
#include "sound/Streamer.h"
#include "support/Eventually.h"
#include "support/FakeAudio.h"
#include "support/LogCapture.h"
#include "support/ToneSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <optional>
#include <vector>

namespace
{

// A stereo sample whose left channel holds each frame's own index, so the frames a song plays
// can be read back as positions in the sample.
class IndexSample : public egret::SoundDataSource
{
public:
    explicit IndexSample(int frames) : m_frames(frames) {}

    const egret::SoundFormat& format() override { return m_format; }
    void rewind() override { m_position = 0; }
    void seek(int frame) override { m_position = frame; }
    int length() override { return m_frames; }
    void close() override { ++closes; }
    int read(int frames, void* buffer) override
    {
        const int n = std::clamp(m_frames - m_position, 0, frames);
        auto* samples = static_cast<std::int16_t*>(buffer);
        for (int i = 0; i < n; ++i) {
            samples[2 * i] = static_cast<std::int16_t>(m_position + i);
            samples[2 * i + 1] = 0;
        }
        m_position += n;
        return n;
    }

    int closes = 0;

private:
    egret::SoundFormat m_format = egret::stereo16Format;
    int m_frames;
    int m_position = 0;
};

// A stereo sample whose reads wait inside until the test lets them go, then find nothing.
class HeldSample : public egret::SoundDataSource
{
public:
    const egret::SoundFormat& format() override { return m_format; }
    void rewind() override {}
    int read(int, void*) override
    {
        std::unique_lock lock(m_lock);
        m_inside = true;
        m_changed.notify_all();
        // The bound only keeps a failing test from hanging.
        m_changed.wait_for(lock, std::chrono::seconds(30), [this] { return m_released; });
        return 0;
    }

    [[nodiscard]] bool waitUntilInside()
    {
        std::unique_lock lock(m_lock);
        return m_changed.wait_for(lock, std::chrono::seconds(30), [this] { return m_inside; });
    }
    void release()
    {
        const std::lock_guard lock(m_lock);
        m_released = true;
        m_changed.notify_all();
    }

private:
    egret::SoundFormat m_format = egret::stereo16Format;
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_inside = false;
    bool m_released = false;
};

constexpr int sampleFrames = 10;

// A song of one IndexSample with markers at frames 2, 5 and 20 (past its end).
Song indexSong(std::vector<std::array<std::int32_t, 3>> phrases, std::vector<std::array<std::int32_t, 2>> sings)
{
    Song song;
    song.name = "tune";
    song.samples = {Song::Sample{heron::FilePath("tune.wav"), {2, 5, 20}, {}}};
    song.samples.front().decoded = heron::counted_ptr<egret::SoundDataSource>(new IndexSample(sampleFrames));
    song.phrases = std::move(phrases);
    song.sings = std::move(sings);
    return song;
}

// A song that plays its one sample once through, to its end.
Song wholeSampleSong(const char* name, egret::SoundDataSource* sample, std::vector<std::array<std::int32_t, 2>> sings)
{
    Song song;
    song.name = name;
    song.samples = {Song::Sample{heron::FilePath("held.wav"), {}, heron::counted_ptr<egret::SoundDataSource>(sample)}};
    song.phrases = {{0, -2, -1}};
    song.sings = std::move(sings);
    return song;
}

// The sample frames the source plays, read 4 frames at a time, up to limit frames.
std::vector<int> playedFrames(egret::SoundDataSource& source, std::size_t limit)
{
    std::vector<int> frames;
    std::int16_t block[8];
    for (int got = 1; got > 0 && frames.size() < limit;) {
        got = source.read(4, block);
        for (int i = 0; i < got; ++i) {
            frames.push_back(block[2 * i]);
        }
    }
    return frames;
}

std::vector<int> range(int first, int end)
{
    std::vector<int> frames;
    for (int frame = first; frame < end; ++frame) {
        frames.push_back(frame);
    }
    return frames;
}

std::vector<int> operator+(std::vector<int> a, const std::vector<int>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}

TEST(MusicSourceTest, SongOrderPlaysPhrasesBetweenMarkers)
{
    struct Case
    {
        const char* what;
        std::vector<std::array<std::int32_t, 3>> phrases;
        std::vector<std::array<std::int32_t, 2>> sings;
        std::vector<int> frames;
        const char* logged;
    };
    const std::vector<Case> cases = {
        {"whole sample three times", {{0, -2, -1}}, {{0, 3}}, range(0, 10) + range(0, 10) + range(0, 10), nullptr},
        {"marker to marker, then marker to end", {{0, 0, 1}, {0, 1, -1}}, {{0, 2}, {1, 1}},
         range(2, 5) + range(2, 5) + range(5, 10), nullptr},
        {"order names a missing phrase", {{0, 0, 1}}, {{0, 1}, {3, 1}}, range(2, 5), "names a missing phrase"},
        {"phrase names a missing sample", {{1, -2, -1}}, {{0, 1}}, {}, "names a missing sample"},
        {"phrase names a missing marker", {{0, 0, 7}}, {{0, 1}}, {}, "names a missing marker"},
        {"empty segment played for ever is skipped", {{0, 1, 1}, {0, 0, 1}}, {{0, 0}, {1, 1}}, range(2, 5), nullptr},
        {"segment starting past the sample played for ever", {{0, 2, -1}, {0, 0, 1}}, {{0, -1}, {1, 1}}, range(2, 5),
         nullptr},
        {"segment past the sample's end fails", {{0, 1, 2}}, {{0, 1}}, range(5, 9), "tune.wav  error!"},
        {"segment ending before its start", {{0, 1, 0}}, {{0, 1}}, {}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const LogCapture log;
        Song song = indexSong(c.phrases, c.sings);
        MusicPlayer::MusicSource source(song);
        EXPECT_EQ(playedFrames(source, 100), c.frames);
        EXPECT_EQ(source.read(4, std::vector<std::int16_t>(8).data()), 0);
        if (c.logged != nullptr) {
            EXPECT_TRUE(log.contains(c.logged)) << log.text();
        }
    }
}

TEST(MusicSourceTest, RepeatCountBelowOneRepeatsForEver)
{
    Song song = indexSong({{0, 0, 1}}, {{0, 0}});
    MusicPlayer::MusicSource source(song);
    EXPECT_EQ(playedFrames(source, 12), range(2, 5) + range(2, 5) + range(2, 5) + range(2, 5));
}

TEST(MusicSourceTest, RewindStartsTheOrderAgain)
{
    Song song = indexSong({{0, 0, 1}, {0, 1, -1}}, {{1, 1}, {0, 1}});
    MusicPlayer::MusicSource source(song);
    const std::vector<int> first = playedFrames(source, 100);
    source.rewind();
    EXPECT_EQ(playedFrames(source, 100), first);
    EXPECT_EQ(first, range(5, 10) + range(2, 5));
}

TEST(MusicSourceTest, CloseReleasesThePlayingSampleOnce)
{
    Song song = indexSong({{0, -2, -1}}, {{0, 1}});
    auto& sample = static_cast<IndexSample&>(*song.samples.front().decoded);
    MusicPlayer::MusicSource source(song);
    std::int16_t block[8];
    ASSERT_EQ(source.read(4, block), 4);
    source.close();
    source.close();
    EXPECT_EQ(sample.closes, 1);
    EXPECT_EQ(source.read(4, block), 0);
}

TEST(MusicSourceTest, NameTellsIdenticalSongsApart)
{
    Song a = indexSong({{0, 0, 1}}, {{0, 2}});
    Song same = indexSong({{0, 0, 1}}, {{0, 2}});
    Song other = indexSong({{0, 0, 1}}, {{0, 3}});
    MusicPlayer player(a);
    EXPECT_STREQ(player.source->name().c_str(), "tune:tune.wav:phrases:0:0:1:song:0:2");
    EXPECT_STREQ(MusicPlayer::MusicSource(same).name().c_str(), player.source->name().c_str());
    EXPECT_STRNE(MusicPlayer::MusicSource(other).name().c_str(), player.source->name().c_str());
}

// The stream's feeder thread may go on reading a source after the stream has stopped; by then the
// world may be gone and its songs' memory taken by others.
TEST(MusicSourceTest, SourceReadAfterItsSongIsGoneReadsNothingOfIt)
{
    plat::FakeAudio audio;
    egret::SoundSystem system;
    ASSERT_TRUE(system.initialize(nullptr));
    system.setThreadModel(egret::feederThreads);
    auto* held = new HeldSample;
    std::optional<Song> song(wholeSampleSong("held", held, {{0, 1}}));
    egret::Streamer stream = egret::Streamer::create(system, egret::stereo16Format, egret::StreamKind::Long);
    stream.requestPlay(MusicPlayer(*song).source, 1.0f, plat::PositionalMode::Flat);
    system.update();
    ASSERT_TRUE(held->waitUntilInside());

    stream.stop();
    song.reset();
    auto* stranger = new ToneSource(egret::stereo16Format, sampleFrames, sampleFrames);
    song.emplace(wholeSampleSong("stranger", stranger, {{0, 1}, {0, 1}}));
    held->release();

    EXPECT_TRUE(eventually([&] { return stream.isFinished(); }));
    EXPECT_EQ(stranger->reads, 0);
    stream.release();
}
