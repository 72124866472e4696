#include "gui/BitmapGraphics.h"
#include "gui/Font.h"

#include <gtest/gtest.h>

#include "LogCapture.h"

#include <cstdlib>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

using kestrel::BitmapGraphics;
using kestrel::Font;
using kestrel::FontKey;
using kestrel::GuiColor;
using kestrel::Image;
using kestrel::Rect;

namespace
{

std::uint32_t pixelOf(GuiColor::gui_color colour)
{
    return kestrel::packedToPixel(GuiColor::toSystemColour(colour));
}

// Opens an off-screen paint of the area, cleared to magenta, which no palette colour of the
// edges uses.
void open(BitmapGraphics& g, const Rect& area)
{
    g.begin(nullptr, area);
    g.setColor(GuiColor::MAGENTA);
    g.fillRect(area);
}

void open(BitmapGraphics& g, int width, int height)
{
    open(g, Rect{0, 0, width, height});
}

// The painted image as rows of letters, top row first: each pixel's letter from the legend,
// '.' for the magenta background and '?' for anything else.
std::vector<std::string> picture(const BitmapGraphics& g,
                                 const std::map<char, GuiColor::gui_color>& legend)
{
    const Image& image = g.image();
    std::vector<std::string> rows;
    for (int y = image.height() - 1; y >= 0; --y) {
        std::string row;
        for (int x = 0; x < image.width(); ++x) {
            const std::uint32_t pixel = *image.pixelAt(x, y);
            char letter = pixel == pixelOf(GuiColor::MAGENTA) ? '.' : '?';
            for (const auto& [key, colour] : legend) {
                if (pixel == pixelOf(colour)) {
                    letter = key;
                }
            }
            row += letter;
        }
        rows.push_back(row);
    }
    return rows;
}

std::vector<std::string> blackAndBackground(const BitmapGraphics& g)
{
    return picture(g, {{'X', GuiColor::BLACK}});
}

int countColoured(const BitmapGraphics& g)
{
    int n = 0;
    const Image& image = g.image();
    for (int i = 0; i < image.width() * image.height(); ++i) {
        n += image.pixels()[i] != pixelOf(GuiColor::MAGENTA) ? 1 : 0;
    }
    return n;
}

}

TEST(BitmapGraphicsTest, StraightLinesIncludeBothEndPointsInEitherDirection)
{
    BitmapGraphics g;
    open(g, 12, 12);
    g.setColor(GuiColor::BLACK);
    g.drawLine(5, 5, 9, 5);
    EXPECT_EQ(countColoured(g), 5);
    open(g, 12, 12);
    g.setColor(GuiColor::BLACK);
    g.drawLine(5, 9, 5, 5);
    EXPECT_EQ(countColoured(g), 5);
    open(g, 12, 12);
    g.setColor(GuiColor::BLACK);
    g.drawLine(9, 5, 5, 5);
    g.drawLine(3, 3, 3, 3);
    EXPECT_EQ(countColoured(g), 6);
    EXPECT_EQ(*g.image().pixelAt(3, 3), pixelOf(GuiColor::BLACK));
    EXPECT_EQ(*g.image().pixelAt(9, 5), pixelOf(GuiColor::BLACK));
}

TEST(BitmapGraphicsTest, DiagonalsFollowBresenhamFromTheFirstPoint)
{
    BitmapGraphics g;
    open(g, 5, 4);
    g.setColor(GuiColor::BLACK);
    g.drawLine(0, 0, 3, 3);
    EXPECT_EQ(blackAndBackground(g), (std::vector<std::string>{
                                         "...X.",
                                         "..X..",
                                         ".X...",
                                         "X....",
                                     }));
    open(g, 5, 3);
    g.setColor(GuiColor::BLACK);
    g.drawLine(0, 0, 4, 2);
    EXPECT_EQ(blackAndBackground(g), (std::vector<std::string>{
                                         "...XX",
                                         ".XX..",
                                         "X....",
                                     }));
    open(g, 3, 5);
    g.setColor(GuiColor::BLACK);
    g.drawLine(2, 0, 0, 4);
    EXPECT_EQ(blackAndBackground(g), (std::vector<std::string>{
                                         "X..",
                                         "X..",
                                         ".X.",
                                         ".X.",
                                         "..X",
                                     }));
}

