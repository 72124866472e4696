// The overlay console as the game draws it over the view, on the server of two demo players
// connected over loopback.
#include "game/DemoNetFixture.h"

#include "game/OverlayConsole.h"
#include "gui/gl/glFont.h"
#include "gui/toolkit/Event.h"
#include "support/GLTestSupport.h"

#include <chrono>
#include <thread>

namespace
{

constexpr int width = 640;
constexpr int height = 480;

class OverlayConsoleDisplayTest : public DemoNetTest
{
protected:
    void SetUp() override
    {
        if (!kestrel::getGLcapabilities().valid) {
            GTEST_SKIP() << "no OpenGL display";
        }
        ASSERT_TRUE(kestrel::makeSharedContextCurrent());
        OverlayConsole::reset();
        DemoNetTest::SetUp();
    }
    void TearDown() override
    {
        setCurrentLook(heron::counted_ptr<Look>());
        OverlayConsole::reset();
        DemoNetTest::TearDown();
    }

    // The console opened over a black view of the world, once it has faded fully in.
    static kestrel::Image openConsoleOver(Look& world)
    {
        setCurrentLook(heron::counted_ptr<Look>(&world));
        kestrel::Event tab(kestrel::Event::Key);
        tab.key = kestrel::keycodes::tab;
        OverlayConsole::handleKey(tab);
        // The panel fades in over 0.6 s of the program's clock; waiting longer only completes it.
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        return GLDisplayTest::render(width, height, [](kestrel::ImageBody& target) {
            clearTo(0, 0, 0);
            static_cast<void>(OverlayConsole::draw(target));
        });
    }
};

int red(std::uint32_t pixel) { return int((pixel >> 16) & 0xFF); }
int green(std::uint32_t pixel) { return int((pixel >> 8) & 0xFF); }
int blue(std::uint32_t pixel) { return int(pixel & 0xFF); }

bool lit(std::uint32_t pixel)
{
    return red(pixel) > 64 || green(pixel) > 64 || blue(pixel) > 64;
}

}

// The players list takes the row between the chat lines and the status line, from the left edge:
// the heading, then each player in their colour after it.
TEST_F(OverlayConsoleDisplayTest, PlayersListRunsFromTheLeftInTheRowBelowTheStatusLine)
{
    ASSERT_TRUE(until([&] {
        const std::vector<ColouredText> players = server->network().playersList();
        return !players.empty() && players.back().text == "  Ann";
    }));
    const kestrel::Image image = openConsoleOver(*server);
    kestrel::glFont& font = kestrel::glFont::standard();
    const int h = font.height();
    const int row = height - (10 * h + 24) + 8 + 8 * h + 8;
    const int heading = font.textWidthOf("Connected players:");
    const int whole = heading + font.textWidthOf("  Ann");
    int leftmost = width;
    int rightmost = -1;
    int annsRed = 0;
    for (int y = row; y < row + h; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t pixel = *image.pixelAt(x, y);
            if (!lit(pixel)) {
                continue;
            }
            leftmost = std::min(leftmost, x);
            rightmost = std::max(rightmost, x);
            annsRed += x >= 8 + heading && red(pixel) > 128 && green(pixel) < 64 && blue(pixel) < 64 ? 1 : 0;
        }
    }
    EXPECT_GE(leftmost, 8);
    EXPECT_LT(leftmost, 8 + font.charWidth('C'));
    EXPECT_LE(rightmost, 8 + whole);
    EXPECT_GT(annsRed, 0);
}
