#pragma once

#include <SDL.h>

#include <cstdint>

// SDL events as the desktop sends them to a window (SDL counts rows from the top), for tests that
// feed the translator or push them into SDL's queue.
namespace sdlevents
{

// A press (SDL_MOUSEBUTTONDOWN) or release of one button at (x, y).
inline SDL_Event button(std::uint32_t window, Uint32 type, Uint8 which, int x, int y)
{
    SDL_Event event = {};
    event.type = type;
    event.button.windowID = window;
    event.button.button = which;
    event.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.button.x = x;
    event.button.y = y;
    return event;
}

// The mouse moved to (x, y) with the buttons of the mask held.
inline SDL_Event motion(std::uint32_t window, Uint32 held, int x, int y)
{
    SDL_Event event = {};
    event.type = SDL_MOUSEMOTION;
    event.motion.windowID = window;
    event.motion.state = held;
    event.motion.x = x;
    event.motion.y = y;
    return event;
}

// A key pressed (SDL_KEYDOWN) or released with the modifiers held.
inline SDL_Event key(std::uint32_t window, Uint32 type, SDL_Keycode sym, Uint16 modifiers = KMOD_NONE)
{
    SDL_Event event = {};
    event.type = type;
    event.key.windowID = window;
    event.key.keysym.sym = sym;
    event.key.keysym.mod = modifiers;
    return event;
}

// The text keys typed, in UTF-8 (cut to what the event holds).
inline SDL_Event text(std::uint32_t window, const char* utf8)
{
    SDL_Event event = {};
    event.type = SDL_TEXTINPUT;
    event.text.windowID = window;
    SDL_strlcpy(event.text.text, utf8, sizeof event.text.text);
    return event;
}

// A window event (a close request, say) for the window.
inline SDL_Event window(std::uint32_t window, SDL_WindowEventID what)
{
    SDL_Event event = {};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = window;
    event.window.event = what;
    return event;
}

inline void push(SDL_Event event)
{
    SDL_PushEvent(&event);
}

}
