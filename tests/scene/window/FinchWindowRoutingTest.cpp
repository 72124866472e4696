#include "scene/window/FinchWindow.h"
#include "support/FakeDesktop.h"

#include <string>
#include <vector>

namespace
{

using plat::InputKind;
using plat::MouseButton;

// A window of the fake desktop; the platform's events reach it through the toolkit's loop.
class FinchWindowRouting : public testing_gui::FakeDesktop
{
protected:
    // An event at the window's centre with the buttons held after it, as letters "l", "m", "r".
    plat::InputEvent input(InputKind kind, const std::string& held, MouseButton button = MouseButton::Left)
    {
        plat::InputEvent event = inputEvent(kind, window.nativeHandle(), 32, 32);
        event.button = button;
        event.state.left = held.find('l') != std::string::npos;
        event.state.middle = held.find('m') != std::string::npos;
        event.state.right = held.find('r') != std::string::npos;
        event.key = kind == InputKind::Key ? 'a' : 0;
        event.wheelDelta = kind == InputKind::Wheel ? 120 : 0;
        return event;
    }

    finch::FinchWindow window;
};

}

TEST_F(FinchWindowRouting, AControllerLivesFromItsStartingEventUntilItEnds)
{
    openAndActivate(window, 64, 64);
    const plat::InputEvent middle = input(InputKind::ButtonPress, "m", MouseButton::Middle);
    const plat::InputEvent right = input(InputKind::ButtonPress, "r", MouseButton::Right);
    const plat::InputEvent letGo = input(InputKind::ButtonRelease, "", MouseButton::Right);
    const struct
    {
        const char* name;
        std::vector<plat::InputEvent> events;
        bool alive;     // after the events and a frame
    } cases[] = {
        {"fly", {middle}, true},
        {"fly after a key", {middle, input(InputKind::Key, "m")}, false},
        {"fly after a wheel turn", {middle, input(InputKind::Wheel, "m")}, false},
        {"right drag", {right, input(InputKind::MouseMove, "r")}, true},
        {"right let go", {right, letGo}, false},
        {"wheel turn", {input(InputKind::Wheel, "")}, false},
        {"left press", {input(InputKind::ButtonPress, "l")}, false},
    };
    for (const auto& c : cases) {
        for (const plat::InputEvent& event : c.events) {
            fake.push(event);
        }
        drain();
        EXPECT_EQ(window.hasTwiddler(), c.alive) << c.name;
        EXPECT_EQ(kestrel::captureHolder() == &window, c.alive) << c.name;
        // A key ends a flight and a release of every button a drag: the next case starts afresh.
        fake.push(input(InputKind::Key, ""));
        fake.push(letGo);
        drain();
        ASSERT_FALSE(window.hasTwiddler()) << c.name;
    }
}
