#include "support/FakeDesktop.h"

#include <string>
#include <utility>

namespace
{

using kestrel::ScreenMode;
using ScreenModes = testing_gui::FakeDesktop;

TEST_F(ScreenModes, IndicesHaveTheirDisplayNames)
{
    const std::pair<std::string, std::string> names[] = {
        {kestrel::resolutionNames(-1), "current"}, {kestrel::resolutionNames(0), "640 x 480"},
        {kestrel::resolutionNames(4), "1600 x 1200"}, {kestrel::resolutionNames(5), "..."},
        {kestrel::colourDepthNames(1), "32 bit"}, {kestrel::colourDepthNames(2), "..."},
        {kestrel::refreshRateNames(-1), "default"}, {kestrel::refreshRateNames(2), "85 Hz"},
        {kestrel::refreshRateNames(-2), "..."},
    };
    for (const auto& [got, expected] : names) {
        EXPECT_EQ(got, expected);
    }
}

TEST_F(ScreenModes, TheCurrentModeReadsBackAsIndices)
{
    const struct
    {
        plat::DisplayMode mode;
        int resolution, depth, refresh;
    } table[] = {
        {{1152, 864, 32, 60}, 2, 1, 0},
        {{640, 480, 16, 72}, 0, 0, 0},
        {{1920, 1080, 24, 144}, 4, 1, 4},
        {{1280, 1024, 32, 85}, 3, 1, 2},
    };
    for (const auto& row : table) {
        fake.current = row.mode;
        const ScreenMode mode = kestrel::getScreenMode(0);
        EXPECT_EQ(std::tuple(mode.resolution, mode.depth, mode.refresh),
                  std::tuple(row.resolution, row.depth, row.refresh))
            << row.mode.width;
    }
}

TEST_F(ScreenModes, ModesAreTestedAgainstTheDisplaysListAndRecordsLeaveOpenWhatTheIndicesLeaveOpen)
{
    EXPECT_TRUE(kestrel::testScreenMode(ScreenMode{}));
    fake.modes.clear();
    EXPECT_TRUE(kestrel::testScreenMode(ScreenMode{}));
    EXPECT_FALSE(kestrel::testScreenMode(ScreenMode{0, -1, -1}));
    fake.modes = {{800, 600, 24, 0}};
    EXPECT_TRUE(kestrel::testScreenMode(ScreenMode{1, 0, 3}));
    EXPECT_FALSE(kestrel::testScreenMode(ScreenMode{2, -1, -1}));

    fake.current = {1280, 1024, 24, 75};
    const auto fields = [](const plat::DisplayMode& m) {
        return std::vector{m.width, m.height, m.bitsPerPixel, m.refreshRate};
    };
    EXPECT_EQ(fields(kestrel::findDisplayMode(ScreenMode{-1, 2, -1})), (std::vector{0, 0, 24, 0}));
    EXPECT_EQ(fields(kestrel::findDisplayMode(ScreenMode{7, 0, 9})), (std::vector{1024, 768, 16, 75}));
}

TEST_F(ScreenModes, ASingleDisplayIsOneMonitorNamedMonitorCoveringTheScreen)
{
    EXPECT_EQ(kestrel::monitorCount(), 1);
    EXPECT_EQ(kestrel::monitorRect(0), (kestrel::Rect{0, 0, 1024, 768}));
    EXPECT_STREQ(kestrel::monitorDeviceName(3).c_str(), "Monitor");
    fake.screen = {0, 0, 800, 600};
    EXPECT_EQ(kestrel::monitorRect(-1), (kestrel::Rect{0, 0, 800, 600}));
}

}
