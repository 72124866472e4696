#pragma once

#include "game/LookFixture.h"

#include "game/Act.h"
#include "game/flight/LookFly.h"
#include "game/LookLogic.h"
#include "gui/toolkit/Event.h"
#include "gui/toolkit/Window.h"

#include <string>

// Far from the built-in teapot the world shows without a model of its own; more zones may follow
// the open water.
inline std::string openSeaWith(const std::string& zones)
{
    return R"(Level "Sea" {
    entryXYZ 1000 0 0
    Zone "Open" {
        center 1000 0 0
        radius 500
        playerSize2 1
    }
)" + zones + "}\n";
}

inline const std::string openSea = openSeaWith("");

// The player flying through worlds read from look files, with the mouse in a window of its own
// and the scene clock stepped by hand.
class LookFlyTest : public LookTest
{
protected:
    static constexpr int width = 800;
    static constexpr int height = 600;

    void SetUp() override
    {
        LookTest::SetUp();
        LookFly::gravityOn = false;
        LookFly::speedSetting = 5.0f;
        m_window.setSize(width, height);
    }
    void TearDown() override
    {
        LookFly::gravityOn = true;
        if (m_world) {
            m_world->logic().stop();
        }
        LookTest::TearDown();
    }

    LookFly& start(const std::string& text)
    {
        m_world = read(text);
        m_world->logic().start(&m_window);
        return *m_world->logic().flight();
    }

    // An event at the mouse position (x, y) with the buttons held.
    kestrel::Event mouse(std::uint32_t type, int x, int y, bool left, bool right)
    {
        kestrel::Event event(type, &m_window);
        event.x = x;
        event.y = y;
        event.leftButton = left ? 1 : 0;
        event.rightButton = right ? 1 : 0;
        return event;
    }
    void press(LookFly& fly, std::uint32_t type, bool left, bool right)
    {
        fly.handleEvent(mouse(type, width / 2, height / 2, left, right));
    }

    // Steps of 0.1 s until the time given.
    void flyUntil(double time)
    {
        while (m_now + 0.05 < time) {
            m_now += 0.1;
            m_clock.frame(m_now);
            m_world->logic().update();
        }
    }

    // Tethers the player to the act, kept 10 to 30 units from it, and flies until it has settled
    // halfway.
    void tether(LookFly& fly, Act& act)
    {
        act.minDistance = 10.0f;
        act.maxDistance = 30.0f;
        fly.setPath(&act);
        flyUntil(m_now + 3.0);
    }

    kestrel::Window m_window;
    heron::counted_ptr<Look> m_world;
    double m_now = 100.0;
};

