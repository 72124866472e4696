#include "net/PacketLink.h"

#include "base/Debug.h"
#include "base/Limits.h"
#include "base/LogPace.h"
#include "base/ReadError.h"
#include "base/net/NetConnection.h"

#include <algorithm>
#include <cctype>

namespace
{

// Room the outgoing buffer starts with.
constexpr std::uint32_t outgoingCapacity = 1024;
// Seconds a peer may take none of what waits for it before it is dropped.
constexpr double maxSendStall = 30.0;
// What one tick reads from a connection: bytes and packets.
struct ReceiveShare
{
    std::size_t bytes;
    int packets;
};
// A client's share from its one server: far more than a server legally sends in a tick (its world
// list, chat and motion for every avatar), while a server sending without end cannot hold up the
// frame.
constexpr ReceiveShare fromServer{std::size_t{1} << 20, 4096};
// The server's share from each of its peers: an honest client sends well under a kilobyte a tick
// (a motion sample, a few acknowledgements and pings, now and then a chat line), so the share
// never touches it, while a peer sending without end leaves its excess in its socket, where TCP
// slows it down, and cannot hold up every other player's tick.
constexpr ReceiveShare fromPeer{16 * 1024, 256};
// Sent bytes the outgoing buffer keeps at its front before they are dropped, and the room a
// drained buffer keeps.
constexpr std::uint32_t keptSentBytes = 64 * 1024;

}

PacketLink::PacketLink(const heron::counted_ptr<heron::NetConnection>& connection, Side side)
    : m_connection(connection), m_side(side), m_out(outgoingCapacity), m_backlogLines(1, 1.0)
{
}

PacketLink::~PacketLink() = default;

bool PacketLink::isOpen()
{
    return m_connection->isConnected();
}

void PacketLink::setLogPaces(heron::LogPace* connectionLines, heron::LogPace* faultReports)
{
    m_connectionLines = connectionLines;
    m_faultReports = faultReports;
    m_connection->setEndLines(connectionLines);
}

bool PacketLink::receive(const Handler& handle)
{
    const ReceiveShare share = m_side == Side::server ? fromPeer : fromServer;
    int packetsLeft = share.packets;
    // Packets still received from the last tick go first; then a buffer's worth at a time, until
    // the socket has nothing more or the tick's share is used.
    for (std::size_t taken = 0;;) {
        std::size_t count = 0;
        if (isOpen() && taken < share.bytes) {
            count = m_received.fill(m_connection->reader(), share.bytes - taken);
            taken += count;
        }
        const bool more = count > 0 && m_received.isFull();
        if (!handleReceived(handle, packetsLeft) || !more) {
            break;
        }
    }
    m_shareSpent = packetsLeft == 0;
    return isOpen();
}

bool PacketLink::hasUnhandled()
{
    return m_shareSpent && mayHandle();
}

bool PacketLink::mayHandle()
{
    const heron::NetErrorKind ended = m_connection->errorKind();
    return !m_closedHere && (isOpen() || ended == heron::NetClosedByPeer || ended == heron::NetReadWriteError);
}

bool PacketLink::handleReceived(const Handler& handle, int& packetsLeft)
{
    // A handler that closes the link ends the round: what follows is not handled.
    for (; packetsLeft > 0 && mayHandle(); --packetsLeft) {
        const std::optional<Packet> packet = nextReceived();
        if (!packet) {
            return isOpen();
        }
        try {
            handle(*packet);
        } catch (const heron::ReadError& error) {
            dropDamaged(&*packet, error.what());
            return false;
        }
    }
    return packetsLeft > 0 && isOpen();
}

std::optional<Packet> PacketLink::nextReceived()
{
    try {
        return m_received.next();
    } catch (const heron::ReadError& error) {
        dropDamaged(nullptr, error.what());
        return std::nullopt;
    }
}

bool PacketLink::mayLog(heron::LogPace* pace)
{
    return pace == nullptr || pace->allow();
}

