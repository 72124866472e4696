// The demo world played over loopback as two players play it: each world runs its whole frame
// (flight, game logic and network tick), the server's player flies a glider, and the client sees
// it fly.
#include "game/LookFixture.h"

#include "content/DataFiles.h"
#include "game/AvatarSlot.h"
#include "game/LookFly.h"
#include "game/LookNetwork.h"
#include "game/NetLogic.h"
#include "gui/toolkit/Event.h"
#include "gui/toolkit/Window.h"
#include "support/Loopback.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>

namespace
{

double networkSeconds = 0.0;

// A serving demo world and a client demo world connected to it; every frame advances the scene
// clock and the network clock by a sixtieth of a second and runs both worlds' frames.
class DemoGliderTest : public LookTest
{
protected:
    void SetUp() override
    {
        LookTest::SetUp();
        pelican::setCacheRoot(m_folder.path().string().c_str());
        pelican::registerPackedFile(heron::FilePath(AURELLE_DEMO_WORLD));
        setNetworkClock([] { return networkSeconds; });
        networkSeconds = 1000.0;
        m_window.setSize(800, 600);
        server = makeWorld(true, {"Sam", 0x0000FF});
        client = makeWorld(false, {"Ann", 0xFF0000});
        server->logic().update();
        ASSERT_TRUE(client->network().connectTo(heron::NetAddress(loopback::address, server->network().listeningPort())));
        ASSERT_TRUE(until([&] { return client->network().client()->hasWorld(); }));
    }

    void TearDown() override
    {
        for (heron::counted_ptr<Look>* world : {&client, &server}) {
            (*world)->logic().stop();
            *world = heron::counted_ptr<Look>();
        }
        setNetworkClock(nullptr);
        LookTest::TearDown();
    }

    heron::counted_ptr<Look> makeWorld(bool serving, const PlayerIdentity& identity)
    {
        heron::counted_ptr<Look> world(new Look(heron::FilePath("glasstide.look")));
        world->network().setServing(serving);
        world->network().setServerPort(0);
        world->network().setIdentity(identity);
        world->logic().start(&m_window);
        return world;
    }

    void frame()
    {
        m_now += 1.0 / 60.0;
        networkSeconds += 1.0 / 60.0;
        m_clock.frame(m_now);
        server->logic().update();
        client->logic().update();
    }

    // Plays frames until the condition holds; false when it still does not after a minute.
    bool until(const std::function<bool()>& condition)
    {
        for (int i = 0; i < 3600 && !condition(); ++i) {
            frame();
        }
        return condition();
    }

    // Plays frames for the time given.
    void playFor(double seconds)
    {
        for (int i = 0; i < seconds * 60.0; ++i) {
            frame();
        }
    }

    // The server's player, the left button held, with the mouse dx right of the window's centre.
    void steer(std::uint32_t type, int dx)
    {
        kestrel::Event event(type, &m_window);
        event.x = 400 + dx;
        event.y = 300;
        event.leftButton = 1;
        server->logic().flight()->handleEvent(event);
    }

    // Puts the world's player two units behind the glider, where the next frame hands it over.
    static void comeUpTo(Look& world, const AvatarSlot& glider)
    {
        world.logic().teleport(finch::Transform{objectPosition(glider.object()) - finch::Vector3d(0, 2, 0)});
    }

    double m_now = 100.0;
    kestrel::Window m_window;
    heron::counted_ptr<Look> server;
    heron::counted_ptr<Look> client;
};

}

// Both players reach the green glider in the same frame: the server's player holds it, the
// client is told to let it go, and then sees it fly where the server's player flies it.
TEST_F(DemoGliderTest, GliderFlownByTheServersPlayerFliesOnTheClient)
{
    AvatarSlot& flown = server->avatars()[2];
    AvatarSlot& seen = client->avatars()[2];
    const finch::Vector3d home = objectPosition(flown.object());
    comeUpTo(*server, flown);
    comeUpTo(*client, seen);
    frame();
    ASSERT_EQ(server->logic().heldAvatar(), &flown);
    // The client has not yet heard that the glider is taken.
    ASSERT_EQ(client->logic().heldAvatar(), &seen);
    // Banked to the right and level again, the glider heads out to sea, away from the shore.
    steer(kestrel::Event::LeftPress, 200);
    playFor(2.0);
    steer(kestrel::Event::MouseMove, -200);
    playFor(2.0);
    steer(kestrel::Event::MouseMove, 0);
    ASSERT_TRUE(until([&] { return (objectPosition(flown.object()) - home).length() > 100.0; }));
    EXPECT_EQ(client->logic().heldAvatar(), nullptr);
    EXPECT_FALSE(seen.isAvailable());
    EXPECT_TRUE(seen.isVisible());
    // After a second of the server's path noted, for three seconds more the client shows the
    // glider where the server's player had it less than a second before: the replay waits half a
    // second beyond the ping.
    std::deque<finch::Vector3d> flownPath;
    for (int i = 0; i < 240; ++i) {
        frame();
        flownPath.push_back(objectPosition(flown.object()));
        if (flownPath.size() > 60) {
            flownPath.pop_front();
        }
        if (i < 60) {
            continue;
        }
        const finch::Vector3d shown = objectPosition(seen.object());
        const auto nearest = std::min_element(flownPath.begin(), flownPath.end(), [&](const auto& a, const auto& b) {
            return (a - shown).length() < (b - shown).length();
        });
        ASSERT_LT((*nearest - shown).length(), 2.0) << "frame " << i;
    }
}
