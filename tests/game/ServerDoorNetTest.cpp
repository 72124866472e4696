#include "game/NetworkPlayFixture.h"

namespace
{

using namespace networkplay;

// Hundreds of addresses connected and reset while the server stood still (a server of a few ticks a
// second): what they left in the queue holds no place, and a newcomer behind them gets the world.
TEST_F(NetworkPlayTest, ConnectsResetInTheQueueHoldNoPlaceBeforeANewcomer)
{
    const int port = server->network().listeningPort();
    for (std::size_t i = 0; i < heron::limits::maxNetPlayers + 50; ++i) {
        loopback::connectAndReset(port, loopback::spreadAddress(i));
    }
    ScriptedPeer newcomer(port, 0x7f000003);
    fakeNow() += 0.25;
    server->network().updateNetwork();
    newcomer.acknowledgeMotion();
    EXPECT_EQ(newcomer.received('W'), 1);
}

// Refused connections are told why four a second at most from one address and sixteen in all, of
// which addresses refused already in their second take half at most.
TEST_F(NetworkPlayTest, RefusalsAreToldAFewASecondLeavingAPartForAddressesNotYetTold)
{
    const int port = server->network().listeningPort();
    const std::size_t share = heron::limits::maxNetPlayersPerAddress;
    std::vector<std::unique_ptr<ScriptedPeer>> shares;
    for (std::size_t i = 0; i < 9 * share; ++i) {
        shares.push_back(std::make_unique<ScriptedPeer>(port, loopback::spreadAddress(i / share)));
    }
    ASSERT_TRUE(until([&] { return server->network().networkPlayerCount() == 2 + shares.size(); }));
    std::vector<int> refused;
    for (std::size_t i = 0; i < 9 * 5; ++i) {
        refused.push_back(loopback::connectTo(port, loopback::spreadAddress(i / 5)));
    }
    tick();
    std::vector<int> told(9);
    for (std::size_t i = 0; i < refused.size(); ++i) {
        told[i / 5] += refusalTo(refused[i]) == "Too many connections from your address" ? 1 : 0;
        close(refused[i]);
    }
    EXPECT_EQ(told, (std::vector<int>{4, 4, 3, 1, 1, 1, 1, 1, 0}));
}

// An address resetting its connects faster than any honest player retries, among hundreds that come
// once each, is remembered and its connects dropped.
TEST_F(NetworkPlayTest, AFlooderAmongManyAddressesHasItsConnectsDropped)
{
    const LogCapture log;
    for (std::size_t i = 0; i < 600; ++i) {
        loopback::connectAndReset(server->network().listeningPort(), loopback::spreadAddress(i));
        if (i % 8 == 0) {
            loopback::connectAndReset(server->network().listeningPort(), 0x7f000002);
        }
    }
    tick();
    EXPECT_EQ(log.count("Dropping the connects of 127.0.0.2 "), 1);
}

// When the system will not drop an address's connects, the log says so, and later refusals try again.
TEST_F(NetworkPlayTest, ConnectsTheSystemWillNotDropAreLoggedAndTriedAgain)
{
    const LogCapture log;
    // Every socket's filter locked, the listening one's among them, the system refuses a new one.
    const int on = 1;
    for (int descriptor = 0; descriptor < 1024; ++descriptor) {
        setsockopt(descriptor, SOL_SOCKET, SO_LOCK_FILTER, &on, sizeof on);
    }
    fakeNow() += 1.0;
    for (int i = 0; i < 70; ++i) {
        loopback::connectAndReset(server->network().listeningPort(), 0x7f000002);
    }
    tick();
    EXPECT_FALSE(log.contains("Dropping the connects"));
    EXPECT_GE(log.count("The system would not drop the connects of 127.0.0.2 "), 2);
}

}
