#include "base/files/SettingsFile.h"
#include "launcher/VideoSettings.h"
#include "launcher/panels/ServerAddressEntry.h"
#include "launcher/panels/WelcomePanel.h"
#include "net/NetworkSettings.h"
#include "support/FakeDesktop.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace game_launcher
{
namespace
{

class CountingStarter : public GameStarter
{
public:
    void start() override { ++starts; }
    int starts = 0;
};

// The welcome panel in a window of the fake desktop, with the settings in a temporary folder.
class Welcome : public testing_gui::FakeDesktop
{
protected:
    void SetUp() override
    {
        FakeDesktop::SetUp();
        heron::SettingsFile::setFolder(m_folder.path().string().c_str());
        launcherVideoSettings() = VideoSettings{};
        NetworkSettings::netAddress = heron::NetAddress();
        currentLanguage = English;
        window.add(panel);
        openAndActivate(window, 800, 600);
    }

    void TearDown() override
    {
        window.close();
        drain();
        currentLanguage = English;
        serverAddressEntry().typed("");
        heron::SettingsFile::setFolder("");
        FakeDesktop::TearDown();
    }

    void send(kestrel::MessageDest& dest, std::uint32_t id) { dest.handleMessage(kestrel::ComponentMessage{nullptr, id, 0}); }

    TempFolder m_folder;
    CountingStarter starter;
    kestrel::Window window;
    WelcomePanel* panel = new WelcomePanel(starter);
};

TEST_F(Welcome, StartGameWritesTheSettingsAndStarts)
{
    launcherVideoSettings().fogEnabled = false;
    serverAddressEntry().typed("localhost");
    send(*panel, WelcomePanel::StartGame);
    EXPECT_EQ(starter.starts, 1);
    EXPECT_TRUE(window.isOpen());
    EXPECT_EQ(NetworkSettings::netAddress, heron::NetAddress(0x7F000001, 0));
    EXPECT_FALSE(readVideoSettings(kestrel::ScreenMode{}).fogEnabled);
}

TEST_F(Welcome, ExitClosesTheLauncherWithoutStarting)
{
    send(*panel, WelcomePanel::Exit);
    EXPECT_EQ(starter.starts, 0);
    EXPECT_FALSE(window.isOpen());
}

TEST_F(Welcome, TheJapaneseFlagOpensTheJapaneseManualAndShowsEnglish)
{
    const heron::counted_ptr<RightFlags> flags(new RightFlags);
    panel->add(flags.get());
    send(*flags, Japanese);
    ASSERT_EQ(fake.openedUrls.size(), 1u);
    EXPECT_EQ(fake.openedUrls[0].rfind("file://", 0), 0u) << fake.openedUrls[0];
    EXPECT_TRUE(fake.openedUrls[0].ends_with("/japanese.pdf")) << fake.openedUrls[0];
    EXPECT_EQ(currentLanguage, Japanese);
    EXPECT_EQ(panel->page().shownLanguage(), English);
}

}
}