void PacketLink::dropDamaged(const Packet* packet, const char* reason)
{
    m_droppedDamaged = true;
    logFault(packet, reason);
    m_connection->abort();
}

void PacketLink::logFault(const Packet* packet, const char* reason)
{
    if (!mayLog(m_faultReports)) {
        return;
    }
    // A length past the cap leaves the packet unread: its kind is the first unread byte.
    const std::span<const unsigned char> unread = m_received.unread();
    const char kind = packet != nullptr ? packet->kind : !unread.empty() ? char(unread[0]) : '?';
    // The kind is the peer's byte: one that is not printable, a line end among them, shows as '?'
    // (the dump after the line gives it), so that a peer cannot break the log's lines.
    const char shown = std::isprint(static_cast<unsigned char>(kind)) ? kind : '?';
    if (m_side == Side::client) {
        heron::debug("Communication error '%c'\n", shown);
        heron::debug("Reason: %s\n", reason);
        logDashedHexDump(packet != nullptr ? std::span<const unsigned char>(packet->body) : unread);
        return;
    }
    heron::debug("Communication error\n");
    heron::debug("packet=%c  %d  %d  (%d)\n", shown, packet != nullptr ? int(packet->body.size()) : -1,
                 int(m_received.readOffset()), int(m_received.held().size()));
    heron::debug("Reason: %s\n", reason);
    if (!unread.empty()) {
        logDashedHexDump(unread);
    }
    logHexDump(m_received.held());
    logDashes();
}

void PacketLink::send(double now)
{
    if (isDrained() || !isOpen()) {
        return;
    }
    m_connection->writer().write(m_out.data() + m_sent, m_out.size() - m_sent);
    const std::uint32_t taken = std::uint32_t(std::max(0, m_connection->lastWriteCount()));
    m_sent += taken;
    trimSent();
    if (isDrained()) {
        m_lastTaken.reset();
        return;
    }
    if (taken > 0 || !m_lastTaken) {
        m_lastTaken = now;
    }
    const std::uint32_t unsent = backlog();
    if (m_backlogLines.allow(now) && mayLog(m_connectionLines)) {
        heron::debug("There's %u bytes to send  (%u)\n", unsigned(unsent), unsigned(m_sent));
    }
    if (unsent > heron::limits::maxPeerBacklog) {
        if (mayLog(m_connectionLines)) {
            heron::debug("%s: %u bytes not taken, dropping the connection\n",
                         m_connection->address().toString(true).c_str(), unsigned(unsent));
        }
        m_connection->abort();
        return;
    }
    if (now - *m_lastTaken > maxSendStall) {
        if (mayLog(m_connectionLines)) {
            heron::debug("%s: took none of the %u bytes waiting for it for %.0f seconds, dropping the connection\n",
                         m_connection->address().toString(true).c_str(), unsigned(unsent), maxSendStall);
        }
        m_connection->abort();
    }
}

void PacketLink::trimSent()
{
    if (isDrained()) {
        m_out.clear();
        m_sent = 0;
        m_out.shrinkTo(keptSentBytes);
        return;
    }
    // Moving the tail costs no more than the bytes sent since the last move.
    if (m_sent >= keptSentBytes && m_sent >= backlog()) {
        m_out.eraseFront(m_sent);
        m_sent = 0;
    }
}

bool PacketLink::takeControl(const Packet& packet, double now)
{
    if (packet.kind == '=') {
        m_ping.onPing(now);
        writePacket(m_out, '=');
        return true;
    }
    if (packet.kind == 'a') {
        m_unacknowledged = std::max(0, m_unacknowledged - 1);
        return true;
    }
    return false;
}

void PacketLink::close()
{
    m_closedHere = true;
    m_connection->close();
}

heron::MemoryDataSource bodyOf(const Packet& packet)
{
    return heron::MemoryDataSource(packet.body.data(), std::uint32_t(packet.body.size()), false);
}
