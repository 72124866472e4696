// The demo world served beside a peer that says who it is and then nothing more: the server closes
// the silent peer's connection after half a minute, and never that of a client that pauses, types
// in its console and loads a level while holding nothing, for the client answers every ping.
#include "game/DemoNetFixture.h"

#include "base/MemoryDataDest.h"
#include "game/net/NetworkPlayer.h"
#include "game/OverlayConsole.h"
#include "support/LogCapture.h"

#include <string>

namespace
{

using DemoQuietClientTest = DemoNetTest;

void pressKey(kestrel::Window& window, int key, const std::function<bool(kestrel::Event&)>& handler)
{
    kestrel::Event event(kestrel::Event::Key, &window);
    event.key = key;
    handler(event);
}

}

TEST_F(DemoQuietClientTest, OnlyThePeerThatSaysNothingIsDropped)
{
    const LogCapture log;
    const int silent = loopback::connectTo(server->network().listeningPort(), 0x7f000002);
    heron::MemoryDataDest identity;
    PacketWriter().writeIdentity(identity, "Eve", 0xFFFFFF);
    ASSERT_TRUE(loopback::sendAll(silent, std::string(reinterpret_cast<const char*>(identity.data()), identity.size())));
    ASSERT_TRUE(until([&] { return server->network().networkPlayerCount() == 2; }));
    // Ann pauses, opens her console and types, holding nothing.
    pressKey(m_window, kestrel::keycodes::escape, [&](kestrel::Event& key) { return client->logic().flight()->handleEvent(key); });
    for (const int key : {int(kestrel::keycodes::tab), int('m'), int('h'), int('i')}) {
        pressKey(m_window, key, &OverlayConsole::handleKey);
    }
    ASSERT_TRUE(client->logic().isPaused());
    ASSERT_TRUE(OverlayConsole::isTyping());
    ASSERT_EQ(client->logic().heldAvatar(), nullptr);
    playFor(31.0);
    ASSERT_EQ(server->network().networkPlayerCount(), 1u);
    EXPECT_EQ(server->network().players()[0]->identity().name, "Ann");
    EXPECT_EQ(log.count("nothing came from it for 30 seconds"), 1) << log.text().substr(0, 2000);
    // Ann loads the next level: her next frame comes 25 s later, while the server plays on.
    Level* const deep = client->levelNamed("Glass Reef");
    ASSERT_NE(deep, nullptr);
    client->changeLevel(deep, &client->logic());
    for (int i = 0; i < 25 * 60; ++i) {
        networkSeconds() += 1.0 / 60.0;
        server->logic().update();
    }
    playFor(5.0);
    EXPECT_EQ(server->network().networkPlayerCount(), 1u);
    bool connecting = false;
    EXPECT_TRUE(client->network().isConnectedClient(connecting));
    OverlayConsole::reset();
    close(silent);
}
