#include "content/SoundCache.h"

#include "content/DataFiles.h"
#include "content/LoadNotice.h"
#include "content/SoundFileFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <unistd.h>

using namespace datafiletest;
using namespace soundtest;

namespace
{

std::string nameOf(const Source& source)
{
    return source ? source->name().c_str() : "<none>";
}

bool endsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

class SoundCacheTest : public DataFileTest
{
protected:
    void SetUp() override
    {
        DataFileTest::SetUp();
        pelican::setCacheRoot(systemPath(path("root")).spelling().c_str());
    }

    // The ".snd" file of a packed member on disk.
    std::filesystem::path sndFile(const char* member, const std::string& bytes) const
    {
        const heron::FilePath path = pelican::sndCachePath(member, static_cast<std::uint32_t>(bytes.size()));
        return std::filesystem::path(path.diskPath().c_str());
    }

    // What the Ogg decoder makes of a packed member.
    std::vector<std::int16_t> oggSamples(const char* member)
    {
        pelican::OggDecoder decoder(pelican::DataFileName(member, pelican::soundsCategory));
        return decodeAll(decoder);
    }
};

}

TEST_F(SoundCacheTest, NamesPlayAsWavOrOggEachCallFromItsOwnDecoder)
{
    const demo::Pcm chime = tone(2, 44100, 0.2);
    writeTree(path("sounds"), {{"chime.wav", demo::wavBytes(chime)}, {"sea.ogg", oggOf(tone(1, 44100, 0.3))}});
    pelican::addSearchFolder(path("sounds").string().c_str(), pelican::soundsCategory);
    const Source first = pelican::getSound("chime.wav");
    const Source second = pelican::getSound("chime.wav");
    ASSERT_TRUE(first && second);
    EXPECT_NE(first.get(), second.get());
    first->rewind();
    first->seek(1000);
    EXPECT_EQ(decodeAll(*second), chime.samples);
    first->close();
    const Source sea = pelican::getSound("sea.ogg");
    ASSERT_TRUE(sea);
    EXPECT_EQ(sea->format().channels, 1u);
    EXPECT_EQ(m_log.count("Sound file chime.wav read OK\n"), 1);
    EXPECT_EQ(m_log.count("Sound file sea.ogg read OK\n"), 1);
    EXPECT_FALSE(m_log.contains("need to decompress"));
}

TEST_F(SoundCacheTest, MissingWavPlaysTheOggOfItsNameInTheOggFolderBesideIt)
{
    writeTree(path("sfx"), {{"ogg/splash.ogg", oggOf(tone(2, 44100, 0.2))}});
    pelican::addSearchFolder(path("sfx").string().c_str(), pelican::soundsCategory);
    EXPECT_TRUE(endsWith(nameOf(pelican::getSound("splash.wav")), "ogg\\splash.ogg"));
    EXPECT_TRUE(m_log.contains("Sound file ogg\\splash.ogg read OK\n"));
}

TEST_F(SoundCacheTest, MissingSoundIsNotedAndToldAsAFailedLoad)
{
    struct Recorder : pelican::LoadListener
    {
        void loaded(pelican::LoadKind kind, const heron_string& item, bool succeeded) override
        {
            seen.push_back(std::string(item.c_str()) + (succeeded ? " ok" : " failed"));
        }
        std::vector<std::string> seen;
    } recorder;
    pelican::setLoadListener(&recorder);
    EXPECT_FALSE(pelican::getSound("nothing.wav"));
    EXPECT_FALSE(pelican::preloadSound("nothing.wav", pelican::CacheBuild::Yes));
    EXPECT_FALSE(pelican::preloadSound("", pelican::CacheBuild::No));
    pelican::setLoadListener(nullptr);
    EXPECT_EQ(recorder.seen, std::vector<std::string>{"nothing.wav failed"});
    EXPECT_EQ(m_log.count("---Couldn't find sound file nothing.wav\n"), 1);
    EXPECT_FALSE(m_log.contains("ogg file didn't open"));
    EXPECT_EQ(pelican::listedFiles(pelican::FileList::Missing).size(), 1u);
}

