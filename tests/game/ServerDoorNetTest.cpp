#include "game/NetworkPlayFixture.h"

namespace
{

using namespace networkplay;

// Hundreds of addresses connected and reset while the server stood still, as a server of a few
// ticks a second does: what they left in the queue holds no place, and a newcomer from another
// address behind them gets the world at the next tick.
TEST_F(NetworkPlayTest, ConnectsResetInTheQueueHoldNoPlaceBeforeANewcomer)
{
    const int port = server->network().listeningPort();
    for (std::size_t i = 0; i < heron::limits::maxNetPlayers + 50; ++i) {
        ASSERT_TRUE(loopback::connectAndReset(port, loopback::spreadAddress(i)));
    }
    ScriptedPeer newcomer(port, 0x7f000003);
    fakeNow() += 0.25;
    server->network().updateNetwork();
    newcomer.acknowledgeMotion();
    EXPECT_EQ(newcomer.received('W'), 1);
    EXPECT_EQ(server->network().networkPlayerCount(), 3u);
}

// Refused connections are told why four a second at most from one address and sixteen in all; of
// these, addresses refused already in their second take half at most, leaving the rest for
// addresses refused for the first time.
TEST_F(NetworkPlayTest, RefusalsAreToldAFewASecondLeavingAPartForAddressesNotYetTold)
{
    const int port = server->network().listeningPort();
    constexpr std::size_t addresses = 9;
    std::vector<std::unique_ptr<ScriptedPeer>> shares;
    for (std::size_t i = 0; i < addresses * heron::limits::maxNetPlayersPerAddress; ++i) {
        shares.push_back(std::make_unique<ScriptedPeer>(port, loopback::spreadAddress(i / heron::limits::maxNetPlayersPerAddress)));
    }
    ASSERT_TRUE(until([&] { return server->network().networkPlayerCount() == 2 + shares.size(); }));
    std::vector<std::vector<int>> refused(addresses);
    for (std::size_t address = 0; address < addresses; ++address) {
        for (int i = 0; i < 5; ++i) {
            refused[address].push_back(loopback::connectTo(port, loopback::spreadAddress(address)));
        }
    }
    tick();
    std::vector<int> told;
    for (const std::vector<int>& peers : refused) {
        told.push_back(0);
        for (int peer : peers) {
            told.back() += refusalTo(peer) == "Too many connections from your address" ? 1 : 0;
            close(peer);
        }
    }
    EXPECT_EQ(told, (std::vector<int>{4, 4, 3, 1, 1, 1, 1, 1, 0}));
}

// An address whose connects come faster than any honest player's, among hundreds of addresses that
// connect once each, is remembered and its connects dropped; a connect reset at once counts as a
// refused one.
TEST_F(NetworkPlayTest, AFlooderAmongManyAddressesHasItsConnectsDropped)
{
    const LogCapture log;
    const int port = server->network().listeningPort();
    for (std::size_t i = 0; i < 600; ++i) {
        ASSERT_TRUE(loopback::connectAndReset(port, loopback::spreadAddress(i)));
        if (i % 8 == 0) {
            ASSERT_TRUE(loopback::connectAndReset(port, 0x7f000002));
        }
    }
    tick();
    EXPECT_EQ(log.count("Dropping the connects of 127.0.0.2 "), 1);
}

// When the system will not drop an address's connects, the log says so, not that they are dropped,
// and the next refusals try again.
TEST_F(NetworkPlayTest, ConnectsTheSystemWillNotDropAreLoggedAndTriedAgain)
{
    const LogCapture log;
    const int port = server->network().listeningPort();
    ASSERT_TRUE(loopback::lockListeningFilter(port));
    fakeNow() += 1.0;
    for (int i = 0; i < 70; ++i) {
        ASSERT_TRUE(loopback::connectAndReset(port, 0x7f000002));
    }
    tick();
    EXPECT_FALSE(log.contains("Dropping the connects"));
    EXPECT_GE(log.count("The system would not drop the connects of 127.0.0.2 "), 2);
}

}
