#include "gui/GuiColor.h"

#include <gtest/gtest.h>

using kestrel::GuiColor;

TEST(GuiColorTest, ThemeColoursAreOpaqueWithTheClassicContrastsAndNumbersOutsideThePaletteAreBlack)
{
    const auto brightness = [](GuiColor::gui_color c) {
        const std::uint32_t v = GuiColor::toSystemColour(c);
        return (v & 0xFF) + ((v >> 8) & 0xFF) + ((v >> 16) & 0xFF);
    };
    for (int c = 0; c < GuiColor::TRANSPARENT; ++c) {
        EXPECT_EQ(GuiColor::toSystemColour(c) >> 24, 0xFFu) << c;
    }
    EXPECT_EQ(GuiColor::toSystemColour(GuiColor::TRANSPARENT), 0u);
    EXPECT_EQ(GuiColor::toSystemColour(GuiColor::RED), 0xFF0000FFu);
    EXPECT_LT(brightness(GuiColor::DARK_SHADOW_3D), brightness(GuiColor::BUTTON_SHADOW));
    EXPECT_LT(brightness(GuiColor::BUTTON_SHADOW), brightness(GuiColor::BUTTON_FACE));
    EXPECT_LT(brightness(GuiColor::BUTTON_FACE), brightness(GuiColor::BUTTON_HIGHLIGHT));
    EXPECT_LT(brightness(GuiColor::BUTTON_TEXT), brightness(GuiColor::BUTTON_FACE));
    EXPECT_LT(brightness(GuiColor::HIGHLIGHT), brightness(GuiColor::HIGHLIGHTED_TEXT));
    EXPECT_GT(brightness(GuiColor::TOOLTIP_BACKGROUND), brightness(GuiColor::TOOLTIP_TEXT));
    EXPECT_GT(brightness(GuiColor::WINDOW), brightness(GuiColor::WINDOW_TEXT));
    for (const int outside : {28, 1000, -1}) {
        EXPECT_EQ(GuiColor::toSystemColour(outside), 0xFF000000u) << outside;
    }
}
