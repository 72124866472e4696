#pragma once

#include "base/MemoryDataDest.h"
#include "base/MemoryDataSource.h"
#include "base/counted_ptr.h"
#include "net/AvatarReplay.h"
#include "net/Packets.h"
#include "base/RateLimit.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace heron
{
class NetConnection;
}

// One end of a game connection: the socket, the packets received and the bytes queued to send.
// Packets are queued whole into the outgoing buffer and written as the socket takes them; a peer
// whose backlog passes the cap, or that takes none of it for half a minute, is dropped, so a peer
// that never reads cannot grow it without bound nor hold it for ever. Main thread only.
class PacketLink
{
public:
    // Which side's words the log uses for a damaged packet.
    enum class Side
    {
        server,
        client
    };

    // Receives one complete packet; throws heron::ReadError for a body it cannot decode.
    using Handler = std::function<void(const Packet&)>;

    PacketLink(const heron::counted_ptr<heron::NetConnection>& connection, Side side);
    ~PacketLink();
    PacketLink(const PacketLink&) = delete;
    PacketLink& operator=(const PacketLink&) = delete;

    // True while the connection is up (a pending connect counts as up).
    bool isOpen();
    heron::NetConnection& connection() { return *m_connection; }
    // Reads all that arrived, up to a generous allowance a tick, and hands every complete packet
    // to handle, in order, those that came before the peer closed included. A damaged packet is
    // logged and closes the connection (false).
    bool receive(const Handler& handle);
    // The next complete packet already received, without reading the socket; none while its bytes
    // are still arriving. A stated length beyond the cap closes the connection.
    std::optional<Packet> nextReceived();
    // Where packets are queued, and the scratch writer that frames them.
    heron::DataDest& out() { return m_out; }
    PacketWriter& writer() { return m_writer; }
    // True when every queued byte has been written.
    bool isDrained() const { return m_sent == m_out.size(); }
    // Bytes queued and not yet taken by the socket.
    std::uint32_t backlog() const { return m_out.size() - m_sent; }
    // Writes what the socket takes now (now: the network time); logs, at most once a second, when
    // bytes stay unsent, and closes the connection when more than the cap stays unsent or the
    // socket has taken nothing of them for half a minute.
    void send(double now);
    void close();

    // Takes the packets both sides treat alike: a ping is measured and answered, an
    // acknowledgement closes one motion packet (never below none). False for any other kind.
    bool takeControl(const Packet& packet, double now);
    // Counts a motion packet sent and not yet acknowledged.
    void countMotionSent() { ++m_unacknowledged; }
    int unacknowledged() const { return m_unacknowledged; }
    // The round trip, in seconds; 0 until measured.
    double ping() const { return m_ping.average(); }

private:
    // Hands every complete packet received to handle; false once the connection has closed.
    bool handleReceived(const Handler& handle);
    void logFault(const Packet* packet, const char* reason);

    heron::counted_ptr<heron::NetConnection> m_connection;
    Side m_side;
    ReceiveBuffer m_received;
    heron::MemoryDataDest m_out;
    std::uint32_t m_sent = 0;
    // When the socket last took bytes while more waited; none while nothing waits.
    std::optional<double> m_lastTaken;
    heron::RateLimit m_backlogLines;
    PacketWriter m_writer;
    PingMeasure m_ping;
    int m_unacknowledged = 0;
};

// A source over a packet's body: reading past its end sets the error flag.
heron::MemoryDataSource bodyOf(const Packet& packet);
