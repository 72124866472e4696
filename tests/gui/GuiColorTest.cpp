#include "gui/GuiColor.h"

#include <gtest/gtest.h>

using kestrel::GuiColor;

TEST(GuiColorTest, FixedColoursHaveTheirPackedValues)
{
    const std::pair<int, std::uint32_t> fixed[] = {
        {GuiColor::BLACK, 0xFF000000},   {GuiColor::WHITE, 0xFFFFFFFF}, {GuiColor::RED, 0xFF0000FF},
        {GuiColor::GREEN, 0xFF00FF00},   {GuiColor::BLUE, 0xFFFF0000},  {GuiColor::CYAN, 0xFFFFFF00},
        {GuiColor::MAGENTA, 0xFFFF00FF}, {GuiColor::YELLOW, 0xFF00FFFF}, {GuiColor::TRANSPARENT, 0x00000000},
    };
    for (const auto& [colour, value] : fixed) {
        EXPECT_EQ(GuiColor::toSystemColour(colour), value) << colour;
    }
}

TEST(GuiColorTest, NumbersOutsideThePaletteAreBlack)
{
    EXPECT_EQ(GuiColor::toSystemColour(28), 0xFF000000u);
    EXPECT_EQ(GuiColor::toSystemColour(1000), 0xFF000000u);
    EXPECT_EQ(GuiColor::toSystemColour(-1), 0xFF000000u);
}

TEST(GuiColorTest, ShadesAreOffsetFromTheirBaseColours)
{
    EXPECT_EQ(GuiColor::toSystemColour(GuiColor::DARK_SHADOW_3D_LIFTED),
              GuiColor::toSystemColour(GuiColor::DARK_SHADOW_3D) + 0x080808);
    EXPECT_EQ(GuiColor::toSystemColour(GuiColor::BUTTON_HIGHLIGHT_DIMMED),
              GuiColor::toSystemColour(GuiColor::BUTTON_HIGHLIGHT) - 0x080808);
}

TEST(GuiColorTest, ThemeColoursAreOpaqueAndKeepTheClassicContrasts)
{
    const auto colour = [](GuiColor::gui_color c) { return GuiColor::toSystemColour(c); };
    const auto brightness = [&](GuiColor::gui_color c) {
        const std::uint32_t v = colour(c);
        return (v & 0xFF) + ((v >> 8) & 0xFF) + ((v >> 16) & 0xFF);
    };
    for (int c = 0; c < GuiColor::TRANSPARENT; ++c) {
        EXPECT_EQ(GuiColor::toSystemColour(c) >> 24, 0xFFu) << c;
    }
    EXPECT_LT(brightness(GuiColor::DARK_SHADOW_3D), brightness(GuiColor::BUTTON_SHADOW));
    EXPECT_LT(brightness(GuiColor::BUTTON_SHADOW), brightness(GuiColor::BUTTON_FACE));
    EXPECT_LT(brightness(GuiColor::BUTTON_FACE), brightness(GuiColor::BUTTON_HIGHLIGHT));
    EXPECT_LT(brightness(GuiColor::BUTTON_TEXT), brightness(GuiColor::BUTTON_FACE));
    EXPECT_LT(brightness(GuiColor::HIGHLIGHT), brightness(GuiColor::HIGHLIGHTED_TEXT));
    EXPECT_GT(brightness(GuiColor::TOOLTIP_BACKGROUND), brightness(GuiColor::TOOLTIP_TEXT));
    EXPECT_GT(brightness(GuiColor::WINDOW), brightness(GuiColor::WINDOW_TEXT));
    EXPECT_EQ(GuiColor(GuiColor::MENU).color(), GuiColor::MENU);
}
