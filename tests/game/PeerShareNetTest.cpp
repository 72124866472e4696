#include "game/NetworkPlayFixture.h"

#include "base/net/SocketCloser.h"
#include "gui/toolkit/Event.h"
#include "net/PlayerNames.h"

namespace
{

using namespace networkplay;

// Peers flooding pings and takes of an avatar nobody has: each tick reads each of them no more than
// its share, and the takes log a few lines a second, all peers together.
TEST_F(NetworkPlayTest, PeersFloodsAreReadAShareATickAndLogAFewLines)
{
    const LogCapture log;
    std::vector<std::unique_ptr<ScriptedPeer>> flooders;
    for (int i = 0; i < 4; ++i) {
        flooders.push_back(std::make_unique<ScriptedPeer>(server->network().listeningPort(), 0x7f000002));
    }
    ASSERT_TRUE(until([&] { return server->network().networkPlayerCount() == 6; }));
    PacketWriter writer;
    for (std::size_t i = 0; i < flooders.size(); ++i) {
        heron::MemoryDataDest out;
        writer.writeIdentity(out, ("Eve" + std::to_string(i)).c_str(), 0xFFFFFF);
        for (int n = 0; n < 2000; ++n) {
            writePacket(out, '=');
            writer.writeNamed(out, '+', "zz");
        }
        ASSERT_TRUE(flooders[i]->send(out));
    }
    tick();
    for (const auto& eve : flooders) {
        eve->acknowledgeMotion();
        // The ping a new player is sent, and the answers to the pings among the first 256 packets.
        EXPECT_LE(eve->received('='), 1 + 128);
    }
    ASSERT_TRUE(until([&] {
        return std::all_of(flooders.begin(), flooders.end(), [](const auto& eve) {
            eve->acknowledgeMotion();
            return eve->received('=') == 1 + 2000;
        });
    }));
    EXPECT_LE(log.count("couldn't find zz") + log.count("Takes from 127.0.0.2"), 4);
    EXPECT_GE(log.count("couldn't find zz"), 1);
    // Two takes a second of each are looked up, the rest dropped.
    EXPECT_GE(log.count("Takes from 127.0.0.2"), 1);
}

// A stream of connects from an address holding its share: a few a second are told why, the others
// are dropped at once, holding no socket open and logging a few lines; a newcomer from another
// address behind them gets in within a few ticks, as every tick takes all that waits.
TEST_F(NetworkPlayTest, RefusedConnectsAreToldWhileABudgetLastsAndANewcomerGetsInBehindThem)
{
    const int port = server->network().listeningPort();
    std::vector<std::unique_ptr<ScriptedPeer>> share;
    for (std::size_t i = 0; i < heron::limits::maxNetPlayersPerAddress; ++i) {
        share.push_back(std::make_unique<ScriptedPeer>(port, 0x7f000002));
        ASSERT_TRUE(identify(*share.back(), "Share" + std::to_string(i)));
    }
    ASSERT_TRUE(until([&] { return server->network().networkPlayerCount() == 2 + share.size(); }));
    const LogCapture log;
    std::vector<int> refused;
    for (int i = 0; i < 300; ++i) {
        refused.push_back(loopback::connectTo(port, 0x7f000002));
    }
    const ScriptedPeer newcomer(port, 0x7f000003);
    int waited = 0;
    ASSERT_TRUE(until([&] { return server->network().networkPlayerCount() == 3 + share.size(); }, [&] { ++waited; }));
    EXPECT_LE(waited, 5);
    EXPECT_LE(heron::SocketCloser::instance().pending(), 4u);
    int told = 0;
    for (int peer : refused) {
        told += refusalTo(peer) == "Too many connections from your address" ? 1 : 0;
        close(peer);
    }
    EXPECT_EQ(told, 4);
    EXPECT_LE(log.count("Refused a connection"), 6);
    EXPECT_EQ(log.count("Dropping the connects of 127.0.0.2 "), 1);
    EXPECT_FALSE(log.contains("network write error"));
    // Refused that fast, the address's connects are dropped for a while by the system, its players
    // staying; then it is told why again.
    const int dropped = loopback::startConnect(port, 0x7f000002);
    ticks(5);
    pollfd connected{dropped, POLLOUT, 0};
    EXPECT_EQ(poll(&connected, 1, 0), 0);
    close(dropped);
    ticks(600);
    EXPECT_EQ(server->network().networkPlayerCount(), 2 + share.size());
    const int later = loopback::connectTo(port, 0x7f000002);
    ticks(2);
    EXPECT_EQ(refusalTo(later), "Too many connections from your address");
    close(later);
}

// A line in sender's name that takes exactly bytes on the wire: a run of colour for each of its
// first characters, one for the rest.
ColouredText lineOfSize(const std::string& sender, std::uint32_t bytes)
{
    PacketWriter writer;
    for (std::size_t length = 1000;; --length) {
        const heron_string text = ("[" + sender + "] " + std::string(length, 'x')).c_str();
        const std::uint32_t runs = std::min((bytes - writer.messageSize({text, {}}) - 1) / 5, text.length());
        std::vector<std::uint32_t> colours(text.length(), 0);
        for (std::uint32_t i = 0; i + 1 < runs; ++i) {
            colours[i] = i + 1;
        }
        if (writer.messageSize({text, colours}) == bytes) {
            return {text, colours};
        }
    }
}

// Two loud talkers fill what the server passes on in a second before the honest one speaks: every
// line of the honest one reaches the others all the same.
TEST_F(NetworkPlayTest, LoudTalkersLeaveAnHonestTalkerHeard)
{
    const int port = server->network().listeningPort();
    std::vector<std::unique_ptr<ScriptedPeer>> loud;
    std::vector<heron::MemoryDataDest> bursts(2);
    PacketWriter writer;
    for (int i = 0; i < 2; ++i) {
        const std::string name = "Loud" + std::to_string(i);
        loud.push_back(std::make_unique<ScriptedPeer>(port, 0x7f000003 + i));
        ASSERT_TRUE(identify(*loud.back(), name));
        // Six lines that take 32 KiB together.
        for (int line = 0; line < 3; ++line) {
            writer.writeMessage(bursts[std::size_t(i)], lineOfSize(name, i == 1 && line == 2 ? 32768 - 5 * 6000 : 6000));
        }
    }
    std::vector<heron_string> heard;
    for (int second = 0; second < 4; ++second) {
        for (int i = 0; i < 2; ++i) {
            ASSERT_TRUE(loud[std::size_t(i)]->send(bursts[std::size_t(i)]));
        }
        ticks(5);
        client[0]->network().broadcastMessage({("[Ann] line " + std::to_string(second)).c_str(), {}});
        for (int i = 0; i < 50; ++i) {
            tick();
            const heron_string& last = client[1]->network().client()->lastMessage().text;
            if (heard.empty() || heard.back() != last) {
                heard.push_back(last);
            }
        }
    }
    EXPECT_EQ(std::count_if(heard.begin(), heard.end(), [](const heron_string& text) { return text.substr(0, 6) == "[Ann] "; }), 4);
}

// A peer that takes an avatar and then sends only pings: after five seconds without its motion the
// avatar goes home, free to take, and the peer is told to drop it.
TEST_F(NetworkPlayTest, AnAvatarWhoseHolderSendsNoMotionGoesHome)
{
    ScriptedPeer eve(server->network().listeningPort(), 0x7f000002);
    heron::MemoryDataDest out;
    PacketWriter().writeIdentity(out, "Eve", 0xFFFFFF);
    PacketWriter().writeNamed(out, '+', slot(*server, 1).name());
    ASSERT_TRUE(eve.send(out));
    ASSERT_TRUE(until([&] { return !slot(*server, 1).isAvailable(); }));
    finch::Matrix away;
    away.setTranslation({70.0, 0.0, 0.0});
    slot(*server, 1).object().setTransform(away);
    ticks(200);
    EXPECT_FALSE(slot(*server, 1).isAvailable());
    ticks(60);
    ASSERT_TRUE(slot(*server, 1).isAvailable());
    EXPECT_NEAR(positionOf(slot(*server, 1)).x, 50.0, 1e-6);
    eve.acknowledgeMotion();
    EXPECT_EQ(eve.received('-'), 1);
}

// A peer cannot speak as another: a name in use (letters in either case, spaces around them and
// bytes the console draws as spaces aside) or one holding a bracket is refused with a message, and
// lines in another's name or another's Maestro announcement are not passed on.
TEST_F(NetworkPlayTest, APeerSpeaksOnlyInItsOwnName)
{
    const LogCapture log;
    const int port = server->network().listeningPort();
    const struct
    {
        const char* name;
        const char* told;
    } refusals[] = {
        {" sAm ", "The name  sAm  is taken: choose another"},
        {"Ann\xE9", "The name Ann\xE9 is taken: choose another"},
        {"Sam] The server restarts now [Bye", "A name cannot hold [ or ]: choose another"},
    };
    for (const auto& each : refusals) {
        ScriptedPeer peer(port, 0x7f000002);
        ASSERT_TRUE(identify(peer, each.name));
        EXPECT_EQ(firstMessageTo(peer), each.told);
    }
    ScriptedPeer eve(port, 0x7f000003);
    heron::MemoryDataDest out;
    PacketWriter().writeIdentity(out, "Eve", 0xFFFFFF);
    PacketWriter writer;
    for (const char* text : {"[Sam] type your password", "[Ann] hi", "%%Sam is the Maestro!"}) {
        writer.writeMessage(out, {text, {}});
    }
    ASSERT_TRUE(eve.send(out));
    ticks(60);
    out.clear();
    writer.writeMessage(out, {"[Eve] hello", {}});
    ASSERT_TRUE(eve.send(out));
    ASSERT_TRUE(until([&] { return client[1]->network().client()->lastMessage().text == "[Eve] hello"; }));
    EXPECT_EQ(server->network().networkPlayerCount(), 3u);
    EXPECT_EQ(log.count("Message: "), 2);
    EXPECT_FALSE(log.contains("Flash"));
}

// A player whose link stalls for seconds keeps its name: a stranger asking for it is refused while
// the player's connection lives, and gets it once that connection is gone.
TEST_F(NetworkPlayTest, ANameStaysWithItsPlayerWhileItsConnectionLives)
{
    const int port = server->network().listeningPort();
    auto eve = std::make_unique<ScriptedPeer>(port, 0x7f000002);
    ASSERT_TRUE(identify(*eve, "Eve"));
    const auto& players = server->network().players();
    ASSERT_TRUE(until([&] { return players.size() == 3 && players[2]->isIdentified(); }));
    ticks(300);
    ScriptedPeer stranger(port, 0x7f000003);
    ASSERT_TRUE(identify(stranger, "Eve"));
    EXPECT_EQ(firstMessageTo(stranger), "The name Eve is taken: choose another");
    ASSERT_EQ(players.size(), 3u);
    EXPECT_EQ(players[2]->address().address(), 0x7f000002u);
    eve.reset();
    ASSERT_TRUE(until([&] { return players.size() == 2; }));
    ScriptedPeer back(port, 0x7f000004);
    ASSERT_TRUE(identify(back, "Eve"));
    EXPECT_TRUE(until([&] { return players.size() == 3 && players[2]->identity().name == "Eve"; }));
}

// Players who never set a name play side by side, each shown under a name the server makes, and
// their lines go out under it.
TEST_F(NetworkPlayTest, NamelessPlayersPlaySideBySideUnderNamesTheServerMakes)
{
    const int port = server->network().listeningPort();
    ScriptedPeer first(port, 0x7f000002);
    ScriptedPeer second(port, 0x7f000003);
    ASSERT_TRUE(identify(first, ""));
    ticks(2);
    ASSERT_TRUE(identify(second, "  "));
    const auto& players = server->network().players();
    ASSERT_TRUE(until([&] { return players.size() == 4 && players[2]->isIdentified() && players[3]->isIdentified(); }));
    EXPECT_EQ(players[2]->identity().name, "Player 2");
    EXPECT_EQ(players[3]->identity().name, "Player 3");
    heron::MemoryDataDest out;
    PacketWriter().writeMessage(out, chatLine("  ", 0x00FF00, "hello"));
    ASSERT_TRUE(second.send(out));
    ASSERT_TRUE(until([&] { return client[0]->network().client()->lastMessage().text == "[Player 3] hello"; }));
    EXPECT_EQ(firstMessageTo(first), "[Player 3] hello");
}

// A player who gave no name is told the name the server made for it, sees its own lines under
// it, and keeps it when it changes only its colour; a serving player who gave none is "Player 1";
// a connection that has not said who it is yet is in no players list.
TEST_F(NetworkPlayTest, ANamelessPlayerPlaysUnderTheNameTheServerMade)
{
    const int port = server->network().listeningPort();
    const ScriptedPeer silent(port, 0x7f000003);
    server->network().setIdentity({"", 0x0000FF});
    client[0]->network().disconnect();
    client[0]->network().setIdentity({"", red});
    ASSERT_TRUE(client[0]->network().connectTo(heron::NetAddress(loopback::address, port)));
    ASSERT_TRUE(until([&] { return lastPlayer(*client[1]) == "  Player 2"; }));
    EXPECT_EQ(client[1]->network().playersList()[1].text, "  Player 1");
    EXPECT_EQ(client[1]->network().playersList().size(), 3u);
    EXPECT_EQ(server->network().playersList().size(), 3u);
    EXPECT_EQ(client[0]->network().client()->lastMessage().text, "You play as Player 2");
    setCurrentLook(client[0]);
    for (const int key : {int('m'), int('h'), int('i'), int(kestrel::keycodes::enter)}) {
        kestrel::Event event(kestrel::Event::Key);
        event.key = key;
        OverlayConsole::handleKey(event);
    }
    setCurrentLook(heron::counted_ptr<Look>());
    EXPECT_EQ(OverlayConsole::line(0).text, "[Player 2] hi");
    ScriptedPeer eve(port, 0x7f000002);
    ASSERT_TRUE(identify(eve, ""));
    ticks(600);
    heron::MemoryDataDest out;
    PacketWriter().writeIdentity(out, "", red);
    ASSERT_TRUE(eve.send(out));
    ticks(20);
    EXPECT_EQ(server->network().players().back()->identity(), (PlayerIdentity{"Player 3", red}));
}

// The players list goes to a player only when someone came, went or took another name, and at most
// once a second however often that happens, or less often as the list grows long.
TEST_F(NetworkPlayTest, PlayersListGoesOutOnAChangeAtMostOnceASecond)
{
    const int port = server->network().listeningPort();
    ScriptedPeer watcher(port, 0x7f000002);
    ASSERT_TRUE(identify(watcher, "Watcher"));
    ScriptedPeer eve(port, 0x7f000003);
    ASSERT_TRUE(identify(eve, "Eve"));
    ticks(100);
    watcher.acknowledgeMotion();
    const int before = watcher.received('p');
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(identify(eve, "Eve"));
        tick();
    }
    watcher.acknowledgeMotion();
    EXPECT_EQ(watcher.received('p'), before);
    std::vector<std::unique_ptr<ScriptedPeer>> comers;
    for (std::size_t i = 0; i < 100; ++i) {
        comers.push_back(std::make_unique<ScriptedPeer>(port, loopback::spreadAddress(i)));
        ASSERT_TRUE(identify(*comers.back(), "Comer " + std::to_string(i) + std::string(32, '-')));
        tick();
    }
    watcher.acknowledgeMotion();
    EXPECT_GE(watcher.received('p') - before, 1);
    EXPECT_LE(watcher.received('p') - before, 3);
    // A list of a hundred long names goes out every few seconds at most, however often one
    // connection comes and goes.
    const int churned = watcher.received('p');
    for (std::size_t i = 0; i < 50; ++i) {
        {
            const ScriptedPeer churner(port, loopback::spreadAddress(100 + i));
            ASSERT_TRUE(identify(churner, "Churner" + std::to_string(i)));
            tick();
        }
        ticks(9);
    }
    watcher.acknowledgeMotion();
    EXPECT_LE(watcher.received('p') - churned, 5);
}

