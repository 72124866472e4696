// Zone and world sounds: single-loop songs, zone emitters, target and play sounds, shared media.
#include "game/LookFixture.h"

#include "music/SoundLoop.h"
#include "scene/render/Texture.h"
#include "support/LogCapture.h"
#include "tools/demo/SoundWriters.h"
#include "tools/demo/Synthesis.h"

#include <string>
#include <vector>

namespace
{

using Source = heron::counted_ptr<egret::SoundDataSource>;

// A world with a ring counter and one level of one zone, and a mono sound "loop.wav" of
// loopFrames frames in the sounds' search folder.
class ZoneSoundTest : public LookTest
{
protected:
    static constexpr int loopFrames = 4410;

    void SetUp() override
    {
        LookTest::SetUp();
        pelican::setCacheRoot(m_folder.path().string().c_str());
        demo::PadSpec spec;
        spec.frequencies = {440.0};
        spec.seconds = 0.1;
        spec.channels = 1;
        spec.attack = spec.release = 0.01;
        m_pcm = demo::sinePad(spec);
        writeWholeFile(m_folder.path() / "sounds" / "loop.wav", demo::wavBytes(m_pcm));
        pelican::addSearchFolder((m_folder.path() / "sounds").string().c_str(), pelican::soundsCategory);
        world = read("Data {\ncounter \"rings\" {\nisRing 1\n}\n}\nLevel \"L\" {\nZone \"Z\" {\nradius 5\n}\n}\n");
    }
    void TearDown() override
    {
        pelican::setCacheRoot(nullptr);
        LookTest::TearDown();
    }

    // A single-loop song over loop.wav with markers at frames 100 and 300 and the phrase from
    // marker start to marker end.
    static void makeLoopSong(Song& song, std::int32_t start, std::int32_t end)
    {
        song.enable = true;
        song.samples = {Song::Sample{heron::FilePath("loop.wav"), {100, 300}, {}}};
        song.phrases = {{0, start, end}};
    }

    static std::vector<std::int16_t> readAll(egret::SoundDataSource& source)
    {
        std::vector<std::int16_t> samples;
        std::int16_t block[64];
        source.rewind();
        for (int got = 1; got > 0;) {
            got = source.read(64, block);
            samples.insert(samples.end(), block, block + got);
        }
        return samples;
    }

    Zone& zone() { return *world->levels().front()->zones().front(); }
    Level& level() { return *world->levels().front(); }

    demo::Pcm m_pcm;
    heron::counted_ptr<Look> world;
};

const char* sourceName(const Source& source)
{
    return source ? source->name().c_str() : "<none>";
}

}

TEST_F(ZoneSoundTest, SoundLoopPlaysItsPhraseBetweenMarkers)
{
    struct Case
    {
        std::int32_t start;
        std::int32_t end;
        // The first frame and the frame count of the phrase; -1 frames for no valid loop.
        int first;
        int frames;
        const char* name;
    };
    const std::vector<Case> cases = {
        {-2, -1, 0, loopFrames, "SoundLoop loop.wav:0:-1"},
        {0, 1, 100, 200, "SoundLoop loop.wav:100:300"},
        {1, -1, 300, loopFrames - 300, "SoundLoop loop.wav:300:-1"},
        // A start of -1 names the sample's first frame, as -2 does.
        {-1, -1, 0, loopFrames, "SoundLoop loop.wav:0:-1"},
        {-1, 1, 0, 300, "SoundLoop loop.wav:0:300"},
        {0, 5, 0, -1, nullptr},
        {1, 0, 0, -1, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << " to " << c.end);
        LogCapture log;
        Song song;
        makeLoopSong(song, c.start, c.end);
        Song twoPhrases = song;
        twoPhrases.phrases.push_back({0, -2, -1});
        EXPECT_FALSE(twoPhrases.makeLoop());
        const Source loop = song.makeLoop();
        ASSERT_TRUE(loop);
        EXPECT_EQ(song.makeLoop().get(), loop.get());
        const std::vector<std::int16_t> samples = readAll(*loop);
        if (c.frames < 0) {
            EXPECT_TRUE(samples.empty());
            EXPECT_EQ(loop->length(), -1);
            EXPECT_TRUE(log.contains("trouble brewing in SoundLoop::SoundLoop()"));
            continue;
        }
        const std::vector<std::int16_t> expected(m_pcm.samples.begin() + c.first,
                                                 m_pcm.samples.begin() + c.first + c.frames);
        EXPECT_EQ(samples, expected);
        EXPECT_EQ(loop->length(), c.frames);
        EXPECT_STREQ(loop->name().c_str(), c.name);
        song.releaseSources();
        EXPECT_FALSE(song.loopSource);
        EXPECT_FALSE(song.samples.front().decoded);
    }
}

