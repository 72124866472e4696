#include "base/net/NetConnection.h"

#include "base/DataDest.h"
#include "base/DataSource.h"
#include "base/Debug.h"

#include "support/Eventually.h"
#include "support/TempLog.h"
#include "support/Loopback.h"

#include <gtest/gtest.h>

#include <atomic>
#include <numeric>
#include <regex>
#include <string>
#include <thread>

using heron::NetAddress;
using heron::NetConnection;

namespace
{

// A connection to the listener, connected and with the listener's side accepted.
struct ConnectedPair
{
    explicit ConnectedPair(bool blocking) : client(NetAddress(loopback::address, listener.port()))
    {
        client.setBlocking(blocking);
        peer = listener.accept();
        EXPECT_GE(peer, 0);
        EXPECT_TRUE(eventually([&] { return client.isConnected() && client.waitWritable(); }));
    }
    ~ConnectedPair()
    {
        if (peer >= 0) {
            close(peer);
        }
    }

    loopback::Listener listener;
    NetConnection client;
    int peer = -1;
};

}

TEST(NetConnection, ConnectsSetsNoDelayAndSendsEveryByteOfAWrite)
{
    ConnectedPair pair(true);
    EXPECT_EQ(pair.client.address(), NetAddress(loopback::address, pair.listener.port()));
    EXPECT_TRUE(pair.client.setNoDelay(true) && pair.client.setNoDelay(false));
    std::string bytes(100, '\0');
    std::iota(bytes.begin(), bytes.end(), '\0');
    pair.client.writer().write(bytes.data(), 100);
    EXPECT_EQ(pair.client.lastWriteCount(), 100);
    pair.client.writer().writeByte('z');
    EXPECT_EQ(pair.client.lastWriteCount(), 1);
    EXPECT_EQ(loopback::receive(pair.peer, 101), bytes + "z");
}

TEST(NetConnection, BlockingReadWaitsForThePendingConnectAndTheBytes)
{
    loopback::Listener listener;
    NetConnection client(NetAddress(loopback::address, listener.port()));
    std::thread peer([&] {
        const int s = listener.accept();
        loopback::sendAll(s, std::string("\x2a\x00\x00\x00", 4));
        close(s);
    });
    std::int32_t value = 0;
    client.reader().readInt32(value);
    peer.join();
    EXPECT_EQ(value, 42);
    EXPECT_TRUE(client.reader().isOK());
}

TEST(NetConnection, AClosedPortAPortBeyondSixteenBitsOrAddressZeroGiveNoConnection)
{
    loopback::Listener listener;
    struct Case
    {
        int port;
        std::uint32_t address;
        heron::NetErrorKind kind;
        const char* logged;
    };
    const Case cases[] = {
        {loopback::freePort(), loopback::address, heron::NetRefused, "error code: "},
        {listener.port() + 65536, loopback::address, heron::NetFailure, "not a TCP port"},
        {listener.port() - 65536, loopback::address, heron::NetFailure, "not a TCP port"},
        {-1, loopback::address, heron::NetFailure, "not a TCP port"},
        {0, 0, heron::NetNoError, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.port);
        TempLog log;
        NetConnection client(NetAddress(c.address, c.port));
        EXPECT_TRUE(eventually([&] { return !client.isConnected(); }));
        EXPECT_EQ(client.errorKind(), c.kind);
        EXPECT_TRUE(c.kind != heron::NetRefused || !client.waitWritable());
        EXPECT_TRUE(c.kind != heron::NetNoError || !client.setNoDelay(true));
        EXPECT_EQ(client.reader().isOK(), c.kind == heron::NetNoError);
        EXPECT_EQ(client.reader().readByte(), -1);
        EXPECT_TRUE(log.contains(c.logged)) << log.text();
    }
    NetConnection good(NetAddress(loopback::address, listener.port()));
    good.writer().writeByte('g');
    const int first = listener.accept();
    EXPECT_EQ(loopback::receive(first, 1), "g") << "the first connection the listener saw is the good one";
    close(first);
}

