#include "platform/Cursor.h"

#include <gtest/gtest.h>

#include <vector>

TEST(PlatCursorTest, MasksTranslateToSdlDataAndMaskBits)
{
    // Pixels 0..3 of the first byte: black, white, transparent, inverted.
    plat::CursorMasks masks;
    masks.andMask.fill(0xFF);
    masks.andMask[0] = 0x3F;
    masks.xorMask[0] = 0x50;
    plat::CursorMasks::Bits data{};
    plat::CursorMasks::Bits mask{};
    plat::Cursor::toSdlBits(masks, data.data(), mask.data());
    // SDL: mask 1 data 1 black, mask 1 data 0 white, mask 0 data 0 transparent, mask 0 data 1 inverted.
    EXPECT_EQ((std::vector<int>{mask[0] & 0xF0, data[0] & 0xF0, mask[1], data[1]}),
              (std::vector<int>{0xC0, 0x90, 0, 0}));
}

TEST(PlatCursorTest, NoCursorIsMadeWithoutADisplay)
{
    EXPECT_EQ(plat::Cursor::createSystem(plat::SystemCursor::IBeam), nullptr);
    EXPECT_EQ(plat::Cursor::createPattern(plat::CursorMasks{}, 0, 0), nullptr);
}
