#include "base/files/RegistryKey.h"
#include "base/files/SettingsFile.h"
#include "gui/widgets/Checkbox.h"
#include "gui/widgets/ColorMixer.h"
#include "launcher/panels/AvatarPanel.h"
#include "launcher/panels/ServerAddressEntry.h"
#include "net/NetworkSettings.h"
#include "support/ComponentSearch.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <optional>

namespace game_launcher
{
namespace
{

using heron::NetAddress;

// The components of type T in the tree, depth first.
using testing_gui::findAll;

// The network settings as they start, restored afterwards.
class NetworkControls : public testing::Test
{
protected:
    NetworkControls() { reset(); }
    ~NetworkControls() override { reset(); }

    static void reset()
    {
        NetworkSettings::actAsServer = false;
        NetworkSettings::connectToNetwork = false;
        NetworkSettings::netAddress = NetAddress();
        NetworkSettings::userColor = 0;
        serverAddressEntry().typed("");
    }
};

TEST(DottedAddress, ParsesOnlyFourOctetsWithAnOptionalPort)
{
    const struct
    {
        const char* text;
        std::optional<NetAddress> parsed;
    } cases[] = {
        {"192.168.1.20", NetAddress(0xC0A80114, 0)},
        {"10.0.0.1:4000", NetAddress(0x0A000001, 4000)},
        {"0.0.0.0", NetAddress(0, 0)},
        {"255.255.255.255:65535", NetAddress(0xFFFFFFFF, 65535)},
        {"192.168.1", std::nullopt},
        {"192.168.1.", std::nullopt},
        {"192.168.1.256", std::nullopt},
        {"1.2.3.4.5", std::nullopt},
        {"1.2.3.4:70000", std::nullopt},
        {"1.2.3.4:", std::nullopt},
        {"-1.2.3.4", std::nullopt},
        {"server.example", std::nullopt},
        {"localhost", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseDottedAddress(c.text), c.parsed) << c.text;
    }
}

TEST(ServerAddressLabel, ListsEveryLocalAddress)
{
    EXPECT_EQ(serverAddressLabel({}), "<Not connected to the network>");
    EXPECT_EQ(serverAddressLabel({NetAddress(0x0A000002, 0)}), "With IP address:  10.0.0.2");
    EXPECT_EQ(serverAddressLabel({NetAddress(0x0A000002, 0), NetAddress(0xC0A80001, 0)}),
              "With IP address:  10.0.0.2    or    192.168.0.1");
}

TEST(LocalAddresses, LeaveOutTheLoopback)
{
    for (const NetAddress& address : localAddresses()) {
        EXPECT_NE(address.address() >> 24, 127u) << address.toString().c_str();
    }
}

TEST_F(NetworkControls, ADottedAddressIsStoredOnEachKey)
{
    serverAddressEntry().typed("10.1.2.3");
    EXPECT_EQ(NetworkSettings::netAddress, NetAddress(0x0A010203, 0));
    EXPECT_TRUE(serverAddressEntry().pendingName().empty());
}

TEST_F(NetworkControls, AHostNameWaitsForTheEndOfTheTyping)
{
    serverAddressEntry().typed("10.1.2.3");
    serverAddressEntry().typed("localhost:5000");
    EXPECT_EQ(NetworkSettings::netAddress, NetAddress(0x0A010203, 0));
    EXPECT_EQ(serverAddressEntry().pendingName(), "localhost:5000");
    serverAddressEntry().commit();
    EXPECT_EQ(NetworkSettings::netAddress, NetAddress(0x7F000001, 5000));
    EXPECT_TRUE(serverAddressEntry().pendingName().empty());
}

TEST_F(NetworkControls, ServingAndConnectingExcludeEachOther)
{
    const heron::counted_ptr<NetworkPanel> panel(new NetworkPanel);
    const std::vector<kestrel::Checkbox*> boxes = findAll<kestrel::Checkbox>(*panel);
    ASSERT_EQ(boxes.size(), 2u);
    kestrel::Checkbox* server = boxes[0];
    kestrel::Checkbox* connect = boxes[1];
    const auto* addressInput = findAll<AddressInput>(*panel).at(0);
    const struct
    {
        bool serve, connect;
        bool served, connected;
    } cases[] = {
        {true, true, true, false},
        {false, true, false, true},
        {true, false, true, false},
        {false, false, false, false},
    };
    for (const auto& c : cases) {
        NetworkSettings::actAsServer = c.serve;
        NetworkSettings::connectToNetwork = c.connect;
        panel->validate();
        EXPECT_EQ(NetworkSettings::actAsServer, c.served);
        EXPECT_EQ(NetworkSettings::connectToNetwork, c.connected);
        EXPECT_EQ(server->isVisible(), !c.connected);
        EXPECT_EQ(server->isChecked(), c.served);
        EXPECT_EQ(connect->isVisible(), !c.served);
        EXPECT_EQ(addressInput->isVisible(), c.connected);
    }
}

TEST_F(NetworkControls, TheMixerShowsThePlayersColourWithRedAndBlueInPlace)
{
    const heron::counted_ptr<NetworkPanel> panel(new NetworkPanel);
    kestrel::ColorMixer* mixer = findAll<kestrel::ColorMixer>(*panel).at(0);
    NetworkSettings::userColor = 0xFF0000;     // red
    panel->validate();
    EXPECT_FLOAT_EQ(mixer->getColor().r, 1.0f);
    EXPECT_FLOAT_EQ(mixer->getColor().b, 0.0f);

    mixer->setColor(kestrel::ColorRGBA(0, 0, 1));
    panel->handleMessage(kestrel::ComponentMessage{mixer, NetworkPanel::UserColour, kestrel::ColorMixer::colourChanged});
    EXPECT_EQ(NetworkSettings::userColor, 0x0000FFu);
}

// A colour the player picked in this session is written, though it was set back to the one read
// before the write: over the colour another copy of the program stored meanwhile.
TEST_F(NetworkControls, AColourThePlayerSetBackIsWrittenOverAnotherCopysChange)
{
    const TempFolder folder;
    heron::SettingsFile::setFolder(folder.path().c_str());
    readNetworkSettings();
    const heron::counted_ptr<NetworkPanel> panel(new NetworkPanel);
    kestrel::ColorMixer* mixer = findAll<kestrel::ColorMixer>(*panel).at(0);
    for (const kestrel::ColorRGBA& colour : {kestrel::ColorRGBA(0, 0, 1), kestrel::ColorRGBA(0, 0, 0)}) {
        mixer->setColor(colour);
        panel->handleMessage(
            kestrel::ComponentMessage{mixer, NetworkPanel::UserColour, kestrel::ColorMixer::colourChanged});
    }
    ASSERT_TRUE(heron::RegistryKey(networkRegistryKeyName(), true).setUnsigned("User color", 0x00FF00));
    writeNetworkSettings();
    readNetworkSettings();
    EXPECT_EQ(NetworkSettings::userColor, 0u);
    heron::SettingsFile::setFolder("");
}

}
}
