#include "gui/paint/BitmapGraphics.h"
#include "gui/paint/Font.h"

#include <gtest/gtest.h>

#include "support/FixedLayout.h"
#include "support/LogCapture.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

using kestrel::BitmapGraphics;
using kestrel::Font;
using kestrel::FontKey;
using kestrel::GuiColor;
using kestrel::Image;
using kestrel::Rect;
using Depth = kestrel::Graphics::EdgeDepth;

namespace
{

using Picture = std::vector<std::string>;
using testing_gui::Pixels;
using testing_gui::pixelsOf;

using testing_gui::pixelOf;

const std::uint32_t background = pixelOf(GuiColor::MAGENTA);

// Opens an off-screen paint of the area, cleared to magenta (which no edge colour uses), drawing in black.
void open(BitmapGraphics& g, const Rect& area)
{
    g.begin(nullptr, area);
    g.setColor(GuiColor::MAGENTA);
    g.fillRect(area);
    g.setColor(GuiColor::BLACK);
}

// The painted image as rows of letters, top row first: '.' for the background, '?' for a colour
// outside the legend. W is white, which is also the button highlight; T, the 3-D light, is the face.
Picture picture(const BitmapGraphics& g)
{
    static const std::map<char, GuiColor::gui_color> legend = {
        {'X', GuiColor::BLACK},         {'D', GuiColor::DARK_SHADOW_3D_LIFTED},
        {'L', GuiColor::BUTTON_HIGHLIGHT_DIMMED}, {'S', GuiColor::BUTTON_SHADOW},
        {'T', GuiColor::LIGHT_3D},      {'W', GuiColor::WHITE}};
    const Image& image = g.image();
    Picture rows;
    for (int y = image.height() - 1; y >= 0; --y) {
        std::string row;
        for (int x = 0; x < image.width(); ++x) {
            const std::uint32_t pixel = *image.pixelAt(x, y);
            char letter = pixel == background ? '.' : '?';
            for (const auto& [key, colour] : legend) {
                letter = pixel == pixelOf(colour) ? key : letter;
            }
            row += letter;
        }
        rows.push_back(row);
    }
    return rows;
}

// The smallest rectangle holding every painted pixel, empty when nothing is painted.
Rect inkBox(const BitmapGraphics& g)
{
    int left = 1 << 30, bottom = 1 << 30, right = -1, top = -1;
    for (int y = 0; y < g.image().height(); ++y) {
        for (int x = 0; x < g.image().width(); ++x) {
            if (*g.image().pixelAt(x, y) != background) {
                left = std::min(left, x);
                right = std::max(right, x);
                bottom = std::min(bottom, y);
                top = std::max(top, y);
            }
        }
    }
    return Rect{left, bottom, right - left + 1, top - bottom + 1};
}

constexpr int far = 1000000000;
constexpr int intMax = 2147483647;

}

