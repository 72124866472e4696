#include "gui/widgets/GuiRendererInternals.h"

#include "gui/paint/Graphics.h"
#include "gui/paint/GuiColor.h"

namespace kestrel
{

namespace
{

constexpr std::uint32_t arrowPixel = 0xA0000000;

std::uint32_t paletteColour(GuiColor::gui_color colour)
{
    return packedToPixel(GuiColor::toSystemColour(colour));
}

// The colours of the ring pixels of a radio image at squared distance q from the centre, in
// the upper-left half (x <= y, rows counted from the bottom) or the lower-right one; colour
// TRANSPARENT for the inside and the outside.
GuiColor::gui_color ringColour(double q, double c, bool upperLeft)
{
    if (q >= c * c) {
        return GuiColor::TRANSPARENT;
    }
    if (q >= (c - 1) * (c - 1)) {
        return upperLeft ? GuiColor::BUTTON_SHADOW : GuiColor::BUTTON_HIGHLIGHT_DIMMED;
    }
    if (q >= (c - 2) * (c - 2)) {
        return upperLeft ? GuiColor::DARK_SHADOW_3D_LIFTED : GuiColor::LIGHT_3D;
    }
    return GuiColor::TRANSPARENT;
}

// The inside (between the rings and the dot) and the dot of radio image 0..5.
constexpr GuiColor::gui_color insideColours[6] = {GuiColor::WINDOW, GuiColor::WINDOW, GuiColor::BUTTON_FACE,
                                                  GuiColor::BUTTON_FACE, GuiColor::BUTTON_FACE, GuiColor::BUTTON_FACE};
constexpr GuiColor::gui_color dotColours[6] = {GuiColor::WINDOW, GuiColor::BLACK, GuiColor::BUTTON_FACE,
                                               GuiColor::BLACK, GuiColor::BUTTON_FACE, GuiColor::GREY_TEXT};

}

Image makeArrowImage(int direction)
{
    const bool vertical = direction < 2;
    Image arrow(vertical ? 7 : 4, vertical ? 4 : 7);
    for (int r = 0; r < 4; ++r) {
        // Step r from the base: up points to the top row, down to the bottom one (rows are
        // stored bottom first), right to the last column, left to the first.
        const int line = direction == 0 || direction == 3 ? r : 3 - r;
        for (int across = r; across <= 6 - r; ++across) {
            *(vertical ? arrow.pixelAt(across, line) : arrow.pixelAt(line, across)) = arrowPixel;
        }
    }
    return arrow;
}

std::array<Image, 6> makeRadioImages(int n)
{
    std::array<Image, 6> images;
    if (n < 1) {
        return images;
    }
    for (Image& image : images) {
        image = Image(n, n);
    }
    const double c = n / 2.0;
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            const double dx = x + 0.5 - c;
            const double dy = y + 0.5 - c;
            const double q = dx * dx + dy * dy;
            const GuiColor::gui_color ring = ringColour(q, c, x <= y);
            for (int i = 0; i < 6; ++i) {
                std::uint32_t pixel = 0;
                if (ring != GuiColor::TRANSPARENT) {
                    pixel = paletteColour(ring);
                } else if (q < (c - 4) * (c - 4)) {
                    pixel = paletteColour(dotColours[i]);
                } else if (q < (c - 2) * (c - 2)) {
                    pixel = paletteColour(insideColours[i]);
                }
                *images[i].pixelAt(x, y) = pixel;
            }
        }
    }
    return images;
}

const Image& GuiRendererInternals::arrow(int direction)
{
    Image& image = m_arrows[direction];
    if (image.isEmpty()) {
        image = makeArrowImage(direction);
    }
    return image;
}

const Image& GuiRendererInternals::radio(int diameter, int index)
{
    RadioImages& set = m_radios[diameter];
    if (!set.built) {
        set.images = makeRadioImages(diameter);
        set.built = true;
    }
    return set.images[index];
}

}
