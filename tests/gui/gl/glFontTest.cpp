#include "gui/paint/Image.h"
#include "gui/gl/glFont.h"

#include <gtest/gtest.h>

TEST(glFontTest, GlyphEntriesCoverTheCellWithItsPadAndAHalfTexelOffset)
{
    for (const int pad : {0, 1}) {
        const kestrel::GlyphEntry entry = kestrel::glyphEntryFor(kestrel::Rect{8, 16, 6, 10}, pad, 64.0f, 32.0f);
        EXPECT_EQ(std::tuple(entry.advance, entry.cellWidth, entry.cellHeight),
                  std::tuple(6, 6 + 2 * pad, 10 + 2 * pad));
        const float s0 = (8.45f - pad) / 64, s1 = (14.45f + pad) / 64;
        const float t0 = (16.45f - pad) / 32, t1 = (26.45f + pad) / 32;
        const float corners[8] = {s0, t0, s1, t0, s1, t1, s0, t1};
        for (int i = 0; i < 8; ++i) {
            EXPECT_FLOAT_EQ(entry.st[i], corners[i]) << "pad " << pad << ", coordinate " << i;
        }
    }
}

TEST(glFontTest, GlyphSheetBlocksAreWhiteWithTransparentIndicesWhereAlphaIsZero)
{
    kestrel::Image sheet(8, 4);
    sheet.fill(0xFFFFFFFF);
    *sheet.pixelAt(0, 0) = 0;   // block 0, row 0, pixel 0
    *sheet.pixelAt(3, 2) = 0;   // block 0, row 2, pixel 3
    *sheet.pixelAt(5, 3) = 0;   // block 1, row 3, pixel 1
    const std::vector<std::uint8_t> blocks = kestrel::glyphSheetDXT1(sheet);
    const std::vector<std::uint8_t> expected = {0x00, 0x00, 0xFF, 0xFF, 0x57, 0x55, 0xD5, 0x55,
                                                0x00, 0x00, 0xFF, 0xFF, 0x55, 0x55, 0x55, 0x5D};
    EXPECT_EQ(blocks, expected);
    EXPECT_TRUE(kestrel::glyphSheetDXT1(kestrel::Image(6, 4)).empty());
    EXPECT_TRUE(kestrel::glyphSheetDXT1(kestrel::Image()).empty());
}
