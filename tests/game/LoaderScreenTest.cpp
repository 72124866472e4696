// The loading screen: the splash picture centred on its corner colour, or plain grey without one.
#include "game/LoaderScreen.h"

#include "content/DataFiles.h"
#include "support/FakeDesktop.h"
#include "support/LogCapture.h"
#include "support/TempFolder.h"
#include "tools/demo/ImageWriters.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

class LoaderScreenTest : public testing_gui::FakeDesktop
{
protected:
    void SetUp() override
    {
        FakeDesktop::SetUp();
        pelican::resetDataFiles();
    }
    void TearDown() override
    {
        pelican::resetDataFiles();
        FakeDesktop::TearDown();
    }

    TempFolder m_folder;
};

constexpr std::uint32_t night = 0x102040;
constexpr std::uint32_t sea = 0x206080;

// A 40 x height picture: night above, sea in its lower half.
std::string splashBytes(int height = 20)
{
    kestrel::Image picture(40, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < 40; ++x) {
            *picture.pixelAt(x, y) = 0xFF000000u | (y < height / 2 ? sea : night);
        }
    }
    const demo::Bytes bytes = *demo::writeGif(picture);
    return std::string(bytes.begin(), bytes.end());
}

std::uint32_t colourAt(const kestrel::Image& image, int x, int y)
{
    return *image.pixelAt(x, y) & 0xFFFFFFu;
}

}

TEST_F(LoaderScreenTest, TheSplashPictureStandsCentredOnItsCornerColour)
{
    writeWholeFile(m_folder.path() / "splash.gif", splashBytes());
    writeWholeFile(m_folder.path() / "broken.gif", splashBytes().substr(0, 30));
    const struct
    {
        const char* file;
        // The screen's corner, and two points of the picture's place (its lower half, its upper).
        std::uint32_t corner;
        std::uint32_t low;
        std::uint32_t high;
        bool logged;
    } cases[] = {
        {"splash.gif", night, sea, night, false},
        {"missing.gif", 0x7F7F7F, 0x7F7F7F, 0x7F7F7F, true},
        {"broken.gif", 0x7F7F7F, 0x7F7F7F, 0x7F7F7F, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        LogCapture log;
        LoaderScreen screen;
        screen.readSplash(heron::FilePath(m_folder.file(c.file).c_str()));
        // A 101 x 60 screen: the picture's bottom-left corner lands at (30, 20).
        const kestrel::Image& shown = screen.picture(101, 60);
        ASSERT_EQ(shown.width(), 101);
        EXPECT_EQ(colourAt(shown, 0, 0), c.corner);
        EXPECT_EQ(colourAt(shown, 100, 0), c.corner);
        EXPECT_EQ(colourAt(shown, 30, 20), c.low);
        EXPECT_EQ(colourAt(shown, 69, 29), c.low);
        EXPECT_EQ(colourAt(shown, 69, 30), c.high);
        EXPECT_EQ(colourAt(shown, 29, 20), c.corner);
        EXPECT_EQ(log.contains("not found"), c.logged) << log.text();
    }
}

TEST_F(LoaderScreenTest, TheMessageStandsAboveThePicture)
{
    writeWholeFile(m_folder.path() / "splash.gif", splashBytes(80));
    LoaderScreen screen;
    screen.readSplash(heron::FilePath(m_folder.file("splash.gif").c_str()));
    // A 640 x 400 screen: the 80 rows of the picture from row 160 up, the message from 32 rows above.
    const kestrel::Image& shown = screen.picture(640, 400);
    const auto lightIn = [&](int fromRow, int toRow) {
        int light = 0;
        for (int y = fromRow; y < toRow; ++y) {
            for (int x = 0; x < 640; ++x) {
                light += (colourAt(shown, x, y) & 0x808080u) == 0x808080u ? 1 : 0;
            }
        }
        return light;
    };
    EXPECT_EQ(lightIn(160, 240), 0);
    EXPECT_GT(lightIn(240, 400), 50);
}