TEST(BitmapGraphicsTest, WindowCoordinatesMapOntoThePaintRectangle)
{
    BitmapGraphics g;
    g.begin(nullptr, Rect{100, 50, 4, 3});
    g.setColor(GuiColor::MAGENTA);
    g.fillRect(Rect{0, 0, 1000, 1000});
    g.setColor(GuiColor::BLACK);
    g.drawPoint(100, 50);
    g.drawPoint(103, 52);
    g.drawPoint(99, 50);
    g.drawPoint(104, 52);
    EXPECT_EQ(blackAndBackground(g), (std::vector<std::string>{
                                         "...X",
                                         "....",
                                         "X...",
                                     }));
}

TEST(BitmapGraphicsTest, ClipStackLimitsDrawingAndPoppingRestoresIt)
{
    BitmapGraphics g;
    open(g, 6, 4);
    g.pushClip(Rect{1, 1, 3, 2});
    g.setColor(GuiColor::BLACK);
    g.fillRect(Rect{0, 0, 6, 4});
    EXPECT_EQ(blackAndBackground(g), (std::vector<std::string>{
                                         "......",
                                         ".XXX..",
                                         ".XXX..",
                                         "......",
                                     }));
    g.pushClip(Rect{3, 0, 3, 4});
    EXPECT_EQ(g.clipRect(), (Rect{3, 1, 1, 2}));
    g.popClip();
    g.popClip();
    g.drawLine(0, 0, 5, 0);
    EXPECT_EQ(blackAndBackground(g)[3], "XXXXXX");
}

TEST(BitmapGraphicsTest, EmptyClipSuppressesEverythingUntilPopped)
{
    BitmapGraphics g;
    open(g, 4, 4);
    g.setColor(GuiColor::BLACK);
    g.pushClip(Rect{10, 10, 2, 2});
    EXPECT_TRUE(g.isClipEmpty());
    EXPECT_EQ(g.clipRect(), Rect{});
    g.setColor(GuiColor::WHITE);
    g.fillRect(Rect{0, 0, 4, 4});
    g.drawLine(0, 0, 3, 3);
    g.drawFocusRect(Rect{0, 0, 4, 4});
    EXPECT_EQ(countColoured(g), 0);
    g.popClip();
    EXPECT_FALSE(g.isClipEmpty());
    g.drawPoint(0, 0);
    // The colour set while the clip was empty did not take.
    EXPECT_EQ(*g.image().pixelAt(0, 0), pixelOf(GuiColor::BLACK));
}

TEST(BitmapGraphicsTest, ThreeDRectDrawsItsTwoColouredEdge)
{
    BitmapGraphics g;
    open(g, 6, 5);
    g.draw3DRect(Rect{1, 1, 4, 3}, true);
    const std::map<char, GuiColor::gui_color> legend = {
        {'D', GuiColor::DARK_SHADOW_3D_LIFTED}, {'L', GuiColor::BUTTON_HIGHLIGHT_DIMMED},
        {'S', GuiColor::BUTTON_SHADOW}, {'T', GuiColor::LIGHT_3D}};
    EXPECT_EQ(picture(g, legend), (std::vector<std::string>{
                                      "......",
                                      ".DDDL.",
                                      ".D..L.",
                                      "..LLL.",
                                      "......",
                                  }));
    open(g, 6, 5);
    g.draw3DRect(Rect{1, 1, 4, 3}, false);
    EXPECT_EQ(picture(g, legend), (std::vector<std::string>{
                                      "......",
                                      ".SSST.",
                                      ".S..T.",
                                      "..TTT.",
                                      "......",
                                  }));
}

TEST(BitmapGraphicsTest, SunkenBevelDrawsFourEdgesAndFillsTheInside)
{
    BitmapGraphics g;
    open(g, 6, 6);
    g.drawSunkenBevel(Rect{0, 0, 6, 6}, GuiColor::WHITE);
    const std::map<char, GuiColor::gui_color> legend = {
        {'D', GuiColor::DARK_SHADOW_3D_LIFTED}, {'L', GuiColor::BUTTON_HIGHLIGHT_DIMMED},
        {'S', GuiColor::BUTTON_SHADOW}, {'T', GuiColor::LIGHT_3D}, {'W', GuiColor::WHITE}};
    EXPECT_EQ(picture(g, legend), (std::vector<std::string>{
                                      "SSSSSL",
                                      "SDDDTL",
                                      "SDWWTL",
                                      "SDWWTL",
                                      "STTTTL",
                                      "LLLLLL",
                                  }));
    open(g, 6, 6);
    g.drawSunkenBevel(Rect{0, 0, 6, 6}, GuiColor::TRANSPARENT);
    EXPECT_EQ(picture(g, legend)[2], "SD..TL");
}

