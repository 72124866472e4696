#include "launcher/panels/ServerAddressEntry.h"

#include "base/Debug.h"
#include "net/NetworkSettings.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstring>
#include <ctime>

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

// One lookup handed to the name service. Whoever is last of the waiter and the service's
// completion call frees it, so a lookup the waiter gave up on can still finish safely.
struct Lookup
{
    std::string host;
    addrinfo hints{};
    gaicb request{};
    sigevent done{};
    std::atomic<int> holders{2};

    static void release(Lookup* lookup, int count)
    {
        if (lookup->holders.fetch_sub(count) == count) {
            if (lookup->request.ar_result) {
                freeaddrinfo(lookup->request.ar_result);
            }
            delete lookup;
        }
    }

    static void completed(sigval value) { release(static_cast<Lookup*>(value.sival_ptr), 1); }
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

// Waits for the lookup at most the timeout; the first IPv4 address, or none.
std::optional<std::uint32_t> awaitLookup(Lookup& lookup, std::chrono::milliseconds timeout)
{
    gaicb* list[1] = {&lookup.request};
    timespec wait{static_cast<time_t>(timeout.count() / 1000), static_cast<long>(timeout.count() % 1000) * 1000000};
    int status = gai_error(&lookup.request);
    while (status == EAI_INPROGRESS && gai_suspend(list, 1, &wait) == EAI_INTR) {
        status = gai_error(&lookup.request);
    }
    status = gai_error(&lookup.request);
    if (status == 0) {
        return firstAddress(lookup.request.ar_result);
    }
    if (status == EAI_INPROGRESS) {
        heron::debug("The lookup of \"%s\" took too long\n", lookup.host.c_str());
    }
    return std::nullopt;
}

// Starts the lookup; its completion call will release one hold. False when it could not start.
bool startLookup(Lookup& lookup)
{
    lookup.hints.ai_family = AF_INET;
    lookup.hints.ai_socktype = SOCK_STREAM;
    lookup.request.ar_name = lookup.host.c_str();
    lookup.request.ar_request = &lookup.hints;
    lookup.done.sigev_notify = SIGEV_THREAD;
    lookup.done.sigev_notify_function = &Lookup::completed;
    lookup.done.sigev_value.sival_ptr = &lookup;
    gaicb* list[1] = {&lookup.request};
    return getaddrinfo_a(GAI_NOWAIT, list, 1, &lookup.done) == 0;
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
    auto* lookup = new Lookup;
    lookup->host = std::string(split->first);
    if (!startLookup(*lookup)) {
        heron::debug("The lookup of \"%s\" could not start\n", lookup->host.c_str());
        Lookup::release(lookup, 2);
        return std::nullopt;
    }
    const std::optional<std::uint32_t> address = awaitLookup(*lookup, timeout);
    // A lookup taken back before it ran never completes, so its completion hold goes too.
    const bool cancelled = gai_cancel(&lookup->request) == EAI_CANCELED;
    Lookup::release(lookup, cancelled ? 2 : 1);
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
