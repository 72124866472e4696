#pragma once

#include "gui/paint/Image.h"

#include <cstdint>
#include <optional>
#include <vector>

// Writers of the image files the demo world is built from, from kestrel images (rows bottom row
// first, pixels 0xAARRGGBB). The content layer's decoders read back exactly what the GIF and SGI
// writers wrote, and the JPEG writer's pixels within the format's loss.
namespace demo
{

using Bytes = std::vector<std::uint8_t>;

// A GIF89a file with an exact colour table (padded to a power of two) and LZW data that starts a
// new table whenever the old one is full. Every pixel of a 4-component image whose alpha is below
// 128 becomes the one transparent entry, with the colour of the first such pixel; other alphas
// count as 255. Nothing when the image is empty, wider or higher than 65535, or holds more than 256
// colours (the transparent ones counted once).
[[nodiscard]] std::optional<Bytes> writeGif(const kestrel::Image& image);

enum class SgiStorage
{
    Verbatim,
    RunLength,
};

enum class SgiByteOrder
{
    BigEndian,
    LittleEndian,
};

struct SgiOptions
{
    SgiStorage storage = SgiStorage::RunLength;
    // 1, or 2 for 16-bit samples holding each 8-bit value times 257.
    int bytesPerChannel = 1;
    SgiByteOrder order = SgiByteOrder::BigEndian;
};

// An SGI file: one channel (red) for a 1-component image, red, green, blue and alpha for 2 or 4
// components, else red, green and blue. Empty when the image is empty or wider or higher than 65535.
[[nodiscard]] Bytes writeSgi(const kestrel::Image& image, const SgiOptions& options = {});

// How a JPEG file spreads its coefficients over scans.
enum class JpegScans
{
    Baseline,    // one scan
    Progressive, // the library's usual progressive sequence (6 scans for grey, 10 for colour)
    // Progressive, a DC scan of all components and then every AC coefficient of every component in
    // a first and a refining scan of its own: 1 + 126 scans per component. Valid, and as slow to
    // decode as a progressive file gets.
    EveryCoefficient,
};

// A JPEG at quality 1..100: grey (from red) for a 1-component image, else RGB; alpha is dropped.
// Empty when the image is empty or the library fails (logged).
[[nodiscard]] Bytes writeJpeg(const kestrel::Image& image, int quality = 90, JpegScans scans = JpegScans::Baseline);

enum class JpegColours
{
    Grey,
    Rgb,
    Cmyk,
};

// A JPEG of raw samples, top row first, 1, 3 or 4 per pixel as the colours say. Empty when the
// library fails (logged).
[[nodiscard]] Bytes writeJpegSamples(const std::uint8_t* samples, int width, int height, JpegColours colours,
                                     int quality = 90, JpegScans scans = JpegScans::Baseline);

}
