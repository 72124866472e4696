#include "net/PacketLink.h"

#include "base/MemoryDataDest.h"
#include "base/net/NetConnection.h"
#include "base/net/Server.h"
#include "support/Eventually.h"
#include "support/LogCapture.h"
#include "support/Loopback.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <malloc.h>
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

// A client takes everything waiting from its server in one receive, many buffers' worth of it, up
// to an allowance of a mebibyte and 4096 packets a tick; what its server keeps sending beyond it
// waits for the next receive.
TEST(PacketLinkTest, ClientTakesAllThatWaitsUpToATicksAllowance)
{
    LinkedPeer linked(PacketLink::Side::client);
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
    EXPECT_EQ(packets, 4096u);
    EXPECT_TRUE(eventually([&] { return !linked.link->receive(count) || packets == flood / 2; }));
    sender.join();
    EXPECT_EQ(packets, flood / 2);
}

// The server reads each peer a small share a tick, in bytes and in packets, and the rest later.
TEST(PacketLinkTest, ServerReadsAPeerASmallShareATick)
{
    const struct
    {
        std::size_t body;
        std::size_t mostPackets;
    } floods[] = {{600, 16 * 1024 / 602 + 1}, {0, 256}};
    for (const auto& each : floods) {
        LinkedPeer linked;
        ASSERT_GE(linked.peer, 0);
        heron::MemoryDataDest out;
        for (int i = 0; i < 1000; ++i) {
            writePacket(out, 'm', std::vector<unsigned char>(each.body, 'x'));
        }
        std::atomic<bool> sent = false;
        std::thread sender([&] {
            loopback::sendAll(linked.peer, std::string(reinterpret_cast<const char*>(out.data()), out.size()));
            sent = true;
        });
        // All has arrived, or the sender is held up with far more than a share waiting.
        EXPECT_TRUE(eventually([&] {
            int queued = 0;
            return ioctl(linked.peer, TIOCOUTQ, &queued) == 0 && (queued > 16 * 1024 || (sent && queued == 0));
        }));
        std::size_t packets = 0;
        const auto count = [&](const Packet&) { ++packets; };
        EXPECT_TRUE(linked.link->receive(count));
        EXPECT_LE(packets, each.mostPackets) << each.body;
        EXPECT_GT(packets, 0u);
        EXPECT_TRUE(eventually([&] { return !linked.link->receive(count) || packets == 1000; }));
        sender.join();
    }
}

// A peer that leaves a backlog unsent and then takes exactly what is sent after it: the server's
// link keeps no more than about twice the backlog, not every byte ever queued.
TEST(PacketLinkTest, OutgoingBufferFollowsTheBacklog)
{
    heron::Server server(0, nullptr);
    const int peer = loopback::connectTo(server.port(), 0, 4096);
    heron::counted_ptr<heron::NetConnection> accepted;
    ASSERT_TRUE(eventually([&] { return static_cast<bool>(accepted = server.acceptConnection()); }));
    PacketLink link(accepted, PacketLink::Side::server);
    const std::vector<unsigned char> body(1000, 'x');
    const auto heap = [] { return double(mallinfo2().uordblks + mallinfo2().hblkhd); };
    while (link.backlog() < 300 * 1000) {
        writePacket(link.out(), 'm', body);
        link.send(0.0);
    }
    const double before = heap();
    for (int i = 0; i < 3000; ++i) {
        writePacket(link.out(), 'm', body);
        ASSERT_EQ(loopback::receive(peer, body.size() + 3).size(), body.size() + 3);
        link.send(0.0);
    }
    EXPECT_LT(heap() - before, 1.5e6);
    // Once all of it is taken, the buffer gives back its room.
    char taken[65536];
    while (!link.isDrained()) {
        static_cast<void>(recv(peer, taken, sizeof taken, MSG_DONTWAIT));
        link.send(0.0);
    }
    // The address sanitizer's heap reports nothing to mallinfo2.
    if (before > 0) {
        EXPECT_LT(heap(), before - 2e5);
    }
    close(peer);
}

// A handler that closes the link ends the round even after the peer has closed its side: what
// the peer sent after that packet is not handled.
TEST(PacketLinkTest, HandlerThatClosesEndsTheRoundAfterThePeerClosed)
{
    LinkedPeer linked(PacketLink::Side::client);
    ASSERT_GE(linked.peer, 0);
    ASSERT_TRUE(loopback::sendAll(linked.peer, std::string("=\0=\0=\0", 6)));
    close(linked.peer);
    linked.peer = -1;
    int handled = 0;
    EXPECT_TRUE(eventually([&] {
        linked.link->receive([&](const Packet&) {
            ++handled;
            linked.link->close();
        });
        return handled > 0;
    }));
    EXPECT_EQ(handled, 1);
}
