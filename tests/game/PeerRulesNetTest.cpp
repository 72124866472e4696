#include "game/NetworkPlayFixture.h"

#include "game/Counter.h"
#include "net/PlayerNames.h"

#include <sys/socket.h>

namespace
{

using namespace networkplay;

// The peer sends a packet whose body is one string.
bool sendNamed(const ScriptedPeer& peer, char kind, const heron_string& name)
{
    heron::MemoryDataDest out;
    PacketWriter().writeNamed(out, kind, name);
    return peer.sendNow(out);
}

// Each kind a player sends when its person acts is taken a few times a window at most, judged
// before any name is looked up: the first packet past the count logs one line.
TEST_F(NetworkPlayTest, EachKindAPlayerSendsIsTakenAtItsCount)
{
    const int port = server->network().listeningPort();
    const struct
    {
        char kind;
        int count;
        const char* dropped;
    } kinds[] = {
        {'+', 2, "Takes from 127.0.0.2:"}, {'L', 2, "Levels from 127.0.0.2:"}, {'m', 3, "Chat from 127.0.0.2:"},
        {'r', 2, "Rings from 127.0.0.2:"}, {'p', 1, "Identities from 127.0.0.2:"},
    };
    for (const auto& each : kinds) {
        SCOPED_TRACE(each.kind);
        ScriptedPeer eve(port, 0x7f000002);
        ASSERT_TRUE(identify(eve, std::string("Eve") + each.kind));
        ticks(60);
        const LogCapture log;
        heron::MemoryDataDest out;
        PacketWriter writer;
        // The identity already sent is the first of its window.
        for (int i = each.kind == 'p' ? 1 : 0; i <= each.count; ++i) {
            if (each.kind == 'm') {
                writer.writeMessage(out, chatLine((std::string("Eve") + each.kind).c_str(), 0, "hi"));
            } else if (each.kind == 'p') {
                writer.writeIdentity(out, "Sky", 0);
            } else {
                writer.writeNamed(out, each.kind, "Sky");
            }
        }
        ASSERT_TRUE(eve.sendNow(out));
        ticks(2);
        EXPECT_EQ(log.count(each.dropped), 1);
        EXPECT_TRUE(log.contains(each.kind == 'p' ? "dropped: more than 1 in 10 seconds\n"
                                                  : "dropped: more than " + std::to_string(each.count) + " a second\n"));
    }
}

// A level change is logged only when it changes the avatar's level, and a ring for this machine's
// avatar stops at a full ring counter.
TEST_F(NetworkPlayTest, ALevelIsLoggedOnChangeAndRingsStopAtAFullCounter)
{
    const LogCapture log;
    ScriptedPeer eve(server->network().listeningPort(), 0x7f000002);
    ASSERT_TRUE(identify(eve, "Eve"));
    ASSERT_TRUE(sendNamed(eve, '+', slot(*server, 1).name()));
    ASSERT_TRUE(until([&] { return !slot(*server, 1).isAvailable(); }));
    ASSERT_TRUE(sendNamed(eve, 'L', "Sea"));
    ticks(2);
    EXPECT_FALSE(log.contains("Net player is on level"));
    ASSERT_TRUE(sendNamed(eve, 'L', "Sky"));
    ticks(2);
    EXPECT_EQ(log.count("Net player is on level Sky"), 1);
    ASSERT_TRUE(server->logic().holdAvatar(&slot(*server, 0)));
    Counter& rings = *server->ringCounter();
    rings.collected.assign(63, nullptr);
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(sendNamed(eve, 'r', slot(*server, 0).name()));
        ticks(60);
    }
    EXPECT_EQ(rings.count(), 64u);
    EXPECT_TRUE(log.contains("the ring counter is full"));
}

// A take or a level change past its count waits and is taken once the count allows, the last one
// sent: the server shows the avatar the player last took, on the level it last entered.
TEST_F(NetworkPlayTest, ATakeOrLevelPastItsCountIsTakenOnceTheCountAllows)
{
    ScriptedPeer eve(server->network().listeningPort(), 0x7f000002);
    ASSERT_TRUE(identify(eve, "Eve"));
    ticks(2);
    heron::MemoryDataDest out;
    PacketWriter writer;
    for (std::size_t index : {1, 0, 1}) {
        writer.writeNamed(out, '+', slot(*server, index).name());
    }
    for (const char* level : {"Sky", "Sea", "Sky"}) {
        writer.writeLevel(out, level);
    }
    ASSERT_TRUE(eve.sendNow(out));
    ticks(2);
    const NetworkPlayer& player = *server->network().players().back();
    EXPECT_EQ(player.heldAvatar(), &slot(*server, 0));
    ticks(60);
    EXPECT_EQ(player.heldAvatar(), &slot(*server, 1));
    EXPECT_EQ(slot(*server, 1).level(), server->levelNamed("Sky"));
}

