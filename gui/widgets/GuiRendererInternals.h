#pragma once

#include "gui/paint/Image.h"

#include <array>
#include <map>

namespace kestrel
{

// The private state of a renderer: images built on first use and kept for the program's life
// (a later change of the palette does not reach them).
class GuiRendererInternals
{
public:
    struct RadioImages
    {
        std::array<Image, 6> images;
        bool built = false;
    };

    // Index 0 up, 1 down, 2 left, 3 right.
    const Image& arrow(int direction);
    const Image& radio(int diameter, int index);

private:
    std::array<Image, 4> m_arrows;
    std::map<int, RadioImages> m_radios;
};

// The arrow pointing in the direction (0 up, 1 down, 2 left, 3 right): rows of 7, 5, 3 and 1
// pixels of black at alpha 0xA0 from its base to its tip.
Image makeArrowImage(int direction);
// The six radio images of a diameter.
std::array<Image, 6> makeRadioImages(int diameter);

}
