#include "base/net/Server.h"

#include "base/Debug.h"
#include "base/net/NetConnection.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <linux/filter.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace heron
{

namespace
{

// Send buffer of an accepted socket. A fixed size keeps the kernel from growing it to megabytes
// for a peer that does not read; what it does not take waits in the connection owner's backlog.
constexpr int acceptedSendBuffer = 64 * 1024;

// A socket filter that drops every packet whose IPv4 source is one of the addresses: it loads the
// source from the network header, compares it with each in turn, and keeps the packet whole when
// none matches.
std::vector<sock_filter> dropping(const std::vector<std::uint32_t>& addresses)
{
    const auto count = static_cast<std::uint8_t>(addresses.size());
    std::vector<sock_filter> program{BPF_STMT(BPF_LD | BPF_W | BPF_ABS, std::uint32_t(SKF_NET_OFF + 12))};
    for (std::uint8_t i = 0; i < count; ++i) {
        // Past the other comparisons and the keeping return, to the dropping one.
        program.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, addresses[i], std::uint8_t(count - i), 0));
    }
    program.push_back(BPF_STMT(BPF_RET | BPF_K, 0xFFFFFFFFu));
    program.push_back(BPF_STMT(BPF_RET | BPF_K, 0));
    return program;
}

}

// State of one listening server.
class ServerInternals
{
public:
    // Writes one line to the server log with the time stamp in front of the rest.
    template <typename... Args>
    void log(const char* format, Args... args)
    {
        if (logFile == nullptr) {
            return;
        }
        std::fprintf(logFile, format, timeStamp(), args...);
        std::fflush(logFile);
    }
    // The local time as the C library's asctime writes it, without the line end.
    const char* timeStamp();
    void closeSocket();
    // Makes the listening, non-blocking socket; 0 on success, else the Server::FailureReason.
    std::int32_t listenOn(int port);
    // One non-blocking accept; a null pointer when nobody is waiting.
    counted_ptr<NetConnection> accept();

    bool failed = true;
    std::int32_t reason = Server::NoSocket;
    int socket = -1;
    std::FILE* logFile = nullptr;
    char stamp[64] = {};
    counted_ptr<NetConnection> pending;
};

const char* ServerInternals::timeStamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    // asctime names days and months in English whatever the user's locale.
    if (localtime_r(&now, &local) == nullptr || asctime_r(&local, stamp) == nullptr) {
        stamp[0] = '\0';
    }
    stamp[std::strcspn(stamp, "\n")] = '\0';
    return stamp;
}

void ServerInternals::closeSocket()
{
    if (socket < 0) {
        return;
    }
    shutdown(socket, SHUT_RDWR);
    ::close(socket);
    socket = -1;
}

counted_ptr<NetConnection> ServerInternals::accept()
{
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    int accepted;
    do {
        accepted = accept4(socket, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
    } while (accepted < 0 && errno == EINTR);
    if (accepted < 0) {
        return counted_ptr<NetConnection>();
    }
    const NetAddress address(ntohl(peer.sin_addr.s_addr), ntohs(peer.sin_port));
    log("%s Connection received from %s on port %d\n", address.toString().c_str(), address.port());
    return counted_ptr<NetConnection>(new NetConnection(accepted, address));
}

std::int32_t ServerInternals::listenOn(int port)
{
    socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket < 0) {
        return Server::NoSocket;
    }
    if (!isTcpPort(port)) {
        // Never cut to 16 bits: that would listen on some other port.
        debug("Server cannot listen on port %d: not a TCP port\n", port);
        return Server::BindFailed;
    }
    const int on = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    // Accepted sockets take it over from the listening one, without a call of their own each: a
    // stream of connects to refuse costs as few calls as it can.
    setsockopt(socket, SOL_SOCKET, SO_SNDBUF, &acceptedSendBuffer, sizeof acceptedSendBuffer);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<std::uint16_t>(port));
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (bind(socket, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        return Server::BindFailed;
    }
    if (listen(socket, SOMAXCONN) != 0) {
        return Server::ListenFailed;
    }
    const int flags = fcntl(socket, F_GETFL);
    if (flags < 0 || fcntl(socket, F_SETFL, flags | O_NONBLOCK) != 0) {
        return Server::NoSocket;
    }
    return 0;
}

Server::Server(int port, const char* logFileName) : m_internals(new ServerInternals)
{
    ServerInternals& state = *m_internals;
    if (logFileName != nullptr) {
        state.logFile = std::fopen(logFileName, "w");
    }
    state.reason = startWinsock() ? state.listenOn(port) : NoSocket;
    state.failed = state.reason != 0;
    if (!state.failed) {
        state.log("%s Server object created on port %d (SOCKET=%d)\n", port, state.socket);
        return;
    }
    state.closeSocket();
    state.log("%s Server closed\n");
}

Server::~Server()
{
    ServerInternals& state = *m_internals;
    if (!state.failed) {
        state.closeSocket();
        state.log("%s Server closed\n");
    }
    if (state.logFile != nullptr) {
        std::fclose(state.logFile);
    }
    delete m_internals;
}

bool Server::hasFailed() const
{
    return m_internals->failed;
}

std::int32_t Server::failureReason() const
{
    return m_internals->failed ? m_internals->reason : 0;
}

int Server::port() const
{
    if (m_internals->failed) {
        return 0;
    }
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (getsockname(m_internals->socket, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        return 0;
    }
    return ntohs(local.sin_port);
}

bool Server::hasConnection()
{
    if (m_internals->failed) {
        return false;
    }
    if (!m_internals->pending) {
        m_internals->pending = m_internals->accept();
    }
    return static_cast<bool>(m_internals->pending);
}

counted_ptr<NetConnection> Server::acceptConnection()
{
    if (m_internals->failed) {
        return counted_ptr<NetConnection>();
    }
    if (m_internals->pending) {
        counted_ptr<NetConnection> taken = m_internals->pending;
        m_internals->pending.reset();
        return taken;
    }
    return m_internals->accept();
}

counted_ptr<NetConnection> Server::takeConnection()
{
    return acceptConnection();
}

int Server::dropConnectsFrom(const std::vector<std::uint32_t>& addresses)
{
    if (m_internals->failed) {
        return EBADF;
    }
    if (addresses.size() > maxDroppedAddresses) {
        return E2BIG;
    }
    const int socket = m_internals->socket;
    if (addresses.empty()) {
        const int none = 0;
        return setsockopt(socket, SOL_SOCKET, SO_DETACH_FILTER, &none, sizeof none) == 0 || errno == ENOENT ? 0 : errno;
    }
    std::vector<sock_filter> program = dropping(addresses);
    const sock_fprog attached{static_cast<unsigned short>(program.size()), program.data()};
    return setsockopt(socket, SOL_SOCKET, SO_ATTACH_FILTER, &attached, sizeof attached) == 0 ? 0 : errno;
}

}
