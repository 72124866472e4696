#include "game/NetworkPlayFixture.h"

#include <regex>

namespace
{

using namespace networkplay;

TEST_F(NetworkPlayTest, TakenAvatarIsUnavailableToTheOthers)
{
    annTakesHerAvatar();
    EXPECT_EQ(client[0]->logic().heldAvatar(), &slot(*client[0], 0));
    EXPECT_EQ(server->network().players()[0]->heldAvatar(), &slot(*server, 0));
    EXPECT_FALSE(slot(*server, 0).isAvailable());
    ASSERT_TRUE(until([&] { return !slot(*client[1], 0).isAvailable(); }));
    EXPECT_TRUE(slot(*client[1], 1).isAvailable());
    // Bob standing on Ann's avatar cannot take it.
    placeEye(*client[1], {0.0, 0.0, 0.0});
    ticks(20);
    EXPECT_EQ(client[1]->logic().heldAvatar(), nullptr);
}

TEST_F(NetworkPlayTest, MotionIsReplayedSmoothlyOnTheOtherClient)
{
    annTakesHerAvatar();
    flyAnnTo20(*client[0], {client[1].get()});
    EXPECT_NEAR(positionOf(slot(*server, 0)).x, 20.0, 1e-4);
}

// The server's own player holds an avatar as a client's player does: every client sees it fly.
TEST_F(NetworkPlayTest, ServerPlayersMotionIsReplayedSmoothlyOnEveryClient)
{
    placeEye(*server, {0.0, 0.0, 0.0});
    tick();
    ASSERT_EQ(server->logic().heldAvatar(), &slot(*server, 0));
    placeEye(*server, faraway);
    ASSERT_TRUE(until([&] { return !slot(*client[0], 0).isAvailable() && !slot(*client[1], 0).isAvailable(); }));
    flyAnnTo20(*server, {client[0].get(), client[1].get()});
}

// The server plays out the motion of a glider let go: everyone sees it rest where its holder let
// it go, the holder without seeing it go back first; one let go as its holder takes another or
// leaves is put there at once.
TEST_F(NetworkPlayTest, AGliderLetGoRestsWhereItsHolderLetItGo)
{
    annTakesHerAvatar();
    finch::Matrix there;
    there.setTranslation({20.0, 0.0, 0.0});
    slot(*client[0], 0).object().setTransform(there);
    ticks(5);
    client[0]->dropHeldAvatar();
    double annSaw = 20.0;
    ASSERT_TRUE(until([&] { return positionOf(slot(*client[1], 0)).x > 19.99; },
                      [&] { annSaw = std::min(annSaw, positionOf(slot(*client[0], 0)).x); }));
    ticks(100);
    EXPECT_NEAR(positionOf(slot(*server, 0)).x, 20.0, 1e-4);
    EXPECT_NEAR(std::min(annSaw, positionOf(slot(*client[0], 0)).x), 20.0, 1e-4);
    for (const bool leaves : {true, false}) {
        auto eve = std::make_unique<ScriptedPeer>(server->network().listeningPort(), 0x7f000002);
        heron::MemoryDataDest out;
        PacketWriter writer;
        writer.writeIdentity(out, leaves ? "Eve" : "Fay", 0xFFFFFF);
        writer.writeNamed(out, '+', slot(*server, 1).name());
        const MotionSample sample{1, 0.0f, leaves ? 70.0f : 80.0f};
        writer.writeSample(out, sample);
        writePacket(out, '-');
        if (!leaves) {
            writer.writeNamed(out, '+', slot(*server, 0).name());
        }
        ASSERT_TRUE(eve->sendNow(out));
        if (leaves) {
            eve.reset();
        }
        ticks(10);
        EXPECT_NEAR(positionOf(slot(*server, 1)).x, sample.x, 1e-4) << leaves;
    }
}

// A level change waiting for its count lands on the glider it was sent for: the one held when its
// holder lets go or takes another first, the one a waiting take takes when sent behind it.
TEST_F(NetworkPlayTest, AWaitingLevelLandsOnItsOwnGlider)
{
    ScriptedPeer eve(server->network().listeningPort(), 0x7f000002);
    ASSERT_TRUE(identify(eve, "Eve"));
    Level* const sky = server->levelNamed("Sky");
    // b and a take Bob's and Ann's gliders, S and e enter Sky and Sea, - lets go.
    for (const std::string script : {"bSeS-", "bSeSa", "babSb"}) {
        heron::MemoryDataDest out;
        PacketWriter writer;
        for (const char step : script) {
            if (step == 'S' || step == 'e') {
                writer.writeLevel(out, step == 'S' ? "Sky" : "Sea");
            } else {
                step == '-' ? writePacket(out, '-') : writer.writeNamed(out, '+', slot(*server, step == 'a' ? 0 : 1).name());
            }
        }
        ASSERT_TRUE(eve.sendNow(out));
        ticks(100);
        EXPECT_EQ(slot(*server, 1).level(), sky) << script;
        EXPECT_NE(slot(*server, 0).level(), sky) << script;
        out.clear();
        writePacket(out, '-');
        ASSERT_TRUE(eve.sendNow(out));
        slot(*server, 1).setLevel(server->levelNamed("Sea"));
    }
}

TEST_F(NetworkPlayTest, LevelChangeMovesTheAvatarOutOfSight)
{
    annTakesHerAvatar();
    client[0]->setCurrentLevel(client[0]->levelNamed("Sky"));
    ASSERT_TRUE(until([&] { return slot(*client[1], 0).level() == client[1]->levelNamed("Sky"); }));
    EXPECT_EQ(slot(*server, 0).level(), server->levelNamed("Sky"));
    tick();
    EXPECT_FALSE(slot(*client[1], 0).isVisible());
    EXPECT_TRUE(slot(*client[1], 1).isVisible());
}

// Names longer than the wire carries (161-byte avatar names with a two-byte character across the
// cut, 143-byte level names): the world list matches, and a take, a level change and a ring all
// find their avatar and level at the other end.
class LongNamePlayTest : public NetworkPlayTest
{
protected:
    LongNamePlayTest() : NetworkPlayTest(longNamedWorld(), {longName('a'), longName('b')}) {}