TEST_F(ZoneSoundTest, RewoundSoundLoopPlaysItsPhraseAgain)
{
    const std::pair<std::int32_t, std::int32_t> phrases[] = {{-2, -1}, {0, 1}, {1, -1}};
    for (const auto& [start, end] : phrases) {
        SCOPED_TRACE(testing::Message() << start << " to " << end);
        Song song;
        makeLoopSong(song, start, end);
        const Source loop = song.makeLoop();
        ASSERT_TRUE(loop);
        const std::vector<std::int16_t> first = readAll(*loop);
        EXPECT_FALSE(first.empty());
        EXPECT_EQ(readAll(*loop), first);
    }
}

TEST_F(ZoneSoundTest, SoundLoopHasTheFormatOfItsSample)
{
    Song song;
    makeLoopSong(song, 0, 1);
    const Source loop = song.makeLoop();
    ASSERT_TRUE(loop);
    EXPECT_EQ(loop->format().channels, 1u);
    EXPECT_EQ(loop->format().rate, static_cast<std::uint32_t>(m_pcm.rate));
}

TEST_F(ZoneSoundTest, RingEmitterSoundsTheRingSongOfTheCount)
{
    Zone& z = zone();
    z.emitRing = true;
    z.emitter.enable = true;
    makeLoopSong(z.ringSongs[0], -2, -1);
    makeLoopSong(z.ringSongs[1], 0, 1);
    level().enter(*world);
    EXPECT_TRUE(z.soundEmitter);
    EXPECT_STREQ(sourceName(z.soundingSource), "SoundLoop loop.wav:0:-1");

    const egret::SoundEmitter* const first = z.soundEmitter.get();
    z.startEmitterSong(*world);
    EXPECT_EQ(z.soundEmitter.get(), first);

    world->counters()[0].collected.assign(1, nullptr);
    z.startEmitterSong(*world);
    EXPECT_STREQ(sourceName(z.soundingSource), "SoundLoop loop.wav:100:300");
    EXPECT_NE(z.soundEmitter.get(), first);

    world->counters()[0].collected.assign(8, nullptr);
    z.startEmitterSong(*world);
    EXPECT_FALSE(z.soundingSource);
    EXPECT_FALSE(z.soundEmitter);

    world->counters()[0].collected.clear();
    z.startEmitterSong(*world);
    EXPECT_TRUE(z.soundEmitter);
    level().exit();
    EXPECT_FALSE(z.soundEmitter);
    EXPECT_FALSE(z.soundingSource);
    EXPECT_FALSE(z.ringSongs[0].loopSource);
}

