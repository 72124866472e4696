#include "net/NetworkSettings.h"

#include "base/files/RegistryKey.h"
#include "base/files/SettingsFile.h"

#include "support/LogCapture.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace
{

// Points the settings store at a fresh folder and restores the settings afterwards.
class NetworkSettingsTest : public ::testing::Test
{
protected:
    NetworkSettingsTest() { heron::SettingsFile::setFolder(heron_string(m_folder.path().c_str())); }
    ~NetworkSettingsTest() override
    {
        heron::SettingsFile::setFolder(heron_string());
        NetworkSettings::actAsServer = false;
        NetworkSettings::connectToNetwork = false;
        NetworkSettings::netAddress = {};
        NetworkSettings::userName = "";
        NetworkSettings::userColor = 0xFFFF00;
    }

    TempFolder m_folder;
};

}

TEST_F(NetworkSettingsTest, WrittenSettingsReadBack)
{
    NetworkSettings::actAsServer = true;
    NetworkSettings::connectToNetwork = true;
    NetworkSettings::netAddress = heron::NetAddress(0x0A000002, 45321);
    NetworkSettings::userName = "Ann";
    NetworkSettings::userColor = 0x123456;
    writeNetworkSettings();
    NetworkSettings::actAsServer = false;
    NetworkSettings::connectToNetwork = false;
    NetworkSettings::netAddress = {};
    NetworkSettings::userName = "";
    NetworkSettings::userColor = 0;

    readNetworkSettings();

    EXPECT_TRUE(NetworkSettings::actAsServer);
    EXPECT_TRUE(NetworkSettings::connectToNetwork);
    EXPECT_EQ(NetworkSettings::netAddress, heron::NetAddress(0x0A000002, 45321));
    EXPECT_EQ(NetworkSettings::userName, heron_string("Ann"));
    EXPECT_EQ(NetworkSettings::userColor, 0x123456u);
}

TEST_F(NetworkSettingsTest, DamagedValuesLeaveSettingsUnchanged)
{
    heron::RegistryKey key(networkRegistryKeyName(), true);
    ASSERT_TRUE(key.setString("Act as server", "yes"));
    ASSERT_TRUE(key.setBinary("Net address", "abc", 3));
    NetworkSettings::actAsServer = true;
    NetworkSettings::netAddress = heron::NetAddress(7, 8);

    readNetworkSettings();

    EXPECT_TRUE(NetworkSettings::actAsServer);
    EXPECT_EQ(NetworkSettings::netAddress, heron::NetAddress(7, 8));
    EXPECT_EQ(NetworkSettings::userColor, 0xFFFF00u);
}

TEST(NetworkColours, PanelColourSwapsRedAndBlue)
{
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> cases{
        {0xFF0000FF, 0xFF0000}, // red
        {0xFFFF0000, 0x0000FF}, // blue
        {0x8000FF00, 0x00FF00}, // green, alpha dropped
        {0xFF00FFFF, 0xFFFF00}, // yellow
    };
    for (const auto& [panel, user] : cases) {
        EXPECT_EQ(userColorFromPanel(panel), user) << std::hex << panel;
        EXPECT_EQ(panelColourFromUser(user), panel | 0xFF000000) << std::hex << user;
    }
}

TEST_F(NetworkSettingsTest, StoredColourKeepsOnlyRedGreenAndBlue)
{
    const std::pair<std::uint32_t, std::uint32_t> cases[] = {
        {0x00ABCDEF, 0xABCDEF},
        {0xFF123456, 0x123456},
        {0x80FFFFFF, 0xFFFFFF},
        {0xFFFFFFFF, 0xFFFFFF},
    };
    for (const auto& [stored, colour] : cases) {
        heron::RegistryKey key(networkRegistryKeyName(), true);
        ASSERT_TRUE(key.setUnsigned("User color", stored));
        readNetworkSettings();
        EXPECT_EQ(NetworkSettings::userColor, colour) << std::hex << stored;
    }
}

TEST_F(NetworkSettingsTest, FailedWriteIsLogged)
{
    // A settings folder below a plain file can never be made.
    writeWholeFile(m_folder.path() / "plain", "x");
    heron::SettingsFile::setFolder(heron_string((m_folder.path() / "plain" / "settings").c_str()));
    const LogCapture log;
    writeNetworkSettings();
    EXPECT_TRUE(log.contains("Couldn't write the network settings"));
}

// Two copies of the program share one settings file: each writes back only what it changed, so
// that the one ending last leaves the other's changes in place.
TEST_F(NetworkSettingsTest, OnlySettingsThisSessionChangedAreWrittenOverAnotherCopysChanges)
{
    NetworkSettings::userName = "Ann";
    writeNetworkSettings();
    readNetworkSettings();
    {
        heron::RegistryKey otherCopy(networkRegistryKeyName(), true);
        ASSERT_TRUE(otherCopy.setString("User name", "Bob") && otherCopy.setInt("Connect to network", 1));
    }
    NetworkSettings::userColor = 0x123456;
    writeNetworkSettings();

    readNetworkSettings();
    EXPECT_EQ(NetworkSettings::userName, heron_string("Bob"));
    EXPECT_TRUE(NetworkSettings::connectToNetwork);
    EXPECT_EQ(NetworkSettings::userColor, 0x123456u);
}
