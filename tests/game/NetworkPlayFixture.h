#pragma once

// A server world and two client worlds in one process, connected over loopback, and a scripted
// peer that plays a client by hand: the fixture of the network play tests.

#include "game/AvatarObjects.h"
#include "game/LookFixture.h"

#include "base/Limits.h"
#include "base/MemoryDataDest.h"
#include "game/LookLogic.h"
#include "game/net/LookNetwork.h"
#include "game/net/NetLogic.h"
#include "game/net/NetworkPlayer.h"
#include "game/OverlayConsole.h"
#include "support/LogCapture.h"
#include "support/Loopback.h"

#include <algorithm>
#include <array>
#include <limits>
#include <functional>
#include <string>
#include <vector>

namespace networkplay
{

// Two levels; the avatars "ann" (at the origin) and "bob" (at x = 50) start on "Sea".
inline const char* const avatarWorld = R"(Data {
    counter "rings" {
        isRing 1
    }
}
Level "Sea" {
    isStartupLevel 1
    Zone "Ann" {
        isAnAvatar 1
        center 0 0 0
        radius 5
    }
    Zone "Bob" {
        isAnAvatar 1
        center 50 0 0
        radius 5
    }
}
Level "Sky" {
    Zone "Cloud" {
        center 0 0 0
        radius 50
    }
}
)";

constexpr std::uint32_t red = 0xFF0000;
constexpr std::uint32_t green = 0x00FF00;
// Far from every avatar, so that nobody picks one up by chance.
const finch::Vector3d faraway(1000.0, 1000.0, 0.0);

inline double& fakeNow()
{
    static double now = 0.0;
    return now;
}

inline double readFakeNow()
{
    return fakeNow();
}

inline finch::Vector3d positionOf(const AvatarSlot& slot)
{
    return objectPosition(slot.object());
}

// Reads and drops what arrived on socket; returns the count of bytes.
inline std::size_t drain(int socket)
{
    static char bytes[65536];
    std::size_t count = 0;
    for (ssize_t got = 0; (got = recv(socket, bytes, sizeof bytes, MSG_DONTWAIT)) > 0;) {
        count += std::size_t(got);
    }
    return count;
}

// A scripted peer that reads what the server sends and acknowledges every motion packet.
class ScriptedPeer
{
public:
    explicit ScriptedPeer(int port, std::uint32_t from = 0) : m_socket(loopback::connectTo(port, from)) {}
    ~ScriptedPeer() { close(m_socket); }
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;

    bool isConnected() const { return m_socket >= 0; }
    int socket() const { return m_socket; }
    bool send(const heron::MemoryDataDest& out) const
    {
        return loopback::sendAll(m_socket, std::string(reinterpret_cast<const char*>(out.data()), out.size()));
    }
    // Sends and waits until the server's system holds every byte, so that its next tick reads them.
    bool sendNow(const heron::MemoryDataDest& out) const { return send(out) && loopback::delivered(m_socket); }
    // Takes what arrived and answers each motion packet; returns how many came.
    int acknowledgeMotion()
    {
        unsigned char bytes[4096];
        ssize_t got = 0;
        while ((got = recv(m_socket, bytes, sizeof bytes, MSG_DONTWAIT)) > 0) {
            m_received.append({bytes, std::size_t(got)});
        }
        int motion = 0;
        heron::MemoryDataDest acks;
        while (const std::optional<Packet> packet = m_received.next()) {
            ++m_kinds[static_cast<unsigned char>(packet->kind)];
            if (packet->kind == 'A') {
                ++motion;
                writePacket(acks, 'a');
            }
            if (packet->kind == 'm') {
                heron::MemoryDataSource body = bodyOf(*packet);
                m_lastMessage = readMessage(body).text;
            }
        }
        send(acks);
        return motion;
    }
    // Packets of kind taken so far by acknowledgeMotion, and the text of the last message.
    int received(char kind) const { return m_kinds[static_cast<unsigned char>(kind)]; }
    const heron_string& lastMessage() const { return m_lastMessage; }

private:
    int m_socket;
    ReceiveBuffer m_received;
    std::array<int, 256> m_kinds{};
    heron_string m_lastMessage;
};

