#include "gui/toolkit/Clipboard.h"

#include "platform/Clipboard.h"

#include <SDL.h>
#include <gtest/gtest.h>

// One test only: the X clipboard is shared by every process on the display, so two clipboard tests running
// side by side would take the selection from each other.
TEST(ClipboardDisplayTest, TextRoundTripsAsWindows1252AndTheDesktopSeesUtf8)
{
    const heron_string text("caf\xE9 \x80 5\x97" "6\n");
    {
        kestrel::Clipboard clipboard;
        clipboard.putText(text);
        EXPECT_TRUE(clipboard.hasText());
    }
    {
        kestrel::Clipboard clipboard;
        ASSERT_TRUE(clipboard.hasText());
        EXPECT_EQ(clipboard.getText(), text);
    }

    ASSERT_TRUE(plat::setClipboardText("\x80"));
    char* const utf8 = SDL_GetClipboardText();
    ASSERT_NE(utf8, nullptr);
    EXPECT_STREQ(utf8, "\xE2\x82\xAC");
    SDL_free(utf8);

    ASSERT_EQ(SDL_SetClipboardText("\xC3\xA9t\xC3\xA9 \xE2\x84\xA2"), 0);
    EXPECT_EQ(plat::getClipboardText(), "\xE9t\xE9 \x99");
}