TEST_F(ZoneSoundTest, TargetZoneLoadsItsSingleLoopSong)
{
    struct Case
    {
        const char* name;
        bool actEnabled;
        bool song1Loops;
        bool song2Loops;
        bool loaded;
    };
    const std::vector<Case> cases = {
        {"first song loops", false, true, false, true},
        {"second song loops", false, false, true, true},
        {"no song loops", false, false, false, false},
        {"zone has an act", true, true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Zone& z = zone();
        z.isATarget = true;
        z.act.enable = c.actEnabled;
        z.song1 = Song{};
        z.song2 = Song{};
        if (c.song1Loops) {
            makeLoopSong(z.song1, -2, -1);
        }
        if (c.song2Loops) {
            makeLoopSong(z.song2, -2, -1);
        }
        level().enter(*world);
        EXPECT_EQ(static_cast<bool>(z.targetSound), c.loaded);
        level().exit();
        EXPECT_FALSE(z.targetSound);
    }
}

TEST_F(ZoneSoundTest, PlaySoundsLoadOnlyForLevelsThatPlay)
{
    struct Case
    {
        const char* name;
        bool isBall;
        const char* batSound;
        bool loaded;
    };
    const std::vector<Case> cases = {
        {"ball level", true, "loop.wav", true},
        {"no ball or bat", false, "loop.wav", false},
        {"placeholder file", true, "f:/wav/soundeffect.wav", false},
        {"missing file", true, "gone.wav", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto fresh = read("Level \"L\" {\nZone \"Z\" {\n}\n}\n");
        Level& l = *fresh->levels().front();
        l.zones().front()->isBall = c.isBall;
        l.batSound = heron::FilePath(c.batSound);
        l.resetSounds();
        EXPECT_EQ(static_cast<bool>(l.batSoundBuffer()), c.loaded);
        EXPECT_FALSE(l.goalSoundBuffer());
    }
}

TEST_F(ZoneSoundTest, SharedMediaLoadsItsSoundsAtOnce)
{
    world->setNoExitSound(heron::FilePath("loop.wav"));
    world->setMedalThrowSound(heron::FilePath("gone.wav"));
    world->setNoExitTexture(heron::FilePath("wall.gif"));
    ASSERT_TRUE(world->noExitSoundBuffer());
    EXPECT_TRUE(world->noExitSoundBuffer()->isLoaded());
    EXPECT_EQ(world->noExitSoundBuffer()->frames(), loopFrames);
    EXPECT_FALSE(world->medalThrowSoundBuffer());
    ASSERT_TRUE(world->noExitTextureImage());
    EXPECT_STREQ(world->noExitTextureImage()->file().c_str(), "wall.gif");
}

TEST_F(ZoneSoundTest, EmitterVelocityFollowsTheZoneWithDoppler)
{
    struct Case
    {
        const char* name;
        bool doppler;
        double secondTime;
        float velocity;
    };
    // The zone moves 4 units along x between the two placings, 2 seconds apart; factor 2.
    const std::vector<Case> cases = {
        {"doppler", true, 12.0, 1.0f},
        {"no doppler", false, 12.0, 0.0f},
        {"same time", true, 10.0, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Zone& z = zone();
        makeLoopSong(z.emitter, -2, -1);
        z.emitter.enableDoppler = c.doppler;
        z.emitter.dopplerFactor = 2.0f;
        z.position() = finch::Vector3d(1, 2, 3);
        level().enter(*world);
        z.moveEmitter(10.0);
        EXPECT_EQ(z.emitterMotion().velocity.x, 0.0f);
        z.position() = finch::Vector3d(5, 2, 3);
        z.moveEmitter(c.secondTime);
        EXPECT_EQ(z.emitterMotion().position.x, 5.0f);
        EXPECT_EQ(z.emitterMotion().velocity.x, c.velocity);
        EXPECT_EQ(z.emitterMotion().velocity.y, 0.0f);
        level().exit();
    }
}

TEST_F(ZoneSoundTest, ReadingTheWorldPreloadsEverySongsSamples)
{
    struct Case
    {
        const char* name;
        const char* zone;
        const char* file;
    };
    const std::vector<Case> cases = {
        {"ambient song", "song \"ambientSong\" {\nfile \"sea.wav\"\n}\n}\n", "sea.wav"},
        {"ring song of a ring-playing ambient song",
         "song \"ambientSong\" {\nplayRing 1\n}\nsong \"ringSong3\" {\nfile \"ring3.wav\"\n}\n}\n", "ring3.wav"},
        {"ring song alone", "song \"ringSong3\" {\nfile \"ring3.wav\"\n}\n}\n", "ring3.wav"},
        {"emitter song", "song \"emitter\" {\nfile \"hum.wav\"\n}\n}\n", "hum.wav"},
        {"projectile sound", "projectile {\nsound \"shot.wav\"\n}\n", "shot.wav"},
        {"first song", "song \"song1\" {\nfile \"tune.wav\"\n}\n}\n", "tune.wav"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pelican::clearSoundCache();
        const LogCapture log;
        read(std::string("Level \"L\" {\nZone \"Z\" {\n") + c.zone + "}\n}\n");
        EXPECT_TRUE(log.contains(std::string("---Couldn't find sound file ") + c.file));
    }
}

TEST_F(ZoneSoundTest, ReadingTheWorldPreloadsEachLevelsPlaySounds)
{
    pelican::clearSoundCache();
    const LogCapture log;
    read("Level \"L\" {\nbatSound \"bat.wav\"\ngoalSound \"goal.wav\"\nZone \"Z\" {\n}\n}\n");
    EXPECT_TRUE(log.contains("---Couldn't find sound file bat.wav"));
    EXPECT_TRUE(log.contains("---Couldn't find sound file goal.wav"));
    EXPECT_FALSE(log.contains("soundeffect.wav"));
}
