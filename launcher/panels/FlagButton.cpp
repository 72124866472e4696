#include "launcher/panels/FlagButton.h"

#include "gui/paint/Graphics.h"

#include <array>
#include <cstdint>

namespace game_launcher
{

namespace
{

constexpr int flagWidth = 58;
constexpr int flagHeight = 39;

// Pixels are 0xAARRGGBB.
constexpr std::uint32_t white = 0xFFFFFFFF;
constexpr std::uint32_t red = 0xFFD0202C;
constexpr std::uint32_t blue = 0xFF1C3C8C;
constexpr std::uint32_t yellow = 0xFFF2C400;
constexpr std::uint32_t black = 0xFF000000;
constexpr std::uint32_t green = 0xFF148C46;
constexpr std::uint32_t gold = 0xFFFFCC00;

// Fills the rectangle (x, y from the bottom-left) with the pixel.
void fill(kestrel::Image& image, int x, int y, int width, int height, std::uint32_t pixel)
{
    for (int row = y; row < y + height; ++row) {
        for (int column = x; column < x + width; ++column) {
            *image.pixelAt(column, row) = pixel;
        }
    }
}

// Bands of equal share of the height, top band first.
void horizontalBands(kestrel::Image& image, std::initializer_list<std::uint32_t> bands)
{
    const int count = static_cast<int>(bands.size());
    int index = 0;
    for (std::uint32_t band : bands) {
        const int top = flagHeight - flagHeight * index / count;
        const int bottom = flagHeight - flagHeight * (index + 1) / count;
        fill(image, 0, bottom, flagWidth, top - bottom, band);
        ++index;
    }
}

// Bands of equal share of the width, left band first.
void verticalBands(kestrel::Image& image, std::initializer_list<std::uint32_t> bands)
{
    const int count = static_cast<int>(bands.size());
    int index = 0;
    for (std::uint32_t band : bands) {
        const int left = flagWidth * index / count;
        const int right = flagWidth * (index + 1) / count;
        fill(image, left, 0, right - left, flagHeight, band);
        ++index;
    }
}

// A cross of the thickness whose upright stands at the column.
void cross(kestrel::Image& image, int column, int thickness, std::uint32_t pixel)
{
    fill(image, column - thickness / 2, 0, thickness, flagHeight, pixel);
    fill(image, 0, (flagHeight - thickness) / 2, flagWidth, thickness, pixel);
}

void disc(kestrel::Image& image, int radius, std::uint32_t pixel)
{
    const int cx = flagWidth / 2;
    const int cy = flagHeight / 2;
    for (int y = 0; y < flagHeight; ++y) {
        for (int x = 0; x < flagWidth; ++x) {
            if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius) {
                *image.pixelAt(x, y) = pixel;
            }
        }
    }
}

kestrel::Image paintFlag(int flag)
{
    kestrel::Image image(flagWidth, flagHeight);
    switch (flag) {
    case 0:
        image.fill(blue);
        cross(image, flagWidth / 2, 11, white);
        cross(image, flagWidth / 2, 5, red);
        break;
    case 1:
        horizontalBands(image, {red, yellow, yellow, red});
        break;
    case 2:
        verticalBands(image, {blue, white, red});
        break;
    case 3:
        horizontalBands(image, {black, red, gold});
        break;
    case 4:
        verticalBands(image, {green, white, red});
        break;
    case 5:
        horizontalBands(image, {white, red});
        break;
    case 6:
        image.fill(red);
        cross(image, 21, 6, white);
        break;
    case 7:
        image.fill(white);
        disc(image, 11, red);
        break;
    default:
        return kestrel::Image();
    }
    return image;
}

}

const kestrel::Image& flagImage(int flag)
{
    static const std::array<kestrel::Image, 8> flags = [] {
        std::array<kestrel::Image, 8> painted;
        for (int i = 0; i < 8; ++i) {
            painted[static_cast<std::size_t>(i)] = paintFlag(i);
        }
        return painted;
    }();
    static const kestrel::Image none;
    return flag >= 0 && flag < 8 ? flags[static_cast<std::size_t>(flag)] : none;
}

kestrel::Image darkenedImage(const kestrel::Image& image)
{
    kestrel::Image dimmed;
    dimmed.copyFrom(image);
    const int count = dimmed.width() * dimmed.height();
    for (int i = 0; i < count; ++i) {
        std::uint32_t& pixel = *dimmed.pixelAtIndex(i);
        std::uint32_t out = pixel & 0xFF000000u;
        for (int shift = 0; shift < 24; shift += 8) {
            const auto channel = static_cast<std::uint32_t>(static_cast<double>(pixel >> shift & 0xFF) * 0.75);
            out |= channel << shift;
        }
        pixel = out;
    }
    return dimmed;
}

FlagButton::FlagButton(const kestrel::Image& flag) : m_flag(flag), m_dimmed(darkenedImage(flag))
{
    setImage(m_dimmed);
}

void FlagButton::getPreferredSize(int& width, int& height)
{
    width = m_flag.width();
    height = m_flag.height();
}

void FlagButton::draw(kestrel::Graphics& graphics)
{
    setImage(isArmed() ? m_flag : m_dimmed);
    graphics.drawImageCentered(getImage(), bounds);
}

}
