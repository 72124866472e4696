#include "net/PacketLink.h"

#include "base/MemoryDataDest.h"
#include "base/net/NetConnection.h"
#include "support/Eventually.h"
#include "support/LogCapture.h"
#include "support/Loopback.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include <sys/ioctl.h>

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

// Everything waiting is taken in one receive, many buffers' worth of it, up to an allowance of a
// mebibyte a tick; what a sender keeps sending beyond it waits for the next receive.
TEST(PacketLinkTest, ReceiveTakesAllThatWaitsUpToATicksAllowance)
{
    LinkedPeer linked;
    ASSERT_GE(linked.peer, 0);
    heron::MemoryDataDest out;
    for (int i = 0; i < 64; ++i) {
        writePacket(out, 'm', std::vector<unsigned char>(600, 'x'));
    }
    ASSERT_TRUE(loopback::sendAll(linked.peer, std::string(reinterpret_cast<const char*>(out.data()), out.size())));
    ASSERT_TRUE(eventually([&] {
        int unacknowledged = 0;
        return ioctl(linked.peer, TIOCOUTQ, &unacknowledged) == 0 && unacknowledged == 0;
    }));
    std::size_t packets = 0;
    const auto count = [&](const Packet&) { ++packets; };
    ASSERT_TRUE(linked.link->receive(count));
    EXPECT_EQ(packets, 64u);

    // Empty packets of two bytes each, more than the allowance of them waiting. (Expectations, not
    // assertions, from here on: the sender ends only once everything has been read.)
    constexpr std::size_t flood = 3 << 20;
    std::thread sender([&] { loopback::sendAll(linked.peer, std::string(flood, '\0')); });
    EXPECT_TRUE(eventually([&] {
        int queued = 0;
        return ioctl(linked.peer, TIOCOUTQ, &queued) == 0 && queued > 2 << 20;
    }));
    packets = 0;
    EXPECT_TRUE(linked.link->receive(count));
    EXPECT_LE(packets, ((1u << 20) + 4096) / 2);
    EXPECT_TRUE(eventually([&] { return !linked.link->receive(count) || packets == flood / 2; }));
    sender.join();
    EXPECT_EQ(packets, flood / 2);
}