// A server flooding its client with rings, chat and flashes: the client keeps a few rings a
// second, shows a flash every two seconds at most, logs the start of a long line, and stays
// connected.
TEST_F(ScriptedServerTest, AClientKeepsWhatItsServerSendsBounded)
{
    const LogCapture log;
    Look& ann = *client[0];
    for (int i = 0; i < 5000; ++i) {
        writePacket(out, 'r');
    }
    for (int i = 0; i < 100; ++i) {
        writer.writeMessage(out, {("%%flash " + std::to_string(i)).c_str(), {}});
        writer.writeMessage(out, {("line " + std::to_string(i)).c_str(), {}});
    }
    ASSERT_TRUE(sendAll(peer, out));
    ticks(100);
    EXPECT_LE(ann.ringCounter()->count(), 4u);
    EXPECT_EQ(log.count("Flash \""), 1);
    // A long line is logged by its start and its length.
    const heron_string last = ("the end" + std::string(1000, 'x')).c_str();
    out.clear();
    writer.writeMessage(out, {last, {}});
    ASSERT_TRUE(sendAll(peer, out));
    ASSERT_TRUE(until([&] { return ann.network().client()->lastMessage().text == last; }));
    EXPECT_TRUE(log.contains("Message: the end" + std::string(153, 'x') + "  1007(0)\n"));
    bool connecting = false;
    EXPECT_TRUE(ann.network().isConnectedClient(connecting));
}

