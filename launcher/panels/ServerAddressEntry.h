#pragma once

#include "base/heron_string.h"
#include "base/net/NetAddress.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace game_launcher
{

// "a.b.c.d" or "a.b.c.d:port" with every number in range, read without any lookup; none for
// anything else, host names included.
std::optional<heron::NetAddress> parseDottedAddress(std::string_view text);

// The host's first IPv4 address with the port of a ":port" ending (else 0), looked up without
// holding the caller longer than the timeout; none when the host is unknown or the answer is late.
std::optional<heron::NetAddress> resolveHostName(std::string_view text, std::chrono::milliseconds timeout);

// This machine's IPv4 addresses on interfaces that are up, loopback left out; listed once.
const std::vector<heron::NetAddress>& localAddresses();

// "With IP address:" and the addresses, the first after two blanks and the others after
// "    or    "; "<Not connected to the network>" without any.
heron_string serverAddressLabel(const std::vector<heron::NetAddress>& addresses);

// The server's address as it is typed in the launcher. A dotted address goes into the network
// settings on each key; a host name is only looked up when the typing is over (Enter, the field
// losing the focus, or the game starting), so keys never wait on the name service.
class ServerAddressEntry
{
public:
    // How long a lookup may hold the launcher.
    static constexpr std::chrono::milliseconds lookupTimeout{3000};

    // The field's whole text after a key.
    void typed(std::string_view text);
    // Looks up a name typed since the last commit and stores its address; an unknown name is
    // logged and leaves the stored address as it was.
    void commit();
    // The name waiting for its lookup; empty when none waits.
    const std::string& pendingName() const { return m_pendingName; }

private:
    std::string m_pendingName;
};

// The launcher's one entry.
ServerAddressEntry& serverAddressEntry();

}
