#include "platform/DisplayConnection.h"

#include "base/Debug.h"

#include <SDL.h>
#include <X11/Xlib.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace plat
{

namespace
{

std::atomic<LostDisplayHook> installedHook{nullptr};

// Xlib's handler must not return, and no further X call may be made. The hook is taken out before
// it runs, so a hook that meets the dead connection again does not run twice.
[[noreturn]] int displayLost(Display*)
{
    heron::debug("The connection to the display is lost: the program ends\n");
    std::fputs("Aurelle: the connection to the display is lost; the program ends\n", stderr);
    if (const LostDisplayHook hook = installedHook.exchange(nullptr)) {
        hook();
    }
    std::_Exit(lostDisplayStatus);
}

}

bool startDisplayVideo()
{
    // Wayland is tried only where a compositor is named: without one, its client library prints
    // errors of its own before the program can say that no display was found.
    SDL_SetHint(SDL_HINT_VIDEODRIVER, std::getenv("WAYLAND_DISPLAY") ? "x11,wayland" : "x11");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        return false;
    }
    endProgramOnLostDisplay();
    return true;
}

void endProgramOnLostDisplay()
{
    static std::once_flag installed;
    std::call_once(installed, [] { XSetIOErrorHandler(&displayLost); });
}

OnLostDisplay::OnLostDisplay(LostDisplayHook hook) : m_previous(installedHook.exchange(hook))
{
}

OnLostDisplay::~OnLostDisplay()
{
    installedHook.store(m_previous);
}

LostDisplayHook lostDisplayHook()
{
    return installedHook.load();
}

}
