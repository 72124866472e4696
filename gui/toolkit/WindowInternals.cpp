#include "gui/toolkit/WindowInternals.h"

#include "base/Debug.h"
#include "gui/toolkit/Event.h"
#include "gui/toolkit/ToolkitServices.h"

namespace kestrel
{

bool swallowNextRelease = false;

namespace
{

bool isMouseType(std::uint32_t type)
{
    return type >= Event::MouseMove && type <= Event::RightRelease;
}

// The target stays alive while it handles the event, whatever its listeners drop meanwhile.
void deliver(Component* target, Event& event)
{
    if (!target || !target->isEnabled()) {
        return;
    }
    const KeepAlive keep(target);
    if (isMouseType(event.type)) {
        target->handleMouse(event);
    } else if (event.type == Event::Wheel) {
        target->handleWheel(event);
    } else {
        target->handleKey(event);
    }
}

// Offers a wheel event to the target and then to each parent until one takes it; that one
// gets the keyboard focus.
void offerWheel(Component* target, Event& event)
{
    for (Component* component = target; component; component = component->getParent()) {
        if (component->handleWheel(event)) {
            setKeyboardFocus(component);
            return;
        }
    }
}

void showTooltip(Component* target, const Event& event)
{
    if (toolkitServices().showTooltip) {
        toolkitServices().showTooltip(target, event);
    }
}

}

WindowInternals::WindowInternals(Window& owner, Window* parent)
    : owner(owner), parent(parent), graphics(std::make_unique<BitmapGraphics>())
{
}

void WindowInternals::handleEvent(Event& event)
{
    if (swallowNextRelease && (event.type == Event::LeftRelease || event.type == Event::RightRelease)) {
        swallowNextRelease = false;
        return;
    }
    if (disabled) {
        return;
    }
    if (event.type == Event::Key && event.key == keycodes::altAlone) {
        if (toolkitServices().activateMenuBar) {
            toolkitServices().activateMenuBar();
        }
        return;
    }
    Component* const menu = toolkitServices().activeMenu;
    if ((event.type == Event::Key || event.type == Event::AltKey) && menu) {
        menu->handleKey(event);
        return;
    }
    routeEvent(event);
}

void WindowInternals::routeEvent(Event& event)
{
    switch (event.type) {
    case Event::MouseEnter:
        return;
    case Event::MouseLeave:
        updateHover(nullptr, nullptr);
        return;
    case Event::AltKey:
        heron::debug("shortcut key...\n");
        // Laid out first, so panels hidden since the last paint are hidden to the search.
        owner.doLayout();
        if (Component* found = findMnemonic(&owner, event.key)) {
            heron::debug("Shortcut - component %s\n", found->getText().c_str());
            deliver(found, event);
        }
        return;
    default:
        break;
    }
    Component* target = owner.componentAt(event.x, event.y);
    PopupController* const popup = openPopup();
    if (popup && !popup->acceptsEvent(target, event)
        && (event.type == Event::LeftPress || event.type == Event::RightPress)) {
        closeOpenPopup();
        swallowNextRelease = true;
        return;
    }
    if (event.type == Event::MouseMove) {
        updateHover(target, &owner);
    } else if (event.type != Event::Hover && hoveredComponent()) {
        hideTooltip();
    }
    // The capture takes the mouse, not the keyboard.
    if (Component* holder = captureHolder(); holder && event.type != Event::Key) {
        deliver(holder, event);
        return;
    }
    switch (event.type) {
    case Event::LeftPress:
    case Event::RightPress:
        if (!openPopup()) {
            setKeyboardFocus(target);
        }
        break;
    case Event::Wheel:
        offerWheel(target, event);
        return;
    case Event::Key:
        target = keyboardFocus();
        break;
    case Event::Hover:
        showTooltip(target, event);
        break;
    default:
        break;
    }
    deliver(target, event);
}

void WindowInternals::updateHover(Component* component, Window* window)
{
    Component* const old = hoveredComponent();
    if (component == old && window == hoveredWindow()) {
        return;
    }
    Component* const holder = captureHolder();
    if (old) {
        hideTooltip();
        const bool isWindowItself = old == hoveredWindow() || old == windowUnderMouse();
        if (!isWindowItself && (!holder || holder == old)) {
            Event leave(Event::MouseLeave, old->getWindow());
            old->handleMouse(leave);
        }
    }
    if (component && component != window && (!holder || holder == component)) {
        Event enter(Event::MouseEnter, window);
        component->handleMouse(enter);
        window->showCursorOf(*component);
    } else if (component && component == window && !holder) {
        // Back over the bare window: its own cursor, not the last component's.
        window->showCursorOf(*window);
    }
    setHovered(component, window);
}

}
