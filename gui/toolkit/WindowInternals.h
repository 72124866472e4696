#pragma once

#include "gui/paint/BitmapGraphics.h"
#include "gui/toolkit/Window.h"

#include <memory>

namespace kestrel
{

// The private state of a window and its event handling.
class WindowInternals
{
public:
    explicit WindowInternals(Window& owner, Window* parent);

    // Delivers an event that reached this window: swallowed releases, disabled windows, the
    // menu bar and the active menu first, then the router.
    void handleEvent(Event& event);
    // Picks the component that gets the event and delivers it.
    void routeEvent(Event& event);
    // Makes `component` of `window` the hovered component, with leave and enter events.
    static void updateHover(Component* component, Window* window);

    Window& owner;
    Window* parent;
    int kind = Window::Framed;
    std::uint32_t selfPainted = 0;
    std::unique_ptr<BitmapGraphics> graphics;
    int popupFallbackX = Window::noFallback;
    int popupFallbackY = Window::noFallback;
    bool dropShadow = false;
    bool open = false;
    bool dirty = true;
    bool disabled = false;
    bool resizable = true;
    bool destroyPending = false;
    Component* defaultButton = nullptr;
    Component* cancelButton = nullptr;
    bool modeChanged = false;
    int monitor = 0;
    ScreenMode screenMode;
    int minimumWidth = 0;           // the smallest client size last given to the desktop
    int minimumHeight = 0;
    int lastX = -1;
    int lastY = -1;
    plat::WindowId handle = 0;
    heron::counted_ptr<Cursor> cursor;  // the cursor the window shows now
};

// Set when a release must not reach anyone (the press closed a popup).
extern bool swallowNextRelease;

}
