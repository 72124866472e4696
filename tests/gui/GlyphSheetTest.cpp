#include "gui/Font.h"
#include "gui/GlyphSheet.h"
#include "gui/Image.h"

#include <gtest/gtest.h>

#include <vector>

using kestrel::Font;
using kestrel::FontKey;
using kestrel::GlyphSheet;
using kestrel::Image;
using kestrel::Rect;

TEST(GlyphSheetTest, CellsFillRowsFromTheTopLeft)
{
    const GlyphSheet sheet('A', std::vector<int>(7, 10), 12, 0);
    ASSERT_FALSE(sheet.empty());
    EXPECT_EQ(sheet.width(), 64);
    EXPECT_EQ(sheet.height(), 64);
    EXPECT_EQ(sheet.count(), 7);
    EXPECT_EQ(sheet.cell(0), (Rect{0, 52, 10, 12}));
    EXPECT_EQ(sheet.cell(5), (Rect{50, 52, 10, 12}));
    EXPECT_EQ(sheet.cell(6), (Rect{0, 40, 10, 12}));
    EXPECT_EQ(sheet.coverage().size(), 64u * 64u);
}

TEST(GlyphSheetTest, PadFramesEveryCellAndJGetsRoomOnItsLeft)
{
    const GlyphSheet sheet('i', {4, 5, 6}, 10, 1);
    EXPECT_EQ(sheet.pad(), 1);
    EXPECT_EQ(sheet.cell(0), (Rect{1, 53, 4, 10}));
    // 'j' starts 2 pixels after the end of the framed 'i' cell.
    EXPECT_EQ(sheet.cell(1), (Rect{6 + 2 + 1, 53, 5, 10}));
    EXPECT_EQ(sheet.cell(2), (Rect{6 + 2 + 7 + 1, 53, 6, 10}));
}

TEST(GlyphSheetTest, SheetGrowsWidthWhenSquareElseHeight)
{
    struct Case
    {
        int cells;
        int width;
        int height;
    };
    // 10 x 10 cells: 6 a row at width 64, 12 at 128, 25 at 256; 6 rows at height 64, 12 at 128.
    const Case cases[] = {{36, 64, 64}, {37, 128, 64}, {72, 128, 64}, {73, 128, 128}, {145, 256, 128}};
    for (const Case& c : cases) {
        const GlyphSheet sheet(0, std::vector<int>(static_cast<std::size_t>(c.cells), 10), 10, 0);
        EXPECT_EQ(sheet.width(), c.width) << c.cells;
        EXPECT_EQ(sheet.height(), c.height) << c.cells;
    }
}

TEST(GlyphSheetTest, CellsThatCannotFitGiveAnEmptySheet)
{
    const GlyphSheet tooWide(0, {GlyphSheet::maxSide + 1}, 10, 0);
    EXPECT_TRUE(tooWide.empty());
    EXPECT_EQ(tooWide.count(), 0);
    const GlyphSheet tooTall(0, {1}, GlyphSheet::maxSide + 1, 0);
    EXPECT_TRUE(tooTall.empty());
}

TEST(GlyphSheetTest, FontSheetHoldsEveryGlyphInItsOwnCell)
{
    const Font font(FontKey{125, 16, 0});
    const GlyphSheet sheet = font.glyphSheet(32, 95, false);
    ASSERT_EQ(sheet.count(), 95);
    for (int i = 0; i < sheet.count(); ++i) {
        const Rect& cell = sheet.cell(i);
        EXPECT_EQ(cell.width, font.charWidth(static_cast<char>(32 + i)));
        EXPECT_EQ(cell.height, font.height());
        EXPECT_GE(cell.x, 0);
        EXPECT_GE(cell.y, 0);
        EXPECT_LE(cell.x + cell.width, sheet.width());
        EXPECT_LE(cell.y + cell.height, sheet.height());
        for (int j = 0; j < i; ++j) {
            EXPECT_FALSE(cell.intersects(sheet.cell(j))) << i << " " << j;
        }
    }
    // 'H' fills its cell from the row above the baseline (descent rows up) to the cap height.
    const Rect h = sheet.cell('H' - 32);
    EXPECT_EQ(sheet.coverageAt(h.x + 2, h.y + font.descent() - 1), 0);
    EXPECT_GT(sheet.coverageAt(h.x + 2, h.y + font.descent()), 0);
    EXPECT_GT(sheet.coverageAt(h.x + 2, h.y + font.descent() + 10), 0);
    // Nothing but the space is blank.
    const Rect space = sheet.cell(0);
    for (int y = space.y; y < space.y + space.height; ++y) {
        for (int x = space.x; x < space.x + space.width; ++x) {
            EXPECT_EQ(sheet.coverageAt(x, y), 0);
        }
    }
}

TEST(GlyphSheetTest, GrabbedGlyphsAreWhiteWithABlackOutline)
{
    const Font font(FontKey{125, 12, 0});
    Image image;
    std::vector<Rect> cells;
    ASSERT_TRUE(font.grabGlyphs(32, 95, true, image, cells));
    ASSERT_EQ(cells.size(), 95u);
    EXPECT_EQ(image.components(), 2);
    const int width = image.width();
    const int height = image.height();
    const auto at = [&](int x, int y) -> std::uint32_t {
        return x < 0 || y < 0 || x >= width || y >= height ? 0 : *image.pixelAt(x, y);
    };
    int white = 0;
    int black = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
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
            if (pixel == 0xFF000000) {
                EXPECT_TRUE(nearWhite);
            }
            if (pixel == 0) {
                EXPECT_FALSE(nearWhite);
            }
        }
    }
    EXPECT_GT(white, 0);
    EXPECT_GT(black, white / 2);
    // A framed cell leaves a pixel of margin on every side.
    EXPECT_GE(cells[0].x, 1);
    EXPECT_GE(cells[0].y, 1);
}

TEST(GlyphSheetTest, GrabWithoutOutlineHasNoBlackAndFallbackFontGrabsBlankCells)
{
    const Font font(FontKey{125, 12, 0});
    Image image;
    std::vector<Rect> cells;
    ASSERT_TRUE(font.grabGlyphs('0', 10, false, image, cells));
    for (int i = 0; i < image.width() * image.height(); ++i) {
        EXPECT_NE(image.pixels()[i], 0xFF000000u);
    }
    const Font fallback(FontKey{125, 100000, 0});
    ASSERT_TRUE(fallback.grabGlyphs('0', 10, false, image, cells));
    EXPECT_EQ(cells[1], (Rect{4, 64 - 6, 4, 6}));
}