// A player that sends much and then closes is heard to its last packet, read a share a tick; the
// avatar it held goes home, free to take, whatever level it was on.
TEST_F(NetworkPlayTest, APlayerWhoLeavesIsHeardToTheEndAndItsAvatarGoesHome)
{
    auto eve = std::make_unique<ScriptedPeer>(server->network().listeningPort(), 0x7f000002);
    ASSERT_TRUE(identify(*eve, "Eve"));
    ASSERT_TRUE(sendNamed(*eve, '+', slot(*server, 1).name()));
    heron::MemoryDataDest out;
    PacketWriter().writeLevel(out, "Sky");
    ASSERT_TRUE(eve->sendNow(out));
    ASSERT_TRUE(until([&] { return slot(*server, 1).level() == server->levelNamed("Sky"); }));
    out.clear();
    for (int i = 0; i < 600; ++i) {
        writePacket(out, '=');
    }
    PacketWriter().writeMessage(out, chatLine("Eve", 0, "bye"));
    ASSERT_TRUE(eve->sendNow(out));
    eve.reset();
    ASSERT_TRUE(until([&] { return server->network().networkPlayerCount() == 2; }));
    EXPECT_TRUE(until([&] { return client[0]->network().client()->lastMessage().text == "[Eve] bye"; }));
    EXPECT_TRUE(slot(*server, 1).isAvailable());
    EXPECT_EQ(slot(*server, 1).level(), server->levelNamed("Sea"));
    EXPECT_NEAR(positionOf(slot(*server, 1)).x, 50.0, 1e-6);
}

// A server's level changes are taken a few hundred a second at most, and rings up to a full ring
// counter: the rest is dropped.
TEST_F(ScriptedServerTest, EachKindAServerSendsIsTakenAtItsCount)
{
    const LogCapture log;
    Look& ann = *client[0];
    for (int i = 0; i < 256; ++i) {
        writer.writeLevel(out, 1, "Sky");
    }
    writer.writeLevel(out, 1, "Sea");
    ASSERT_TRUE(sendNow(peer, out));
    ticks(2);
    EXPECT_TRUE(log.contains("Level changes from the server dropped: more than 256 a second"));
    EXPECT_EQ(slot(ann, 1).level(), ann.levelNamed("Sky"));
    ann.ringCounter()->collected.assign(62, nullptr);
    out.clear();
    for (int i = 0; i < 4; ++i) {
        writePacket(out, 'r');
    }
    ASSERT_TRUE(sendNow(peer, out));
    ticks(2);
    EXPECT_EQ(ann.ringCounter()->count(), 64u);
}

// A crowd's chat reaches a client's screen shared among its senders: a player who says one line
// while a hundred others say three each is shown it.
TEST_F(ScriptedServerTest, AClientShowsEachSenderItsPartOfTheChat)
{
    Look& ann = *client[0];
    const auto crowdSays = [&] {
        for (int line = 0; line < 3; ++line) {
            for (int sender = 0; sender < 100; ++sender) {
                writer.writeMessage(out, chatLine(("Loud" + std::to_string(sender)).c_str(), 0, "talk"));
            }
        }
    };
    // The second before: the crowd talks.
    crowdSays();
    ASSERT_TRUE(sendNow(peer, out));
    out.clear();
    ticks(60);
    crowdSays();
    writer.writeMessage(out, chatLine("Bob", 0, "hello"));
    ASSERT_TRUE(sendNow(peer, out));
    ticks(2);
    EXPECT_EQ(ann.network().client()->lastMessage().text, "[Bob] hello");
}

// Lines many peers cause together are logged at their pace: reports of damaged packets one a
// second, and lines about connections (backlogs, refused connections, their write errors) six.
TEST_F(NetworkPlayTest, LinesPeersCauseTogetherAreLoggedAtTheirPace)
{
    const int port = server->network().listeningPort();
    std::vector<std::unique_ptr<ScriptedPeer>> peers;
    for (std::size_t i = 0; i < 2 * heron::limits::maxNetPlayersPerAddress; ++i) {
        peers.push_back(std::make_unique<ScriptedPeer>(port, 0x7f000010 + std::uint32_t(i % 2)));
        ASSERT_TRUE(identify(*peers.back(), "Peer" + std::to_string(i)));
    }
    ASSERT_TRUE(until([&] { return server->network().networkPlayerCount() == 2 + peers.size(); }));
    ticks(60);
    LogCapture log;
    for (int i = 0; i < 8; ++i) {
        const int reset = loopback::connectTo(port, 0x7f000010 + std::uint32_t(i % 2));
        const linger now{1, 0};
        setsockopt(reset, SOL_SOCKET, SO_LINGER, &now, sizeof now);
        close(reset);
    }
    ticks(5);
    EXPECT_LE(log.count("Refused a connection") + log.count("network write error"), 6);
    ticks(60);
    const LogCapture damaged;
    for (std::size_t i = 0; i < 5; ++i) {
        ASSERT_TRUE(loopback::sendAll(peers[i]->socket(), std::string("Q\0", 2)) && loopback::delivered(peers[i]->socket()));
    }
    ticks(5);
    EXPECT_EQ(damaged.count("Communication error"), 1);
    ticks(60);
    const LogCapture backlogs;
    const std::string filler(1000, '.');
    // More than the peers' systems take of it: every link keeps a backlog.
    for (int i = 0; i < 600; ++i) {
        server->network().broadcastMessage({("[Sam] " + std::to_string(i) + filler).c_str(), {}});
    }
    ticks(5);
    EXPECT_GE(backlogs.count("There's"), 1);
    EXPECT_LE(backlogs.count("There's"), 6);
}

}