TEST(BitmapGraphicsTest, RaisedBevelAndEtchedLinesDrawTheirEdges)
{
    BitmapGraphics g;
    const std::map<char, GuiColor::gui_color> legend = {
        {'D', GuiColor::DARK_SHADOW_3D_LIFTED}, {'L', GuiColor::BUTTON_HIGHLIGHT_DIMMED},
        {'S', GuiColor::BUTTON_SHADOW}, {'T', GuiColor::LIGHT_3D}};
    open(g, 5, 5);
    g.drawRaisedBevel(Rect{0, 0, 5, 5});
    EXPECT_EQ(picture(g, legend), (std::vector<std::string>{
                                      "LLLLD",
                                      "LTTSD",
                                      "LT.SD",
                                      "LTSSD",
                                      "LDDDD",
                                  }));
    open(g, 4, 3);
    g.drawEtchedHLine(0, 0, 3);
    g.drawEtchedVLine(3, 0, 2);
    EXPECT_EQ(picture(g, legend), (std::vector<std::string>{
                                      "....",
                                      "DDDD",
                                      "LLLD",
                                  }));
}

TEST(BitmapGraphicsTest, EtchedRectRaisedEdgeAndOutlineFollowTheirCorners)
{
    BitmapGraphics g;
    open(g, 5, 4);
    g.drawEtchedRect(Rect{0, 0, 5, 4}, false);
    const std::map<char, GuiColor::gui_color> legend = {{'S', GuiColor::BUTTON_SHADOW},
                                                        {'T', GuiColor::LIGHT_3D}};
    EXPECT_EQ(picture(g, legend), (std::vector<std::string>{
                                      "SSSST",
                                      "STTST",
                                      "SSSST",
                                      "TTTTT",
                                  }));
    open(g, 4, 3);
    g.drawRaisedEdge(Rect{0, 0, 4, 3});
    const std::map<char, GuiColor::gui_color> edge = {
        {'D', GuiColor::DARK_SHADOW_3D_LIFTED}, {'L', GuiColor::BUTTON_HIGHLIGHT_DIMMED}};
    EXPECT_EQ(picture(g, edge), (std::vector<std::string>{
                                    "LLLD",
                                    "L..D",
                                    ".DDD",
                                }));
    open(g, 5, 5);
    g.setColor(GuiColor::BLACK);
    g.drawRect(Rect{1, 1, 3, 3});
    EXPECT_EQ(blackAndBackground(g), (std::vector<std::string>{
                                         ".....",
                                         ".XXX.",
                                         ".X.X.",
                                         ".XXX.",
                                         ".....",
                                     }));
}

TEST(BitmapGraphicsTest, FocusRectDotsEveryOtherPixelAroundTheOutline)
{
    BitmapGraphics g;
    open(g, 4, 3);
    g.setColor(GuiColor::BLACK);
    g.drawFocusRect(Rect{0, 0, 4, 3});
    EXPECT_EQ(blackAndBackground(g), (std::vector<std::string>{
                                         "X.X.",
                                         "...X",
                                         "X.X.",
                                     }));
    open(g, 5, 1);
    g.setColor(GuiColor::BLACK);
    g.drawFocusRect(Rect{0, 0, 5, 1});
    EXPECT_EQ(blackAndBackground(g), (std::vector<std::string>{"X.X.X"}));
}

TEST(BitmapGraphicsTest, BaseFocusRectRestartsTheAlternationForTheLeftAndBottomEdges)
{
    struct PointByPoint : BitmapGraphics
    {
        void drawFocusRect(const Rect& r) override { kestrel::Graphics::drawFocusRect(r); }
    } g;
    open(g, 4, 3);
    g.setColor(GuiColor::BLACK);
    g.drawFocusRect(Rect{0, 0, 4, 3});
    EXPECT_EQ(blackAndBackground(g), (std::vector<std::string>{
                                         "X.XX",
                                         "....",
                                         "XX.X",
                                     }));
}

