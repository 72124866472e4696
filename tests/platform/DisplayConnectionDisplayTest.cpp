#include "platform/Backend.h"
#include "platform/DisplayConnection.h"

#include <gtest/gtest.h>

// After the test framework: the X headers define macros such as None.
#include <SDL.h>
#include <SDL_syswm.h>

#include <cstdio>
#include <cstdlib>

#include <sys/socket.h>

namespace plat
{
namespace
{

// Cuts the program's own connection to the X display under an open window, as a display that
// goes away does, then keeps taking input.
[[noreturn]] void loseTheDisplayUnderAWindow()
{
    const OnLostDisplay saveWork(+[] { std::fputs("the unsaved work is written\n", stderr); });
    WindowSpec request;
    request.client = Box{0, 0, 64, 64};
    const WindowId window = backend().createWindow(request);
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window == 0 || !SDL_GetWindowWMInfo(SDL_GetWindowFromID(window), &info) || info.subsystem != SDL_SYSWM_X11) {
        std::exit(2);
    }
    shutdown(ConnectionNumber(info.info.x11.display), SHUT_RDWR);
    InputEvent event;
    for (int i = 0; i < 1000; ++i) {
        backend().pollInput(event);
        backend().sleepMs(1);
    }
    std::exit(0);
}

TEST(DisplayConnectionDisplayTest, LostDisplayWritesTheUnsavedWorkAndEndsTheProgramWithItsReason)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(loseTheDisplayUnderAWindow(), testing::ExitedWithCode(lostDisplayStatus),
                "the connection to the display is lost.*\nthe unsaved work is written\n");
}

// Started from a console with no display at all, the program alone says what is missing: the
// display libraries print nothing of their own.
TEST(DisplayConnectionDisplayTest, WithNoDisplayAtAllNothingIsPrintedAndNoVideoStarts)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto startWithNoDisplay = [] {
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR", "SDL_VIDEODRIVER"}) {
            unsetenv(name);
        }
        std::_Exit(startDisplayVideo() ? 1 : 0);
    };
    EXPECT_EXIT(startWithNoDisplay(), testing::ExitedWithCode(0), "^$");
}

}
}