TEST_F(SoundCacheTest, RefusedWavIsLoggedWithItsReasonAndNeverAsRead)
{
    const std::string good = demo::wavBytes(tone(1, 44100, 0.05));
    const auto patched = [&](std::size_t at, std::uint32_t value, int bytes) {
        std::string changed = good;
        for (int i = 0; i < bytes; ++i) {
            changed[at + i] = static_cast<char>(value >> 8 * i);
        }
        return changed;
    };
    const struct
    {
        const char* name;
        std::string bytes;
        const char* reason;
    } cases[] = {
        {"eight.wav", patched(28, 44100, 4), "WavDecoder: Unsupported sample size"},
        {"deep.wav", patched(28, 44100 * 3, 4), "WavDecoder: Unsupported sample size"},
        {"float.wav", patched(20, 3, 2), "WavDecoder: File isn't PCM"},
        {"still.wav", patched(24, 0, 4), "WavDecoder: Sample rate not supported"},
    };
    for (const auto& [name, bytes, reason] : cases) {
        writeWholeFile(path("sounds") / name, bytes);
    }
    pelican::addSearchFolder(path("sounds").string().c_str(), pelican::soundsCategory);
    for (const auto& [name, bytes, reason] : cases) {
        EXPECT_FALSE(pelican::getSound(name)) << name;
        EXPECT_EQ(m_log.count(std::string("---Sound file ") + name + " refused, reason=" + reason + "\n"), 1) << name;
        EXPECT_FALSE(m_log.contains(std::string("Sound file ") + name + " read OK")) << name;
    }
    EXPECT_EQ(pelican::listedFiles(pelican::FileList::Missing).size(), std::size(cases));
}

TEST_F(SoundCacheTest, RefusedFileIsLoggedWithTheReasonOfTheFormatItsBytesBeginAs)
{
    const std::string ogg = oggOf(tone(2, 44100, 0.5));
    const struct
    {
        const char* name;
        std::string bytes;
        const char* reason;
    } cases[] = {
        {"cut.ogg", ogg.substr(0, 200), "reason=libvorbisfile code "},
        {"hollow.ogg", "OggS but nothing of Vorbis", "reason=libvorbisfile code "},
        {"notes.wav", "RIFX and no more", "reason=Not a \".wav\" file\n"},
        {"noise.ogg", "neither kind of sound", "reason=not an Ogg Vorbis stream\n"},
    };
    for (const auto& [name, bytes, reason] : cases) {
        writeWholeFile(path("sounds") / name, bytes);
    }
    pelican::addSearchFolder(path("sounds").string().c_str(), pelican::soundsCategory);
    for (const auto& [name, bytes, reason] : cases) {
        EXPECT_FALSE(pelican::getSound(name)) << name;
        EXPECT_EQ(m_log.count(std::string("---Sound file ") + name + " refused, " + reason), 1) << name;
    }
}

TEST_F(SoundCacheTest, AWavFileIsReadByItsOwnDecoderWithoutALogLineOfAnother)
{
    writeTree(path("sounds"), {{"chime.wav", demo::wavBytes(tone(1, 44100, 0.05))}});
    pelican::addSearchFolder(path("sounds").string().c_str(), pelican::soundsCategory);
    ASSERT_TRUE(pelican::getSound("chime.wav"));
    EXPECT_TRUE(m_log.contains("Sound file chime.wav read OK\n"));
    EXPECT_FALSE(m_log.contains("OggDecoder")) << m_log.text();
}

TEST_F(SoundCacheTest, SoundOfNoFramesIsLoggedAsEmpty)
{
    const demo::Pcm none{.channels = 2, .rate = 44100, .samples = {}};
    writeTree(path("sounds"), {{"hush.wav", demo::wavBytes(none)}, {"quiet.ogg", oggOf(none)}});
    pelican::addSearchFolder(path("sounds").string().c_str(), pelican::soundsCategory);
    for (const char* name : {"hush.wav", "quiet.ogg"}) {
        static_cast<void>(pelican::getSound(name));
        EXPECT_EQ(m_log.count(std::string("---Sound file ") + name + " is empty\n"), 1) << name;
        EXPECT_FALSE(m_log.contains(std::string("Sound file ") + name + " read OK")) << name;
    }
}

