#pragma once

#include "platform/Backend.h"
#include "platform/KeyCodes.h"

#include <cstdint>

namespace kestrel
{

class Window;
class Component;
class Idler;

// One toolkit event, copied by value everywhere (the queue stores copies).
struct Event
{
    enum Type : std::uint32_t
    {
        None = 0,
        MouseMove = 10,
        MouseEnter = 11,
        MouseLeave = 12,
        DoubleClick = 13,
        Hover = 14,
        LeftPress = 20,
        LeftRelease = 21,
        MiddlePress = 22,
        MiddleRelease = 23,
        RightPress = 24,
        RightRelease = 25,
        Wheel = 26,
        Key = 102,
        AltKey = 103,
        Activated = 200,
        Deactivated = 201,
    };

    // A record of the given type for the window (not owned; may be destroyed before delivery),
    // stamped with the toolkit clock, x = y = -1, everything else 0.
    Event(std::uint32_t type = None, Window* window = nullptr);

    // Copies the held buttons, or the Shift, Control and Alt states, from the platform's record.
    void readButtons(const plat::InputState& state);
    void readModifiers(const plat::InputState& state);
    // Sets x and y (pixels, bottom-left origin of the client area); -1, -1 for an unknown position.
    void setMousePosition(int x, int y);

    std::uint32_t type;
    Window* window;
    double time;            // seconds on the toolkit clock
    std::int32_t key;
    std::uint32_t shift;
    std::uint32_t control;
    std::uint32_t alt;
    std::int32_t x;
    std::int32_t y;
    std::int32_t wheelDelta;  // 120 per notch
    std::uint8_t leftButton;
    std::uint8_t middleButton;
    std::uint8_t rightButton;
};

namespace keycodes = plat::keys;

// The controller of the one open popup (a combo-box list, a popup menu).
class PopupController
{
public:
    virtual void closePopup() = 0;
    // Whether the event, aimed at the target, belongs to the popup (else a click closes it).
    virtual bool acceptsEvent(Component* target, const Event& event) = 0;

protected:
    ~PopupController() = default;
};

// Fills the record with the next event (type 0 when none) and returns whether any window is
// open. With an empty queue it runs the updatables, paints dirty windows and, when neither
// did anything, calls the idler (null: none). Main thread only.
bool getEvent(Event& event, Idler* idler);
// Delivers one event to its window, if that window is still registered.
void dispatch(const Event& event);
// Pumps and dispatches until the loop would first idle, or no window is open.
void runUntilIdle();
// Sleeps 1 ms: the idle action of application windows.
void idleSleep();
// Seconds on the toolkit clock, the one events are stamped with: widgets time their repeats and
// delays by it. Main thread only.
double toolkitTime();
// Takes every waiting platform event into the queue.
void pumpMessages();
// Held state of keycodes::leftShift .. rightControl; false for every other code.
bool isKeyDown(int code);

// Registers the open popup (null clears it).
void setOpenPopup(PopupController* controller);
PopupController* openPopup();
// Closes the registered popup, if any: hides the tooltip, closes it, destroys closed windows.
void closeOpenPopup();

// Whether the application has the keyboard focus; only then are window events delivered.
bool isApplicationActive();

// The window the mouse is over, as the loop last saw it (null: none).
Window* windowUnderMouse();
// Forgets a window that is being destroyed: events still queued for it lose their window.
void forgetWindow(const Window* window);

// Drops queued events, pending double-click and hover, and the loop's remembered state
// (for tests and for a fresh start).
void resetEventState();

}
