#pragma once

#include "base/heron_string.h"
#include "base/net/NetAddress.h"

#include <cstdint>

// The network settings kept in the settings store: whether this machine serves, whether it
// connects when looking starts, the server's address, and the player's name and colour as other
// players see them. Main thread only.
struct NetworkSettings
{
    static bool actAsServer;
    static bool connectToNetwork;
    // The port stored with it is not used: connections always use the game's port.
    static heron::NetAddress netAddress;
    static heron_string userName;
    // 0xRRGGBB.
    static std::uint32_t userColor;
};

// The settings key's name below "Software\": the maker's name followed by "\network".
const heron_string& networkRegistryKeyName();
// Reads the five settings; a missing or unreadable value leaves its setting unchanged. The
// settings then are remembered as the ones this session read.
void readNetworkSettings();
// Notes which of the five settings the player has changed so far: each is then written though it
// is set back to the value read before the next write.
void noteNetworkSettings();
// Writes those of the five settings that this session changed since it read or last wrote them,
// so that another copy of the program sharing the settings file keeps the changes it made.
void writeNetworkSettings();

// The colour panel packs 0xAABBGGRR; the wire and the settings carry 0xRRGGBB.
std::uint32_t userColorFromPanel(std::uint32_t panelColour);
std::uint32_t panelColourFromUser(std::uint32_t userColour);