// The cache may be emptied (a new look file starts to be read) while a sound is being fetched.
TEST_F(SoundCacheTest, SoundIsFetchedEvenWhenTheCacheIsEmptiedDuringItsRead)
{
    writeTree(path("sounds"), {{"slow.wav", demo::wavBytes(tone(1, 22050, 0.05))}});
    pelican::addSearchFolder(path("sounds").string().c_str(), pelican::soundsCategory);
    // A log that empties the cache at the rate warning, which comes while the header is read.
    cookie_io_functions_t clearing{};
    clearing.write = [](void*, const char* text, std::size_t size) -> ssize_t {
        if (std::string(text, size).find("is recorded at") != std::string::npos) {
            pelican::clearFileLists();
        }
        return static_cast<ssize_t>(size);
    };
    std::FILE* const log = fopencookie(nullptr, "w", clearing);
    ASSERT_NE(log, nullptr);
    heron::setDebugLogFile(log);
    const Source source = pelican::getSound("slow.wav");
    heron::setDebugLogFile(nullptr);
    std::fclose(log);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->format().rate, 22050u);
}

TEST_F(SoundCacheTest, ShortPackedOggIsDecodedOnceIntoItsSndFileAndReadFromItLater)
{
    const std::string sea = oggOf(tone(2, 44100, 0.5));
    packAndRegister({{"music/sea.ogg", sea}});
    const Source first = pelican::getSound("music\\sea.ogg");
    const std::filesystem::path snd = sndFile("music\\sea.ogg", sea);
    ASSERT_TRUE(std::filesystem::exists(snd));
    EXPECT_EQ(nameOf(first), pelican::sndCachePath("music\\sea.ogg", static_cast<std::uint32_t>(sea.size())).c_str());
    EXPECT_EQ(decodeAll(*first), oggSamples("music\\sea.ogg"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(snd.parent_path()), {}), 1);
    pelican::clearFileLists();
    EXPECT_TRUE(endsWith(nameOf(pelican::getSound("music\\sea.ogg")), ".snd"));
    EXPECT_EQ(m_log.count("need to decompress"), 1);
}

TEST_F(SoundCacheTest, TheCacheFolderLiesInsideARootGivenWithoutItsTrailingSeparator)
{
    const std::string sea = oggOf(tone(2, 44100, 0.5));
    packAndRegister({{"music/sea.ogg", sea}});
    ASSERT_TRUE(pelican::getSound("music\\sea.ogg"));
    EXPECT_EQ(sndFile("music\\sea.ogg", sea).parent_path(), path("root") / "data");
    EXPECT_TRUE(std::filesystem::exists(sndFile("music\\sea.ogg", sea)));
    EXPECT_FALSE(std::filesystem::exists(path("rootdata")));
}

TEST_F(SoundCacheTest, PartialSndFileIsIgnoredAndWrittenAgain)
{
    const std::string sea = oggOf(tone(2, 44100, 0.5));
    packAndRegister({{"music/sea.ogg", sea}});
    ASSERT_TRUE(pelican::preloadSound("music\\sea.ogg", pelican::CacheBuild::No));
    const std::filesystem::path snd = sndFile("music\\sea.ogg", sea);
    const std::string whole = readWholeFile(snd);
    writeWholeFile(snd, whole.substr(0, whole.size() / 2));
    pelican::clearFileLists();
    const Source again = pelican::getSound("music\\sea.ogg");
    EXPECT_EQ(m_log.count("need to decompress"), 2);
    EXPECT_EQ(readWholeFile(snd), whole);
    EXPECT_EQ(decodeAll(*again), oggSamples("music\\sea.ogg"));
}

