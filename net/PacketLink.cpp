#include "net/PacketLink.h"

#include "base/Debug.h"
#include "base/Limits.h"
#include "base/ReadError.h"
#include "base/net/NetConnection.h"

#include <algorithm>

namespace
{

constexpr const char* dashes = "--------------------------\n";
// Room the outgoing buffer starts with.
constexpr std::uint32_t outgoingCapacity = 1024;

}

PacketLink::PacketLink(const heron::counted_ptr<heron::NetConnection>& connection, Side side)
    : m_connection(connection), m_side(side), m_out(outgoingCapacity)
{
}

PacketLink::~PacketLink() = default;

bool PacketLink::isOpen()
{
    return m_connection->isConnected();
}

bool PacketLink::receive(const Handler& handle)
{
    if (!isOpen()) {
        return false;
    }
    m_received.fill(m_connection->reader());
    while (const std::optional<Packet> packet = nextReceived()) {
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
    const char kind = packet != nullptr ? packet->kind : '?';
    if (m_side == Side::server) {
        heron::debug("Communication error\n");
        heron::debug("packet=%c  %d  (%s)\n", kind, packet != nullptr ? int(packet->body.size()) : -1, reason);
    } else {
        heron::debug("Communication error '%c' (%s)\n", kind, reason);
    }
    heron::debug("%s", dashes);
    logHexDump(packet != nullptr ? packet->body : m_received.unread());
    heron::debug("%s", dashes);
}

void PacketLink::send()
{
    if (isDrained() || !isOpen()) {
        return;
    }
    m_connection->writer().write(m_out.data() + m_sent, m_out.size() - m_sent);
    m_sent += std::uint32_t(std::max(0, m_connection->lastWriteCount()));
    if (isDrained()) {
        m_out.clear();
        m_sent = 0;
        return;
    }
    const std::uint32_t unsent = m_out.size() - m_sent;
    heron::debug("There's %u bytes to send  (%u)\n", unsigned(unsent), unsigned(m_sent));
    if (unsent > heron::limits::maxPeerBacklog) {
        heron::debug("%s: %u bytes not taken, dropping the connection\n", m_connection->address().toString(true).c_str(),
                     unsigned(unsent));
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
