#include "launcher/panels/ServerAddressEntry.h"

#include "base/Debug.h"
#include "net/NetworkSettings.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>

#include <cerrno>
#include <charconv>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

namespace game_launcher
{

namespace
{

// The number that is the whole text, when it lies within 0..largest.
std::optional<int> wholeNumber(std::string_view text, int largest)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0 || value > largest) {
        return std::nullopt;
    }
    return value;
}

// The host and the port of a ":port" ending (0 without one); none when the ending is not a port.
std::optional<std::pair<std::string_view, int>> splitPort(std::string_view text)
{
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos) {
        return std::pair{text, 0};
    }
    const std::optional<int> port = wholeNumber(text.substr(colon + 1), heron::maxTcpPort);
    if (!port) {
        return std::nullopt;
    }
    return std::pair{text.substr(0, colon), *port};
}

// One lookup run on a thread of its own. The waiter and the thread share it, so a lookup the
// waiter gave up on can still finish safely.
struct Lookup
{
    std::string host;
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::optional<std::uint32_t> address;
};

std::optional<std::uint32_t> firstAddress(const addrinfo* results)
{
    for (const addrinfo* at = results; at; at = at->ai_next) {
        if (at->ai_family == AF_INET) {
            return ntohl(reinterpret_cast<const sockaddr_in*>(at->ai_addr)->sin_addr.s_addr);
        }
    }
    return std::nullopt;
}

// Runs the lookup on a thread of its own and waits for it at most the timeout; the first IPv4
// address, or none.
std::optional<std::uint32_t> awaitLookup(const std::shared_ptr<Lookup>& lookup, std::chrono::milliseconds timeout)
{
    std::thread([lookup] {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* results = nullptr;
        const bool found = getaddrinfo(lookup->host.c_str(), nullptr, &hints, &results) == 0;
        const std::optional<std::uint32_t> address = found ? firstAddress(results) : std::nullopt;
        if (results != nullptr) {
            freeaddrinfo(results);
        }
        const std::lock_guard<std::mutex> hold(lookup->mutex);
        lookup->address = address;
        lookup->done = true;
        lookup->finished.notify_all();
    }).detach();
    std::unique_lock<std::mutex> hold(lookup->mutex);
    if (!lookup->finished.wait_for(hold, timeout, [&] { return lookup->done; })) {
        heron::debug("The lookup of \"%s\" took too long\n", lookup->host.c_str());
        return std::nullopt;
    }
    return lookup->address;
}

}

std::optional<heron::NetAddress> parseDottedAddress(std::string_view text)
{
    const auto split = splitPort(text);
    if (!split) {
        return std::nullopt;
    }
    std::string_view rest = split->first;
    std::uint32_t address = 0;
    for (int part = 0; part < 4; ++part) {
        const std::size_t dot = part < 3 ? rest.find('.') : rest.size();
        if (dot == std::string_view::npos) {
            return std::nullopt;
        }
        const std::optional<int> octet = wholeNumber(rest.substr(0, dot), 255);
        if (!octet) {
            return std::nullopt;
        }
        address = address << 8 | static_cast<std::uint32_t>(*octet);
        rest = rest.substr(std::min(dot + 1, rest.size()));
    }
    return heron::NetAddress(address, split->second);
}

std::optional<heron::NetAddress> resolveHostName(std::string_view text, std::chrono::milliseconds timeout)
{
    const auto split = splitPort(text);
    if (!split || split->first.empty() || !heron::startWinsock()) {
        return std::nullopt;
    }
    const auto lookup = std::make_shared<Lookup>();
    lookup->host = std::string(split->first);
    const std::optional<std::uint32_t> address = awaitLookup(lookup, timeout);
    if (!address) {
        return std::nullopt;
    }
    return heron::NetAddress(*address, split->second);
}

const std::vector<heron::NetAddress>& localAddresses()
{
    static const std::vector<heron::NetAddress> addresses = [] {
        std::vector<heron::NetAddress> found;
        ifaddrs* interfaces = nullptr;
        if (getifaddrs(&interfaces) != 0) {
            heron::debug("The network interfaces could not be listed: %s\n", std::strerror(errno));
            return found;
        }
        for (const ifaddrs* at = interfaces; at; at = at->ifa_next) {
            const bool usable = at->ifa_addr && at->ifa_addr->sa_family == AF_INET && (at->ifa_flags & IFF_UP)
                && !(at->ifa_flags & IFF_LOOPBACK);
            if (usable) {
                found.emplace_back(ntohl(reinterpret_cast<const sockaddr_in*>(at->ifa_addr)->sin_addr.s_addr), 0);
            }
        }
        freeifaddrs(interfaces);
        return found;
    }();
    return addresses;
}

heron_string serverAddressLabel(const std::vector<heron::NetAddress>& addresses)
{
    if (addresses.empty()) {
        return "<Not connected to the network>";
    }
    heron_string label = "With IP address:  ";
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        if (i > 0) {
            label += "    or    ";
        }
        label += addresses[i].toString();
    }
    return label;
}

void ServerAddressEntry::typed(std::string_view text)
{
    const std::optional<heron::NetAddress> dotted = parseDottedAddress(text);
    if (dotted) {
        NetworkSettings::netAddress = *dotted;
        m_pendingName.clear();
        return;
    }
    m_pendingName = std::string(text);
}

void ServerAddressEntry::commit()
{
    if (m_pendingName.empty()) {
        return;
    }
    const std::string name = std::move(m_pendingName);
    m_pendingName.clear();
    const std::optional<heron::NetAddress> found = resolveHostName(name, lookupTimeout);
    if (!found) {
        heron::debug("Server address \"%s\" is unknown; the address stays %s\n", name.c_str(),
                     NetworkSettings::netAddress.toString().c_str());
        return;
    }
    NetworkSettings::netAddress = *found;
}

ServerAddressEntry& serverAddressEntry()
{
    static ServerAddressEntry entry;
    return entry;
}

}