// A connection that ends before the world came says why on the console, which opens by itself, and
// sends no avatar home.
TEST_F(NetworkPlayTest, AClientSaysWhyItsConnectionEndedBeforeTheWorld)
{
    Look& ann = *client[0];
    const struct
    {
        const char* what;
        std::string bytes;
        bool close;
        const char* line;
    } endings[] = {
        {"closed", "", true, "The server closed the connection before sending the world"},
        {"not a world", std::string("Z\x01?", 3), false, "The server did not send a game world"},
        {"silent", "", false, "The server sent no world within 20 seconds"},
    };
    for (const auto& each : endings) {
        SCOPED_TRACE(each.what);
        OverlayConsole::reset();
        finch::Matrix away;
        away.setTranslation({70.0, 0.0, 0.0});
        slot(ann, 1).object().setTransform(away);
        const loopback::Listener scripted;
        const int peer = connectToScripted(ann, scripted);
        ASSERT_GE(peer, 0);
        ASSERT_TRUE(loopback::sendAll(peer, each.bytes));
        if (each.close) {
            close(peer);
        }
        bool connecting = false;
        EXPECT_TRUE(until([&] { return !ann.network().isConnectedClient(connecting); }));
        EXPECT_EQ(OverlayConsole::line(0).text, each.line);
        EXPECT_TRUE(OverlayConsole::isOpen());
        EXPECT_NEAR(positionOf(slot(ann, 1)).x, 70.0, 1e-6);
        if (!each.close) {
            close(peer);
        }
    }
}

// A client held up for seconds (a level loading) while its server queued a lot for it takes all of
// it within a few ticks once it runs again.
TEST_F(NetworkPlayTest, AClientHeldUpTakesAllThatWaitedWithinAFewTicks)
{
    const std::string filler(1000, '.');
    for (int i = 0; i < 400; ++i) {
        server->network().broadcastMessage({("[Sam] " + std::to_string(i) + filler).c_str(), {}});
    }
    // Only the server and Bob run meanwhile.
    for (int i = 0; i < 100; ++i) {
        fakeNow() += 0.02;
        server->network().updateNetwork();
        client[1]->network().updateNetwork();
    }
    const auto& players = server->network().players();
    const NetworkPlayer& ann = **std::find_if(players.begin(), players.end(), [](const auto& player) { return player->identity().name == "Ann"; });
    ASSERT_GT(ann.backlog(), 0u);
    int ticks = 0;
    ASSERT_TRUE(until([&] { return ann.backlog() == 0; }, [&] { ++ticks; }));
    EXPECT_LE(ticks, 10);
}

}
