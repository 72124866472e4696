#include "gui/Image.h"
#include "gui/glFont.h"

#include <gtest/gtest.h>

TEST(glFontTest, GlyphEntriesCoverTheCellWithItsPadAndAHalfTexelOffset)
{
    const kestrel::GlyphEntry plain = kestrel::glyphEntryFor(kestrel::Rect{8, 16, 6, 10}, 0, 64.0f, 32.0f);
    EXPECT_EQ(plain.advance, 6);
    EXPECT_EQ(plain.cellWidth, 6);
    EXPECT_EQ(plain.cellHeight, 10);
    EXPECT_FLOAT_EQ(plain.st[0], 8.45f / 64.0f);
    EXPECT_FLOAT_EQ(plain.st[1], 16.45f / 32.0f);
    EXPECT_FLOAT_EQ(plain.st[2], 14.45f / 64.0f);
    EXPECT_FLOAT_EQ(plain.st[5], 26.45f / 32.0f);
    EXPECT_FLOAT_EQ(plain.st[6], plain.st[0]);
    const kestrel::GlyphEntry padded = kestrel::glyphEntryFor(kestrel::Rect{8, 16, 6, 10}, 1, 64.0f, 32.0f);
    EXPECT_EQ(padded.advance, 6);
    EXPECT_EQ(padded.cellWidth, 8);
    EXPECT_EQ(padded.cellHeight, 12);
    EXPECT_FLOAT_EQ(padded.st[0], 7.45f / 64.0f);
    EXPECT_FLOAT_EQ(padded.st[2], 15.45f / 64.0f);
}

TEST(glFontTest, GlyphSheetBlocksAreWhiteWithTransparentIndicesWhereAlphaIsZero)
{
    kestrel::Image sheet(8, 4);
    sheet.fill(0xFFFFFFFF);
    *sheet.pixelAt(0, 0) = 0;   // block 0, row 0, pixel 0
    *sheet.pixelAt(3, 2) = 0;   // block 0, row 2, pixel 3
    *sheet.pixelAt(5, 3) = 0;   // block 1, row 3, pixel 1
    const std::vector<std::uint8_t> blocks = kestrel::glyphSheetDXT1(sheet);
    ASSERT_EQ(blocks.size(), 8u * 4u / 2u);
    const std::vector<std::uint8_t> expected = {0x00, 0x00, 0xFF, 0xFF, 0x57, 0x55, 0xD5, 0x55,
                                                0x00, 0x00, 0xFF, 0xFF, 0x55, 0x55, 0x55, 0x5D};
    EXPECT_EQ(blocks, expected);
    EXPECT_TRUE(kestrel::glyphSheetDXT1(kestrel::Image(6, 4)).empty());
    EXPECT_TRUE(kestrel::glyphSheetDXT1(kestrel::Image()).empty());
}
