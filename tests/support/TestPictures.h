#pragma once

// Pictures whose every pixel follows from its coordinates, for image writers, decoders and their
// benchmarks, and the comparisons their tests make.

#include "gui/paint/Image.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace testpictures
{

// Opaque pixels of at most colours (1..256) distinct values: stripes, blocks and noise, so that an
// LZW coder meets both long runs and short strings.
inline kestrel::Image paletted(int width, int height, int colours)
{
    kestrel::Image image(width, height);
    std::uint32_t noise = 12345;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            noise = noise * 1103515245 + 12345;
            const int pick = (x / 16 + y / 8) % 3 == 0 ? static_cast<int>(noise >> 16) : x / 4 + 3 * y;
            const std::uint32_t c = static_cast<std::uint32_t>(pick % colours);
            *image.pixelAt(x, y) = 0xFF000000 | (c * 0x9E3779u & 0xFFFFFF);
        }
    }
    image.setComponents(3);
    return image;
}

// Smooth colour gradients with gentle waves (what JPEG keeps well); grey for 1 component, varied
// alpha for 4.
inline kestrel::Image smooth(int width, int height, int components)
{
    kestrel::Image image(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t red = static_cast<std::uint32_t>(x * 255 / std::max(1, width - 1));
            const std::uint32_t green = static_cast<std::uint32_t>(y * 255 / std::max(1, height - 1));
            const std::uint32_t blue = static_cast<std::uint32_t>((x + y) * 127 / std::max(1, width + height - 2) + 64);
            const std::uint32_t alpha = components == 4 ? static_cast<std::uint32_t>((x * 7 + y * 13) & 0xFF) : 0xFF;
            *image.pixelAt(x, y) =
                components == 1 ? 0xFF000000 | red * 0x010101 : alpha << 24 | red << 16 | green << 8 | blue;
        }
    }
    image.setComponents(components);
    return image;
}

inline bool samePixels(const kestrel::Image& a, const kestrel::Image& b)
{
    return a.width() == b.width() && a.height() == b.height() && !a.isEmpty() &&
           std::equal(a.pixels(), a.pixels() + static_cast<std::size_t>(a.width()) * a.height(), b.pixels());
}

// The largest difference of one channel between two pictures of one size; 256 when the sizes differ.
inline int largestDifference(const kestrel::Image& a, const kestrel::Image& b)
{
    if (a.width() != b.width() || a.height() != b.height() || a.isEmpty()) {
        return 256;
    }
    int largest = 0;
    for (std::size_t i = 0; i < static_cast<std::size_t>(a.width()) * a.height(); ++i) {
        for (int shift = 0; shift < 32; shift += 8) {
            const int difference = static_cast<int>((a.pixels()[i] >> shift) & 0xFF) -
                                   static_cast<int>((b.pixels()[i] >> shift) & 0xFF);
            largest = std::max(largest, std::abs(difference));
        }
    }
    return largest;
}

}
