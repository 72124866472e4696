#include "net/PacketLink.h"

#include "base/Debug.h"
#include "base/Limits.h"
#include "base/ReadError.h"
#include "base/net/NetConnection.h"

#include <algorithm>

namespace
{

// Room the outgoing buffer starts with.
constexpr std::uint32_t outgoingCapacity = 1024;
// Seconds a peer may take none of what waits for it before it is dropped.
constexpr double maxSendStall = 30.0;
// Most bytes a connection reads in one tick: far more than a server legally sends in one, while a
// peer sending without end cannot hold up the frame.
constexpr std::size_t maxReceivedPerTick = std::size_t{1} << 20;

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

bool PacketLink::receive(const Handler& handle)
{
    // A buffer's worth at a time, until the socket has nothing more or the tick's allowance is used.
    for (std::size_t taken = 0; isOpen() && taken < maxReceivedPerTick;) {
        const std::size_t count = m_received.fill(m_connection->reader());
        taken += count;
        const bool more = count > 0 && m_received.isFull();
        if (!handleReceived(handle) || !more) {
            break;
        }
    }
    return isOpen();
}

bool PacketLink::handleReceived(const Handler& handle)
{
    // A handler that closes the link ends the round: what follows is not handled.
    while (isOpen() || m_connection->errorKind() == heron::NetClosedByPeer) {
        const std::optional<Packet> packet = nextReceived();
        if (!packet) {
            break;
        }
        try {
            handle(*packet);
        } catch (const heron::ReadError& error) {
            logFault(&*packet, error.what());
            m_connection->abort();
            return false;
        }
    }
    return isOpen();
}

std::optional<Packet> PacketLink::nextReceived()
{
    try {
        return m_received.next();
    } catch (const heron::ReadError& error) {
        logFault(nullptr, error.what());
        m_connection->abort();
        return std::nullopt;
    }
}

void PacketLink::logFault(const Packet* packet, const char* reason)
{
    // A length past the cap leaves the packet unread: its kind is the first unread byte.
    const std::span<const unsigned char> unread = m_received.unread();
    const char kind = packet != nullptr ? packet->kind : !unread.empty() ? char(unread[0]) : '?';
    if (m_side == Side::client) {
        heron::debug("Communication error '%c'\n", kind);
        heron::debug("Reason: %s\n", reason);
        logDashedHexDump(packet != nullptr ? std::span<const unsigned char>(packet->body) : unread);
        return;
    }
    heron::debug("Communication error\n");
    heron::debug("packet=%c  %d  %d  (%d)\n", kind, packet != nullptr ? int(packet->body.size()) : -1,
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
    if (isDrained()) {
        m_out.clear();
        m_sent = 0;
        m_lastTaken.reset();
        return;
    }
    if (taken > 0 || !m_lastTaken) {
        m_lastTaken = now;
    }
    const std::uint32_t unsent = backlog();
    if (m_backlogLines.allow(now)) {
        heron::debug("There's %u bytes to send  (%u)\n", unsigned(unsent), unsigned(m_sent));
    }
    if (unsent > heron::limits::maxPeerBacklog) {
        heron::debug("%s: %u bytes not taken, dropping the connection\n", m_connection->address().toString(true).c_str(),
                     unsigned(unsent));
        m_connection->abort();
        return;
    }
    if (now - *m_lastTaken > maxSendStall) {
        heron::debug("%s: took none of the %u bytes waiting for it for %.0f seconds, dropping the connection\n",
                     m_connection->address().toString(true).c_str(), unsigned(unsent), maxSendStall);
        m_connection->abort();
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
    m_connection->close();
}

heron::MemoryDataSource bodyOf(const Packet& packet)
{
    return heron::MemoryDataSource(packet.body.data(), std::uint32_t(packet.body.size()), false);
}
