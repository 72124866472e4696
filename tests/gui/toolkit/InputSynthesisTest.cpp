#include "support/FakeDesktop.h"

#include <algorithm>
#include <vector>

namespace
{

using kestrel::Event;
using Types = std::vector<std::uint32_t>;

class InputSynthesis : public testing_gui::FakeDesktop
{
protected:
    void SetUp() override
    {
        FakeDesktop::SetUp();
        openAndActivate(window);
    }

    // `count` clicks at (x0 + i * dx, 20), `dt` seconds apart.
    Types clicks(int count, double dt, int dx, int x0 = 20)
    {
        Types types;
        for (int i = 0; i < count; ++i) {
            button(window, plat::InputKind::ButtonPress, x0 + i * dx, 20);
            button(window, plat::InputKind::ButtonRelease, x0 + i * dx, 20);
            const Types some = drain();
            types.insert(types.end(), some.begin(), some.end());
            fake.advance(dt);
        }
        return types;
    }

    // Every event handed out until the queue is empty, dispatched.
    std::vector<Event> events()
    {
        std::vector<Event> out;
        Event event;
        while (kestrel::getEvent(event, nullptr), event.type != Event::None) {
            out.push_back(event);
            kestrel::dispatch(event);
        }
        return out;
    }

    kestrel::Window window;
};

TEST_F(InputSynthesis, QuickClosePressesGiveADoubleClickAfterTheSecondPressAndOnlyThen)
{
    EXPECT_EQ(clicks(2, 0.2, 2), (Types{Event::LeftPress, Event::LeftRelease, Event::LeftPress, Event::DoubleClick,
                                        Event::LeftRelease}));
    struct Case
    {
        const char* what;
        int count;
        double dt;
        int dx, x0;
        long doubleClicks;
    };
    const Case cases[] = {
        {"too far", 2, 0.2, 3, 20, 0},
        {"too slow", 2, 0.6, 0, 20, 0},
        {"at the window's edge", 2, 0.1, 0, 0, 0},
        {"three presses", 3, 0.1, 0, 20, 1},
        {"four presses", 4, 0.1, 0, 20, 2},
    };
    for (const Case& c : cases) {
        fake.advance(1.0);
        const Types types = clicks(c.count, c.dt, c.dx, c.x0);
        EXPECT_EQ(std::count(types.begin(), types.end(), Event::DoubleClick), c.doubleClicks) << c.what;
    }
}

TEST_F(InputSynthesis, AMouseRestingPastTheDelayGivesOneHoverUnlessTheLoopMissedItOrItIsAtXZero)
{
    struct Case
    {
        const char* what;
        int x, y;
        std::vector<double> waits;
        int hovers;
    };
    const Case cases[] = {
        {"resting", 30, 40, {0.7, 0.2}, 1},
        {"a chance missed by a blocked loop", 60, 50, {0.4, 1.2, 1.0}, 0},
        {"at x = 0", 0, 60, {0.7, 0.2}, 0},
    };
    for (const Case& c : cases) {
        fake.advance(2.0);
        move(window, c.x, c.y);
        drain();
        int hovers = 0;
        for (const double wait : c.waits) {
            fake.advance(wait);
            for (const Event& event : events()) {
                hovers += event.type == Event::Hover ? 1 : 0;
                EXPECT_TRUE(event.type != Event::Hover || (event.x == c.x && event.y == c.y)) << c.what;
            }
        }
        EXPECT_EQ(hovers, c.hovers) << c.what;
    }
}

TEST_F(InputSynthesis, MovesToTheSamePositionAreDroppedAndWheelUsesTheLastPosition)
{
    move(window, 30, 40);
    move(window, 30, 40);
    wheel(window, -240);
    const std::vector<Event> out = events();
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(std::tuple(out[0].type, out[1].type, out[1].wheelDelta, out[1].x, out[1].y),
              std::tuple(Event::MouseMove + 0u, Event::Wheel + 0u, -240, 30, 40));
}

TEST_F(InputSynthesis, MovingIntoAnotherWindowGivesLeaveAndEnterAndConsumesTheMove)
{
    kestrel::Window other;
    other.setSize(50, 50);
    other.create();
    fake.mouseWindow = other.nativeHandle();
    move(other, 5, 5);
    std::vector<std::pair<std::uint32_t, kestrel::Window*>> seen;
    for (const Event& event : events()) {
        seen.emplace_back(event.type, event.window);
    }
    EXPECT_EQ(seen, (decltype(seen){{Event::MouseLeave, &window}, {Event::MouseEnter, &other}}));
}

}