TEST(NetConnection, NonBlockingReadsReturnAtOnceWhenNothingArrived)
{
    ConnectedPair pair(false);
    EXPECT_EQ(pair.client.reader().readByte(), -1);
    EXPECT_EQ(pair.client.reader().peekByte(), -1);
    char buffer[8];
    EXPECT_EQ(pair.client.reader().read(buffer, sizeof buffer), 0u);
    EXPECT_TRUE(pair.client.reader().isOK());
    EXPECT_TRUE(pair.client.isConnected());

    ASSERT_TRUE(loopback::sendAll(pair.peer, "ab"));
    EXPECT_TRUE(eventually([&] { return pair.client.reader().peekByte() == 'a'; }));
    EXPECT_EQ(pair.client.reader().readByte(), 'a');
    EXPECT_TRUE(eventually([&] { return pair.client.reader().peekByte() == 'b'; }));
    EXPECT_EQ(pair.client.reader().read(buffer, sizeof buffer), 1u);
    EXPECT_EQ(buffer[0], 'b');
}

TEST(NetConnection, PeerClosingMidTransferDeliversWhatCameAndReportsTheCloseOnce)
{
    TempLog log;
    ConnectedPair pair(false);
    ASSERT_TRUE(loopback::sendAll(pair.peer, "0123456789"));
    close(pair.peer);
    pair.peer = -1;
    char buffer[100];
    std::uint32_t got = 0;
    ASSERT_TRUE(eventually([&] {
        got += pair.client.reader().read(buffer + got, 9 - got);
        return got == 9;
    }));
    ASSERT_TRUE(eventually([&] {
        const int byte = pair.client.reader().readByte();
        buffer[got] = static_cast<char>(byte);
        got += byte >= 0 ? 1 : 0;
        return !pair.client.reader().isOK();
    }));
    EXPECT_EQ(std::string(buffer, got), "0123456789");
    EXPECT_EQ(pair.client.errorKind(), heron::NetClosedByPeer);
    EXPECT_FALSE(pair.client.isConnected());
    EXPECT_EQ(pair.client.reader().readByte(), -1);
    EXPECT_EQ(log.text(), "network connection closed.\n");
}

TEST(NetConnection, AResetPeerIsAReadErrorLoggedOnALineOfItsOwn)
{
    TempLog log;
    ConnectedPair pair(false);
    const linger reset{1, 0};
    setsockopt(pair.peer, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    close(pair.peer);
    pair.peer = -1;
    EXPECT_TRUE(eventually([&] {
        static_cast<void>(pair.client.reader().readByte());
        return !pair.client.reader().isOK();
    }));
    EXPECT_EQ(pair.client.errorKind(), heron::NetReadWriteError);
    heron::debug("next\n");
    EXPECT_TRUE(std::regex_match(log.text(), std::regex("network read error! [0-9]+\\.\nnext\n"))) << log.text();
}

TEST(NetConnection, WritingToAPeerThatWentAwayIsAWriteErrorNotASignal)
{
    TempLog log;
    ConnectedPair pair(true);
    close(pair.peer);
    pair.peer = -1;
    const std::string chunk(4096, 'x');
    EXPECT_TRUE(eventually([&] {
        pair.client.writer().write(chunk.data(), static_cast<std::uint32_t>(chunk.size()));
        return !pair.client.writer().isOK();
    }));
    EXPECT_EQ(pair.client.errorKind(), heron::NetReadWriteError);
    EXPECT_TRUE(std::regex_search(log.text(), std::regex("network write error! [0-9]+\\.\n"))) << log.text();
}

TEST(NetConnection, CloseGivesUpOnAPeerThatNeitherClosesNorStopsSending)
{
    ConnectedPair silent(true);
    silent.client.close();
    EXPECT_FALSE(silent.client.isConnected());
    EXPECT_EQ(silent.client.reader().readByte(), -1);

    ConnectedPair flooding(true);
    std::atomic<bool> stop{false};
    std::thread flood([&] {
        const std::string chunk(1024, 'f');
        while (!stop) {
            if (send(flooding.peer, chunk.data(), chunk.size(), MSG_NOSIGNAL | MSG_DONTWAIT) < 0 && errno != EAGAIN) {
                return;
            }
        }
    });
    flooding.client.close();
    stop = true;
    flood.join();
    EXPECT_FALSE(flooding.client.isConnected());
}
