#include "content/DataFileFixture.h"
#include "content/ImageFiles.h"
#include "content/LoadNotice.h"
#include "content/PelicanImageReader.h"
#include "scene/core/Clock.h"
#include "support/GifTestWriter.h"
#include "support/TestPictures.h"
#include "tools/demo/ImageWriters.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace datafiletest;
using testpictures::samePixels;

namespace
{

std::string text(const demo::Bytes& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

std::vector<std::string> listed(pelican::FileList list)
{
    std::vector<std::string> names;
    for (const pelican::DataFileName& record : pelican::listedFiles(list)) {
        names.push_back(std::string(record.path.c_str()) + "#" + std::to_string(record.category));
    }
    return names;
}

// A base clock that moves on by an eighth of a second at every reading.
double steppingClock()
{
    static double now = 0.0;
    return now += 0.125;
}

struct LoadRecorder : pelican::LoadListener
{
    void loaded(pelican::LoadKind kind, const heron_string& item, bool done) override
    {
        heard.emplace_back(kind == pelican::LoadKind::Image, item.c_str(), done);
    }
    std::vector<std::tuple<bool, std::string, bool>> heard;
};

}

class ImageFiles : public DataFileTest
{
protected:
    void SetUp() override
    {
        DataFileTest::SetUp();
        finch::Clock::setBaseClock(&steppingClock);
        pelican::setLoadListener(&m_loads);
    }

    void TearDown() override
    {
        pelican::setLoadListener(nullptr);
        finch::Clock::setBaseClock(nullptr);
        DataFileTest::TearDown();
    }

