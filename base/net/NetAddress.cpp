#include "base/net/NetAddress.h"

#include "base/DataDest.h"
#include "base/DataSource.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstdio>
#include <cstring>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

namespace heron
{

namespace
{

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Read position within an address text.
struct Cursor
{
    const char* p;

    void skipSpaces()
    {
        while (*p == ' ' || *p == '\t') {
            ++p;
        }
    }
    bool eat(char c)
    {
        skipSpaces();
        if (*p != c) {
            return false;
        }
        ++p;
        return true;
    }
    // A decimal number of at most max, after optional blanks.
    bool number(std::uint32_t max, std::uint32_t& value)
    {
        skipSpaces();
        if (*p < '0' || *p > '9') {
            return false;
        }
        value = 0;
        while (*p >= '0' && *p <= '9') {
            value = value * 10 + std::uint32_t(*p++ - '0');
            if (value > max) {
                return false;
            }
        }
        return true;
    }
};

// "a.b.c.d" with an optional ":port", blanks allowed around each part; octets 0..255, port 0..65535.
bool parseDotted(const char* text, NetAddress& out)
{
    Cursor c{text};
    std::uint32_t address = 0;
    for (int i = 0; i < 4; ++i) {
        std::uint32_t octet = 0;
        if ((i > 0 && !c.eat('.')) || !c.number(255, octet)) {
            return false;
        }
        address = address << 8 | octet;
    }
    std::uint32_t port = 0;
    if (c.eat(':') && !c.number(maxTcpPort, port)) {
        return false;
    }
    c.skipSpaces();
    if (*c.p != '\0') {
        return false;
    }
    out = NetAddress(address, static_cast<int>(port));
    return true;
}

// Every IPv4 address of the host, in the order the resolver gives them, without duplicates.
std::vector<std::uint32_t> lookUp(const char* host)
{
    std::vector<std::uint32_t> addresses;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &list) != 0) {
        return addresses;
    }
    for (const addrinfo* entry = list; entry != nullptr; entry = entry->ai_next) {
        if (entry->ai_family != AF_INET || entry->ai_addrlen < sizeof(sockaddr_in)) {
            continue;
        }
        const std::uint32_t address = ntohl(reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr.s_addr);
        if (std::find(addresses.begin(), addresses.end(), address) == addresses.end()) {
            addresses.push_back(address);
        }
    }
    freeaddrinfo(list);
    return addresses;
}

bool holdsLetter(const char* text)
{
    for (; *text != '\0'; ++text) {
        if (isLetter(*text)) {
            return true;
        }
    }
    return false;
}

// A host name with a ":port" ending: the name before it and the port.
bool splitPort(const char* text, heron_string& host, int& port)
{
    const char* colon = std::strrchr(text, ':');
    NetAddress parsed;
    if (colon == nullptr || !parseDotted((heron_string("0.0.0.0") + colon).c_str(), parsed)) {
        return false;
    }
    host = heron_string(text, static_cast<std::uint32_t>(colon - text));
    port = parsed.port();
    return true;
}

}

bool startWinsock()
{
    // POSIX sockets need no start-up; sends use MSG_NOSIGNAL, so a closed peer cannot raise SIGPIPE.
    return true;
}

const heron_string& localHostName()
{
    static const heron_string name = [] {
        char buffer[1025] = {};
        if (gethostname(buffer, sizeof buffer - 1) != 0) {
            return heron_string();
        }
        heron_string lowered(buffer);
        lowered.toLower();
        return lowered;
    }();
    return name;
}

NetAddress::NetAddress(const char* text)
{
    if (text == nullptr) {
        return;
    }
    if (!holdsLetter(text)) {
        parseDotted(text, *this);
        return;
    }
    heron_string host;
    int port = 0;
    if (splitPort(text, host, port)) {
        *this = resolveFirst(host.c_str(), port);
        return;
    }
    *this = resolveFirst(text, 0);
}

NetAddress NetAddress::resolveFirst(const char* host, int port)
{
    const std::vector<NetAddress> all = resolve(host);
    if (all.empty()) {
        return NetAddress();
    }
    return NetAddress(all.front().address(), port);
}

std::vector<NetAddress> NetAddress::resolve(const char* host)
{
    std::vector<NetAddress> result;
    if (!startWinsock() || host == nullptr || host[0] == '\0') {
        return result;
    }
    NetAddress dotted;
    if (!holdsLetter(host) && parseDotted(host, dotted)) {
        result.emplace_back(dotted.address(), 0);
        return result;
    }
    for (const std::uint32_t address : lookUp(host)) {
        result.emplace_back(address, 0);
    }
    return result;
}

heron_string NetAddress::toString(bool withPort) const
{
    char text[32];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", m_address >> 24, (m_address >> 16) & 255, (m_address >> 8) & 255,
                  m_address & 255);
    heron_string result(text);
    if (withPort) {
        std::snprintf(text, sizeof text, ":%d", m_port);
        result += text;
    }
    return result;
}

DataSource& DataSource::readAddress(NetAddress& value)
{
    std::uint32_t address = 0;
    std::int32_t port = 0;
    readUInt32(address).readInt32(port);
    if (!hasError()) {
        value = NetAddress(address, port);
    }
    return *this;
}

DataDest& DataDest::writeAddress(const NetAddress& value)
{
    return writeUInt32(value.address()).writeInt32(value.port());
}

}