// A server world ("Sam") and two client worlds ("Ann" and "Bob") in one process, connected over
// loopback; each round of ticks advances the network clock by 20 ms.
class NetworkPlayTest : public LookTest
{
protected:
    NetworkPlayTest() : NetworkPlayTest(avatarWorld, {"ann", "bob"}) {}
    // A world of the same shape under other names.
    NetworkPlayTest(std::string worldText, const std::array<std::string, 2>& avatarNames)
        : m_worldText(std::move(worldText))
        , m_objects{AvatarObjects(50.0, avatarNames), AvatarObjects(50.0, avatarNames), AvatarObjects(50.0, avatarNames)}
    {
    }

    void SetUp() override
    {
        LookTest::SetUp();
        setNetworkClock(&readFakeNow);
        fakeNow() = 1000.0;
        server = makeWorld(true, {"Sam", 0x0000FF}, 0);
        client = {makeWorld(false, {"Ann", red}, 1), makeWorld(false, {"Bob", green}, 2)};
        tick();
        for (const auto& world : client) {
            ASSERT_TRUE(world->network().connectTo(heron::NetAddress(loopback::address, server->network().listeningPort())));
        }
        ASSERT_TRUE(until([&] { return client[0]->network().client()->hasWorld() && client[1]->network().client()->hasWorld(); }));
        ASSERT_TRUE(until([&] { return lastPlayer(*client[0]) == "  Bob" && lastPlayer(*client[1]) == "  Ann"; }));
    }

    void TearDown() override
    {
        for (heron::counted_ptr<Look>* world : {&client[0], &client[1], &server}) {
            (*world)->logic().stop();
            *world = heron::counted_ptr<Look>();
        }
        setNetworkClock(nullptr);
        LookTest::TearDown();
    }

    heron::counted_ptr<Look> makeWorld(bool serving, const PlayerIdentity& identity, std::size_t objects)
    {
        heron::counted_ptr<Look> world = read(m_worldText, ("world" + std::to_string(objects) + ".look").c_str());
        const std::vector<std::unique_ptr<Zone>>& zones = world->levels().front()->zones();
        for (std::size_t i = 0; i < 2; ++i) {
            zones[i]->object = m_objects[objects].objects[i];
        }
        world->avatars().buildAvatarSlots(*world);
        world->network().setServing(serving);
        world->network().setServerPort(0);
        world->network().setIdentity(identity);
        world->logic().start();
        placeEye(*world, faraway);
        return world;
    }

    static void placeEye(Look& world, const finch::Vector3d& where)
    {
        finch::Transform placement;
        placement.position = where;
        world.camera().setTransform(placement);
    }

    // One network tick of every world.
    void tick()
    {
        fakeNow() += 0.02;
        for (Look* world : {server.get(), client[0].get(), client[1].get()}) {
            world->network().updateNetwork();
        }
    }

    void ticks(int count)
    {
        for (int i = 0; i < count; ++i) {
            tick();
        }
    }

    // The peer says who it is.
    static bool identify(const ScriptedPeer& peer, const std::string& name)
    {
        heron::MemoryDataDest out;
        PacketWriter().writeIdentity(out, name.c_str(), 0xFFFFFF);
        return peer.send(out);
    }

    // Ticks until the server has sent the peer a message, and gives its text (empty when none came).
    heron_string firstMessageTo(ScriptedPeer& peer)
    {
        static_cast<void>(until([&] {
            peer.acknowledgeMotion();
            return !peer.lastMessage().empty();
        }));
        return peer.lastMessage();
    }

    // Ticks until the condition holds; false when it still does not after a generous bound.
    bool until(const std::function<bool()>& condition, const std::function<void()>& eachTick = [] {})
    {
        for (int i = 0; i < 20000; ++i) {
            if (condition()) {
                return true;
            }
            eachTick();
            tick();
        }
        return condition();
    }

    // Ann walks up to her avatar and picks it up; the server learns of it.
    void annTakesHerAvatar()
    {
        placeEye(*client[0], {0.0, 0.0, 0.0});
        ASSERT_TRUE(until([&] { return !server->network().players().empty() && server->network().players()[0]->heldAvatar() != nullptr; }));
        placeEye(*client[0], faraway);
    }

    AvatarSlot& slot(Look& world, std::size_t index) { return world.avatars()[index]; }

