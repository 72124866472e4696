#pragma once

#include "game/LookFixture.h"

#include "content/DataFiles.h"
#include "game/net/AvatarSlot.h"
#include "game/DemoPlayer.h"
#include "game/flight/LookFly.h"
#include "game/net/LookNetwork.h"
#include "game/net/NetLogic.h"
#include "gui/toolkit/Event.h"
#include "gui/toolkit/Window.h"
#include "support/Loopback.h"

#include <cstdint>
#include <functional>

// The demo world played over loopback as two players play it: a serving demo world and a client
// demo world connected to it. Every frame advances the scene clock and the network clock by a
// sixtieth of a second and runs both worlds' whole frames (flight, game logic and network tick).
class DemoNetTest : public LookTest
{
protected:
    void SetUp() override
    {
        LookTest::SetUp();
        pelican::setCacheRoot(m_folder.path().string().c_str());
        pelican::registerPackedFile(heron::FilePath(AURELLE_DEMO_WORLD));
        setNetworkClock([] { return networkSeconds(); });
        networkSeconds() = 1000.0;
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
        return demoplayer::start(m_window, serving, identity);
    }

    void frame()
    {
        m_now += 1.0 / 60.0;
        networkSeconds() += 1.0 / 60.0;
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

    static void comeUpTo(Look& world, const AvatarSlot& glider) { demoplayer::comeUpTo(world, glider); }

    // The clock the network code reads.
    static double& networkSeconds()
    {
        static double seconds = 0.0;
        return seconds;
    }

    double m_now = 100.0;
    kestrel::Window m_window;
    heron::counted_ptr<Look> server;
    heron::counted_ptr<Look> client;
};