TEST(BitmapGraphicsTest, ShapesPaintTheirHandWorkedPixels)
{
    struct Case
    {
        const char* what;
        Rect area;
        std::function<void(BitmapGraphics&)> draw;
        Picture expected;
    };
    const Case cases[] = {
        {"straight lines keep both end points in either direction", {0, 0, 7, 4},
         [](auto& g) {
             g.drawLine(1, 0, 5, 0);
             g.drawLine(5, 2, 1, 2);
             g.drawLine(0, 3, 0, 1);
             g.drawLine(6, 3, 6, 3);
         },
         {"X.....X", "XXXXXX.", "X......", ".XXXXX."}},
        {"a diagonal follows Bresenham from the first point", {0, 0, 5, 4},
         [](auto& g) { g.drawLine(0, 0, 3, 3); }, {"...X.", "..X..", ".X...", "X...."}},
        {"a shallow diagonal", {0, 0, 5, 3}, [](auto& g) { g.drawLine(0, 0, 4, 2); }, {"...XX", ".XX..", "X...."}},
        {"a steep diagonal drawn leftwards", {0, 0, 3, 5},
         [](auto& g) { g.drawLine(2, 0, 0, 4); }, {"X..", "X..", ".X.", ".X.", "..X"}},
        {"window coordinates map onto the paint rectangle", {100, 50, 4, 3},
         [](auto& g) {
             g.drawPoint(100, 50);
             g.drawPoint(103, 52);
             g.drawPoint(99, 50);
             g.drawPoint(104, 52);
         },
         {"...X", "....", "X..."}},
        {"the clip stack limits drawing and popping restores it", {0, 0, 6, 4},
         [](auto& g) {
             g.pushClip(Rect{1, 1, 3, 2});
             g.fillRect(Rect{0, 0, 6, 4});
             g.pushClip(Rect{3, 0, 3, 4});
             g.popClip();
             g.popClip();
             g.drawLine(0, 0, 5, 0);
         },
         {"......", ".XXX..", ".XXX..", "XXXXXX"}},
        {"an empty clip suppresses drawing and colour changes until popped", {0, 0, 4, 4},
         [](auto& g) {
             g.pushClip(Rect{10, 10, 2, 2});
             g.setColor(GuiColor::WHITE);
             g.fillRect(Rect{0, 0, 4, 4});
             g.drawLine(0, 0, 3, 3);
             g.drawFocusRect(Rect{0, 0, 4, 4});
             g.popClip();
             g.drawPoint(0, 0);
         },
         {"....", "....", "....", "X..."}},
        {"a deep 3-D rectangle", {0, 0, 6, 5},
         [](auto& g) { g.draw3DRect(Rect{1, 1, 4, 3}, Depth::Deep); }, {"......", ".DDDL.", ".D..L.", "..LLL.", "......"}},
        {"a shallow 3-D rectangle", {0, 0, 6, 5},
         [](auto& g) { g.draw3DRect(Rect{1, 1, 4, 3}, Depth::Shallow); }, {"......", ".SSST.", ".S..T.", "..TTT.", "......"}},
        {"a sunken bevel draws four edges and fills the inside", {0, 0, 6, 6},
         [](auto& g) { g.drawSunkenBevel(Rect{0, 0, 6, 6}, GuiColor::WHITE); },
         {"SSSSSL", "SDDDTL", "SDWWTL", "SDWWTL", "STTTTL", "LLLLLL"}},
        {"a sunken bevel with a transparent fill leaves the inside", {0, 0, 6, 6},
         [](auto& g) { g.drawSunkenBevel(Rect{0, 0, 6, 6}, GuiColor::TRANSPARENT); },
         {"SSSSSL", "SDDDTL", "SD..TL", "SD..TL", "STTTTL", "LLLLLL"}},
        {"a raised bevel", {0, 0, 5, 5},
         [](auto& g) { g.drawRaisedBevel(Rect{0, 0, 5, 5}); }, {"LLLLD", "LTTSD", "LT.SD", "LTSSD", "LDDDD"}},
        {"etched lines", {0, 0, 4, 3},
         [](auto& g) {
             g.drawEtchedHLine(0, 0, 3);
             g.drawEtchedVLine(3, 0, 2);
         },
         {"....", "DDDD", "LLLD"}},
        {"an etched rectangle", {0, 0, 5, 4},
         [](auto& g) { g.drawEtchedRect(Rect{0, 0, 5, 4}, Depth::Shallow); }, {"SSSST", "STTST", "SSSST", "TTTTT"}},
        {"a raised edge", {0, 0, 4, 3}, [](auto& g) { g.drawRaisedEdge(Rect{0, 0, 4, 3}); }, {"LLLD", "L..D", ".DDD"}},
        {"an outline", {0, 0, 5, 5},
         [](auto& g) { g.drawRect(Rect{1, 1, 3, 3}); }, {".....", ".XXX.", ".X.X.", ".XXX.", "....."}},
        {"a focus outline dots every other pixel around the rectangle", {0, 0, 4, 3},
         [](auto& g) { g.drawFocusRect(Rect{0, 0, 4, 3}); }, {"X.X.", "...X", "X.X."}},
        {"a focus outline one row high", {0, 0, 5, 1}, [](auto& g) { g.drawFocusRect(Rect{0, 0, 5, 1}); }, {"X.X.X"}},
        {"the point-by-point focus outline restarts for the left and bottom edges", {0, 0, 4, 3},
         [](auto& g) { g.Graphics::drawFocusRect(Rect{0, 0, 4, 3}); }, {"X.XX", "....", "XX.X"}},
        {"a clipped focus outline keeps the dots the whole outline has there", {0, 0, 9, 7},
         [](auto& g) {
             g.pushClip(Rect{4, 0, 5, 4});
             g.drawFocusRect(Rect{1, 1, 7, 5});
         },
         {".........", ".........", ".........", ".......X.", ".........", ".....X.X.", "........."}},
        {"a focus outline 2e9 high dots only the edges inside, in path order", {0, 0, 4, 4},
         [](auto& g) { g.drawFocusRect(Rect{0, -far, 4, 2 * far}); }, {"...X", "X...", "...X", "X..."}},
        {"lines and rectangles far beyond the window draw only what shows", {0, 0, 4, 4},
         [](auto& g) {
             g.drawLine(-far, 1, far, 1);
             g.drawLine(2, far, 2, -far);
             g.fillRect(Rect{3, 3, intMax, intMax});
         },
         {"..XX", "..X.", "XXXX", "..X."}},
        {"a diagonal from far away keeps its slope and text out there draws nothing", {0, 0, 4, 4},
         [](auto& g) {
             g.drawLine(-far, -far, far, far);
             const Font font(FontKey{125, 12, 0});
             g.drawText("W", font, 0, intMax);
             g.drawText("W", font, intMax, 0);
             g.drawText("W", font, 0, -intMax - 1);
         },
         {"...X", "..X.", ".X..", "X..."}},
        {"a disabled image embosses its dark pixels", {0, 0, 3, 2},
         [](auto& g) {
             const std::uint32_t pixels[] = {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFF000000, 0, 0xFFFFFFFF};
             g.drawImageDisabled(Image(3, 2, pixels), 0, 0);
         },
         {"S..", ".W."}},
    };
    for (const Case& c : cases) {
        BitmapGraphics g;
        open(g, c.area);
        c.draw(g);
        EXPECT_EQ(picture(g), c.expected) << c.what;
    }
}

