#pragma once

#include <cstdint>

namespace kestrel
{

// A symbolic colour of the toolkit's palette. Painters name colours by role; the table maps each role
// to a packed colour 0xAABBGGRR (red in the lowest byte).
class GuiColor
{
public:
    // Stored as an int, so that a value outside the list (which setColor refuses) is still a value.
    enum gui_color : int
    {
        DARK_SHADOW_3D,         // 0
        DARK_SHADOW_3D_LIFTED,  // 1: dark shadow + 0x080808
        BUTTON_SHADOW,          // 2
        BUTTON_FACE,            // 3: also the window background
        LIGHT_3D,               // 4
        BUTTON_HIGHLIGHT_DIMMED, // 5: button highlight - 0x080808
        BUTTON_HIGHLIGHT,       // 6
        BUTTON_TEXT,            // 7: enabled text
        GREY_TEXT,              // 8: disabled text
        MENU_BAR,               // 9
        MENU_TEXT,              // 10
        MENU,                   // 11
        MENU_HIGHLIGHT,         // 12
        WINDOW,                 // 13
        WINDOW_TEXT,            // 14
        TOOLTIP_BACKGROUND,     // 15
        TOOLTIP_TEXT,           // 16
        HIGHLIGHTED_TEXT,       // 17
        HIGHLIGHT,              // 18
        BLACK,                  // 19
        WHITE,                  // 20
        RED,                    // 21
        GREEN,                  // 22
        BLUE,                   // 23
        CYAN,                   // 24
        MAGENTA,                // 25
        YELLOW,                 // 26
        TRANSPARENT             // 27: packed 0
    };

    // Number of symbolic colours (0..count - 1).
    static constexpr int count = 28;

    constexpr GuiColor(gui_color colour) : value(colour) {}

    // The symbolic colour held.
    constexpr gui_color color() const { return value; }

    // Packed 0xAABBGGRR value of a symbolic colour; a number outside 0..27 gives opaque black.
    static uint32_t toSystemColour(int colour);

private:
    gui_color value;
};

}
