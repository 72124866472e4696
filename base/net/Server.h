#pragma once

#include "base/counted_ptr.h"

#include <cstdint>
#include <vector>

namespace heron
{

class NetConnection;
class ServerInternals;

// A listening TCP server polled without threads: each poll tries one non-blocking accept. With a
// log file name it writes a time-stamped line when it starts, receives a connection and closes.
// Used by one thread at a time.
class Server
{
public:
    // Why a server failed to start.
    enum FailureReason : std::int32_t
    {
        NoSocket = 1,   // no socket, or it could not be made non-blocking
        BindFailed = 2, // the port is taken or not allowed
        ListenFailed = 3
    };

    // Listens on the port on every local interface. logFileName: the server log, created or
    // truncated; null for none. A failure is logged there as the closing line.
    Server(int port, const char* logFileName);
    // Closes the listening socket, writes the closing line and releases a pending connection.
    virtual ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // True when the server could not start; it then accepts nothing.
    bool hasFailed() const;
    // The FailureReason while hasFailed(), else 0.
    std::int32_t failureReason() const;
    // The port it listens on (the one the system chose when asked for port 0); 0 after a failure.
    int port() const;
    // True when a connection is waiting: a pending one, or one accepted now and kept pending.
    bool hasConnection();
    // The pending connection (the server lets go of it), else one accepted now; null when none
    // is waiting. Accepted connections are non-blocking, with a send buffer of a fixed 64 KiB.
    [[nodiscard]] counted_ptr<NetConnection> acceptConnection();
    // The same as acceptConnection.
    [[nodiscard]] counted_ptr<NetConnection> takeConnection();
    // Has the system drop the connects of these IPv4 addresses (host order, at most
    // maxDroppedAddresses) before they reach the queue of waiting connections, so that a stream of
    // them costs the program nothing and keeps nobody else waiting; connections made before stay.
    // None drops nothing. 0 when the system does so, else the system's error number: what it
    // dropped before stays as it was.
    [[nodiscard]] int dropConnectsFrom(const std::vector<std::uint32_t>& addresses);
    static constexpr std::size_t maxDroppedAddresses = 64;

private:
    ServerInternals* m_internals;
};

}
