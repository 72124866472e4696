#include "gui/toolkit/Event.h"

#include "base/Debug.h"
#include "gui/toolkit/Idler.h"
#include "gui/toolkit/ToolkitServices.h"
#include "gui/toolkit/Updatable.h"
#include "gui/toolkit/Window.h"
#include "gui/toolkit/WindowInternals.h"
#include "platform/Backend.h"

#include <deque>

namespace kestrel
{

namespace
{

// The desktop's usual double-click time; the platform offers no setting to read.
constexpr double doubleClickTime = 0.5;
constexpr double hoverDelay = 0.5;

struct LoopState
{
    std::deque<Event> queue;
    Event pendingDoubleClick;
    bool hasPendingDoubleClick = false;
    Event pendingHover;
    bool hasPendingHover = false;
    bool applicationActive = false;

    int lastPressX = 0;
    int lastPressY = 0;
    double lastPressTime = 0.0;
    bool armed = true;

    Window* restWindow = nullptr;
    int restX = 0;
    int restY = 0;
    double restStart = 0.0;
    bool hoverDone = true;

    Window* windowUnderMouse = nullptr;
    PopupController* popup = nullptr;
};

LoopState& loop()
{
    static LoopState state;
    return state;
}

void queueEvent(const Event& event)
{
    loop().queue.push_back(event);
}

void recordHover(const Event& move)
{
    LoopState& state = loop();
    if (move.x > 0 && move.y > 0) {
        state.restWindow = move.window;
        state.restX = move.x;
        state.restY = move.y;
        state.restStart = toolkitTime();
        state.hoverDone = false;
        return;
    }
    state.hoverDone = true;
}

void checkHover()
{
    LoopState& state = loop();
    if (!state.applicationActive || state.hoverDone) {
        return;
    }
    if (!Window::isRegistered(state.restWindow) || !state.restWindow->isOpen()) {
        state.hoverDone = true;
        return;
    }
    const double rested = toolkitTime() - state.restStart;
    if (rested <= hoverDelay || rested >= 3 * hoverDelay) {
        return;
    }
    state.pendingHover = Event(Event::Hover, state.restWindow);
    state.pendingHover.x = state.restX;
    state.pendingHover.y = state.restY;
    state.hasPendingHover = true;
    state.hoverDone = true;
}

void detectDoubleClick(const Event& press)
{
    LoopState& state = loop();
    if (press.time - state.lastPressTime < doubleClickTime) {
        const int dx = press.x - state.lastPressX;
        const int dy = press.y - state.lastPressY;
        if (press.x > 0 && press.y > 0 && state.lastPressX > 0 && state.lastPressY > 0 && state.armed
            && dx * dx + dy * dy < 9) {
            state.pendingDoubleClick = press;
            state.pendingDoubleClick.type = Event::DoubleClick;
            state.hasPendingDoubleClick = true;
        }
        state.armed = !state.hasPendingDoubleClick;
    } else {
        state.armed = true;
    }
    state.lastPressX = press.x;
    state.lastPressY = press.y;
    state.lastPressTime = press.time;
}

// Queues leave and enter events as the mouse moves between windows. True when the move is
// consumed by that (the first move in a new window, or a move that left every window).
bool trackMouseCapture()
{
    LoopState& state = loop();
    if (!state.applicationActive || captureHolder()) {
        return false;
    }
    Window* under = findWindow(plat::backend().windowUnderMouse());
    if (under && under == state.windowUnderMouse) {
        return false;
    }
    queueEvent(Event(Event::MouseLeave, state.windowUnderMouse));
    if (under) {
        queueEvent(Event(Event::MouseEnter, under));
    }
    state.windowUnderMouse = under;
    return true;
}

std::uint32_t pressType(const plat::InputEvent& input)
{
    const bool press = input.kind == plat::InputKind::ButtonPress;
    switch (input.button) {
    case plat::MouseButton::Middle:
        return press ? Event::MiddlePress : Event::MiddleRelease;
    case plat::MouseButton::Right:
        return press ? Event::RightPress : Event::RightRelease;
    case plat::MouseButton::Left:
    default:
        return press ? Event::LeftPress : Event::LeftRelease;
    }
}

// Whether a mouse event at the window's last mouse position is still posted.
enum class MousePosting
{
    IfMoved,
    Always,
};

void postMouseEvent(Window& window, const plat::InputEvent& input, std::uint32_t type, MousePosting posting)
{
    WindowInternals& internals = window.internals();
    Event event(type, &window);
    event.setMousePosition(input.x, input.y);
    if (posting == MousePosting::IfMoved && event.x == internals.lastX && event.y == internals.lastY) {
        return;
    }
    internals.lastX = event.x;
    internals.lastY = event.y;
    event.readButtons(input.state);
    event.readModifiers(input.state);
    queueEvent(event);
}

void queueKey(Window& window, const plat::InputEvent& input, std::uint32_t type)
{
    Event event(type, &window);
    event.key = input.key;
    if (input.readModifiers) {
        event.readModifiers(input.state);
    }
    if (type == Event::AltKey && input.key >= 'a' && input.key <= 'z') {
        heron::debug("Alt-%c\n", input.key);
    }
    queueEvent(event);
}

void queueWheel(Window& window, const plat::InputEvent& input)
{
    if (input.wheelDelta == 0) {
        return;
    }
    Event event(Event::Wheel, &window);
    event.x = window.internals().lastX;
    event.y = window.internals().lastY;
    event.wheelDelta = input.wheelDelta;
    event.readButtons(input.state);
    event.readModifiers(input.state);
    queueEvent(event);
}

// The application gained or lost the focus; the window may be gone already (null).
void setApplicationActive(Window* window, bool active)
{
    if (!active && window) {
        plat::backend().captureMouse(window->nativeHandle(), false);
    }
    loop().applicationActive = active;
    queueEvent(Event(active ? Event::Activated : Event::Deactivated, window));
}

void resize(Window& window, const plat::InputEvent& input)
{
    const Rect bounds = window.getBounds();
    window.Component::setBounds(bounds.x, bounds.y, input.width, input.height);
    window.repaint();
}

// The program is asked to end: every window closes, so every run loop ends the usual way and
// full-screen windows give the display its mode back.
void closeEveryWindow()
{
    heron::debug("Asked to quit: closing every window\n");
    forEachWindow([](Window& window) {
        if (!window.isOpen()) {
            return false;
        }
        window.close();
        return true;
    });
}

// Turns one platform event into toolkit events for its window.
void windowProc(const plat::InputEvent& input)
{
    if (input.kind == plat::InputKind::QuitRequest) {
        closeEveryWindow();
        return;
    }
    Window* window = findWindow(input.window);
    if (input.kind == plat::InputKind::Activated || input.kind == plat::InputKind::Deactivated) {
        setApplicationActive(window, input.kind == plat::InputKind::Activated);
        return;
    }
    if (!window) {
        heron::debug("Window %x not found!  (message=%x)\n", input.window, static_cast<unsigned>(input.kind));
        return;
    }
    switch (input.kind) {
    case plat::InputKind::CloseRequest:
        window->closeRequested();
        return;
    case plat::InputKind::Resized:
        resize(*window, input);
        return;
    case plat::InputKind::Exposed:
        window->paintNow();
        return;
    case plat::InputKind::Activated:
    case plat::InputKind::Deactivated:
    case plat::InputKind::QuitRequest:
        return;
    case plat::InputKind::Key:
        queueKey(*window, input, Event::Key);
        return;
    case plat::InputKind::AltKey:
        queueKey(*window, input, Event::AltKey);
        return;
    case plat::InputKind::MouseMove:
        window->showCursor();
        if (!trackMouseCapture()) {
            postMouseEvent(*window, input, Event::MouseMove, MousePosting::IfMoved);
        }
        return;
    case plat::InputKind::ButtonPress:
    case plat::InputKind::ButtonRelease:
        postMouseEvent(*window, input, pressType(input), MousePosting::Always);
        return;
    case plat::InputKind::Wheel:
        queueWheel(*window, input);
        return;
    case plat::InputKind::MouseLeft:
        trackMouseCapture();
        return;
    }
}

}

Event::Event(std::uint32_t type, Window* window)
    : type(type), window(window), time(toolkitTime()), key(0), shift(0), control(0), alt(0), x(-1), y(-1),
      wheelDelta(0), leftButton(0), middleButton(0), rightButton(0)
{
}

void Event::readButtons(const plat::InputState& state)
{
    leftButton = state.left ? 1 : 0;
    middleButton = state.middle ? 1 : 0;
    rightButton = state.right ? 1 : 0;
}

void Event::readModifiers(const plat::InputState& state)
{
    shift = state.shift() ? 1 : 0;
    control = state.control() ? 1 : 0;
    alt = state.alt ? 1 : 0;
}

void Event::setMousePosition(int x, int y)
{
    this->x = x;
    this->y = y;
}

void pumpMessages()
{
    plat::InputEvent input;
    while (plat::backend().pollInput(input)) {
        windowProc(input);
    }
}

bool getEvent(Event& event, Idler* idler)
{
    LoopState& state = loop();
    if (state.hasPendingDoubleClick) {
        state.hasPendingDoubleClick = false;
        event = state.pendingDoubleClick;
    } else if (state.hasPendingHover) {
        state.hasPendingHover = false;
        event = state.pendingHover;
    } else {
        pumpMessages();
        if (!state.queue.empty()) {
            event = state.queue.front();
            state.queue.pop_front();
            if (event.type == Event::MouseMove) {
                recordHover(event);
            } else if (event.type == Event::MouseLeave) {
                state.hoverDone = true;
            } else if (event.type == Event::LeftPress) {
                detectDoubleClick(event);
            }
        } else {
            const bool busy = runUpdatables();
            const int painted = paintDirtyWindows();
            if (!busy && painted == 0 && idler) {
                idler->idle();
            }
            event = Event(Event::None, nullptr);
        }
    }
    checkHover();
    destroyClosedWindows();
    return anyWindowOpen();
}

void dispatch(const Event& event)
{
    switch (event.type) {
    case Event::None:
        return;
    case Event::Activated:
        cancelMouseCapture();
        recordHover(event);
        resumeKeyboardFocus(Window::isRegistered(event.window) ? event.window : nullptr);
        return;
    case Event::Deactivated:
        cancelMouseCapture();
        closeOpenPopup();
        if (Window::isRegistered(event.window)) {
            suspendKeyboardFocus();
        }
        return;
    default:
        break;
    }
    if (!loop().applicationActive || !Window::isRegistered(event.window)) {
        return;
    }
    Event delivered = event;
    const KeepAlive keep(event.window);
    event.window->internals().handleEvent(delivered);
}

void runUntilIdle()
{
    IdleDetector detector;
    Event event;
    while (getEvent(event, &detector)) {
        if (event.type != Event::None) {
            dispatch(event);
        }
        if (detector.wasIdle) {
            return;
        }
    }
}

void idleSleep()
{
    plat::backend().sleepMs(1);
}

double toolkitTime()
{
    return plat::backend().now();
}

bool isKeyDown(int code)
{
    const plat::InputState state = plat::backend().inputState();
    switch (code) {
    case keycodes::leftShift:
        return state.leftShift;
    case keycodes::rightShift:
        return state.rightShift;
    case keycodes::leftControl:
        return state.leftControl;
    case keycodes::rightControl:
        return state.rightControl;
    default:
        return false;
    }
}

void setOpenPopup(PopupController* controller)
{
    loop().popup = controller;
}

PopupController* openPopup()
{
    return loop().popup;
}

void closeOpenPopup()
{
    PopupController* const controller = loop().popup;
    if (!controller) {
        return;
    }
    hideTooltip();
    controller->closePopup();
    destroyClosedWindows();
    loop().popup = nullptr;
}

bool isApplicationActive()
{
    return loop().applicationActive;
}

Window* windowUnderMouse()
{
    return loop().windowUnderMouse;
}

void forgetWindow(const Window* window)
{
    LoopState& state = loop();
    // Queued events keep their place but lose the window, so they are dropped at delivery even
    // when a new window later takes the same address.
    for (Event& queued : state.queue) {
        if (queued.window == window) {
            queued.window = nullptr;
        }
    }
    for (Event* pending : {&state.pendingDoubleClick, &state.pendingHover}) {
        if (pending->window == window) {
            pending->window = nullptr;
        }
    }
    if (state.windowUnderMouse == window) {
        state.windowUnderMouse = nullptr;
    }
    if (state.restWindow == window) {
        state.restWindow = nullptr;
        state.hoverDone = true;
    }
}

void resetEventState()
{
    loop() = LoopState();
}

}
