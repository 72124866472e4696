#pragma once

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <string>
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

// A blocking client socket connected to 127.0.0.1:port, or -1.
inline int connectTo(int port)
{
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in where = endpoint(port);
    if (connect(s, reinterpret_cast<const sockaddr*>(&where), sizeof where) != 0) {
        close(s);
        return -1;
    }
    return s;
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

}