TEST(BitmapGraphicsTest, MaskedImageLeavesTransparentPixelsAndOpaqueImageCopiesAll)
{
    const std::uint32_t pixels[] = {0xFF112233, 0x00FFFFFF, 0x7F445566, 0x80778899, 0xFFAABBCC, 0x01000000};
    BitmapGraphics g;
    open(g, Rect{0, 0, 5, 4});
    g.drawImage(Image(3, 2, pixels), 1, 1);
    // The 3 x 2 block at (1, 1), bottom row first.
    const auto block = [&] { return pixelsOf(Image(g.image(), 1, 1, 3, 2)); };
    const std::uint32_t none = background;
    EXPECT_EQ(block(), (Pixels{0xFF112233, none, none, 0xFF778899, 0xFFAABBCC, none}));
    EXPECT_EQ(*g.image().pixelAt(0, 0), background);

    Image opaque(3, 2, pixels);
    opaque.setComponents(3);
    open(g, Rect{0, 0, 5, 4});
    g.pushClip(Rect{0, 0, 3, 4});
    g.drawImage(opaque, 1, 1);
    EXPECT_EQ(block(), (Pixels{0xFF112233, 0xFFFFFFFF, none, 0xFF778899, 0xFFAABBCC, none}));
}

TEST(BitmapGraphicsTest, RgbUsesTheLowBitsBlackIsPaletteBlackAndAnIllegalColourIsLoggedOnce)
{
    const LogCapture log;
    BitmapGraphics g;
    open(g, Rect{0, 0, 2, 1});
    g.setRGB(0x000000FF);
    EXPECT_EQ(g.currentPixel(), 0xFFFF0000u);
    g.setRGB(0xFF000000);
    EXPECT_EQ(g.currentPixel(), pixelOf(GuiColor::BLACK));
    g.setRGB(0x12345678);
    EXPECT_EQ(g.currentPixel(), 0xFF785634u);

    g.setColor(GuiColor::RED);
    g.setColor(static_cast<GuiColor::gui_color>(28));
    g.setColor(static_cast<GuiColor::gui_color>(-1));
    EXPECT_EQ(g.currentPixel(), pixelOf(GuiColor::RED));
    EXPECT_EQ(log.count("Illegal color passed to gdiGraphics::setColor(GuiColor::gui_color)"), 1);
}