    const kestrel::Image m_sand = testpictures::paletted(24, 16, 40);
    const kestrel::Image m_glass = testpictures::smooth(20, 12, 4);
    const kestrel::Image m_sky = testpictures::smooth(32, 16, 1);
    LoadRecorder m_loads;
};

TEST_F(ImageFiles, EachFormatLoadsByNameFromThePackedFileThroughTheInstalledReader)
{
    packAndRegister({{"textures/sand.gif", text(*demo::writeGif(m_sand))},
                     {"textures/glass.sgi", text(demo::writeSgi(m_glass))},
                     {"sky/dusk.jpg", text(demo::writeJpeg(m_sky, 95))}});
    kestrel::setImageReader(&pelican::imageReader());
    kestrel::ImageReader& reader = *kestrel::getImageReader();
    kestrel::Image sand;
    kestrel::Image glass;
    kestrel::Image sky;
    reader.readImage("sand.gif", sand);
    reader.readImage("textures/glass.sgi", glass);
    reader.readImage("dusk.jpg", sky);
    EXPECT_TRUE(samePixels(sand, m_sand));
    EXPECT_TRUE(samePixels(glass, m_glass));
    EXPECT_LE(testpictures::largestDifference(sky, m_sky), 8);
    EXPECT_TRUE(reader.exists("dusk.jpg"));
    EXPECT_FALSE(reader.exists("nothing.gif"));
    EXPECT_FALSE(reader.exists(""));
    EXPECT_STREQ(reader.resolvePath("dusk.jpg").c_str(), "sky\\dusk.jpg");
    EXPECT_STREQ(reader.resolvePath("nothing.gif").c_str(), "");
    kestrel::setImageReader(nullptr);
    EXPECT_EQ(listed(pelican::FileList::Used),
              (std::vector<std::string>{"sand.gif#0", "textures\\glass.sgi#0", "dusk.jpg#0"}));
}

TEST_F(ImageFiles, ALoadLogsTheTimeItTookOnceAndTellsTheListener)
{
    writeTree(m_folder.path(), {{"art/sand.gif", text(*demo::writeGif(m_sand))}});
    pelican::addSearchFolder(path("art").c_str(), pelican::texturesCategory);
    EXPECT_TRUE(samePixels(pelican::loadImageFile("sand.gif"), m_sand));
    EXPECT_FALSE(pelican::loadImageFile("sand.gif").isEmpty());
    EXPECT_EQ(m_log.count("Image file sand.gif read OK  (time taken=0.125000)\n"), 1) << m_log.text();
    EXPECT_EQ(m_loads.heard.front(), std::make_tuple(true, std::string("sand.gif"), true));
}

TEST_F(ImageFiles, AFailedLoadLogsItsReasonAndNotesTheNameAsMissing)
{
    giftest::Picture garbage;
    garbage.width = 2;
    garbage.height = 2;
    garbage.global = {0x111111};
    garbage.minimumCodeSize = 2;
    garbage.codeStream = giftest::packCodes({{4, 3}, {7, 3}});
    demo::Bytes small = demo::writeSgi(m_glass);
    small.resize(512);
    packAndRegister({{"bad.gif", text(giftest::writeGif(garbage))}, {"small.sgi", text(small)}});
    for (const char* name : {"nowhere.gif", "bad.gif", "small.sgi"}) {
        EXPECT_TRUE(pelican::loadImageFile(name).isEmpty());
        EXPECT_TRUE(m_log.contains(std::string("---Image file ") + name + " not found\n"));
        EXPECT_EQ(m_loads.heard.back(), std::make_tuple(true, std::string(name), false));
    }
    EXPECT_TRUE(
        m_log.contains("---An image reader failed, reason=GIFdecoder - garbage in file\n---Bad file is: bad.gif\n"));
    EXPECT_TRUE(m_log.contains(
        "---An image reader failed, reason=SGIdecoder - file too short for its header\n---Bad file is: small.sgi\n"));
    EXPECT_FALSE(m_log.contains("Bad file is: nowhere.gif"));
    EXPECT_EQ(listed(pelican::FileList::Missing),
              (std::vector<std::string>{"nowhere.gif#9", "bad.gif#9", "small.sgi#9"}));
}

TEST_F(ImageFiles, ReadImageByTypeGivesTheSizeAndComponentsWithoutThePixels)
{
    kestrel::Image clear = m_sand;
    *clear.pixelAt(0, 0) = 0x00FFFFFF;
    clear.setComponents(4);
    packAndRegister({{"clear.gif", text(*demo::writeGif(clear))},
                     {"glass.sgi", text(demo::writeSgi(m_glass))},
                     {"grey.jpg", text(demo::writeJpeg(m_sky))},
                     {"noise.jpg", "not a picture"},
                     {"short.sgi", text(demo::writeSgi(m_glass)).substr(0, 300)}});
    EXPECT_EQ(pelican::readImageByType("clear.gif"), (pelican::ImageInfo{24, 16, 4}));
    EXPECT_EQ(pelican::readImageByType("glass.sgi"), (pelican::ImageInfo{20, 12, 4}));
    EXPECT_EQ(pelican::readImageByType("grey.jpg"), (pelican::ImageInfo{32, 16, 1}));
    EXPECT_EQ(pelican::readImageByType("noise.jpg"), (pelican::ImageInfo{0, 0, 3}));
    EXPECT_EQ(pelican::readImageByType("missing.gif"), (pelican::ImageInfo{0, 0, 3}));
    EXPECT_EQ(pelican::readImageByType("short.sgi"), (pelican::ImageInfo{0, 0, 3}));
    EXPECT_TRUE(m_log.contains("---An image reader failed, reason=Bad jpg file\n---Bad file is: noise.jpg\n"));
    EXPECT_TRUE(m_log.contains(
        "---An image reader failed, reason=SGIdecoder - file too short for its header\n---Bad file is: short.sgi\n"));
}

TEST_F(ImageFiles, CheckImageFileNotesAnImageThatResolves)
{
    packAndRegister({{"textures/sand.gif", "any bytes"}});
    EXPECT_TRUE(pelican::checkImageFile("sand.gif"));
    EXPECT_FALSE(pelican::checkImageFile("rock.gif"));
    EXPECT_TRUE(m_log.contains("Image file sand.gif found\n"));
    EXPECT_EQ(listed(pelican::FileList::Used), (std::vector<std::string>{"sand.gif#0"}));
}
