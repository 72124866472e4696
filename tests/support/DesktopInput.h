#pragma once

#include "gui/toolkit/Component.h"
#include "gui/toolkit/Window.h"
#include "platform/Backend.h"
#include "support/SdlEvents.h"

#include <SDL.h>

// A user's input through the real desktop (Xvfb and SDL), for display tests: the pointer really
// moves, so the desktop reports it over a window as it would a user's; buttons and window events
// are pushed into SDL's queue, where the backend takes them as it takes the desktop's.
namespace testing_desktop
{

// The middle of the component in SDL's coordinates of its window (top-left origin).
inline SDL_Point middleOf(const kestrel::Component& component)
{
    const kestrel::Rect bounds = component.getBounds();
    const kestrel::Window& window = *component.getWindow();
    return SDL_Point{bounds.x + bounds.width / 2, window.getBounds().height - 1 - (bounds.y + bounds.height / 2)};
}

// Moves the pointer over the middle of the component (which must be in an open window).
inline void pointAt(const kestrel::Component& component)
{
    const SDL_Point at = middleOf(component);
    SDL_WarpMouseInWindow(SDL_GetWindowFromID(component.getWindow()->nativeHandle()), at.x, at.y);
}

// Presses and releases the left button over the middle of the component.
inline void pushClick(const kestrel::Component& component)
{
    const SDL_Point at = middleOf(component);
    const plat::WindowId window = component.getWindow()->nativeHandle();
    for (const Uint32 type : {SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP}) {
        sdlevents::push(sdlevents::button(window, type, SDL_BUTTON_LEFT, at.x, at.y));
    }
}

// The mouse dx right of the window's centre: a press (SDL_MOUSEBUTTONDOWN) or release of the
// button, or a move (SDL_MOUSEMOTION) with the buttons of the mask held, pushed into SDL's queue.
inline void pushMouseFromCentre(const kestrel::Window& window, Uint32 type, Uint8 button, Uint32 held, int dx = 0)
{
    const int x = window.getBounds().width / 2 + dx;
    const int y = window.getBounds().height / 2;
    sdlevents::push(type == SDL_MOUSEMOTION ? sdlevents::motion(window.nativeHandle(), held, x, y)
                                            : sdlevents::button(window.nativeHandle(), type, button, x, y));
}

// A character key pressed and released over the window, as the desktop sends it: the key, the
// text it types, the key's release.
inline void pushCharacterKey(const kestrel::Window& window, char character)
{
    const plat::WindowId id = window.nativeHandle();
    sdlevents::push(sdlevents::key(id, SDL_KEYDOWN, static_cast<SDL_Keycode>(character)));
    const char typed[] = {character, '\0'};
    sdlevents::push(sdlevents::text(id, typed));
    sdlevents::push(sdlevents::key(id, SDL_KEYUP, static_cast<SDL_Keycode>(character)));
}

// Clicks components through the desktop as a scripted user does from inside the event loop, one
// step per pass: the pointer is moved over the component, and once the toolkit has seen it there
// (the component is hovered), the button is pressed and released.
class DesktopClicks
{
public:
    // One step towards clicking the component; true when the click has been pushed.
    bool step(const kestrel::Component& target)
    {
        if (kestrel::hoveredComponent() == &target) {
            pushClick(target);
            m_pointedAt = nullptr;
            return true;
        }
        if (m_pointedAt != &target) {
            pointAt(target);
            m_pointedAt = &target;
        }
        return false;
    }

private:
    const kestrel::Component* m_pointedAt = nullptr;
};

}