TEST(BitmapGraphicsTest, MaskedImageLeavesTransparentPixelsAndOpaqueImageCopiesAll)
{
    const std::uint32_t pixels[] = {
        0xFF112233, 0x00FFFFFF, 0x7F445566,
        0x80778899, 0xFFAABBCC, 0x01000000,
    };
    Image masked(3, 2, pixels);
    BitmapGraphics g;
    open(g, 5, 4);
    g.drawImage(masked, 1, 1);
    const Image& out = g.image();
    const std::uint32_t background = pixelOf(GuiColor::MAGENTA);
    EXPECT_EQ(*out.pixelAt(1, 1), 0xFF112233u);
    EXPECT_EQ(*out.pixelAt(2, 1), background);
    EXPECT_EQ(*out.pixelAt(3, 1), background);
    EXPECT_EQ(*out.pixelAt(1, 2), 0xFF778899u);
    EXPECT_EQ(*out.pixelAt(2, 2), 0xFFAABBCCu);
    EXPECT_EQ(*out.pixelAt(3, 2), background);
    EXPECT_EQ(*out.pixelAt(0, 0), background);

    Image opaque(3, 2, pixels);
    opaque.setComponents(3);
    open(g, 5, 4);
    g.pushClip(Rect{0, 0, 3, 4});
    g.drawImage(opaque, 1, 1);
    EXPECT_EQ(*out.pixelAt(2, 1), 0xFFFFFFFFu);
    EXPECT_EQ(*out.pixelAt(1, 2), 0xFF778899u);
    EXPECT_EQ(*out.pixelAt(3, 1), background);
}

TEST(BitmapGraphicsTest, DisabledImageEmbossesDarkPixelsAndIsCachedBesideTheImage)
{
    const std::uint32_t pixels[] = {
        0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF,
        0xFF000000, 0x00000000, 0xFFFFFFFF,
    };
    Image image(3, 2, pixels);
    BitmapGraphics g;
    open(g, 3, 2);
    g.drawImageDisabled(image, 0, 0);
    const std::map<char, GuiColor::gui_color> legend = {{'S', GuiColor::BUTTON_SHADOW},
                                                        {'H', GuiColor::BUTTON_HIGHLIGHT}};
    EXPECT_EQ(picture(g, legend), (std::vector<std::string>{"S..", ".H."}));
    EXPECT_FALSE(image.derivedImage().isEmpty());
}

TEST(BitmapGraphicsTest, RgbColoursUseTheLowTwentyFourBitsAndBlackBecomesPaletteBlack)
{
    BitmapGraphics g;
    open(g, 2, 1);
    g.setRGB(0x000000FF);
    EXPECT_EQ(g.currentPixel(), 0xFFFF0000u);
    g.setRGB(0xFF000000);
    EXPECT_EQ(g.currentPixel(), pixelOf(GuiColor::BLACK));
    g.setRGB(0x12345678);
    EXPECT_EQ(g.currentPixel(), 0xFF785634u);
}

TEST(BitmapGraphicsTest, IllegalColourIsLoggedOnceAndKeepsTheColour)
{
    const LogCapture log;
    BitmapGraphics g;
    open(g, 2, 1);
    g.setColor(GuiColor::RED);
    g.setColor(static_cast<GuiColor::gui_color>(28));
    g.setColor(static_cast<GuiColor::gui_color>(-1));
    EXPECT_EQ(g.currentPixel(), pixelOf(GuiColor::RED));
    EXPECT_EQ(log.count("Illegal color passed to gdiGraphics::setColor(GuiColor::gui_color)"), 1);
}

