#include "net/NetworkSettings.h"

#include "base/Debug.h"
#include "base/MemoryDataDest.h"
#include "base/MemoryDataSource.h"
#include "base/files/RegistryKey.h"

#include <vector>

namespace
{

constexpr const char* actAsServerName = "Act as server";
constexpr const char* connectName = "Connect to network";
constexpr const char* addressName = "Net address";
constexpr const char* userNameName = "User name";
constexpr const char* userColorName = "User color";

void readFlag(const heron::RegistryKey& key, const char* name, bool& flag)
{
    std::int32_t value = 0;
    if (heron::RegIntReader(key, name, &value)) {
        flag = value != 0;
    }
}

void readAddress(const heron::RegistryKey& key)
{
    heron::MemoryDataSource bytes;
    if (!heron::RegMemoryDataSourceReader(key, addressName, &bytes)) {
        return;
    }
    heron::NetAddress address;
    bytes.readAddress(address);
    if (!bytes.hasError()) {
        NetworkSettings::netAddress = address;
    }
}

std::uint32_t swapRedBlue(std::uint32_t colour)
{
    return (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
}

// The five settings as the settings store holds them.
std::vector<heron::RegNamedValue> storedValues()
{
    heron::MemoryDataDest address(8);
    address.writeAddress(NetworkSettings::netAddress);
    const heron_string& userName = NetworkSettings::userName;
    return {
        {actAsServerName, heron::SettingsValue::dword(NetworkSettings::actAsServer)},
        {connectName, heron::SettingsValue::dword(NetworkSettings::connectToNetwork)},
        {addressName, heron::SettingsValue::binary(address.data(), address.size())},
        {userNameName, heron::SettingsValue::text(userName.c_str(), userName.length())},
        {userColorName, heron::SettingsValue::dword(NetworkSettings::userColor)},
    };
}

// The settings as this session read or last wrote them.
heron::RegSessionValues& sessionValues()
{
    static heron::RegSessionValues values(networkRegistryKeyName());
    return values;
}

void readStoredSettings()
{
    const heron::RegistryKey key(networkRegistryKeyName(), false);
    if (!key.isOpen()) {
        return;
    }
    readFlag(key, actAsServerName, NetworkSettings::actAsServer);
    readFlag(key, connectName, NetworkSettings::connectToNetwork);
    readAddress(key);
    heron::RegStringReader(key, userNameName, &NetworkSettings::userName);
    std::int32_t colour = 0;
    if (heron::RegIntReader(key, userColorName, &colour)) {
        NetworkSettings::userColor = std::uint32_t(colour) & 0xFFFFFF;
    }
}

}

bool NetworkSettings::actAsServer = false;
bool NetworkSettings::connectToNetwork = false;
heron::NetAddress NetworkSettings::netAddress;
heron_string NetworkSettings::userName;
std::uint32_t NetworkSettings::userColor = 0xFFFF00;

const heron_string& networkRegistryKeyName()
{
    static const heron_string name("Pellmore Interactive Ltd\\network");
    return name;
}

void readNetworkSettings()
{
    heron::debug("Reading network settings from the registry...\n");
    readStoredSettings();
    sessionValues().remember(storedValues());
}

void noteNetworkSettings()
{
    sessionValues().noteChanges(storedValues());
}

void writeNetworkSettings()
{
    if (!sessionValues().write(storedValues())) {
        heron::debug("Couldn't write the network settings\n");
    }
}

std::uint32_t userColorFromPanel(std::uint32_t panelColour)
{
    return swapRedBlue(panelColour & 0xFFFFFF);
}

std::uint32_t panelColourFromUser(std::uint32_t userColour)
{
    return 0xFF000000 | swapRedBlue(userColour);
}