TEST_F(SoundCacheTest, DamagedOrHeaderlessSndFileIsLoggedAndWrittenAgainNeverPlayed)
{
    const std::string sea = oggOf(tone(2, 44100, 0.5));
    packAndRegister({{"music/sea.ogg", sea}});
    ASSERT_TRUE(pelican::preloadSound("music\\sea.ogg", pelican::CacheBuild::No));
    const std::filesystem::path snd = sndFile("music\\sea.ogg", sea);
    const std::string whole = readWholeFile(snd);
    const std::vector<std::int16_t> samples = oggSamples("music\\sea.ogg");
    // What older versions wrote: the scrambled samples alone.
    std::string headerless(reinterpret_cast<const char*>(samples.data()), samples.size() * 2);
    pelican::scrambleSndBytes(headerless.data(), static_cast<std::uint32_t>(headerless.size()), 0);
    const auto flipped = [&](std::size_t at) { return whole.substr(0, at) + char(whole[at] ^ 0x10) + whole.substr(at + 1); };
    const struct
    {
        std::string bytes;
        const char* reason;
    } cases[] = {
        {flipped(whole.size() / 2), "its samples do not match their digest"},
        {flipped(24), "its samples do not match their digest"},
        {flipped(12), "its header is of another sound"},
        {flipped(4), "its header is of version 18"},
        {whole.substr(0, whole.size() - 4), "the file holds "},
        {whole.substr(0, 10), "the file ends inside its header"},
        {headerless, "it has no header (a file of an older version)"},
        {flipped(30), "it was decoded from another version of its sound"},
        // What the version before wrote: the header without the origin.
        {whole.substr(0, 4) + '\x01' + whole.substr(5, 23) + whole.substr(pelican::sndHeaderSize),
         "its header is of version 1"},
    };
    const std::string cachePath = pelican::sndCachePath("music\\sea.ogg", static_cast<std::uint32_t>(sea.size())).c_str();
    for (const auto& [bytes, reason] : cases) {
        const std::string refusal = "Sound cache " + cachePath + " refused, reason=" + reason;
        const int earlier = m_log.count(refusal);
        writeWholeFile(snd, bytes);
        pelican::clearFileLists();
        const Source again = pelican::getSound("music\\sea.ogg");
        ASSERT_TRUE(again) << reason;
        EXPECT_EQ(decodeAll(*again), samples) << reason;
        EXPECT_EQ(readWholeFile(snd), whole) << reason;
        EXPECT_EQ(m_log.count(refusal), earlier + 1) << reason;
    }
    EXPECT_EQ(m_log.count("need to decompress"), 1 + static_cast<int>(std::size(cases)));
}

// A data file updated since may hold another song of the same size under the same name.
TEST_F(SoundCacheTest, ASongChangedSinceItsSndFileWasWrittenIsDecodedAfresh)
{
    std::string low = oggOf(tone(2, 44100, 0.5, 220.0));
    std::string high = oggOf(tone(2, 44100, 0.5, 880.0));
    // The decoder passes over what follows the stream's last page.
    low.resize(std::max(low.size(), high.size()));
    high.resize(low.size());
    packAndRegister({{"music/sea.ogg", low}});
    ASSERT_TRUE(pelican::preloadSound("music\\sea.ogg", pelican::CacheBuild::No));
    packAndRegister({{"music/sea.ogg", high}});
    pelican::clearFileLists();
    const Source again = pelican::getSound("music\\sea.ogg");
    ASSERT_TRUE(again);
    EXPECT_EQ(decodeAll(*again), oggSamples("music\\sea.ogg"));
    EXPECT_EQ(m_log.count(" refused, reason=it was decoded from another version of its sound\n"), 1);
    EXPECT_EQ(m_log.count("need to decompress"), 2);
}

namespace
{

// What the file sync in place of fsync found: the bytes on the disk under the temporary name, and
// whether the final name was taken yet.
std::filesystem::path g_finalName;
std::vector<std::pair<std::string, bool>> g_synced;

int recordSync(int descriptor)
{
    const std::filesystem::path held = std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(descriptor));
    g_synced.emplace_back(readWholeFile(held), std::filesystem::exists(g_finalName));
    return ::fsync(descriptor);
}

}

TEST_F(SoundCacheTest, TheSndFileIsOnTheDiskWholeBeforeItIsRenamedIntoPlace)
{
    const std::string sea = oggOf(tone(2, 44100, 0.5));
    packAndRegister({{"music/sea.ogg", sea}});
    g_finalName = sndFile("music\\sea.ogg", sea);
    pelican::setSndFileSync(&recordSync);
    const bool read = pelican::preloadSound("music\\sea.ogg", pelican::CacheBuild::No);
    pelican::setSndFileSync(nullptr);
    ASSERT_TRUE(read);
    EXPECT_EQ(g_synced, (std::vector<std::pair<std::string, bool>>{{readWholeFile(g_finalName), false}}));
}

