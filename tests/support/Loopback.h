#pragma once

#include "Eventually.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <filesystem>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

// Plain loopback sockets that play the other side of a connection in tests.
namespace loopback
{

constexpr std::uint32_t address = 0x7f000001; // 127.0.0.1

inline sockaddr_in endpoint(int port)
{
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(static_cast<std::uint16_t>(port));
    where.sin_addr.s_addr = htonl(address);
    return where;
}

inline int boundPort(int socket)
{
    sockaddr_in where{};
    socklen_t length = sizeof where;
    getsockname(socket, reinterpret_cast<sockaddr*>(&where), &length);
    return ntohs(where.sin_port);
}

// A listening socket on 127.0.0.1 at a port the system chose.
class Listener
{
public:
    Listener() : m_socket(socket(AF_INET, SOCK_STREAM, 0))
    {
        const sockaddr_in where = endpoint(0);
        bind(m_socket, reinterpret_cast<const sockaddr*>(&where), sizeof where);
        listen(m_socket, 8);
    }
    ~Listener() { close(m_socket); }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;
    int port() const { return boundPort(m_socket); }
    // Waits (bounded) for one connection; -1 when none came.
    int accept() const
    {
        pollfd entry{m_socket, POLLIN, 0};
        if (poll(&entry, 1, 20000) != 1) {
            return -1;
        }
        return ::accept(m_socket, nullptr, nullptr);
    }

private:
    int m_socket;
};

// A port nobody listens on: one the system chose for a listener that is closed again.
inline int freePort()
{
    return Listener().port();
}

// A loopback address of its own for each number (127.1.x.y), for peers that stand for many
// machines: a server counts the connections of each address.
inline std::uint32_t spreadAddress(std::size_t number)
{
    return 0x7f010000u + std::uint32_t(number / 250) * 256u + std::uint32_t(number % 250) + 1u;
}

// A blocking client socket connected to 127.0.0.1:port, or -1. from: the loopback address it
// connects from (0: the system's choice); receiveBuffer: its receive buffer in bytes (0: the
// system's).
inline int connectTo(int port, std::uint32_t from = 0, int receiveBuffer = 0)
{
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    if (receiveBuffer > 0) {
        setsockopt(s, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    }
    sockaddr_in source{};
    source.sin_family = AF_INET;
    source.sin_addr.s_addr = htonl(from);
    const sockaddr_in where = endpoint(port);
    if ((from != 0 && bind(s, reinterpret_cast<const sockaddr*>(&source), sizeof source) != 0) ||
        connect(s, reinterpret_cast<const sockaddr*>(&where), sizeof where) != 0) {
        close(s);
        return -1;
    }
    return s;
}

// Starts a connect to port on the loopback address from the address given, without waiting for
// it; the socket, negative when it could not start.
inline int startConnect(int port, std::uint32_t from)
{
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_in source{};
    source.sin_family = AF_INET;
    source.sin_addr.s_addr = htonl(from);
    const sockaddr_in where = endpoint(port);
    if (bind(s, reinterpret_cast<const sockaddr*>(&source), sizeof source) != 0 ||
        (connect(s, reinterpret_cast<const sockaddr*>(&where), sizeof where) != 0 && errno != EINPROGRESS)) {
        close(s);
        return -1;
    }
    return s;
}

// Connects from the address given and resets the connection at once, as a peer that gives up does.
inline void connectAndReset(int port, std::uint32_t from)
{
    const int s = connectTo(port, from);
    const linger reset{1, 0};
    setsockopt(s, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    close(s);
}

// Receives until n bytes came or the peer closed (bounded wait per chunk).
inline std::string receive(int socket, std::size_t n)
{
    std::string bytes;
    char buffer[4096];
    while (bytes.size() < n) {
        pollfd entry{socket, POLLIN, 0};
        if (poll(&entry, 1, 20000) != 1) {
            break;
        }
        const ssize_t got = recv(socket, buffer, std::min(sizeof buffer, n - bytes.size()), 0);
        if (got <= 0) {
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    return bytes;
}

inline bool sendAll(int socket, const std::string& bytes)
{
    return send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
}

// Waits until the peer's system has taken every byte sent on socket (so the other end can read them
// at once); false when it has not after a generous bound, which only guards against a hang.
inline bool delivered(int socket)
{
    return eventually([&] {
        int unsent = 0;
        return ioctl(socket, SIOCOUTQ, &unsent) == 0 && unsent == 0;
    });
}

// Bytes the kernel still holds to send on this process's connections that were accepted on port
// (their local port): what a server in the process has handed its sockets and peers have not taken.
inline std::size_t kernelSendQueue(int port)
{
    std::size_t queued = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        const int descriptor = std::stoi(entry.path().filename().string());
        sockaddr_in local{};
        socklen_t length = sizeof local;
        if (getsockname(descriptor, reinterpret_cast<sockaddr*>(&local), &length) != 0 || local.sin_family != AF_INET ||
            ntohs(local.sin_port) != port) {
            continue;
        }
        int bytes = 0;
        // The listening socket has no queue and fails.
        if (ioctl(descriptor, SIOCOUTQ, &bytes) == 0) {
            queued += std::size_t(bytes);
        }
    }
    return queued;
}

}
