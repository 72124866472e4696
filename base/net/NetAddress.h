#pragma once

#include "base/heron_string.h"

#include <cstdint>
#include <vector>

namespace heron
{

// Prepares the socket layer once; later calls return the first result. Every socket operation
// fails while it is false. Any thread.
[[nodiscard]] bool startWinsock();
// The local machine's host name, lower-cased, looked up once; empty when it cannot be had. Any thread.
const heron_string& localHostName();

// Largest TCP port number.
constexpr int maxTcpPort = 65535;
// True for a port number a TCP socket can use (0..maxTcpPort).
inline bool isTcpPort(int port)
{
    return port >= 0 && port <= maxTcpPort;
}

// An IPv4 address (host order, first octet in the top byte) and a TCP port.
class NetAddress
{
public:
    // Address 0, port 0.
    NetAddress() = default;
    NetAddress(std::uint32_t address, int port) : m_port(port), m_address(address) {}
    // Parses "a.b.c.d" (port 0) or "a.b.c.d:port" without any lookup. A text holding a letter is a
    // host name, looked up (its first IPv4 address), with the port of a ":port" ending or 0.
    // Null, an unknown host or any other text give address 0 and port 0.
    explicit NetAddress(const char* text);

    // The dotted address itself, else the host's first IPv4 address, with the given port;
    // address 0 and port 0 when the host is unknown.
    static NetAddress resolveFirst(const char* host, int port);
    // Every IPv4 address of the host (or the one dotted address), each with port 0; empty when
    // the host is unknown.
    static std::vector<NetAddress> resolve(const char* host);

    void setPort(int port) { m_port = port; }
    int port() const { return m_port; }
    std::uint32_t address() const { return m_address; }
    // "a.b.c.d", with ":port" appended when withPort is true.
    heron_string toString(bool withPort = false) const;

    bool operator==(const NetAddress& other) const = default;

private:
    std::int32_t m_port = 0;
    std::uint32_t m_address = 0;
};

}
