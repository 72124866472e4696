#include "base/files/RegistryKey.h"
#include "base/files/SettingsFile.h"
#include "launcher/VideoSettings.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace game_launcher
{
namespace
{

// Settings read and written in a settings file of a temporary folder.
class VideoSettingsTest : public testing::Test
{
protected:
    VideoSettingsTest() { heron::SettingsFile::setFolder(m_folder.path().string().c_str()); }
    ~VideoSettingsTest() override { heron::SettingsFile::setFolder(""); }

    static void store(const char* name, std::int32_t value)
    {
        heron::RegistryKey key(productRegistryKeyName(), true);
        ASSERT_TRUE(key.setInt(name, value));
    }

    TempFolder m_folder;
};

void expectSame(const VideoSettings& actual, const VideoSettings& expected)
{
    EXPECT_EQ(actual.useCurrentMode, expected.useCurrentMode);
    EXPECT_EQ(actual.textureCompression, expected.textureCompression);
    EXPECT_EQ(actual.fullGLacceleration, expected.fullGLacceleration);
    EXPECT_EQ(actual.fogEnabled, expected.fogEnabled);
    EXPECT_EQ(actual.chosenScreenMode.resolution, expected.chosenScreenMode.resolution);
    EXPECT_EQ(actual.chosenScreenMode.depth, expected.chosenScreenMode.depth);
    EXPECT_EQ(actual.chosenScreenMode.refresh, expected.chosenScreenMode.refresh);
}

TEST_F(VideoSettingsTest, FirstRunTakesTheDesktopsMode)
{
    VideoSettings expected;
    expected.chosenScreenMode = kestrel::ScreenMode{2, 1, 1};
    expectSame(readVideoSettings(kestrel::ScreenMode{2, 1, 1}), expected);
}

TEST_F(VideoSettingsTest, DefaultRefreshStaysWithinTheOfferedRates)
{
    const struct
    {
        std::int32_t desktop;
        std::int32_t refresh;
    } cases[] = {{-1, -1}, {0, 0}, {2, 2}, {3, 2}, {4, 2}};
    for (const auto& c : cases) {
        EXPECT_EQ(defaultVideoSettings(kestrel::ScreenMode{3, 1, c.desktop}).chosenScreenMode.refresh, c.refresh)
            << c.desktop;
    }
}

TEST_F(VideoSettingsTest, StoredIndexOutsideItsRangeKeepsTheDefault)
{
    store("Screen resolution", 5);
    store("Screen Hz", 3);
    store("Screen color depth", -1);
    const kestrel::ScreenMode mode = readVideoSettings(kestrel::ScreenMode{1, 0, 0}).chosenScreenMode;
    EXPECT_EQ(mode.resolution, 1);
    EXPECT_EQ(mode.depth, 0);
    EXPECT_EQ(mode.refresh, 0);
}

TEST_F(VideoSettingsTest, WrittenSettingsReadBack)
{
    VideoSettings written;
    written.useCurrentMode = false;
    written.chosenScreenMode = kestrel::ScreenMode{4, 0, 2};
    written.textureCompression = false;
    written.fullGLacceleration = false;
    written.fogEnabled = false;
    ASSERT_TRUE(writeVideoSettings(written));
    expectSame(readVideoSettings(kestrel::ScreenMode{0, 1, 1}), written);
}

}
}