TEST_F(SoundCacheTest, PartFilesLeftByACrashAreRemovedWhenTheCacheFolderIsWritten)
{
    const std::string sea = oggOf(tone(2, 44100, 0.5));
    packAndRegister({{"music/sea.ogg", sea}});
    const std::filesystem::path folder = sndFile("music\\sea.ogg", sea).parent_path();
    writeTree(folder, {{"old-0123456789abcdef-99.snd.part", "half a sound"}, {"other.snd", "a whole sound"}});
    ASSERT_TRUE(pelican::getSound("music\\sea.ogg"));
    EXPECT_FALSE(std::filesystem::exists(folder / "old-0123456789abcdef-99.snd.part"));
    EXPECT_TRUE(std::filesystem::exists(folder / "other.snd"));
    EXPECT_TRUE(std::filesystem::exists(sndFile("music\\sea.ogg", sea)));
}

TEST_F(SoundCacheTest, SameNamedSoundsOfTwoFoldersGetTheirOwnSndFiles)
{
    const std::string low = oggOf(tone(2, 44100, 0.3, 220.0));
    const std::string high = oggOf(tone(2, 44100, 0.3, 880.0));
    packAndRegister({{"a/sea.ogg", low}, {"b/sea.ogg", high}});
    const Source a = pelican::getSound("a\\sea.ogg");
    const Source b = pelican::getSound("b\\sea.ogg");
    EXPECT_NE(nameOf(a), nameOf(b));
    EXPECT_EQ(decodeAll(*a), oggSamples("a\\sea.ogg"));
    EXPECT_EQ(decodeAll(*b), oggSamples("b\\sea.ogg"));
}

TEST_F(SoundCacheTest, LongOggIsDecodedOnTheFlyUntilACallerAsksForItsSndFile)
{
    const std::string song = oggOf(tone(1, 96000, 2.7));
    packAndRegister({{"songs/long.ogg", song}});
    EXPECT_TRUE(endsWith(nameOf(pelican::getSound("songs\\long.ogg")), ".ogg"));
    EXPECT_FALSE(std::filesystem::exists(sndFile("songs\\long.ogg", song)));
    EXPECT_TRUE(pelican::preloadSound("songs\\long.ogg", pelican::CacheBuild::Yes));
    EXPECT_TRUE(std::filesystem::exists(sndFile("songs\\long.ogg", song)));
    EXPECT_TRUE(endsWith(nameOf(pelican::getSound("songs\\long.ogg")), ".snd"));
}

TEST_F(SoundCacheTest, TwoThreadsAskingForOneSoundShareOneSndFile)
{
    const std::string sea = oggOf(tone(2, 44100, 0.5));
    packAndRegister({{"music/sea.ogg", sea}});
    Source sources[2];
    std::thread other([&] { sources[1] = pelican::getSound("music\\sea.ogg"); });
    sources[0] = pelican::getSound("music\\sea.ogg");
    other.join();
    const std::vector<std::int16_t> expected = oggSamples("music\\sea.ogg");
    for (const Source& source : sources) {
        ASSERT_TRUE(source);
        EXPECT_EQ(decodeAll(*source), expected);
    }
    EXPECT_EQ(m_log.count("need to decompress"), 1);
}

TEST(CacheRoot, IsTheProgramFolderWhenWritableElseTheUsersCacheFolderAsTheSystemSpellsThem)
{
    TempFolder home;
    const ScopedEnv cache("XDG_CACHE_HOME", home.file("Cache"));
    const std::string writable = home.path().string() + "/";
    EXPECT_EQ(std::string(pelican::cacheRootFor(writable.c_str()).c_str()), writable);
    EXPECT_EQ(std::string(pelican::cacheRootFor("\\no\\such\\folder\\").c_str()), home.file("Cache") + "/aurelle/");
}
