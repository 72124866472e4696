#pragma once

#include "game/LookFixture.h"

#include "content/DataFiles.h"
#include "game/flight/LookFly.h"
#include "gui/toolkit/Event.h"
#include "gui/toolkit/Window.h"

#include <cstdint>
#include <functional>

// The demo world looked at in a window of its own, flown frame by frame with the mouse and the
// keys as the game window hands them to the flight, on a clock set by hand.
class DemoFlightTest : public LookTest
{
protected:
    static constexpr int width = 800;
    static constexpr int height = 600;
    static constexpr double frameTime = 1.0 / 60.0;

    void SetUp() override
    {
        LookTest::SetUp();
        pelican::setCacheRoot(m_folder.path().string().c_str());
        pelican::registerPackedFile(heron::FilePath(AURELLE_DEMO_WORLD));
        // The flight's settings as the game window starts them.
        LookFly::gravityOn = true;
        LookFly::speedSetting = 5.0f;
        m_window.setSize(width, height);
        m_world = heron::counted_ptr<Look>(new Look(heron::FilePath("glasstide.look")));
        m_world->logic().reset();
        m_world->logic().start(&m_window);
    }
    void TearDown() override
    {
        m_world->logic().stop();
        m_world = heron::counted_ptr<Look>();
        LookFly::gravityOn = true;
        LookTest::TearDown();
    }

    LookFly& flight() { return *m_world->logic().flight(); }
    // The mouse at (dx, dy) from the window's centre, with the buttons held as given.
    void mouse(std::uint32_t type, int dx, int dy, bool left, bool right)
    {
        kestrel::Event event(type, &m_window);
        event.x = width / 2 + dx;
        event.y = height / 2 + dy;
        event.leftButton = left ? 1 : 0;
        event.rightButton = right ? 1 : 0;
        flight().handleEvent(event);
    }
    void key(int code)
    {
        kestrel::Event event(kestrel::Event::Key, &m_window);
        event.key = code;
        flight().handleEvent(event);
    }

    // One frame of the game's logic.
    void frame()
    {
        m_now += frameTime;
        m_clock.frame(m_now);
        m_world->logic().update();
    }

    // Plays frames until the condition holds, for ten seconds at most; whether it holds.
    bool within10s(const std::function<bool()>& condition)
    {
        for (int i = 0; i < 600 && !condition(); ++i) {
            frame();
        }
        return condition();
    }

    kestrel::Window m_window;
    heron::counted_ptr<Look> m_world;
    double m_now = 100.0;
};
