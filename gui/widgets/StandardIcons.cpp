#include "gui/widgets/StandardIcons.h"

#include <cstdint>

namespace kestrel
{

namespace
{

constexpr int side = 16;

// Pixels 0xAARRGGBB of the picture characters; '.' is transparent.
std::uint32_t pixelOf(char c)
{
    switch (c) {
    case 'k':
        return 0xFF000000;
    case 'w':
        return 0xFFFFFFFF;
    case 'g':
        return 0xFF808080;
    case 'l':
        return 0xFFC0C0C0;
    case 'y':
        return 0xFFFFFF00;
    case 'Y':
        return 0xFF808000;
    case 'b':
        return 0xFF000080;
    case 'R':
        return 0xFFFF0000;
    default:
        return 0;
    }
}

using Picture = const char* const[side];

// Rows from the top down.
constexpr Picture cutPicture = {
    "................",
    "....k.....k.....",
    "....k.....k.....",
    "....kk....k.....",
    ".....k...kk.....",
    ".....kk..k......",
    "......k.kk......",
    "......kkk.......",
    ".......k........",
    "......b.bb......",
    "....bbb..bbb....",
    "...b..b..b..b...",
    "...b..b..b..b...",
    "...b..b..b..b...",
    "....bb....bb....",
    "................",
};

constexpr Picture copyPicture = {
    "................",
    "kkkkkkkk........",
    "kwwwwwwk........",
    "kwkkkkwk........",
    "kwwwwwwk........",
    "kwkkkkkkkkkkk...",
    "kwwwwkwwwwwwkk..",
    "kwkkkkwkkkkwkwk.",
    "kwwwwkwwwwwwkkkk",
    "kwkkkkwkkkkkkwwk",
    "kwwwwkwwwwwwwwwk",
    "kkkkkkwkkkkkkkwk",
    ".....kwwwwwwwwwk",
    ".....kwkkkkkkkwk",
    ".....kwwwwwwwwwk",
    ".....kkkkkkkkkkk",
};

constexpr Picture pastePicture = {
    "................",
    ".....kkkkk......",
    ".kkkkwwwwwkkkk..",
    "kYYkwkkkkkwkYYk.",
    "kYYYkkkkkkkYYYk.",
    "kYYYYYYYYYYYYYk.",
    "kYYYYYkkkkkkkkkk",
    "kYYYYYkwwwwwwwwk",
    "kYYYYYkwkkkkkkwk",
    "kYYYYYkwwwwwwwwk",
    "kYYYYYkwkkkkkkwk",
    "kYYYYYkwwwwwwwwk",
    "kYYYYYkwkkkkkwwk",
    "kYYYYYkwwwwwwwwk",
    ".kkkkkkkkkkkkkkk",
    "................",
};

constexpr Picture undoPicture = {
    "................",
    "................",
    "................",
    "...b............",
    "..bb............",
    ".bbbbbbbbb......",
    "bbbbbbbbbbbb....",
    ".bbbbbbbbbbbb...",
    "..bb.......bbb..",
    "...b........bb..",
    "............bb..",
    "...........bbb..",
    "..........bbb...",
    "........bbbb....",
    "................",
    "................",
};

constexpr Picture redoPicture = {
    "................",
    "................",
    "................",
    "............b...",
    "............bb..",
    "......bbbbbbbbb.",
    "....bbbbbbbbbbbb",
    "...bbbbbbbbbbbb.",
    "..bbb.......bb..",
    "..bb........b...",
    "..bb............",
    "..bbb...........",
    "...bbb..........",
    "....bbbb........",
    "................",
    "................",
};

constexpr Picture deletePicture = {
    "................",
    "................",
    "..RR.......RR...",
    "..RRR.....RRR...",
    "...RRR...RRR....",
    "....RRR.RRR.....",
    ".....RRRRR......",
    "......RRR.......",
    ".....RRRRR......",
    "....RRR.RRR.....",
    "...RRR...RRR....",
    "..RRR.....RRR...",
    "..RR.......RR...",
    "................",
    "................",
    "................",
};

constexpr Picture newPicture = {
    "................",
    "...kkkkkkkk.....",
    "...kwwwwwwkk....",
    "...kwwwwwwkwk...",
    "...kwwwwwwkkkk..",
    "...kwwwwwwwwwk..",
    "...kwwwwwwwwwk..",
    "...kwwwwwwwwwk..",
    "...kwwwwwwwwwk..",
    "...kwwwwwwwwwk..",
    "...kwwwwwwwwwk..",
    "...kwwwwwwwwwk..",
    "...kwwwwwwwwwk..",
    "...kwwwwwwwwwk..",
    "...kkkkkkkkkkk..",
    "................",
};

constexpr Picture openPicture = {
    "................",
    "................",
    "..........kkk...",
    ".........k...k.k",
    "..............kk",
    ".kkk.........kkk",
    "kyyykkkkkkk.....",
    "kywywywywyk.....",
    "kwywywykkkkkkkkk",
    "kywywykYYYYYYYYk",
    "kwywykYYYYYYYYk.",
    "kywykYYYYYYYYk..",
    "kwykYYYYYYYYk...",
    "kykYYYYYYYYk....",
    "kkkkkkkkkkk.....",
    "................",
};

constexpr Picture savePicture = {
    "................",
    ".kkkkkkkkkkkkkk.",
    ".kgkwwwwwwwwkgk.",
    ".kgkwwwwwwwwkgk.",
    ".kgkwwwwwwwwkgk.",
    ".kgkwwwwwwwwkgk.",
    ".kgkkkkkkkkkkgk.",
    ".kggggggggggggk.",
    ".kggggggggggggk.",
    ".kggkkkkkkkkggk.",
    ".kggklllkkkkggk.",
    ".kggklllkkkkggk.",
    ".kggklllkkkkggk.",
    "..kgkkkkkkkkkgk.",
    "...kkkkkkkkkkkk.",
    "................",
};

const char* const* pictureOf(StandardIcon icon)
{
    switch (icon) {
    case StandardIcon::Cut:
        return cutPicture;
    case StandardIcon::Copy:
        return copyPicture;
    case StandardIcon::Paste:
        return pastePicture;
    case StandardIcon::Undo:
        return undoPicture;
    case StandardIcon::Redo:
        return redoPicture;
    case StandardIcon::Delete:
        return deletePicture;
    case StandardIcon::New:
        return newPicture;
    case StandardIcon::Open:
        return openPicture;
    case StandardIcon::Save:
        return savePicture;
    default:
        return nullptr;
    }
}

}

Image standardIcon(StandardIcon icon)
{
    const char* const* picture = pictureOf(icon);
    if (!picture) {
        return Image();
    }
    Image image(side, side);
    for (int row = 0; row < side; ++row) {
        for (int x = 0; x < side; ++x) {
            *image.pixelAt(x, side - 1 - row) = pixelOf(picture[row][x]);
        }
    }
    return image;
}

}
