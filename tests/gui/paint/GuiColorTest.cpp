#include "gui/paint/GuiColor.h"

#include <gtest/gtest.h>

using kestrel::GuiColor;

TEST(GuiColorTest, NumbersOutsideThePaletteAreBlack)
{
    EXPECT_EQ(GuiColor::toSystemColour(GuiColor::TRANSPARENT), 0u);
    // Packed as 0xAABBGGRR.
    EXPECT_EQ(GuiColor::toSystemColour(GuiColor::RED), 0xFF0000FFu);
    for (const int outside : {28, 1000, -1}) {
        EXPECT_EQ(GuiColor::toSystemColour(outside), 0xFF000000u) << outside;
    }
}