TEST(BitmapGraphicsTest, TextSitsOnItsBaselineWithATransparentBackground)
{
    const Font font(FontKey{125, 16, 0});
    ASSERT_TRUE(font.isLoaded());
    BitmapGraphics g;
    open(g, 40, 30);
    g.setColor(GuiColor::BLACK);
    const int baseline = 8;
    g.drawText("H", font, 3, baseline);
    const Image& out = g.image();
    int lowest = 1000;
    int highest = -1;
    int left = 1000;
    int right = -1;
    for (int y = 0; y < out.height(); ++y) {
        for (int x = 0; x < out.width(); ++x) {
            if (*out.pixelAt(x, y) != pixelOf(GuiColor::MAGENTA)) {
                lowest = std::min(lowest, y);
                highest = std::max(highest, y);
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    // 'H' stands on the baseline: its lowest row is the one just above it.
    EXPECT_EQ(lowest, baseline + 1);
    EXPECT_EQ(highest, baseline + 11);
    EXPECT_GE(left, 3);
    EXPECT_LT(right, 3 + font.charWidth('H'));
    // Between the two stems the background shows through.
    EXPECT_EQ(*out.pixelAt(3 + font.charWidth('H') / 2, baseline + 3), pixelOf(GuiColor::MAGENTA));
}

TEST(BitmapGraphicsTest, TextCoverageBlendsBetweenBackgroundAndColour)
{
    const Font font(FontKey{125, 12, 0});
    BitmapGraphics g;
    open(g, 60, 20);
    g.setColor(GuiColor::BLACK);
    g.drawText("aow", font, 2, 5);
    const Image& out = g.image();
    int partial = 0;
    for (int i = 0; i < out.width() * out.height(); ++i) {
        const std::uint32_t pixel = out.pixels()[i];
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
    open(g, 60, 20);
    g.setColor(GuiColor::BLACK);
    g.drawText("ab", font, 2, 5);
    const std::string row = blackAndBackground(g)[20 - 1 - 5];
    const int width = font.textWidth("ab");
    EXPECT_EQ(row.substr(2, static_cast<std::size_t>(width)), std::string(static_cast<std::size_t>(width), 'X'));
    EXPECT_EQ(row[1], '.');
    EXPECT_EQ(row[static_cast<std::size_t>(2 + width)], '.');
}

TEST(BitmapGraphicsTest, TextOutsideTheClipIsRejectedWhole)
{
    const Font font(FontKey{125, 12, 0});
    BitmapGraphics g;
    open(g, 40, 40);
    g.setColor(GuiColor::BLACK);
    g.pushClip(Rect{10, 10, 20, 20});
    g.drawText("Wy", font, 30, 15);
    g.drawText("Wy", font, 12, 10 - font.ascent());
    g.drawText("Wy", font, 12, 30 + font.descent());
    EXPECT_EQ(countColoured(g), 0);
    g.drawText("Wy", font, 12, 15);
    EXPECT_GT(countColoured(g), 0);
}

TEST(BitmapGraphicsTest, EndPaintKeepsTheImageAndForgetsTheWindow)
{
    BitmapGraphics g;
    open(g, 3, 2);
    g.endPaint();
    EXPECT_EQ(g.window(), nullptr);
    EXPECT_EQ(g.image().width(), 3);
    EXPECT_EQ(g.paintRect(), (Rect{0, 0, 3, 2}));
    g.drawPoint(0, 0);
    EXPECT_EQ(*g.image().pixelAt(0, 0), pixelOf(GuiColor::MAGENTA));
}

TEST(BitmapGraphicsTest, ClippingLeavesEveryLinePixelWhereTheWholeLineWouldPutIt)
{
    struct Line
    {
        int x1, y1, x2, y2;
    };
    const Line lines[] = {{0, 0, 1000, 370}, {990, 10, 3, 399}, {500, 0, 517, 400}, {3, 399, 990, 398}};
    const Rect windows[] = {{0, 0, 12, 9}, {400, 150, 20, 20}, {985, 0, 16, 16}, {505, 380, 9, 21}};
    for (const Line& line : lines) {
        BitmapGraphics whole;
        open(whole, 1001, 401);
        whole.setColor(GuiColor::BLACK);
        whole.drawLine(line.x1, line.y1, line.x2, line.y2);
        for (const Rect& window : windows) {
            BitmapGraphics part;
            open(part, window);
            part.setColor(GuiColor::BLACK);
            part.drawLine(line.x1, line.y1, line.x2, line.y2);
            for (int y = 0; y < window.height; ++y) {
                for (int x = 0; x < window.width; ++x) {
                    ASSERT_EQ(*part.image().pixelAt(x, y), *whole.image().pixelAt(window.x + x, window.y + y))
                        << "line " << line.x1 << "," << line.y1 << " window " << window.x << "," << window.y;
                }
            }
        }
    }
}

TEST(BitmapGraphicsTest, ShapesReachingFarBeyondTheWindowDrawOnlyTheirVisiblePixels)
{
    constexpr int far = 1000000000;
    BitmapGraphics g;
    open(g, 4, 4);
    g.setColor(GuiColor::BLACK);
    g.drawLine(-far, 1, far, 1);
    g.drawLine(2, far, 2, -far);
    g.fillRect(Rect{3, 3, 2147483647, 2147483647});
    EXPECT_EQ(blackAndBackground(g), (std::vector<std::string>{
                                         "..XX",
                                         "..X.",
                                         "XXXX",
                                         "..X.",
                                     }));
    // A long diagonal through the window finishes and keeps its slope.
    open(g, 4, 4);
    g.setColor(GuiColor::BLACK);
    g.drawLine(-far, -far, far, far);
    EXPECT_EQ(blackAndBackground(g), (std::vector<std::string>{
                                         "...X",
                                         "..X.",
                                         ".X..",
                                         "X...",
                                     }));
    const Font font(FontKey{125, 12, 0});
    g.drawText("W", font, 0, 2147483647);
    g.drawText("W", font, 2147483647, 0);
    g.drawText("W", font, 0, -2147483647 - 1);
    EXPECT_EQ(countColoured(g), 4);
}

TEST(BitmapGraphicsTest, HugeFocusRectDotsOnlyTheEdgesInsideTheWindowInPathOrder)
{
    // Width 4, height 2e9, bottom far below: the right column's dots sit at path places
    // 3 + (y - bottom), the left column's at 2 x 4 + h - 3 + (top - y); both even places are drawn.
    BitmapGraphics g;
    open(g, 4, 4);
    g.setColor(GuiColor::BLACK);
    g.drawFocusRect(Rect{0, -1000000000, 4, 2000000000});
    EXPECT_EQ(blackAndBackground(g), (std::vector<std::string>{
                                         "...X",
                                         "X...",
                                         "...X",
                                         "X...",
                                     }));
    // Partly clipped, the dots keep the places they have in the whole outline.
    BitmapGraphics whole;
    open(whole, 9, 7);
    whole.setColor(GuiColor::BLACK);
    whole.drawFocusRect(Rect{1, 1, 7, 5});
    BitmapGraphics part;
    open(part, 9, 7);
    part.setColor(GuiColor::BLACK);
    part.pushClip(Rect{4, 0, 5, 4});
    part.drawFocusRect(Rect{1, 1, 7, 5});
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 9; ++x) {
            const bool inside = x >= 4 && y < 4;
            EXPECT_EQ(*part.image().pixelAt(x, y), inside ? *whole.image().pixelAt(x, y) : pixelOf(GuiColor::MAGENTA))
                << x << "," << y;
        }
    }
}

TEST(BitmapGraphicsTest, DiagonalsCoverTheSamePixelsAsAStepByStepBresenhamWalk)
{
    // The walk every diagonal must match: one error term, a step in x, in y or in both.
    const auto walk = [](int x1, int y1, int x2, int y2) {
        std::set<std::pair<int, int>> pixels;
        const int dx = std::abs(x2 - x1);
        const int dy = -std::abs(y2 - y1);
        int error = dx + dy;
        for (;;) {
            pixels.emplace(x1, y1);
            if (x1 == x2 && y1 == y2) {
                return pixels;
            }
            const int twice = 2 * error;
            if (twice >= dy) {
                error += dy;
                x1 += x1 < x2 ? 1 : -1;
            }
            if (twice <= dx) {
                error += dx;
                y1 += y1 < y2 ? 1 : -1;
            }
        }
    };
    std::mt19937 random(7);
    std::uniform_int_distribution<int> coordinate(0, 31);
    for (int round = 0; round < 400; ++round) {
        const int x1 = coordinate(random);
        const int y1 = coordinate(random);
        const int x2 = coordinate(random);
        const int y2 = coordinate(random);
        BitmapGraphics g;
        open(g, 32, 32);
        g.setColor(GuiColor::BLACK);
        g.drawLine(x1, y1, x2, y2);
        std::set<std::pair<int, int>> drawn;
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                if (*g.image().pixelAt(x, y) == pixelOf(GuiColor::BLACK)) {
                    drawn.emplace(x, y);
                }
            }
        }
        ASSERT_EQ(drawn, walk(x1, y1, x2, y2)) << x1 << "," << y1 << " to " << x2 << "," << y2;
    }
}