    // 150 bytes, so "/objects/" + name + "$0" takes 161, with its 128th and 129th bytes one character.
    static std::string longName(char fill) { return std::string(118, fill) + "\xC3\xA9" + std::string(30, fill); }

    static std::string longNamedWorld()
    {
        std::string text = avatarWorld;
        text.replace(text.find("\"Sea\""), 5, '"' + longSea + '"');
        text.replace(text.find("\"Sky\""), 5, '"' + longSky + '"');
        return text;
    }

    inline static const std::string longSea = "Sea" + std::string(140, 'e');
    inline static const std::string longSky = "Sky" + std::string(140, 'y');
};

TEST_F(LongNamePlayTest, LongNamesFindTheirAvatarAndLevelAtTheOtherEnd)
{
    ASSERT_EQ(slot(*server, 0).name().length(), 161u);
    annTakesHerAvatar();
    EXPECT_EQ(server->network().players()[0]->heldAvatar(), &slot(*server, 0));
    client[0]->setCurrentLevel(client[0]->levelNamed(longSky.c_str()));
    ASSERT_TRUE(until([&] { return slot(*client[1], 0).level() == client[1]->levelNamed(longSky.c_str()); }));
    EXPECT_EQ(slot(*server, 0).level(), server->levelNamed(longSky.c_str()));
    client[1]->ringCounter()->collected.push_back(nullptr);
    client[1]->network().ringAvatar(slot(*client[1], 0));
    ASSERT_TRUE(until([&] { return client[0]->ringCounter()->count() == 1; }));
}

TEST_F(NetworkPlayTest, ChatReachesEveryPlayerWithItsColours)
{
    const ColouredText said{"[Ann] hi", {red, red, red, red, red, red, green, green}};
    client[0]->network().broadcastMessage(said);
    ASSERT_TRUE(until([&] { return client[1]->network().client()->lastMessage().text == said.text; }));
    EXPECT_EQ(client[1]->network().client()->lastMessage().colours, said.colours);
    EXPECT_EQ(server->network().players()[0]->lastMessage().colours, said.colours);
    EXPECT_EQ(OverlayConsole::line(0).text, said.text);
}

TEST_F(NetworkPlayTest, MaestroFlashShowsOnEveryClient)
{
    server->network().announceMaestro("Sam");
    // Every world opens with a blank flash; the announcement replaces it.
    const auto announced = [](const Look& world) { return world.flash() != nullptr && world.flash()->text() != " "; };
    ASSERT_TRUE(until([&] { return announced(*client[0]) && announced(*client[1]); }));
    EXPECT_EQ(client[0]->flash()->text(), "Sam is the Maestro!");
    EXPECT_EQ(client[1]->flash()->text(), "Sam is the Maestro!");
}

TEST_F(NetworkPlayTest, PlayersListNamesEveryoneInTheirColours)
{
    const std::vector<ColouredText> bobSees = client[1]->network().playersList();
    ASSERT_EQ(bobSees.size(), 3u);
    EXPECT_EQ(bobSees[0].text, "Other players:");
    EXPECT_EQ(bobSees[1].text, "  Sam");
    EXPECT_EQ(bobSees[1].colours.back(), 0x0000FFu);
    EXPECT_EQ(bobSees[2].text, "  Ann");
    EXPECT_EQ(bobSees[2].colours.back(), red);
    const std::vector<ColouredText> samSees = server->network().playersList();
    ASSERT_EQ(samSees.size(), 3u);
    EXPECT_EQ(samSees[0].text, "Connected players:");
    EXPECT_EQ(samSees[1].text, "  Ann");
    EXPECT_EQ(samSees[2].text, "  Bob");
    EXPECT_EQ(samSees[2].colours.front(), green);
    EXPECT_EQ(connectionStatus(server->network().state()), "Running as a server with 2 connections");
}

TEST_F(NetworkPlayTest, RingPassesFromOneClientToTheHolder)
{
    annTakesHerAvatar();
    ASSERT_TRUE(until([&] { return !slot(*client[1], 0).isAvailable(); }));
    client[1]->ringCounter()->collected.push_back(nullptr);
    client[1]->network().ringAvatar(slot(*client[1], 0));
    EXPECT_EQ(client[1]->ringCounter()->count(), 0u);
    ASSERT_TRUE(until([&] { return client[0]->ringCounter()->count() == 1; }));
    // The server only passed the ring on: its own rings are untouched.
    EXPECT_EQ(server->ringCounter()->count(), 0u);
}

// Damaged packets from a scripted peer: each drops that peer, and the players play on.
TEST_F(NetworkPlayTest, DamagedPacketsDropOnlyTheirSender)
{
    annTakesHerAvatar();
    const struct
    {
        const char* what;
        std::string bytes;
    } damaged[] = {
        {"a line end as its kind", std::string("\n\x01?", 3)},
        {"string past the body", std::string("+\x02\x05" "a", 4)},
        {"length beyond the cap", std::string("m\xFF\xFF\xFF\xFF\x7F", 6)},
        {"colour run past the body", std::string("m\x04\x02hi\x01", 6)},
        {"motion sample cut short", std::string("A\x03\x00\x00\x00", 5)},
        {"players entry without a colour", std::string("p\x02\x01x", 4)},
        {"a kind nobody sends", std::string("Z\x01?", 3)},
        {"a kind only servers send", std::string("~\x02" "11", 4)},
    };
    const LogCapture log;
    for (const auto& each : damaged) {
        const int peer = loopback::connectTo(server->network().listeningPort());
        ASSERT_GE(peer, 0);
        ASSERT_TRUE(until([&] { return server->network().networkPlayerCount() == 3; })) << each.what;
        // Named, so that only the damage can close the connection before long.
        ASSERT_TRUE(loopback::sendAll(peer, std::string("p\x08\x03" "Eve\xFF\xFF\xFF\x00", 10) + each.bytes));
        int ticks = 0;
        EXPECT_TRUE(until([&] { return server->network().networkPlayerCount() == 2; }, [&] { ++ticks; })) << each.what;
        EXPECT_LT(ticks, 10) << each.what;
        close(peer);
    }
    // A kind byte the log cannot show stands as '?', so that no peer breaks its lines.
    EXPECT_TRUE(log.contains("packet=?  ")) << log.text();
    EXPECT_FALSE(log.contains("packet=\n")) << log.text();
    // Ann's motion still reaches Bob.
    finch::Matrix placed;
    placed.setTranslation({3.0, 4.0, 0.0});
    slot(*client[0], 0).object().setTransform(placed);
    EXPECT_TRUE(until([&] { return positionOf(slot(*client[1], 0)).y > 3.99; }));
}

// Motion for an avatar the peer does not hold is passed over: the peer stays, and moves nothing.
TEST_F(NetworkPlayTest, ForeignMotionIsIgnored)
{
    annTakesHerAvatar();
    const int peer = loopback::connectTo(server->network().listeningPort());
    ASSERT_GE(peer, 0);
    // Samples moving Bob's avatar, which the peer does not hold, to x = 1 over a second; then a
    // name by which to know that all was read.
    heron::MemoryDataDest out;
    PacketWriter writer;
    for (int i = 0; i < 5; ++i) {
        writer.writeSample(out, MotionSample{1, 0.25f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f});
    }
    writer.writeIdentity(out, "Eve", 0xFFFFFF);
    ASSERT_TRUE(loopback::sendAll(peer, std::string(reinterpret_cast<const char*>(out.data()), out.size())));
    ASSERT_TRUE(until([&] {
        const auto& players = server->network().players();
        return players.size() == 3 && players[2]->identity().name == "Eve";
    }));
    EXPECT_EQ(server->network().networkPlayerCount(), 3u);
    ticks(100);
    EXPECT_NEAR(positionOf(slot(*server, 1)).x, 50.0, 1e-6);
    close(peer);
}


TEST_F(NetworkPlayTest, ServerPacesMotionInTime)
{
    ScriptedPeer peer(server->network().listeningPort());
    ASSERT_TRUE(peer.isConnected());
    ASSERT_TRUE(until([&] { return server->network().networkPlayerCount() == 3; }));
    int motion = 0;
    constexpr int ticks = 60;
    for (int i = 0; i < ticks; ++i) {
        tick();
        motion += peer.acknowledgeMotion();
    }
    // Two avatars, each at most 30 samples a second of network time (1.2 s here).
    EXPECT_LE(motion, 2 * (ticks * 0.02 * 30 + 1));
    EXPECT_GT(motion, 0);
}

TEST_F(NetworkPlayTest, SurplusAcknowledgementsKeepTheWindowShut)
{
    ScriptedPeer peer(server->network().listeningPort());
    ASSERT_TRUE(peer.isConnected());
    heron::MemoryDataDest out;
    for (int i = 0; i < 200; ++i) {
        writePacket(out, 'a');
    }
    PacketWriter().writeIdentity(out, "Eve", 0xFFFFFF);
    ASSERT_TRUE(peer.send(out));
    ASSERT_TRUE(until([&] {
        const auto& players = server->network().players();
        return players.size() == 3 && players[2]->identity().name == "Eve";
    }));
    ticks(50);
    // The peer acknowledged nothing it was sent: at most the window is in flight.
    EXPECT_GE(server->network().players()[2]->unacknowledged(), 0);
    EXPECT_LE(server->network().players()[2]->unacknowledged(), 20);
}

TEST_F(NetworkPlayTest, ResetPeerIsDroppedWithoutHarm)
{
    const int peer = loopback::connectTo(server->network().listeningPort());
    ASSERT_GE(peer, 0);
    ASSERT_TRUE(until([&] { return server->network().networkPlayerCount() == 3; }));
    // Closing with a zero linger resets the connection while the server still writes to it.
    const linger abort{1, 0};
    setsockopt(peer, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    close(peer);
    EXPECT_TRUE(until([&] { return server->network().networkPlayerCount() == 2; }));
}

TEST_F(NetworkPlayTest, SecondTakerOfAnAvatarIsToldToDropIt)
{
    placeEye(*client[0], {0.0, 0.0, 0.0});
    placeEye(*client[1], {0.0, 0.0, 0.0});
    const auto holders = [&] {
        return int(client[0]->logic().heldAvatar() != nullptr) + int(client[1]->logic().heldAvatar() != nullptr);
    };
    ASSERT_TRUE(until([&] { return !server->network().players().empty() && !slot(*server, 0).isAvailable(); }));
    ticks(100);
    EXPECT_EQ(holders(), 1);
    const bool annHolds = client[0]->logic().heldAvatar() != nullptr;
    EXPECT_EQ(server->network().players()[annHolds ? 0 : 1]->heldAvatar(), &slot(*server, 0));
    EXPECT_EQ(server->network().players()[annHolds ? 1 : 0]->heldAvatar(), nullptr);
}

TEST_F(NetworkPlayTest, ServerSwitchedOffClosesEveryConnection)
{
    annTakesHerAvatar();
    server->network().setServing(false);
    tick();
    EXPECT_EQ(server->network().networkPlayerCount(), 0u);
    EXPECT_EQ(connectionStatus(server->network().state()), "Not connected");
    EXPECT_TRUE(slot(*server, 0).isAvailable());
    bool connecting = false;
    EXPECT_TRUE(until([&] { return !client[0]->network().isConnectedClient(connecting); }));
    EXPECT_EQ(connectionStatus(client[0]->network().state()), "Not connected");
}

TEST_F(NetworkPlayTest, ClientsListNobodyOnceTheServerHasGone)
{
    ASSERT_FALSE(client[0]->network().playersList().empty());
    server->network().setServing(false);
    bool connecting = false;
    ASSERT_TRUE(until([&] { return !client[0]->network().isConnectedClient(connecting); }));
    EXPECT_TRUE(client[0]->network().playersList().empty());
}

TEST_F(NetworkPlayTest, RefusedConnectLeavesTheClientAlone)
{
    client[0]->network().disconnect();
    client[0]->network().connectTo(heron::NetAddress(loopback::address, loopback::freePort()));
    bool connecting = false;
    EXPECT_TRUE(until([&] { return !client[0]->network().isConnectedClient(connecting); }));
    EXPECT_EQ(connectionStatus(client[0]->network().state()), "Not connected");
}

// A scripted server sends a client packets it may not send or cannot mean: the client passes
// them over and stays; a damaged one closes it, and the player is told so.
TEST_F(ScriptedServerTest, ClientPassesOverWhatAServerMayNotSend)
{
    Look& ann = *client[0];
    writer.writeNamed(out, '+', "/objects/ann$0");
    writePacket(out, 'Z', std::vector<unsigned char>{1, 2, 3});
    writer.writeSample(out, MotionSample{200, 0.1f, 1, 1, 1, 0, 0, 0});
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (int i = 0; i < 8; ++i) {
        writer.writeSample(out, MotionSample{1, 0.25f, nan, 0, 0, 0, 0, 0});
    }
    writePacket(out, '~', std::vector<unsigned char>{'0', '0', '0', '0', '0'});
    writer.writeMessage(out, {"ok", {}});
    ASSERT_TRUE(sendAll(peer, out));
    ASSERT_TRUE(until([&] { return ann.network().client()->lastMessage().text == "ok"; }));
    bool connecting = false;
    EXPECT_TRUE(ann.network().isConnectedClient(connecting));
    EXPECT_FALSE(slot(ann, 0).isAvailable());
    EXPECT_FALSE(slot(ann, 1).isAvailable());
    ticks(100);
    EXPECT_NEAR(positionOf(slot(ann, 1)).x, 50.0, 1e-6);
    ASSERT_TRUE(loopback::sendAll(peer, std::string("p\x03\x01\x05x", 5)));
    EXPECT_TRUE(until([&] { return !ann.network().isConnectedClient(connecting); }));
    EXPECT_STREQ(OverlayConsole::line(0).text.c_str(), "The server sent a damaged packet");
}

// A world list that does not fit the client's avatars closes the connection, saying why and then
// "error decoding the world" on a line of its own.
TEST_F(NetworkPlayTest, WorldListThatDoesNotFitClosesTheConnection)
{
    Look& ann = *client[0];
    const std::vector<WorldEntry> fitting = everyoneOnSea(ann);
    std::vector<WorldEntry> misnamed = fitting;
    misnamed[1].objectName = "/objects/eve$0";
    heron::MemoryDataDest foreignEntry;
    writePacket(foreignEntry, 'Q');
    writePacket(foreignEntry, 'E');
    const struct
    {
        const char* what;
        std::function<void(heron::MemoryDataDest&)> write;
        const char* lines;
    } lists[] = {
        {"one entry short", [&](heron::MemoryDataDest& out) { PacketWriter().writeWorld(out, {fitting[0]}); },
         "Bad avatar list - connection aborted\nerror decoding the world\n"},
        {"misnamed entry", [&](heron::MemoryDataDest& out) { PacketWriter().writeWorld(out, misnamed); },
         "Avatars don't match (/objects/eve$0  !=  /objects/bob$0)\nerror decoding the world\n"},
        {"foreign entry kind",
         [&](heron::MemoryDataDest& out) {
             writePacket(out, 'W', std::span<const unsigned char>(foreignEntry.data(), foreignEntry.size()));
         },
         "--------------------------\nerror decoding the world\nReason: "},
    };
    for (const auto& each : lists) {
        SCOPED_TRACE(each.what);
        const LogCapture log;
        const loopback::Listener scripted;
        const int peer = connectToScripted(ann, scripted);
        ASSERT_GE(peer, 0);
        heron::MemoryDataDest out;
        each.write(out);
        ASSERT_TRUE(sendAll(peer, out));
        bool connecting = false;
        EXPECT_TRUE(until([&] { return !ann.network().isConnectedClient(connecting); }));
        EXPECT_TRUE(log.contains(each.lines)) << log.text();
        EXPECT_FALSE(log.contains("Communication error")) << log.text();
        EXPECT_FALSE(log.contains("got the world")) << log.text();
        close(peer);
    }
}

// A server whose queue of connections is full leaves a connect pending: the client waits for it
// until the deadline, and only then gives up.
TEST_F(NetworkPlayTest, PendingConnectFailsOnlyAtItsDeadline)
{
    const int full = socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in any = loopback::endpoint(0);
    ASSERT_EQ(bind(full, reinterpret_cast<const sockaddr*>(&any), sizeof any), 0);
    ASSERT_EQ(listen(full, 0), 0);
    const int filler = loopback::connectTo(loopback::boundPort(full));
    ASSERT_GE(filler, 0);
    Look& ann = *client[0];
    ann.network().disconnect();
    ASSERT_TRUE(ann.network().connectTo(heron::NetAddress(loopback::address, loopback::boundPort(full))));
    ticks(100);
    EXPECT_EQ(connectionStatus(ann.network().state()), "Connecting to 127.0.0.1");
    bool connecting = false;
    EXPECT_TRUE(until([&] { return !ann.network().isConnectedClient(connecting); }));
    EXPECT_EQ(OverlayConsole::line(0).text, "Can't connect to server");
    close(filler);
    close(full);
}

// Connections that never say who they are: the server takes no more than a players list holds,
// refuses the rest, and closes the idle ones after a few seconds; the players stay connected and
// keep receiving throughout.
TEST_F(NetworkPlayTest, IdleConnectionsNeitherDisconnectNorCrowdOutThePlayers)
{
    const LogCapture log;
    std::vector<int> idle;
    for (std::size_t i = 0; i < 300; ++i) {
        idle.push_back(loopback::connectTo(server->network().listeningPort(), loopback::spreadAddress(i)));
        ASSERT_GE(idle.back(), 0);
    }
    ASSERT_TRUE(until([&] { return server->network().networkPlayerCount() == heron::limits::maxNetPlayers; }));
    // The refused ones are taken a few a tick.
    ticks(10);
    // The first peer refused is told why, and finds its connection ended.
    EXPECT_STREQ(refusalTo(idle[heron::limits::maxNetPlayers - 2]).c_str(), "The server is full");
    // One idle peer leaves, so every player is sent the players list again: it names only the
    // players who said who they are.
    close(idle.front());
    idle.erase(idle.begin());
    const ColouredText said{"[Bob] still here", {}};
    client[1]->network().broadcastMessage(said);
    ASSERT_TRUE(until([&] { return client[0]->network().client()->lastMessage().text == said.text; }));
    EXPECT_EQ(client[0]->network().playersList().size(), 3u);
    bool connecting = false;
    EXPECT_TRUE(client[0]->network().isConnectedClient(connecting));
    // The idle ones go once their time to say who they are has passed.
    ASSERT_TRUE(until([&] { return server->network().networkPlayerCount() == 2; }));
    EXPECT_TRUE(log.contains("it did not say who it is within 5 seconds\n")) << log.text().substr(0, 2000);
    EXPECT_TRUE(client[0]->network().isConnectedClient(connecting) && client[1]->network().isConnectedClient(connecting));
    EXPECT_FALSE(log.contains("bad players list"));
    const ColouredText later{"[Bob] and now", {}};
    client[1]->network().broadcastMessage(later);
    EXPECT_TRUE(until([&] { return client[0]->network().client()->lastMessage().text == later.text; }));
    for (int peer : idle) {
        close(peer);
    }
}

// Connections that queued up while a frame ran are all taken in the next ones, not one a frame.
TEST_F(NetworkPlayTest, WaitingConnectionsAreTakenTogether)
{
    constexpr std::size_t waiting = 100;
    std::vector<int> peers;
    for (std::size_t i = 0; i < waiting; ++i) {
        peers.push_back(loopback::connectTo(server->network().listeningPort(), loopback::spreadAddress(i)));
        ASSERT_GE(peers.back(), 0);
    }
    int ticks = 0;
    ASSERT_TRUE(until([&] { return server->network().networkPlayerCount() == 2 + waiting; }, [&] { ++ticks; }));
    EXPECT_LT(ticks, 10);
    for (int peer : peers) {
        close(peer);
    }
}

// A peer sending chat faster than anybody types: a few lines a second reach the others, the rest
// are dropped with one log line, and the peer's later chat gets through again.
TEST_F(NetworkPlayTest, ChatFloodIsRelayedAtAPersonsPace)
{
    ScriptedPeer peer(server->network().listeningPort());
    ASSERT_TRUE(peer.isConnected());
    heron::MemoryDataDest out;
    PacketWriter writer;
    writer.writeIdentity(out, "Eve", 0xFFFFFF);
    for (int i = 0; i < 50; ++i) {
        writer.writeMessage(out, {("[Eve] flood " + std::to_string(i)).c_str(), {}});
    }
    const LogCapture log;
    ASSERT_TRUE(peer.send(out));
    ASSERT_TRUE(until([&] { return log.contains("dropped: more than 3 a second\n"); }));
    ticks(10);
    // Each client logs every line it receives.
    EXPECT_EQ(log.count("Message: [Eve] flood "), 2 * 3);
    EXPECT_EQ(log.count("dropped: more than"), 1);
    ticks(60);
    out.clear();
    writer.writeMessage(out, {"[Eve] calm again", {}});
    ASSERT_TRUE(peer.send(out));
    EXPECT_TRUE(until([&] { return client[0]->network().client()->lastMessage().text == "[Eve] calm again"; }));
}

// One address holds a few connections at most: one more from it is refused with a message saying
// why, which a refused client shows on its console, while another address still gets in.
TEST_F(NetworkPlayTest, AddressHoldingItsShareIsRefusedWithAMessage)
{
    const int port = server->network().listeningPort();
    const std::size_t share = heron::limits::maxNetPlayersPerAddress;
    const auto players = [&] { return server->network().networkPlayerCount(); };
    // Ann and Bob connect from 127.0.0.1; identified peers from there fill its share.
    std::vector<int> peers;
    const auto connectFromAnnsAddress = [&] {
        heron::MemoryDataDest identity;
        PacketWriter().writeIdentity(identity, ("Eve" + std::to_string(peers.size())).c_str(), 0xFFFFFF);
        peers.push_back(loopback::connectTo(port));
        return sendAll(peers.back(), identity);
    };
    for (std::size_t i = 2; i < share; ++i) {
        ASSERT_TRUE(connectFromAnnsAddress());
    }
    const int refused = loopback::connectTo(port);
    const int elsewhere = loopback::connectTo(port, 0x7f000002);
    ASSERT_TRUE(until([&] { return players() == share + 1; }));
    EXPECT_STREQ(refusalTo(refused).c_str(), "Too many connections from your address");
    // Ann leaves, a peer takes her place, and Ann coming back is refused and told why.
    client[0]->network().disconnect();
    ASSERT_TRUE(until([&] { return players() == share; }));
    ASSERT_TRUE(connectFromAnnsAddress());
    ASSERT_TRUE(until([&] { return players() == share + 1; }));
    // A second later, as a player tries again.
    ticks(50);
    ASSERT_TRUE(client[0]->network().connectTo(heron::NetAddress(loopback::address, port)));
    bool connecting = false;
    EXPECT_TRUE(until([&] { return !client[0]->network().isConnectedClient(connecting); }));
    EXPECT_STREQ(OverlayConsole::line(0).text.c_str(), "Too many connections from your address");
    EXPECT_EQ(players(), share + 1);
    for (int peer : peers) {
        close(peer);
    }
    close(refused);
    close(elsewhere);
}

// 250 identified peers that never read, and one more sending a new identity every tick for 20 s:
// each player is sent the players list at most once a second, so the server's send queues (its
// own backlogs and the kernel's) stay small, and an honest peer's motion keeps its pace.
TEST_F(NetworkPlayTest, IdentityFloodNeitherFillsTheSendQueuesNorSlowsTheMotion)
{
    const int port = server->network().listeningPort();
    constexpr std::size_t silentPeers = 250;
    PacketWriter writer;
    heron::MemoryDataDest out;
    std::vector<int> silent;
    for (std::size_t i = 0; i < silentPeers; ++i) {
        silent.push_back(loopback::connectTo(port, loopback::spreadAddress(i)));
        out.clear();
        // Names as long as the wire carries, so that the players list is long.
        writer.writeIdentity(out, (std::to_string(i) + std::string(heron::limits::maxNetNameLength, 'p')).c_str(), 0x3366FF);
        ASSERT_TRUE(sendAll(silent.back(), out));
    }
    ScriptedPeer honest(port, loopback::spreadAddress(silentPeers));
    out.clear();
    writer.writeIdentity(out, "Honest", 0xFFFFFF);
    ASSERT_TRUE(honest.send(out));
    const int flood = loopback::connectTo(port, loopback::spreadAddress(silentPeers + 1));
    ASSERT_TRUE(until([&] { return server->network().networkPlayerCount() == silentPeers + 4; }));
    const auto queued = [&] {
        std::size_t bytes = loopback::kernelSendQueue(port);
        for (const auto& player : server->network().players()) {
            bytes += player->backlog();
        }
        return bytes;
    };
    constexpr int ticks = 1000;
    int motion = 0;
    for (int i = 0; i < ticks; ++i) {
        out.clear();
        writer.writeIdentity(out, i % 2 == 0 ? "Flood" : "Flood!", 0xFFFFFF);
        ASSERT_EQ(send(flood, out.data(), out.size(), MSG_DONTWAIT | MSG_NOSIGNAL), ssize_t(out.size()));
        tick();
        motion += honest.acknowledgeMotion();
        if (i % 50 == 49) {
            ASSERT_LT(queued(), std::size_t(64) << 20) << "after " << (i + 1) / 50 << " s";
        }
    }
    // Two avatars, each sampled every other tick (a thirtieth of a second at the least).
    EXPECT_GE(motion, ticks * 9 / 10);
    EXPECT_EQ(server->network().networkPlayerCount(), silentPeers + 4);
    for (int peer : silent) {
        close(peer);
    }
    close(flood);
}

// A peer that never reads and pings on: once its socket takes none of the answers waiting for it,
// it is dropped after half a minute, the kernel having held no more than the socket's fixed send
// buffer for it, and the bytes waiting logged at most once a second.
TEST_F(NetworkPlayTest, PeerThatTakesNothingIsDroppedAfterHalfAMinute)
{
    const LogCapture log;
    const int port = server->network().listeningPort();
    const int deaf = loopback::connectTo(port, 0x7f000002, 2048);
    heron::MemoryDataDest out;
    PacketWriter().writeIdentity(out, "Deaf", 0xFFFFFF);
    for (int i = 0; i < 300000; ++i) {
        writePacket(out, '=');
    }
    std::size_t sent = 0;
    ASSERT_TRUE(until([&] { return sent == out.size(); }, [&] {
        const ssize_t taken = send(deaf, out.data() + sent, out.size() - sent, MSG_DONTWAIT | MSG_NOSIGNAL);
        sent += std::size_t(std::max<ssize_t>(taken, 0));
    }));
    const auto& players = server->network().players();
    ASSERT_TRUE(until([&] { return players.size() == 3 && players[2]->backlog() > 0; }));
    EXPECT_LT(loopback::kernelSendQueue(port), 256u * 1024u);
    const int linesBefore = log.count("bytes to send");
    // A ping a second: never silent.
    int ticks = 0;
    ASSERT_TRUE(until([&] { return players.size() == 2; }, [&] {
        if (++ticks % 50 == 0) {
            ASSERT_TRUE(loopback::sendAll(deaf, std::string("=\0", 2)));
        }
    }));
    EXPECT_GE(ticks * 0.02, 30.0);
    EXPECT_LE(ticks * 0.02, 32.0);
    EXPECT_TRUE(log.contains("took none of the")) << log.text().substr(0, 2000);
    EXPECT_LE(log.count("bytes to send") - linesBefore, 32);
    bool connecting = false;
    EXPECT_TRUE(client[0]->network().isConnectedClient(connecting) && client[1]->network().isConnectedClient(connecting));
    close(deaf);
}

// A peer whose identity and rings wait unread while the server's tick comes late (a slow level
// load) is read before it is judged, so it stays; of its flood of rings at the server's own
// avatar two a second are heard, and the rest are dropped with one log line.
TEST_F(NetworkPlayTest, LateTickReadsBeforeJudgingAndARingFloodIsHeardTwiceASecond)
{
    placeEye(*server, {0.0, 0.0, 0.0});
    tick();
    ASSERT_EQ(server->logic().heldAvatar(), &slot(*server, 0));
    placeEye(*server, faraway);
    const LogCapture log;
    const int peer = loopback::connectTo(server->network().listeningPort());
    ASSERT_TRUE(until([&] { return server->network().networkPlayerCount() == 3; }));
    heron::MemoryDataDest out;
    PacketWriter writer;
    writer.writeIdentity(out, "Eve", 0xFFFFFF);
    for (int i = 0; i < 200; ++i) {
        writer.writeNamed(out, 'r', slot(*server, 0).name());
    }
    ASSERT_TRUE(sendAll(peer, out));
    fakeNow() += 6.0;
    ticks(100);
    ASSERT_EQ(server->network().networkPlayerCount(), 3u);
    EXPECT_EQ(server->network().players()[2]->identity().name, "Eve");
    EXPECT_EQ(server->ringCounter()->count(), 2u);
    EXPECT_EQ(log.count("Rings from"), 1);
    close(peer);
}

// Connections that come and go without end, each taken before it ends: the lines about them stay a
// few a second, and lines saying how many were left out account for all the others.
TEST_F(NetworkPlayTest, ConnectionChurnLogsAFewLinesASecondAndCountsTheRest)
{
    const LogCapture log;
    constexpr int churns = 60;
    for (int i = 0; i < churns; ++i) {
        const int peer = loopback::connectTo(server->network().listeningPort());
        tick();
        close(peer);
    }
    ASSERT_TRUE(until([&] { return server->network().networkPlayerCount() == 2; }));
    // Past the last second, so that its count is logged.
    ticks(60);
    const std::string text = log.text();
    const int leaving = log.count("~network player on ");
    const int logged = log.count("network player on ") + log.count("network connection closed.\n") +
                       log.count("network read error!");
    int leftOut = 0;
    const std::regex counted("\\((\\d+) more lines about connections left out\\)\n");
    for (auto line = std::sregex_iterator(text.begin(), text.end(), counted); line != std::sregex_iterator(); ++line) {
        leftOut += std::stoi((*line)[1]);
    }
    EXPECT_GT(leaving, 0);
    EXPECT_EQ(logged + leftOut, 3 * churns);
    // Six a second over the 2.4 s of network time.
    EXPECT_LE(logged, 6 * 3);
}

}
