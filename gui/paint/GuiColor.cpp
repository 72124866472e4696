#include "gui/paint/GuiColor.h"

namespace kestrel
{

namespace
{

// A fixed classic desktop scheme stands in for the system colours: grey-beige faces, a dark 3-D shadow,
// white highlights, navy selection and pale yellow tooltips. Values are packed 0xAABBGGRR.
constexpr uint32_t opaque = 0xFF000000;
constexpr uint32_t darkShadow = opaque | 0x404040;
constexpr uint32_t buttonShadow = opaque | 0x808080;
constexpr uint32_t buttonFace = opaque | 0xC8D0D4;
constexpr uint32_t buttonHighlight = opaque | 0xFFFFFF;
constexpr uint32_t selection = opaque | 0x6A240A;
constexpr uint32_t black = opaque;
constexpr uint32_t white = opaque | 0xFFFFFF;
constexpr uint32_t offset = 0x080808;

constexpr uint32_t palette[GuiColor::count] = {
    darkShadow,
    darkShadow + offset,
    buttonShadow,
    buttonFace,
    buttonFace,                 // 3-D light
    buttonHighlight - offset,
    buttonHighlight,
    black,                      // button text
    buttonShadow,               // grey text
    buttonFace,                 // menu bar
    black,                      // menu text
    buttonFace,                 // menu
    selection,                  // menu highlight
    white,                      // window
    black,                      // window text
    opaque | 0xE1FFFF,          // tooltip background
    black,                      // tooltip text
    white,                      // highlighted text
    selection,                  // highlight
    black,
    0xFFFFFFFF,
    0xFF0000FF,
    0xFF00FF00,
    0xFFFF0000,
    0xFFFFFF00,
    0xFFFF00FF,
    0xFF00FFFF,
    0x00000000,
};

}

uint32_t GuiColor::toSystemColour(int colour)
{
    if (colour < 0 || colour >= count) {
        return black;
    }
    return palette[colour];
}

}
