// The overlay console as the game draws it over the view: chat lines, and the players list on the
// server of two demo players connected over loopback.
#include "game/DemoNetFixture.h"

#include "game/OverlayConsole.h"
#include "gui/gl/glFont.h"
#include "gui/toolkit/Event.h"
#include "support/GLTestSupport.h"

#include <array>
#include <chrono>
#include <thread>

namespace
{

constexpr int width = 640;
constexpr int height = 480;

void press(int key)
{
    kestrel::Event event(kestrel::Event::Key);
    event.key = key;
    OverlayConsole::handleKey(event);
}

// The open console over a black view, once it has faded fully in.
kestrel::Image drawnConsole(int windowWidth, int windowHeight)
{
    // The panel fades in over 0.6 s of the program's clock; waiting longer only completes it.
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    return GLDisplayTest::render(windowWidth, windowHeight, [](kestrel::ImageBody& target) {
        clearTo(0, 0, 0);
        static_cast<void>(OverlayConsole::draw(target));
    });
}

// The console opened over a black view, once it has faded fully in.
kestrel::Image openConsole(int windowWidth, int windowHeight)
{
    press(kestrel::keycodes::tab);
    return drawnConsole(windowWidth, windowHeight);
}

class OverlayConsoleDisplayTest : public DemoNetTest
{
protected:
    void SetUp() override
    {
        m_display = haveGLDisplay();
        if (!m_display) {
            return;
        }
        ASSERT_TRUE(kestrel::makeSharedContextCurrent());
        OverlayConsole::reset();
        DemoNetTest::SetUp();
    }
    void TearDown() override
    {
        if (!m_display) {
            return;
        }
        setCurrentLook(heron::counted_ptr<Look>());
        OverlayConsole::reset();
        DemoNetTest::TearDown();
    }

    bool m_display = false;
};

class ConsoleChatDisplayTest : public GLDisplayTest
{
protected:
    void SetUp() override
    {
        GLDisplayTest::SetUp();
        OverlayConsole::reset();
    }
    void TearDown() override { OverlayConsole::reset(); }
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
    setCurrentLook(server);
    const kestrel::Image image = openConsole(width, height);
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

// A chat line from a very long name runs on in the rows above the newest instead of off the
// window's right edge: the name's start highest, the message in the bottom row.
TEST_F(ConsoleChatDisplayTest, AChatLineFromAVeryLongNameWrapsWithinTheWindow)
{
    constexpr int narrow = 320;
    const std::string name(100, 'W');
    const heron_string text(("[" + name + "] hello there").c_str());
    std::vector<std::uint32_t> colours(name.size() + 3, 0xFF0000);
    colours.resize(text.length(), 0xFFFFFF);
    OverlayConsole::showMessage(text, colours);
    const kestrel::Image image = openConsole(narrow, height);
    const int h = kestrel::glFont::standard().height();
    const int bottom = height - (10 * h + 24) + 8;
    // Per history row from the bottom: whether it shows the name's red and the message's white.
    struct Row
    {
        bool red = false;
        bool white = false;
    };
    std::array<Row, OverlayConsole::lineCount> rows{};
    int beyondTheInset = 0;
    int highest = -1;
    for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
        for (int y = bottom + row * h; y < bottom + (row + 1) * h; ++y) {
            for (int x = 0; x < narrow; ++x) {
                const std::uint32_t pixel = *image.pixelAt(x, y);
                if (!lit(pixel)) {
                    continue;
                }
                beyondTheInset += x >= narrow - 8 ? 1 : 0;
                highest = row;
                Row& seen = rows.at(static_cast<std::size_t>(row));
                seen.red = seen.red || (red(pixel) > 128 && blue(pixel) < 64);
                seen.white = seen.white || (red(pixel) > 128 && blue(pixel) > 128);
            }
        }
    }
    EXPECT_EQ(beyondTheInset, 0);
    // A hundred wide letters need more than two rows of a narrow window.
    ASSERT_GE(highest, 2);
    EXPECT_TRUE(rows.at(static_cast<std::size_t>(highest)).red);
    EXPECT_TRUE(rows[0].white);
}

// A typed line holding all the characters it takes shows in another colour than white, so that
// the player sees why further keys add nothing.
TEST_F(ConsoleChatDisplayTest, ATypedLineAtItsLimitShowsInAnotherColour)
{
    constexpr int wide = 1024;
    press('m');
    for (int i = 0; i <= OverlayConsole::maxTypedLength; ++i) {
        press('x');
    }
    const kestrel::Image image = drawnConsole(wide, height);
    const int h = kestrel::glFont::standard().height();
    const int bottom = height - (10 * h + 24) + 8;
    int white = 0;
    int other = 0;
    for (int y = bottom; y < bottom + h; ++y) {
        for (int x = 0; x < wide; ++x) {
            const std::uint32_t pixel = *image.pixelAt(x, y);
            white += red(pixel) > 128 && blue(pixel) > 128 ? 1 : 0;
            other += red(pixel) > 128 && blue(pixel) < 96 ? 1 : 0;
        }
    }
    EXPECT_EQ(white, 0);
    EXPECT_GT(other, 0);
}
