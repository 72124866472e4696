#include "gui/toolkit/Clipboard.h"

#include "support/LogCapture.h"
#include "platform/Clipboard.h"

#include <gtest/gtest.h>

#include <cstdlib>

// Without a usable video driver the clipboard fails softly: no text, puts ignored, one log line.
TEST(ClipboardTest, WithoutADisplayTheClipboardIsEmptyAndIgnoresPuts)
{
    const LogCapture log;
    setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
    kestrel::Clipboard clipboard;
    clipboard.putText("lost");
    EXPECT_FALSE(clipboard.hasText());
    EXPECT_TRUE(clipboard.getText().empty());
    EXPECT_FALSE(plat::setClipboardText("lost"));
    EXPECT_EQ(plat::getClipboardText(), "");
    unsetenv("SDL_VIDEODRIVER");
    EXPECT_EQ(log.text().find("Clipboard unavailable: "), 0u);
    EXPECT_EQ(log.text().find("Clipboard unavailable: ", 1), std::string::npos);
}
