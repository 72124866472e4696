#include "platform/DisplayConnection.h"

#include "base/Debug.h"

#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace plat
{

namespace
{

// Xlib's handler must not return, and no further X call may be made.
[[noreturn]] int displayLost(Display*)
{
    heron::debug("The connection to the display is lost: the program ends\n");
    std::fputs("Aurelle: the connection to the display is lost; the program ends\n", stderr);
    std::_Exit(lostDisplayStatus);
}

}

void endProgramOnLostDisplay()
{
    static std::once_flag installed;
    std::call_once(installed, [] { XSetIOErrorHandler(&displayLost); });
}

}
