// Zone music on the fake device: starting, keeping, crossfading and fading out songs, and the
// volume that follows the flight speed.
#include "music/Song.h"
#include "music/Soundtracks.h"
#include "sound/SoundSystem.h"
#include "sound/SoundSystemInternals.h"
#include "support/FakeAudio.h"
#include "support/LogCapture.h"
#include "support/ToneSource.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{

// An enabled song of one endless tone played for ever at full volume whatever the speed, with a
// crossfade time.
Song endlessSong(const char* name, std::int32_t crossfadeTime)
{
    Song song;
    song.name = name;
    song.enable = true;
    song.oncePerLevel = false;
    song.maxvolSpeed = 0.0f;
    song.crossfadeTime = crossfadeTime;
    song.fadeTime = 500;
    song.samples = {Song::Sample{heron::FilePath("tone.wav"), {}, {}}};
    song.samples.front().decoded = heron::counted_ptr<egret::SoundDataSource>(
        new ToneSource(egret::stereo16Format, ToneSource::endless, ToneSource::unknown));
    song.phrases = {{0, -2, -1}};
    song.sings = {{0, 0}};
    return song;
}

class SoundtracksTest : public testing::Test
{
protected:
    SoundtracksTest()
    {
        EXPECT_TRUE(system.initialize(nullptr));
        system.setThreadModel(0);
        system.internals().setClock([this] { return now; });
    }

    // Lets the clock and the device move on by seconds in passes of a tenth of a second.
    void runFor(double seconds)
    {
        const auto tenth = egret::stereo16Format.bytesPerSecond / 10;
        for (double end = now + seconds; now < end - 1e-9;) {
            audio.advance(tenth);
            now += 0.1;
            system.update();
            track.update(false, 0.0);
        }
    }

    int playingBuffers() const
    {
        int playing = 0;
        for (int i = 0; i < audio.bufferCount(); ++i) {
            playing += audio.buffer(i).playing ? 1 : 0;
        }
        return playing;
    }

    const char* playerName() const { return track.player() ? track.player()->source->name().c_str() : "<none>"; }

    plat::FakeAudio audio;
    egret::SoundSystem system;
    double now = 0.0;
    Soundtracks track{&system};
};

}

TEST_F(SoundtracksTest, CrossfadeReplacesTheSongAndStopsTheOldOne)
{
    Song first = endlessSong("first", 1000);
    Song second = endlessSong("second", 1000);
    track.play(&first, 0.0);
    runFor(0.2);
    ASSERT_TRUE(track.isPlaying());
    EXPECT_EQ(playingBuffers(), 1);

    track.play(&second, 0.0);
    runFor(0.3);
    EXPECT_EQ(std::strncmp(playerName(), "second:", 7), 0) << playerName();
    EXPECT_EQ(playingBuffers(), 2);
    runFor(3.0);
    EXPECT_EQ(playingBuffers(), 1);
    EXPECT_TRUE(track.isPlaying());
}

TEST_F(SoundtracksTest, SameMusicInTheNextZoneKeepsPlaying)
{
    Song here = endlessSong("tune", 1000);
    Song there = endlessSong("tune", 1000);
    track.play(&here, 0.0);
    runFor(0.2);
    const MusicPlayer* const playing = track.player().get();
    track.play(&there, 0.0);
    runFor(0.5);
    EXPECT_EQ(track.player().get(), playing);
    EXPECT_EQ(playingBuffers(), 1);
    EXPECT_TRUE(there.playedOnce);
}

TEST_F(SoundtracksTest, DisabledSongFadesOutTheMusic)
{
    Song tune = endlessSong("tune", 0);
    Song quiet;
    quiet.disable = true;
    track.play(&tune, 0.0);
    runFor(0.2);
    track.play(&quiet, 0.0);
    runFor(3.0);
    EXPECT_FALSE(track.isPlaying());
    EXPECT_EQ(playingBuffers(), 0);
}

TEST_F(SoundtracksTest, SongPlayedOncePerLevelStartsOnlyOnce)
{
    Song tune = endlessSong("tune", 0);
    tune.oncePerLevel = true;
    track.play(&tune, 0.0);
    runFor(0.2);
    track.stop();
    runFor(0.2);
    track.play(&tune, 0.0);
    runFor(0.2);
    EXPECT_FALSE(track.isPlaying());
    tune.playedOnce = false;
    track.play(&tune, 0.0);
    runFor(0.2);
    EXPECT_TRUE(track.isPlaying());
}

TEST_F(SoundtracksTest, FadingOutASongStartedMutedStopsIt)
{
    struct Case
    {
        const char* name;
        bool disable;
    };
    for (const Case c : {Case{"crossfade", false}, Case{"fade", true}}) {
        SCOPED_TRACE(c.name);
        Song first = endlessSong("first", 1000);
        first.maxvolSpeed = 10.0f;
        Song next = endlessSong("next", 1000);
        next.enable = !c.disable;
        next.disable = c.disable;
        track.play(&first, 0.0);
        runFor(0.2);
        track.play(&next, 0.0);
        runFor(3.0);
        EXPECT_EQ(playingBuffers(), c.disable ? 0 : 1);
        track.stop();
        runFor(0.2);
    }
}

TEST(SoundtracksVolume, VolumeFollowsSpeedWithinZeroToHundred)
{
    struct Case
    {
        float minSpeed;
        float maxSpeed;
        std::int32_t volume;
        double speed;
        std::int32_t expected;
    };
    const Case cases[] = {
        {0.0f, 10.0f, 100, 5.0, 50},   {0.0f, 10.0f, 100, -5.0, 50}, {2.0f, 10.0f, 100, 1.0, 0},
        {0.0f, 10.0f, 150, 20.0, 100}, {5.0f, 5.0f, 80, 5.7, 80},    {5.0f, 5.0f, 80, 4.9, 0},
        {5.0f, 5.0f, 180, 6.0, 100},   {0.0f, 10.0f, 100, 9.99, 99},
    };
    for (const Case& c : cases) {
        Song song = endlessSong("tune", 0);
        song.minvolSpeed = c.minSpeed;
        song.maxvolSpeed = c.maxSpeed;
        song.volume = c.volume;
        EXPECT_EQ(Soundtracks::volumeForSpeed(MusicPlayer(song), c.speed), c.expected)
            << c.minSpeed << ".." << c.maxSpeed << " at " << c.speed;
    }
}

TEST_F(SoundtracksTest, RingSongPlaysWithTheZoneSongsSettings)
{
    Song zoneSong;
    zoneSong.playRing = true;
    zoneSong.oncePerLevel = false;
    zoneSong.volume = 40;
    Song ring = endlessSong("ring", 0);
    track.play(&zoneSong, 0.0, &ring);
    runFor(0.2);
    ASSERT_TRUE(track.player());
    EXPECT_EQ(std::strncmp(playerName(), "ring:", 5), 0) << playerName();
    EXPECT_EQ(track.player()->volume, 40);
    EXPECT_TRUE(zoneSong.playedOnce);
}

TEST(SoundtracksLog, TrackNotesItsMakingAndItsEnd)
{
    const LogCapture log;
    {
        Soundtracks track{nullptr};
        EXPECT_EQ(log.count("++soundtracks\n"), 1);
        EXPECT_EQ(log.count("--soundtracks\n"), 0);
    }
    EXPECT_EQ(log.count("--soundtracks\n"), 1);
}
