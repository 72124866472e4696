#include "FakeDesktop.h"

#include <vector>

namespace
{

using kestrel::Event;
using testing_gui::FakeDesktop;

class InputSynthesis : public FakeDesktop
{
protected:
    void SetUp() override
    {
        FakeDesktop::SetUp();
        openAndActivate(window);
    }

    // Two clicks, the second `dt` seconds and (dx, 0) pixels after the first.
    std::vector<std::uint32_t> clicks(int count, double dt, int dx, int x0 = 20, int y0 = 20)
    {
        std::vector<std::uint32_t> types;
        for (int i = 0; i < count; ++i) {
            button(window, plat::InputKind::ButtonPress, x0 + i * dx, y0);
            button(window, plat::InputKind::ButtonRelease, x0 + i * dx, y0);
            const std::vector<std::uint32_t> some = drain();
            types.insert(types.end(), some.begin(), some.end());
            fake.advance(dt);
        }
        return types;
    }

    static long countOf(const std::vector<std::uint32_t>& types, std::uint32_t type)
    {
        return std::count(types.begin(), types.end(), type);
    }

    kestrel::Window window;
};

TEST_F(InputSynthesis, TwoQuickClosePressesGiveOneDoubleClickAfterTheSecondPress)
{
    const std::vector<std::uint32_t> types = clicks(2, 0.2, 2);
    EXPECT_EQ(types, (std::vector<std::uint32_t>{Event::LeftPress, Event::LeftRelease, Event::LeftPress,
                                                  Event::DoubleClick, Event::LeftRelease}));
}

TEST_F(InputSynthesis, NoDoubleClickWhenTooFarTooSlowOrAtTheEdge)
{
    EXPECT_EQ(countOf(clicks(2, 0.2, 3), Event::DoubleClick), 0);
    fake.advance(1.0);
    EXPECT_EQ(countOf(clicks(2, 0.6, 0), Event::DoubleClick), 0);
    fake.advance(1.0);
    EXPECT_EQ(countOf(clicks(2, 0.1, 0, 0, 20), Event::DoubleClick), 0);
}

TEST_F(InputSynthesis, ThreeQuickPressesGiveExactlyOneDoubleClickAndTheFourthAnother)
{
    EXPECT_EQ(countOf(clicks(3, 0.1, 0), Event::DoubleClick), 1);
    fake.advance(1.0);
    EXPECT_EQ(countOf(clicks(4, 0.1, 0), Event::DoubleClick), 2);
}

TEST_F(InputSynthesis, AMouseRestingPastTheDelayGivesOneHover)
{
    move(window, 30, 40);
    drain();
    fake.advance(0.7);
    std::vector<std::uint32_t> types = drain();
    kestrel::Event event;
    kestrel::getEvent(event, nullptr);
    EXPECT_EQ(event.type, Event::Hover);
    EXPECT_EQ(event.x, 30);
    EXPECT_EQ(event.y, 40);
    fake.advance(0.2);
    types = drain();
    EXPECT_EQ(countOf(types, Event::Hover), 0);
}

TEST_F(InputSynthesis, AHoverChanceMissedByABlockedLoopIsGone)
{
    move(window, 30, 40);
    drain();
    fake.advance(0.4);
    drain();
    fake.advance(1.2);
    EXPECT_EQ(countOf(drain(), Event::Hover), 0);
    fake.advance(1.0);
    EXPECT_EQ(countOf(drain(), Event::Hover), 0);
}

TEST_F(InputSynthesis, AMouseAtXZeroNeverHovers)
{
    move(window, 0, 40);
    drain();
    fake.advance(0.7);
    drain();
    EXPECT_EQ(countOf(drain(), Event::Hover), 0);
}

TEST_F(InputSynthesis, MovesToTheSamePositionAreDroppedAndWheelUsesTheLastPosition)
{
    move(window, 30, 40);
    move(window, 30, 40);
    plat::InputEvent wheel;
    wheel.kind = plat::InputKind::Wheel;
    wheel.window = window.nativeHandle();
    wheel.wheelDelta = -240;
    fake.push(wheel);
    std::vector<kestrel::Event> events;
    kestrel::Event event;
    while (kestrel::getEvent(event, nullptr), event.type != Event::None) {
        events.push_back(event);
    }
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].type, Event::MouseMove);
    EXPECT_EQ(events[1].type, Event::Wheel);
    EXPECT_EQ(events[1].wheelDelta, -240);
    EXPECT_EQ(events[1].x, 30);
    EXPECT_EQ(events[1].y, 40);
}

TEST_F(InputSynthesis, MovingIntoAnotherWindowGivesLeaveAndEnterAndConsumesTheMove)
{
    kestrel::Window other;
    other.setSize(50, 50);
    other.create();
    fake.mouseWindow = other.nativeHandle();
    move(other, 5, 5);
    kestrel::Event event;
    std::vector<kestrel::Event> events;
    while (kestrel::getEvent(event, nullptr), event.type != Event::None) {
        events.push_back(event);
    }
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].type, Event::MouseLeave);
    EXPECT_EQ(events[0].window, &window);
    EXPECT_EQ(events[1].type, Event::MouseEnter);
    EXPECT_EQ(events[1].window, &other);
}

}
