#include "net/PacketLink.h"

#include "base/net/NetConnection.h"
#include "support/LogCapture.h"
#include "support/Loopback.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

// A link over a loopback connection to a peer socket the test holds.
struct LinkedPeer
{
    explicit LinkedPeer(PacketLink::Side side = PacketLink::Side::server)
    {
        connection = heron::counted_ptr<heron::NetConnection>(
            new heron::NetConnection(heron::NetAddress(loopback::address, listener.port())));
        connection->setBlocking(false);
        peer = listener.accept();
        link = std::make_unique<PacketLink>(connection, side);
    }
    ~LinkedPeer() { close(peer); }

    loopback::Listener listener;
    heron::counted_ptr<heron::NetConnection> connection;
    int peer = -1;
    std::unique_ptr<PacketLink> link;
};

}

TEST(PacketLinkTest, PeerThatNeverReadsIsDroppedPastTheBacklogCap)
{
    LinkedPeer linked;
    ASSERT_GE(linked.peer, 0);
    const std::vector<unsigned char> body(60000, 'x');
    // Far more than the socket buffers take, so that most of it stays queued.
    for (int i = 0; i < 600 && linked.link->isOpen(); ++i) {
        writePacket(linked.link->out(), 'm', body);
        linked.link->send(0.0);
    }
    EXPECT_FALSE(linked.link->isOpen());
}

TEST(PacketLinkTest, SendLogsOnlyWhenBytesStayUnsent)
{
    LogCapture log;
    LinkedPeer linked;
    ASSERT_GE(linked.peer, 0);
    for (int i = 0; i < 100; ++i) {
        writePacket(linked.link->out(), '=');
        linked.link->send(0.0);
        ASSERT_TRUE(linked.link->isDrained());
    }
    EXPECT_EQ(loopback::receive(linked.peer, 200).size(), 200u);
    EXPECT_FALSE(log.contains("bytes to send"));
}

// Each damaged packet is logged and closes the link; packets before it are handled.
TEST(PacketLinkTest, DamagedPacketClosesTheLink)
{
    const struct
    {
        const char* what;
        std::string bytes;
    } damaged[] = {
        {"length beyond the cap", std::string("=\x00m\xFF\xFF\xFF\xFF\x7F", 8)},
        {"body the handler cannot read", std::string("=\x00" "A\x02xy", 6)},
    };
    for (const auto& each : damaged) {
        LogCapture log;
        LinkedPeer linked;
        ASSERT_GE(linked.peer, 0);
        ASSERT_TRUE(loopback::sendAll(linked.peer, each.bytes));
        std::string kinds;
        bool open = true;
        for (int i = 0; i < 100000 && open && kinds.size() < 2; ++i) {
            open = linked.link->receive([&](const Packet& packet) {
                kinds += packet.kind;
                heron::MemoryDataSource body = bodyOf(packet);
                if (packet.kind == 'A') {
                    static_cast<void>(readSample(body));
                }
            });
        }
        EXPECT_FALSE(open) << each.what;
        EXPECT_EQ(kinds.substr(0, 1), "=") << each.what;
        EXPECT_TRUE(log.contains("Communication error")) << each.what;
    }
}

// The log of a packet the handler cannot read, in each side's words: the server gives the packet's
// kind, body length, end offset and the bytes held, the client only the kind.
TEST(PacketLinkTest, DamagedPacketIsLoggedInItsSidesWords)
{
    const struct
    {
        PacketLink::Side side;
        const char* lines;
        int dashLines;
    } sides[] = {
        {PacketLink::Side::server, "Communication error\npacket=A  2  6  (8)\nReason: ", 3},
        {PacketLink::Side::client, "Communication error 'A'\nReason: ", 2},
    };
    for (const auto& each : sides) {
        LogCapture log;
        LinkedPeer linked(each.side);
        ASSERT_GE(linked.peer, 0);
        ASSERT_TRUE(loopback::sendAll(linked.peer, std::string("=\x00" "A\x02xy=\x00", 8)));
        bool open = true;
        for (int i = 0; i < 100000 && open; ++i) {
            open = linked.link->receive([](const Packet& packet) {
                heron::MemoryDataSource body = bodyOf(packet);
                if (packet.kind == 'A') {
                    static_cast<void>(readSample(body));
                }
            });
        }
        EXPECT_FALSE(open);
        EXPECT_TRUE(log.contains(each.lines)) << log.text();
        EXPECT_EQ(log.count("--------------------------\n"), each.dashLines) << log.text();
    }
}