TEST(BitmapGraphicsTest, TextSitsOnItsBaselineWithATransparentBackgroundAndBlendedEdges)
{
    const Font font(FontKey{125, 16, 0});
    ASSERT_TRUE(font.isLoaded());
    BitmapGraphics g;
    open(g, Rect{0, 0, 40, 30});
    const int baseline = 8;
    g.drawText("H", font, 3, baseline);
    // 'H' stands on the baseline: its lowest row is the one just above it.
    const Rect ink = inkBox(g);
    EXPECT_EQ(ink.y, baseline + 1);
    EXPECT_EQ(ink.top(), baseline + 11);
    EXPECT_GE(ink.x, 3);
    EXPECT_LT(ink.right(), 3 + font.charWidth('H'));
    // Between the two stems the background shows through.
    EXPECT_EQ(*g.image().pixelAt(3 + font.charWidth('H') / 2, baseline + 3), background);

    const Font small(FontKey{125, 12, 0});
    open(g, Rect{0, 0, 60, 20});
    g.drawText("aow", small, 2, 5);
    int partial = 0;
    for (int i = 0; i < 60 * 20; ++i) {
        const std::uint32_t pixel = g.image().pixels()[i];
        // Blending black over magenta: green stays 0, red and blue move together.
        EXPECT_EQ(pixel & 0xFF00, 0u);
        EXPECT_EQ(pixel >> 16 & 0xFF, pixel & 0xFF);
        partial += (pixel & 0xFF) != 0 && (pixel & 0xFF) != 0xFF ? 1 : 0;
    }
    EXPECT_GT(partial, 0);
}

TEST(BitmapGraphicsTest, UnderlineRunsUnderTheWholeTextJustBelowTheBaseline)
{
    const Font font(FontKey{125, 12, Font::Underline});
    BitmapGraphics g;
    open(g, Rect{0, 0, 60, 20});
    g.drawText("ab", font, 2, 5);
    const std::string row = picture(g)[20 - 1 - 5];
    const auto width = static_cast<std::size_t>(font.textWidth("ab"));
    EXPECT_EQ(row.substr(1, width + 2), "." + std::string(width, 'X') + ".");
}

TEST(BitmapGraphicsTest, TextOutsideTheClipIsRejectedWhole)
{
    const Font font(FontKey{125, 12, 0});
    BitmapGraphics g;
    open(g, Rect{0, 0, 40, 40});
    g.pushClip(Rect{10, 10, 20, 20});
    g.drawText("Wy", font, 30, 15);
    g.drawText("Wy", font, 12, 10 - font.ascent());
    g.drawText("Wy", font, 12, 30 + font.descent());
    EXPECT_TRUE(inkBox(g).isEmpty());
    g.drawText("Wy", font, 12, 15);
    EXPECT_FALSE(inkBox(g).isEmpty());
}

TEST(BitmapGraphicsTest, ClippedLinesKeepEveryPixelWhereTheWholeLineWouldPutIt)
{
    struct Line
    {
        int x1, y1, x2, y2;
    };
    const Line lines[] = {{0, 0, 1000, 370}, {990, 10, 3, 399}, {500, 0, 517, 400}, {3, 399, 990, 398}};
    const Rect windows[] = {{0, 0, 12, 9}, {400, 150, 20, 20}, {985, 0, 16, 16}, {505, 380, 9, 21}};
    for (const Line& line : lines) {
        SCOPED_TRACE(testing::Message() << "line " << line.x1 << "," << line.y1);
        BitmapGraphics whole;
        open(whole, Rect{0, 0, 1001, 401});
        whole.drawLine(line.x1, line.y1, line.x2, line.y2);
        for (const Rect& window : windows) {
            BitmapGraphics part;
            open(part, window);
            part.drawLine(line.x1, line.y1, line.x2, line.y2);
            EXPECT_EQ(pixelsOf(part.image()),
                      pixelsOf(Image(whole.image(), window.x, window.y, window.width, window.height)))
                << "window " << window.x << "," << window.y;
        }
    }
}

TEST(BitmapGraphicsTest, DiagonalsCoverTheSamePixelsAsAStepByStepBresenhamWalk)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> coordinate(0, 31);
    for (int round = 0; round < 400; ++round) {
        const int x1 = coordinate(random), y1 = coordinate(random), x2 = coordinate(random), y2 = coordinate(random);
        BitmapGraphics g;
        open(g, Rect{0, 0, 32, 32});
        g.drawLine(x1, y1, x2, y2);
        // The walk every line must match: one error term, a step in x, in y or in both.
        Picture walk(32, std::string(32, '.'));
        const int dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
        for (int x = x1, y = y1, error = dx + dy; walk[31 - y][x] = 'X', x != x2 || y != y2;) {
            const int twice = 2 * error;
            if (twice >= dy) {
                error += dy;
                x += x < x2 ? 1 : -1;
            }
            if (twice <= dx) {
                error += dx;
                y += y < y2 ? 1 : -1;
            }
        }
        ASSERT_EQ(picture(g), walk) << x1 << "," << y1 << " to " << x2 << "," << y2;
    }
}
