#include "base/net/Server.h"

#include "base/DataDest.h"
#include "base/DataSource.h"
#include "base/net/NetConnection.h"

#include "support/Eventually.h"
#include "support/GermanLocale.h"
#include "support/TempLog.h"
#include "support/Loopback.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

using heron::NetAddress;
using heron::NetConnection;
using heron::Server;

namespace
{

// "Sun Dec  6 21:07:22 2026": the C library's asctime form without its line end.
const std::string stamp = R"([A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9]\d \d\d:\d\d:\d\d \d{4})";

}

TEST(Server, AcceptsAConnectionAndLogsItsLifeWithCLibraryTimeStampsWhateverTheUserLocale)
{
    TempFolder folder;
    const std::string logPath = (folder.path() / "server.log").string();
    const int port = loopback::freePort();
    heron::counted_ptr<NetConnection> accepted;
    {
        // Day and month names stay English under a German locale (when localedef can make one).
        const GermanLocale german;
        Server server(port, logPath.c_str());
        ASSERT_FALSE(server.hasFailed());
        EXPECT_FALSE(server.hasConnection());
        NetConnection client(NetAddress(loopback::address, port));
        ASSERT_TRUE(eventually([&] { return server.hasConnection(); }));
        accepted = server.takeConnection();
        ASSERT_TRUE(static_cast<bool>(accepted));
        EXPECT_FALSE(server.hasConnection() || server.takeConnection());
        EXPECT_TRUE(accepted->isConnected());
        EXPECT_EQ(accepted->address().address(), loopback::address);
        client.writer().writeByte('h');
        EXPECT_TRUE(eventually([&] { return accepted->reader().readByte() == 'h'; }));
    }
    const std::string log = readWholeFile(logPath);
    const std::string clientPort = std::to_string(accepted->address().port());
    const std::regex expected("^" + stamp + " Server object created on port " + std::to_string(port) +
                              R"( \(SOCKET=\d+\)\n)" + stamp + " Connection received from 127.0.0.1 on port " +
                              clientPort + "\n" + stamp + " Server closed\n$");
    EXPECT_TRUE(std::regex_match(log, expected)) << log;
}

TEST(Server, AcceptedConnectionDoesNotWaitForBytes)
{
    const int port = loopback::freePort();
    Server server(port, nullptr);
    ASSERT_FALSE(server.hasFailed());
    const int client = loopback::connectTo(port);
    ASSERT_GE(client, 0);
    heron::counted_ptr<NetConnection> accepted;
    ASSERT_TRUE(eventually([&] { return static_cast<bool>(accepted = server.acceptConnection()); }));
    EXPECT_EQ(accepted->reader().readByte(), -1);
    EXPECT_EQ(accepted->reader().peekByte(), -1);
    EXPECT_TRUE(accepted->reader().isOK());
    close(client);
}

TEST(Server, PortInUseOrBeyondSixteenBitsFailsWithBindAndLogsTheClose)
{
    TempFolder folder;
    const std::string logPath = (folder.path() / "server.log").string();
    const int port = loopback::freePort();
    {
        Server first(port, nullptr);
        ASSERT_FALSE(first.hasFailed());
        Server second(port, logPath.c_str());
        EXPECT_TRUE(second.hasFailed());
        EXPECT_EQ(second.failureReason(), Server::BindFailed);
        EXPECT_FALSE(static_cast<bool>(second.takeConnection()));
    }
    EXPECT_TRUE(std::regex_match(readWholeFile(logPath), std::regex("^" + stamp + " Server closed\n$")));
    for (const int wrong : {port + 65536, -1}) {
        TempLog log;
        Server server(wrong, nullptr);
        EXPECT_EQ(server.failureReason(), Server::BindFailed) << wrong;
        EXPECT_EQ(loopback::connectTo(port), -1) << wrong;
        EXPECT_TRUE(log.contains("not a TCP port")) << wrong;
    }
}

// Connects from an address the server drops never reach its queue, while other addresses and the
// connections made before get through; dropping none lets the address in again.
TEST(Server, ConnectsFromADroppedAddressNeverReachTheQueue)
{
    Server server(0, nullptr);
    ASSERT_FALSE(server.hasFailed());
    const int before = loopback::connectTo(server.port(), 0x7f000002);
    ASSERT_GE(before, 0);
    heron::counted_ptr<NetConnection> established;
    ASSERT_TRUE(eventually([&] { return static_cast<bool>(established = server.acceptConnection()); }));
    ASSERT_EQ(server.dropConnectsFrom({0x7f000002, 0x7f000009}), 0);
    const int dropped = loopback::startConnect(server.port(), 0x7f000002);
    ASSERT_GE(dropped, 0);
    const int other = loopback::connectTo(server.port(), 0x7f000003);
    ASSERT_GE(other, 0);
    heron::counted_ptr<NetConnection> accepted;
    ASSERT_TRUE(eventually([&] { return static_cast<bool>(accepted = server.acceptConnection()); }));
    EXPECT_EQ(accepted->address().address(), 0x7f000003u);
    EXPECT_FALSE(server.acceptConnection());
    ASSERT_TRUE(loopback::sendAll(before, "x"));
    char got = 0;
    EXPECT_TRUE(eventually([&] { return established->reader().read(&got, 1) == 1; }));
    ASSERT_EQ(server.dropConnectsFrom({}), 0);
    const int again = loopback::connectTo(server.port(), 0x7f000002);
    EXPECT_GE(again, 0);
    for (int s : {before, dropped, other, again}) {
        close(s);
    }
}
