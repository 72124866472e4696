#include "gui/toolkit/Cursor.h"
#include "platform/Cursor.h"
#include "support/DisplayWait.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <string>

TEST(CursorDisplayTest, SystemAndPatternCursorsAreMadeAndShown)
{
    if (!waitForDisplay([] { return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0; })) {
        reportMissingDisplay(std::string("no display: ") + SDL_GetError());
        return;
    }
    const std::string driver = SDL_GetCurrentVideoDriver();
    if (driver != "x11" && driver != "wayland") {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        GTEST_SKIP() << "the " << driver << " video driver has no cursors";
    }
    const auto ibeam = plat::Cursor::createSystem(plat::SystemCursor::IBeam);
    ASSERT_NE(ibeam, nullptr);
    ibeam->show();
    const char* const art[] = {"#x+#", " ## ", nullptr};
    {
        kestrel::Cursor pattern(art, true, true, '+', 'x', '+');
        ASSERT_NE(pattern.handle(), nullptr);
        EXPECT_EQ(pattern.handle(), pattern.handle());
        pattern.handle()->show();
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}
