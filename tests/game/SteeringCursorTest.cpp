// The steering cursor follows the mouse, and only the mouse.
#include "game/LookWindow.h"
#include "gui/toolkit/Event.h"
#include "support/FakeDesktop.h"

#include <gtest/gtest.h>

namespace
{

class SteeringCursorTest : public testing_gui::FakeDesktop
{
};

}

TEST_F(SteeringCursorTest, OnlyAMouseMoveChangesTheCursor)
{
    LookWindow window;
    window.setSize(800, 600);
    // Each event in turn; the cursor expected after it. Events without a position (x = y = -1)
    // would point the cursor down and to the left if they were read as a mouse position.
    const struct
    {
        std::uint32_t type;
        int x;
        int y;
        int cursor;
    } events[] = {
        {kestrel::Event::MouseMove, 700, 300, 0},  {kestrel::Event::Key, -1, -1, 0},
        {kestrel::Event::LeftPress, -1, -1, 0},    {kestrel::Event::MouseMove, 400, 300, -1},
        {kestrel::Event::AltKey, -1, -1, -1},      {kestrel::Event::MouseMove, 400, 500, 2},
        {kestrel::Event::LeftRelease, 0, 0, 2},
    };
    for (const auto& e : events) {
        kestrel::Event event(e.type, &window);
        event.x = e.x;
        event.y = e.y;
        window.steer(event);
        EXPECT_EQ(window.steeringCursor(), e.cursor) << "event type " << e.type;
    }
}