    // The flier moves Ann's avatar from x = 0 to x = 20 at 10 units a second, then keeps it there,
    // until every watcher shows it at 20; each watcher must see it go there smoothly, without
    // going back or jumping.
    void flyAnnTo20(Look& flier, const std::vector<Look*>& watchers)
    {
        double annX = 0.0;
        std::vector<std::vector<double>> seen(watchers.size());
        const auto flyAndWatch = [&] {
            annX = std::min(20.0, annX + 0.2);
            finch::Matrix placed;
            placed.setTranslation({annX, 0.0, 0.0});
            slot(flier, 0).object().setTransform(placed);
            for (std::size_t i = 0; i < watchers.size(); ++i) {
                seen[i].push_back(positionOf(slot(*watchers[i], 0)).x);
            }
        };
        const auto arrived = [&] {
            return std::all_of(watchers.begin(), watchers.end(),
                               [&](Look* watcher) { return positionOf(slot(*watcher, 0)).x > 19.99; });
        };
        ASSERT_TRUE(until(arrived, flyAndWatch));
        for (const std::vector<double>& path : seen) {
            double reached = 0.0;
            for (double x : path) {
                EXPECT_GE(x, reached - 1e-4) << "the avatar went back";
                EXPECT_LE(x - reached, 1.0) << "the avatar jumped";
                reached = std::max(reached, x);
            }
        }
    }

    // Drops the world's connection and connects it to a server the test scripts; the server's
    // socket, negative when the connection failed.
    static int connectToScripted(Look& world, const loopback::Listener& scripted)
    {
        world.network().disconnect();
        if (!world.network().connectTo(heron::NetAddress(loopback::address, scripted.port()))) {
            return -1;
        }
        return scripted.accept();
    }

    // The same, and the scripted server sends the world list that puts every avatar on "Sea".
    static int connectToScriptedWorld(Look& world, const loopback::Listener& scripted)
    {
        const int peer = connectToScripted(world, scripted);
        heron::MemoryDataDest out;
        PacketWriter().writeWorld(out, everyoneOnSea(world));
        return peer >= 0 && sendAll(peer, out) ? peer : -1;
    }

    // The world list that puts every avatar of the world on "Sea" where it stands.
    static std::vector<WorldEntry> everyoneOnSea(Look& world)
    {
        std::vector<WorldEntry> entries;
        for (const auto& each : world.avatars()) {
            entries.push_back({each->name(), "Sea", each->sample()});
        }
        return entries;
    }

    static bool sendAll(int peer, const heron::MemoryDataDest& out)
    {
        return loopback::sendAll(peer, std::string(reinterpret_cast<const char*>(out.data()), out.size()));
    }
    // Sends and waits until the client's system holds every byte, so that its next tick reads them.
    static bool sendNow(int peer, const heron::MemoryDataDest& out) { return sendAll(peer, out) && loopback::delivered(peer); }

    // What a refused peer is told: the text of the one message it receives before the end.
    static heron_string refusalTo(int peer)
    {
        const std::string bytes = loopback::receive(peer, 4096);
        ReceiveBuffer received;
        received.append({reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()});
        const std::optional<Packet> packet = received.next();
        if (!packet || packet->kind != 'm' || received.next()) {
            return "(not one message)";
        }
        heron::MemoryDataSource body = bodyOf(*packet);
        return readMessage(body).text;
    }

    static heron_string lastPlayer(Look& world)
    {
        const std::vector<ColouredText>& players = world.network().client()->players();
        return players.empty() ? heron_string() : players.back().text;
    }

    std::string m_worldText;
    std::array<AvatarObjects, 3> m_objects;
    heron::counted_ptr<Look> server;
    std::array<heron::counted_ptr<Look>, 2> client;
};

// Ann's client connected to a server the test scripts, which has sent the world list that puts
// every avatar on "Sea"; the test writes what the server sends next into out.
class ScriptedServerTest : public NetworkPlayTest
{
protected:
    void SetUp() override
    {
        NetworkPlayTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        peer = connectToScriptedWorld(*client[0], scripted);
        ASSERT_GE(peer, 0);
    }

    void TearDown() override
    {
        if (peer >= 0) {
            close(peer);
        }
        NetworkPlayTest::TearDown();
    }

    loopback::Listener scripted;
    // The scripted server's side of the connection.
    int peer = -1;
    heron::MemoryDataDest out;
    PacketWriter writer;
};

}
