#include "base/files/SettingsFile.h"
#include "gui/widgets/RadioButton.h"
#include "launcher/panels/VideoPanel.h"
#include "launcher/panels/WelcomePanel.h"
#include "support/ComponentSearch.h"
#include "support/FakeDesktop.h"
#include "support/LogCapture.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace game_launcher
{
namespace
{

// The program-wide video settings start from the defaults and are written to a temporary folder.
class VideoControls : public testing::Test
{
protected:
    VideoControls()
    {
        heron::SettingsFile::setFolder(m_folder.path().string().c_str());
        launcherVideoSettings() = VideoSettings{};
    }
    ~VideoControls() override
    {
        launcherVideoSettings() = VideoSettings{};
        heron::SettingsFile::setFolder("");
    }

    static void send(kestrel::MessageDest& dest, std::uint32_t id, int argument)
    {
        dest.handleMessage(kestrel::ComponentMessage{nullptr, id, argument});
    }

    TempFolder m_folder;
};

TEST(Ratings, EachPresetSetsItsVideoSettings)
{
    const struct
    {
        int rating;
        bool fog, displayLists, compression;
        kestrel::ScreenMode mode;
    } cases[] = {
        {0, false, false, true, {0, 0, 0}}, {1, false, false, true, {1, 0, 0}}, {2, true, true, true, {1, 1, 0}},
        {3, true, true, true, {2, 1, 1}},   {4, true, true, false, {3, 1, 1}},
    };
    for (const auto& c : cases) {
        VideoSettings settings;
        settings.useCurrentMode = true;
        settings.fogEnabled = !c.fog;
        ASSERT_TRUE(applyRating(settings, c.rating));
        EXPECT_EQ(settings.fogEnabled, c.fog) << c.rating;
        EXPECT_EQ(settings.fullGLacceleration, c.displayLists) << c.rating;
        EXPECT_EQ(settings.textureCompression, c.compression) << c.rating;
        EXPECT_EQ(settings.chosenScreenMode.resolution, c.mode.resolution) << c.rating;
        EXPECT_EQ(settings.chosenScreenMode.depth, c.mode.depth) << c.rating;
        EXPECT_EQ(settings.chosenScreenMode.refresh, c.mode.refresh) << c.rating;
        EXPECT_TRUE(settings.useCurrentMode);
    }
    VideoSettings untouched;
    EXPECT_FALSE(applyRating(untouched, 5));
    EXPECT_TRUE(untouched.fogEnabled);
}

TEST_F(VideoControls, TheAdvancedSetupDecodesItsCommandsByTens)
{
    const heron::counted_ptr<VideoSetup> setup(new VideoSetup);
    send(*setup, 3, 0);
    send(*setup, 11, 0);
    send(*setup, 22, 0);
    send(*setup, 30, 0);
    send(*setup, 100, 0);
    send(*setup, 101, 1);
    const VideoSettings& settings = launcherVideoSettings();
    EXPECT_EQ(settings.chosenScreenMode.resolution, 3);
    EXPECT_EQ(settings.chosenScreenMode.depth, 1);
    EXPECT_EQ(settings.chosenScreenMode.refresh, 2);
    EXPECT_FALSE(settings.textureCompression);
    EXPECT_FALSE(settings.fogEnabled);
    EXPECT_TRUE(settings.fullGLacceleration);
    // Every change is in the settings file at once.
    launcherVideoSettings() = VideoSettings{};
    const VideoSettings stored = readVideoSettings(kestrel::ScreenMode{0, 0, 0});
    EXPECT_EQ(stored.chosenScreenMode.resolution, 3);
    EXPECT_FALSE(stored.fogEnabled);
}

TEST_F(VideoControls, AnIndexOutsideTheButtonsSelectsTheNearestEnd)
{
    // Radio buttons under one parent are one group.
    const heron::counted_ptr<kestrel::Container> group(new kestrel::Container);
    std::vector<kestrel::RadioButton*> buttons;
    for (int i = 0; i < 3; ++i) {
        buttons.push_back(new kestrel::RadioButton);
        group->add(buttons.back());
    }
    const struct
    {
        int index;
        int selected;
        bool logged;
    } cases[] = {{1, 1, false}, {-1, 0, true}, {7, 2, true}, {0, 0, false}};
    for (const auto& c : cases) {
        const LogCapture log;
        selectIndex(buttons, c.index);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(buttons[static_cast<std::size_t>(i)]->isSelected(), i == c.selected) << c.index;
        }
        EXPECT_EQ(log.contains("n was " + std::to_string(c.index) + "\n"), c.logged) << c.index;
    }
}

TEST_F(VideoControls, TheScreenModeRowShowsOnlyWithoutTheCurrentMode)
{
    const heron::counted_ptr<VideoSettingsControls> controls(new VideoSettingsControls);
    kestrel::Container* row = controls->getChildren()[1]->asContainer();
    ASSERT_NE(row, nullptr);
    send(*controls, VideoSettingsControls::UseCurrent, 0);
    controls->validate();
    EXPECT_FALSE(launcherVideoSettings().useCurrentMode);
    EXPECT_TRUE(row->getChildren()[0]->isVisible());
    send(*controls, VideoSettingsControls::UseCurrent, 1);
    controls->validate();
    EXPECT_FALSE(row->getChildren()[0]->isVisible());
    EXPECT_FALSE(row->getChildren()[3]->isVisible());
}

class NoStart : public GameStarter
{
public:
    void start() override {}
};

// The Options tab in a window of a fake desktop in 1280 x 1024, on a fresh profile: the settings
// are the desktop's defaults, read from an empty folder as the launcher reads them.
class OptionsTab : public testing_gui::FakeDesktop
{
protected:
    void SetUp() override
    {
        FakeDesktop::SetUp();
        fake.current = {1280, 1024, 32, 60};
        heron::SettingsFile::setFolder(m_folder.path().string().c_str());
        launcherVideoSettings() = readVideoSettings(kestrel::getScreenMode(0));
        window.add(panel);
        openAndActivate(window, 800, 600);
        window.paintNow();
    }

    void TearDown() override
    {
        window.close();
        drain();
        launcherVideoSettings() = VideoSettings{};
        heron::SettingsFile::setFolder("");
        FakeDesktop::TearDown();
    }

    void clickOn(const kestrel::Component& component)
    {
        const kestrel::Rect r = component.getBounds();
        const int x = r.x + r.width / 2;
        const int y = r.y + r.height / 2;
        move(window, x, y);
        button(window, plat::InputKind::ButtonPress, x, y);
        button(window, plat::InputKind::ButtonRelease, x, y);
        drain();
    }

    TempFolder m_folder;
    NoStart starter;
    kestrel::Window window;
    VideoPanel* panel = new VideoPanel(starter);
};

TEST_F(OptionsTab, ClickingAResolutionLeavesOnlyItSelected)
{
    // The resolution buttons, "640 x 480" to "1600 x 1200", come first.
    std::vector<kestrel::RadioButton*> buttons = testing_gui::findAll<kestrel::RadioButton>(*panel);
    ASSERT_GE(buttons.size(), 5u);
    buttons.resize(5);
    ASSERT_EQ(buttons[1]->getText(), "800 x 600");
    ASSERT_TRUE(buttons[3]->isSelected());
    clickOn(*buttons[1]);
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        EXPECT_EQ(buttons[i]->isSelected(), i == 1) << buttons[i]->getText().c_str();
    }
    EXPECT_EQ(launcherVideoSettings().chosenScreenMode.resolution, 1);
    EXPECT_EQ(readVideoSettings(kestrel::ScreenMode{}).chosenScreenMode.resolution, 1);
}

}
}
