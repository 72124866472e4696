#include "gui/paint/GuiColor.h"

#include <gtest/gtest.h>

using kestrel::GuiColor;

TEST(GuiColorTest, ThemeColoursAreOpaqueAndNumbersOutsideThePaletteAreBlack)
{
    for (int c = 0; c < GuiColor::TRANSPARENT; ++c) {
        EXPECT_EQ(GuiColor::toSystemColour(c) >> 24, 0xFFu) << c;
    }
    EXPECT_EQ(GuiColor::toSystemColour(GuiColor::TRANSPARENT), 0u);
    // Packed as 0xAABBGGRR.
    EXPECT_EQ(GuiColor::toSystemColour(GuiColor::RED), 0xFF0000FFu);
    for (const int outside : {28, 1000, -1}) {
        EXPECT_EQ(GuiColor::toSystemColour(outside), 0xFF000000u) << outside;
    }
}
