// The server's side of taking avatars, played by a scripted peer over loopback: taking the avatar
// one already holds, moving on to another; and a server that cannot open its port.
#include "game/AvatarObjects.h"
#include "game/LookFixture.h"

#include "base/Limits.h"
#include "base/MemoryDataDest.h"
#include "game/LookLogic.h"
#include "game/net/LookNetwork.h"
#include "game/net/NetworkPlayer.h"
#include "net/NetworkClientServer.h"
#include "net/Packets.h"
#include "support/LogCapture.h"
#include "support/Loopback.h"

#include <algorithm>
#include <functional>
#include <string>

namespace
{

const char* const twoAvatars = R"(Level "Sea" {
    isStartupLevel 1
    Zone "Ann" {
        isAnAvatar 1
        radius 5
    }
    Zone "Bob" {
        isAnAvatar 1
        radius 5
    }
}
)";

double clockNow = 0.0;

// A serving world whose avatars "ann" (at the origin) and "bob" (at x = 50) nobody holds, and a
// scripted peer connected to it that collects the kinds of the packets the server sends.
class ServerTakeTest : public LookTest
{
protected:
    void SetUp() override
    {
        LookTest::SetUp();
        setNetworkClock([] { return clockNow; });
        clockNow = 1000.0;
        world = read(twoAvatars);
        const auto& zones = world->levels().front()->zones();
        zones[0]->object = m_objects.objects[0];
        zones[1]->object = m_objects.objects[1];
        world->avatars().buildAvatarSlots(*world);
        world->network().setServing(true);
        world->network().setServerPort(0);
        world->logic().start();
        finch::Transform faraway;
        faraway.position = {1000.0, 1000.0, 0.0};
        world->camera().setTransform(faraway);
        tick();
        m_peer = loopback::connectTo(world->network().listeningPort());
        ASSERT_GE(m_peer, 0);
        ASSERT_TRUE(until([&] { return world->network().networkPlayerCount() == 1; }));
    }

    void TearDown() override
    {
        close(m_peer);
        world->logic().stop();
        world = heron::counted_ptr<Look>();
        setNetworkClock(nullptr);
        LookTest::TearDown();
    }

    void tick()
    {
        clockNow += 0.02;
        world->network().updateNetwork();
        unsigned char bytes[4096];
        for (ssize_t got = 0; (got = recv(m_peer, bytes, sizeof bytes, MSG_DONTWAIT)) > 0;) {
            m_received.append({bytes, std::size_t(got)});
        }
        while (const std::optional<Packet> packet = m_received.next()) {
            kindsReceived += packet->kind;
        }
    }

    bool until(const std::function<bool()>& condition)
    {
        for (int i = 0; i < 20000 && !condition(); ++i) {
            tick();
        }
        return condition();
    }

    void send(const heron::MemoryDataDest& out)
    {
        ASSERT_TRUE(loopback::sendAll(m_peer, std::string(reinterpret_cast<const char*>(out.data()), out.size())));
    }

    NetworkPlayer& player() { return *world->network().players().front(); }
    AvatarSlot& ann() { return world->avatars()[0]; }
    AvatarSlot& bob() { return world->avatars()[1]; }

    heron::counted_ptr<Look> world;
    std::string kindsReceived;
    PacketWriter writer;

private:
    AvatarObjects m_objects;
    int m_peer = -1;
    ReceiveBuffer m_received;
};

}

TEST_F(ServerTakeTest, TakingTheHeldAvatarAgainKeepsIt)
{
    heron::MemoryDataDest out;
    writer.writeNamed(out, '+', ann().name());
    writer.writeNamed(out, '+', ann().name());
    writePacket(out, '=');
    send(out);
    // The server's own ping on connecting, then the answer to the peer's, which comes after any
    // reply to the takes.
    ASSERT_TRUE(until([&] { return std::count(kindsReceived.begin(), kindsReceived.end(), '=') == 2; }));
    EXPECT_EQ(kindsReceived.find('-'), std::string::npos) << kindsReceived;
    EXPECT_EQ(player().heldAvatar(), &ann());
    EXPECT_FALSE(ann().isAvailable());
}

TEST_F(ServerTakeTest, TakingAnotherAvatarLetsGoOfTheFirst)
{
    // The peer takes ann, moves it well beyond the replay's margin, then takes bob.
    heron::MemoryDataDest out;
    writer.writeNamed(out, '+', ann().name());
    for (int i = 0; i < 5; ++i) {
        writer.writeSample(out, MotionSample{ann().index(), 0.25f, 7.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f});
    }
    writer.writeNamed(out, '+', bob().name());
    writer.writeIdentity(out, "Eve", 0xFFFFFF);
    send(out);
    ASSERT_TRUE(until([&] { return player().identity().name == "Eve"; }));
    for (int i = 0; i < 100; ++i) {
        tick();
    }
    EXPECT_EQ(player().heldAvatar(), &bob());
    EXPECT_TRUE(ann().isAvailable());
    EXPECT_FALSE(bob().isAvailable());
    // Ann's motion is not played on bob.
    EXPECT_NEAR(objectPosition(bob().object()).x, 50.0, 1e-6);
    EXPECT_EQ(kindsReceived.find('-'), std::string::npos) << kindsReceived;
}

TEST_F(ServerTakeTest, StreamOfTimelessSamplesKeepsTheQueueBounded)
{
    heron::MemoryDataDest out;
    writer.writeNamed(out, '+', ann().name());
    send(out);
    ASSERT_TRUE(until([&] { return player().heldAvatar() == &ann(); }));
    // Samples with dt 0 never start the replay; each batch is acknowledged before the next goes.
    const std::size_t cap = heron::limits::maxReplaySamples;
    std::size_t sent = 0;
    for (int batch = 0; batch < 6; ++batch) {
        out.clear();
        for (int i = 0; i < 1000; ++i, ++sent) {
            writer.writeSample(out, MotionSample{ann().index(), 0.0f, 3.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f});
        }
        send(out);
        const auto acknowledged = [&] { return std::size_t(std::count(kindsReceived.begin(), kindsReceived.end(), 'a')); };
        ASSERT_TRUE(until([&] { return acknowledged() == sent; }));
        EXPECT_LE(player().replay().size(), cap);
    }
    EXPECT_EQ(player().replay().size(), cap);
    EXPECT_FALSE(player().replay().isPlaying());
    // Honest motion after the flood still plays, and ends where the peer put the avatar.
    out.clear();
    for (int i = 0; i < 5; ++i) {
        writer.writeSample(out, MotionSample{ann().index(), 0.25f, 7.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f});
    }
    send(out);
    EXPECT_TRUE(until([&] { return objectPosition(ann().object()).x == 7.0; }));
    EXPECT_EQ(world->network().networkPlayerCount(), 1u);
}

TEST_F(LookTest, ServerThatCannotOpenItsPortSaysSo)
{
    const loopback::Listener taken;
    const heron::counted_ptr<Look> world = read("Level \"Sea\" {\n}\n");
    world->network().setServing(true);
    world->network().setServerPort(taken.port());
    const LogCapture log;
    for (int i = 0; i < 5; ++i) {
        world->network().updateNetwork();
    }
    EXPECT_EQ(log.count("could not start"), 1);
    EXPECT_TRUE(log.contains(std::to_string(taken.port())));
    EXPECT_EQ(world->network().networkPlayerCount(), 0u);
}
