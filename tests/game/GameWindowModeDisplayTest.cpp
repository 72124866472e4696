// The game window asked for a screen mode the display lacks.
#include "game/GameDisplayTest.h"
#include "game/GameWindow.h"
#include "game/Look.h"

#include <gtest/gtest.h>

using namespace datafiletest;

namespace
{

class GameWindowModeDisplayTest : public GameDisplayTest
{
};

}

TEST_F(GameWindowModeDisplayTest, AModeTheDisplayLacksGivesTheVideoModeReason)
{
    // The largest size at 120 Hz: the virtual display offers neither.
    GameWindow window(kestrel::ScreenMode{4, -1, 4}, heron::FilePath(AURELLE_DEMO_WORLD));
    EXPECT_EQ(window.failureReason(), GameWindow::badVideoMode);
    EXPECT_FALSE(window.isOpen());
    EXPECT_EQ(currentLook(), nullptr);
}
