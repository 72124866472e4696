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
class LogPace;
class NetConnection;
}

// One end of a game connection: the socket, the packets received and the bytes queued to send.
// Packets are queued whole into the outgoing buffer and written as the socket takes them; a peer
// whose backlog passes the cap, or that takes none of it for half a minute, is dropped, so a peer
// that never reads cannot grow it without bound nor hold it for ever. The buffer keeps no more
// than about twice the backlog: what was sent is dropped from its front as sending goes on. Each
// tick reads a bounded share of what waits: a client a generous one from its one server, the
// server a far smaller one from each of its peers, so that no peer holds up the others' frame.
// Main thread only.
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
    // Lines about the connection (backlog, drops, its end) are logged through connectionLines, and
    // reports of damaged packets through faultReports, one allowance a report; null logs each.
    // Both must outlive the link.
    void setLogPaces(heron::LogPace* connectionLines, heron::LogPace* faultReports);
    // Reads what arrived, up to its side's share of bytes and packets a tick, and hands each
    // complete packet to handle, in order, those that came before the peer closed included; the
    // rest waits for the next tick. A damaged packet is logged and closes the connection (false),
    // and a handler that closes the link ends the round.
    bool receive(const Handler& handle);
    // True when the peer closed after sending more than the last tick's share: the rest of what it
    // sent waits to be handled at the next receive.
    bool hasUnhandled();
    // True once a damaged packet from the peer closed the connection.
    bool droppedDamaged() const { return m_droppedDamaged; }
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
    // Closes the connection; packets still received are not handled.
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
    // Hands complete packets received to handle while packetsLeft lasts, counting it down; false
    // once the connection has closed or the count is spent.
    bool handleReceived(const Handler& handle, int& packetsLeft);
    // True while packets received may still be handled: open, or ended by the peer (closed or
    // reset) after sending them, and not closed or dropped here.
    bool mayHandle();
    // Logs a damaged packet and closes the connection.
    void dropDamaged(const Packet* packet, const char* reason);
    void logFault(const Packet* packet, const char* reason);
    // Drops what was sent from the outgoing buffer's front once it outweighs the unsent tail, and
    // gives back the room of a drained buffer that grew large.
    void trimSent();
    bool mayLog(heron::LogPace* pace);

    heron::counted_ptr<heron::NetConnection> m_connection;
    Side m_side;
    ReceiveBuffer m_received;
    heron::MemoryDataDest m_out;
    std::uint32_t m_sent = 0;
    // When the socket last took bytes while more waited; none while nothing waits.
    std::optional<double> m_lastTaken;
    heron::RateLimit m_backlogLines;
    heron::LogPace* m_connectionLines = nullptr;
    heron::LogPace* m_faultReports = nullptr;
    bool m_closedHere = false;
    bool m_droppedDamaged = false;
    // True when the last receive used up its share of packets.
    bool m_shareSpent = false;
    PacketWriter m_writer;
    PingMeasure m_ping;
    int m_unacknowledged = 0;
};

// A source over a packet's body: reading past its end sets the error flag.
heron::MemoryDataSource bodyOf(const Packet& packet);
