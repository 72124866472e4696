// The demo world's data file as the build makes it: the sounds its effects and zones play are
// members of it and decode in the layouts the sound system plays.
#include "content/DataFiles.h"
#include "content/ImageFiles.h"
#include "content/OggDecoder.h"
#include "content/SoundCache.h"
#include "content/SoundFileFixture.h"
#include "sound/SoundFormat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

using namespace datafiletest;
using namespace soundtest;

namespace
{

class DemoWorldTest : public DataFileTest
{
protected:
    void SetUp() override
    {
        DataFileTest::SetUp();
        pelican::setCacheRoot(systemPath(path("root")).c_str());
        pelican::registerPackedFile(heron::FilePath(AURELLE_DEMO_WORLD));
    }
};

}

TEST_F(DemoWorldTest, EffectsPlayAsMonoEmitterSoundsAndTheShoreSongAsStereo)
{
    struct Case
    {
        const char* name;
        egret::SoundFormat format;
        double leastSeconds;
    };
    const Case cases[] = {
        {"sounds\\chime.wav", egret::mono16Format, 1.5},
        {"sounds\\bubble.wav", egret::mono16Format, 0.3},
        {"sounds\\splash.wav", egret::mono16Format, 0.8},
        {"music\\shore.ogg", egret::stereo16Format, 30.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Source sound = pelican::getSound(c.name);
        ASSERT_TRUE(sound);
        EXPECT_TRUE(egret::samePlayback(sound->format(), c.format));
        // A song's decoder tells its length as unknown; its probe found the frames.
        const auto* const song = dynamic_cast<const pelican::OggDecoder*>(sound.get());
        const std::int64_t length = song != nullptr ? song->totalFrames() : sound->length();
        EXPECT_GE(length, static_cast<std::int64_t>(c.leastSeconds * c.format.rate));
        // A quarter of a second from the middle, past every fade-in, is audible.
        std::vector<std::int16_t> middle(static_cast<std::size_t>(c.format.rate / 4 * c.format.channels));
        sound->rewind();
        sound->seek(static_cast<int>(c.leastSeconds / 2 * c.format.rate));
        const int frames = sound->read(static_cast<int>(c.format.rate / 4), middle.data());
        sound->close();
        EXPECT_GT(frames, 0);
        EXPECT_TRUE(std::any_of(middle.begin(), middle.end(), [](std::int16_t s) { return s > 1000 || s < -1000; }));
    }
}

TEST_F(DemoWorldTest, FirstLevelModelsAreModelEditorFilesOfTheNewestRevision)
{
    for (const char* name : {"models\\shallows.quill", "models\\ring.quill"}) {
        SCOPED_TRACE(name);
        pelican::DataFileName record(heron::FilePath(name), pelican::databasesCategory);
        const heron::counted_ptr<heron::DataSource> source = pelican::openDataFile(record);
        ASSERT_TRUE(source);
        const std::string bytes = readAll(*source);
        // The header line, then the little-endian marker.
        EXPECT_EQ(bytes.substr(0, 20), std::string("Compatibility: 412\n\x03"));
    }
}

TEST_F(DemoWorldTest, FirstLevelTexturesDecodeAtTheirSizes)
{
    struct Case
    {
        const char* name;
        pelican::ImageInfo info;
    };
    const Case cases[] = {
        {"sand.gif", {64, 64, 3}},
        {"glass.sgi", {64, 64, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(pelican::readImageByType(heron::FilePath(c.name)), c.info);
    }
}

TEST_F(DemoWorldTest, LookFileNamesTheModelAndTheFirstLevel)
{
    pelican::DataFileName record(heron::FilePath("glasstide.look"), pelican::plainCategory);
    const heron::counted_ptr<heron::DataSource> source = pelican::openDataFile(record);
    ASSERT_TRUE(source);
    const std::string text = readAll(*source);
    EXPECT_NE(text.find("    database \"models\\shallows.quill\"\n"), std::string::npos);
    EXPECT_NE(text.find("Level \"Shallows\" {\n    isStartupLevel 1\n"), std::string::npos);
}
