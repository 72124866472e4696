#include "gui/paint/Font.h"
#include "gui/paint/GlyphSheet.h"
#include "gui/paint/Image.h"
#include "platform/FontFace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using kestrel::Font;
using kestrel::FontKey;
using kestrel::GlyphSheet;
using kestrel::Image;
using kestrel::Rect;

TEST(GlyphSheetTest, CellsFillRowsFromTheTopLeftAndTheSheetGrowsWidthWhenSquareElseHeight)
{
    struct Case
    {
        int first;
        std::vector<int> advances;
        int rowHeight, pad;
        int width, height;                          // 0: the cells cannot fit
        std::vector<std::pair<int, Rect>> cells;
    };
    // 10 x 10 cells: 6 a row at width 64, 12 at 128, 25 at 256; 6 rows at height 64, 12 at 128.
    const Case cases[] = {
        {'A', std::vector<int>(7, 10), 12, 0, 64, 64,
         {{0, {0, 52, 10, 12}}, {5, {50, 52, 10, 12}}, {6, {0, 40, 10, 12}}}},
        // A pad frames every cell, and 'j' starts 2 pixels after the end of the framed 'i' cell.
        {'i', {4, 5, 6}, 10, 1, 64, 64,
         {{0, {1, 53, 4, 10}}, {1, {6 + 2 + 1, 53, 5, 10}}, {2, {6 + 2 + 7 + 1, 53, 6, 10}}}},
        {0, std::vector<int>(36, 10), 10, 0, 64, 64, {}},
        {0, std::vector<int>(37, 10), 10, 0, 128, 64, {}},
        {0, std::vector<int>(72, 10), 10, 0, 128, 64, {}},
        {0, std::vector<int>(73, 10), 10, 0, 128, 128, {}},
        {0, std::vector<int>(145, 10), 10, 0, 256, 128, {}},
        {0, {GlyphSheet::maxSide + 1}, 10, 0, 0, 0, {}},
        {0, {1}, GlyphSheet::maxSide + 1, 0, 0, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.advances.size() << " cells from " << c.first);
        const GlyphSheet sheet(c.first, c.advances, c.rowHeight, c.pad);
        const int count = c.width == 0 ? 0 : static_cast<int>(c.advances.size());
        EXPECT_EQ(std::tuple(sheet.width(), sheet.height(), sheet.count(), sheet.coverage().size()),
                  std::tuple(c.width, c.height, count, static_cast<std::size_t>(c.width * c.height)));
        for (const auto& [i, cell] : c.cells) {
            EXPECT_EQ(sheet.cell(i), cell) << i;
        }
    }
}

TEST(GlyphSheetTest, EveryGlyphOfAFontSheetSitsWhollyInItsOwnCell)
{
    for (const FontKey key : {FontKey{123, 0, 0}, FontKey{124, 0, 0}, FontKey{125, 0, 0}, FontKey{125, 16, 0}}) {
        SCOPED_TRACE(testing::Message() << key.face << " at " << key.size);
        const Font font(key);
        const GlyphSheet sheet = font.glyphSheet(32, 95, false);
        ASSERT_EQ(sheet.count(), 95);
        for (int i = 0; i < sheet.count(); ++i) {
            const Rect& cell = sheet.cell(i);
            EXPECT_EQ(cell.width, font.charWidth(static_cast<char>(32 + i)));
            EXPECT_GE(cell.height, font.height());
            EXPECT_EQ((Rect{0, 0, sheet.width(), sheet.height()}).intersection(cell), cell) << i;
            for (int j = 0; j < i; ++j) {
                EXPECT_FALSE(cell.intersects(sheet.cell(j))) << i << " " << j;
            }
            // Covered pixels in the glyph's columns and its cell's rows: all of its own ink.
            const plat::GlyphBitmap* bitmap = font.glyph(static_cast<char>(32 + i));
            ASSERT_NE(bitmap, nullptr);
            int inked = 0;
            for (const std::uint8_t c : bitmap->coverage) {
                inked += c != 0 ? 1 : 0;
            }
            int inCell = 0;
            for (int y = cell.y; y < cell.y + cell.height; ++y) {
                for (int x = cell.x + bitmap->left; x < cell.x + bitmap->left + bitmap->width; ++x) {
                    inCell += sheet.coverageAt(x, y) != 0 ? 1 : 0;
                }
            }
            EXPECT_GE(inCell, inked) << "'" << static_cast<char>(32 + i) << "'";
        }
        // Nothing but the space is blank.
        const Rect space = sheet.cell(0);
        for (int y = space.y; y < space.y + space.height; ++y) {
            for (int x = space.x; x < space.x + space.width; ++x) {
                EXPECT_EQ(sheet.coverageAt(x, y), 0);
            }
        }
    }
    // 'H' fills its cell from the row above the baseline (descent rows up) to the cap height.
    const Font font(FontKey{125, 16, 0});
    const GlyphSheet sheet = font.glyphSheet(32, 95, false);
    const Rect h = sheet.cell('H' - 32);
    EXPECT_EQ(sheet.coverageAt(h.x + 2, h.y + font.descent() - 1), 0);
    EXPECT_GT(sheet.coverageAt(h.x + 2, h.y + font.descent()), 0);
    EXPECT_GT(sheet.coverageAt(h.x + 2, h.y + font.descent() + 10), 0);
}

TEST(GlyphSheetTest, GrabbedGlyphsAreWhiteWithABlackOutlineOnlyWhenAsked)
{
    const Font font(FontKey{125, 12, 0});
    Image image;
    std::vector<Rect> cells;
    ASSERT_TRUE(font.grabGlyphs(32, 95, true, image, cells));
    ASSERT_EQ(cells.size(), 95u);
    EXPECT_EQ(image.components(), 2);
    // A framed cell leaves a pixel of margin on every side.
    EXPECT_GE(std::min(cells[0].x, cells[0].y), 1);
    const auto at = [&](int x, int y) -> std::uint32_t {
        return x < 0 || y < 0 || x >= image.width() || y >= image.height() ? 0 : *image.pixelAt(x, y);
    };
    int white = 0;
    int black = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const std::uint32_t pixel = at(x, y);
            ASSERT_TRUE(pixel == 0 || pixel == 0xFFFFFFFF || pixel == 0xFF000000) << x << "," << y;
            bool nearWhite = false;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    nearWhite = nearWhite || at(x + dx, y + dy) == 0xFFFFFFFF;
                }
            }
            white += pixel == 0xFFFFFFFF ? 1 : 0;
            black += pixel == 0xFF000000 ? 1 : 0;
            // Black only around white, and nothing left transparent next to white.
            EXPECT_TRUE(pixel == 0xFF000000 ? nearWhite : pixel != 0 || !nearWhite) << x << "," << y;
        }
    }
    EXPECT_GT(white, 0);
    EXPECT_GT(black, white / 2);

    ASSERT_TRUE(font.grabGlyphs('0', 10, false, image, cells));
    EXPECT_EQ(std::count(image.pixels(), image.pixels() + image.width() * image.height(), 0xFF000000u), 0);
    const Font fallback(FontKey{125, 100000, 0});
    ASSERT_TRUE(fallback.grabGlyphs('0', 10, false, image, cells));
    EXPECT_EQ(cells[1], (Rect{4, 64 - 6, 4, 6}));
}
