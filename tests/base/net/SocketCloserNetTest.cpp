#include "base/net/SocketCloser.h"

#include "base/net/NetConnection.h"

#include "support/Eventually.h"
#include "support/Loopback.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using heron::NetAddress;
using heron::NetConnection;
using heron::SocketCloser;

namespace
{

// Connections to one listener, each with the listener's side accepted, whose peers neither
// send nor close until told.
struct SilentPeers
{
    explicit SilentPeers(int count)
    {
        for (int i = 0; i < count; ++i) {
            connections.push_back(std::make_unique<NetConnection>(NetAddress(loopback::address, listener.port())));
            peers.push_back(listener.accept());
            EXPECT_GE(peers.back(), 0);
            EXPECT_TRUE(eventually([&] { return connections.back()->isConnected() && connections.back()->waitWritable(); }));
        }
    }
    ~SilentPeers()
    {
        for (int peer : peers) {
            close(peer);
        }
    }

    loopback::Listener listener;
    std::vector<std::unique_ptr<NetConnection>> connections;
    std::vector<int> peers;
};

}

TEST(SocketCloser, ClosingManyConnectionsWaitsForNoPeerAndEndingWaitsOnceForAll)
{
    SocketCloser& closer = SocketCloser::instance();
    closer.finish();
    SilentPeers silent(40);
    const std::uint64_t waitsBefore = closer.waits();
    for (const auto& connection : silent.connections) {
        connection->close();
        EXPECT_FALSE(connection->isConnected());
    }
    EXPECT_EQ(closer.waits(), waitsBefore);
    EXPECT_EQ(closer.pending(), 40u);
    // Every peer has been told at once that nothing more comes.
    for (int peer : silent.peers) {
        EXPECT_EQ(loopback::receive(peer, 1), "");
    }
    // Peers that close their side too let their sockets go at the next sweep.
    for (std::size_t i = 0; i < 10; ++i) {
        close(silent.peers[i]);
    }
    silent.peers.erase(silent.peers.begin(), silent.peers.begin() + 10);
    EXPECT_TRUE(eventually([&] {
        closer.sweep();
        return closer.pending() == 30u;
    }));
    EXPECT_EQ(closer.waits(), waitsBefore);
    closer.finish();
    EXPECT_EQ(closer.pending(), 0u);
    EXPECT_EQ(closer.waits(), waitsBefore + 1);
}

TEST(SocketCloser, ClosedSocketTakesThePeersLastBytesUntilThePeerCloses)
{
    SocketCloser& closer = SocketCloser::instance();
    closer.finish();
    SilentPeers talking(1);
    const int peer = talking.peers[0];
    talking.connections[0]->close();
    // Bytes the peer sends after the close are taken and dropped, not answered with a reset that
    // would fail the peer's next send.
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(loopback::sendAll(peer, std::string(1000, 't')));
        EXPECT_EQ(loopback::receive(peer, 1), "");
    }
    EXPECT_EQ(closer.pending(), 1u);
    close(peer);
    talking.peers.clear();
    EXPECT_TRUE(eventually([&] {
        closer.sweep();
        return closer.pending() == 0u;
    }));
}

// Handing a socket over only notes it: a socket whose peer is done stays until the next sweep
// however many follow it, and past a few hundred waiting, a socket handed over is closed at once.
TEST(SocketCloser, HandingOverOnlyNotesASocketUpToACap)
{
    SocketCloser& closer = SocketCloser::instance();
    closer.finish();
    SilentPeers silent(300);
    close(silent.peers[0]);
    silent.peers[0] = -1;
    for (const auto& connection : silent.connections) {
        connection->close();
    }
    EXPECT_EQ(closer.pending(), 256u);
    closer.sweep();
    EXPECT_EQ(closer.pending(), 255u);
    closer.finish();
}
