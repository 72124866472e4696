// The desktop backend's input: events that come through SDL's queue carry the buttons and
// modifiers held when each happened, however many wait in one batch.
#include "platform/Backend.h"
#include "support/Eventually.h"
#include "support/RealPointer.h"
#include "support/SdlEvents.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace plat
{
namespace
{

constexpr int size = 64;
// Pushed events come at this column, where nothing of the desktop's own puts the pointer.
constexpr int column = 37;

// A window of ours, open while it lives, with the events of its opening taken.
class OpenWindow
{
public:
    OpenWindow()
    {
        WindowSpec request;
        request.client = Box{0, 0, size, size};
        m_id = backend().createWindow(request);
        InputEvent event;
        while (backend().pollInput(event)) {
        }
    }
    ~OpenWindow() { backend().destroyWindow(m_id); }
    OpenWindow(const OpenWindow&) = delete;
    OpenWindow& operator=(const OpenWindow&) = delete;

    WindowId id() const { return m_id; }

private:
    WindowId m_id = 0;
};

SDL_Event button(WindowId window, Uint32 type, Uint8 which)
{
    return sdlevents::button(window, type, which, column, 5);
}

SDL_Event motion(WindowId window, Uint32 held, int y)
{
    return sdlevents::motion(window, held, column, y);
}

using sdlevents::key;

// What an event is, and whether left, right and shift were held.
using Held = std::tuple<std::string, bool, bool, bool>;

std::string nameOf(InputKind kind)
{
    switch (kind) {
    case InputKind::ButtonPress:
        return "press";
    case InputKind::ButtonRelease:
        return "release";
    case InputKind::MouseMove:
        return "move";
    case InputKind::Key:
        return "key";
    default:
        return "other";
    }
}

// Pushes the events as one batch and takes what the backend makes of them, leaving out what the
// desktop sends of its own accord.
std::vector<Held> batch(const std::vector<SDL_Event>& events)
{
    for (SDL_Event event : events) {
        EXPECT_EQ(SDL_PushEvent(&event), 1);
    }
    std::vector<Held> out;
    InputEvent event;
    while (backend().pollInput(event)) {
        const bool pushed = event.kind == InputKind::Key || event.x == column;
        if (pushed) {
            out.emplace_back(nameOf(event.kind), event.state.left, event.state.right, event.state.shift());
        }
    }
    return out;
}

TEST(SdlBackendDisplayTest, EachMouseEventCarriesTheButtonsHeldAsItHappened)
{
    const OpenWindow window;
    const WindowId id = window.id();
    ASSERT_NE(id, 0u);
    // Press, hold while moving and release, each in a batch of its own.
    EXPECT_EQ(batch({button(id, SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT)}),
              (std::vector<Held>{{"press", true, false, false}}));
    EXPECT_EQ(batch({motion(id, SDL_BUTTON_LMASK, 6)}), (std::vector<Held>{{"move", true, false, false}}));
    EXPECT_EQ(batch({button(id, SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT)}),
              (std::vector<Held>{{"release", false, false, false}}));
    // The same in one batch, the right button pressed and released without moving.
    EXPECT_EQ(batch({button(id, SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT), motion(id, SDL_BUTTON_LMASK, 7),
                     button(id, SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT), button(id, SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT),
                     button(id, SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT), motion(id, 0, 8)}),
              (std::vector<Held>{{"press", true, false, false},
                                 {"move", true, false, false},
                                 {"press", true, true, false},
                                 {"release", true, false, false},
                                 {"release", false, false, false},
                                 {"move", false, false, false}}));
}

// The next event of the kind that the backend takes from the desktop; none within the bound.
std::optional<InputEvent> awaitEvent(InputKind kind, int x)
{
    std::optional<InputEvent> found;
    EXPECT_TRUE(eventually([&] {
        InputEvent event;
        while (!found && backend().pollInput(event)) {
            if (event.kind == kind && event.x == x) {
                found = event;
            }
        }
        return found.has_value();
    }));
    return found;
}

// The left button pressed and released by a user's hand through the X server. SDL's own button
// state then changes with each as SDL takes it in, which it never does for events pushed into its
// queue: the press carries the button held and the release carries it let go all the same.
TEST(SdlBackendDisplayTest, RealPressAndReleaseCarryTheLeftButtonAsTheyHappened)
{
    const OpenWindow window;
    ASSERT_NE(window.id(), 0u);
    RealPointer pointer;
    ASSERT_TRUE(pointer.isAvailable());
    Box bounds;
    ASSERT_TRUE(backend().clientBounds(window.id(), bounds));
    pointer.moveTo(bounds.x + column + 1, bounds.y + 5);
    pointer.moveTo(bounds.x + column, bounds.y + 5);
    ASSERT_TRUE(awaitEvent(InputKind::MouseMove, column));
    pointer.setButton(1, true);
    const std::optional<InputEvent> press = awaitEvent(InputKind::ButtonPress, column);
    pointer.setButton(1, false);
    const std::optional<InputEvent> release = awaitEvent(InputKind::ButtonRelease, column);
    ASSERT_TRUE(press && release);
    EXPECT_TRUE(press->state.left);
    EXPECT_FALSE(release->state.left);
}

TEST(SdlBackendDisplayTest, ClicksAndKeysCarryTheModifiersHeldAsTheyHappened)
{
    const OpenWindow window;
    const WindowId id = window.id();
    ASSERT_NE(id, 0u);
    // Shift is held for the first click and the Tab key, and let go before the second click.
    EXPECT_EQ(batch({key(id, SDL_KEYDOWN, SDLK_LSHIFT, KMOD_LSHIFT),
                     button(id, SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT),
                     key(id, SDL_KEYDOWN, SDLK_TAB, KMOD_LSHIFT),
                     key(id, SDL_KEYUP, SDLK_LSHIFT, KMOD_NONE),
                     button(id, SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT)}),
              (std::vector<Held>{{"press", true, false, true},
                                 {"key", true, false, true},
                                 {"release", false, false, false}}));
}

}
}
