#pragma once

#include "gui/paint/Image.h"

#include <array>
#include <cstdint>
#include <vector>

namespace heron
{
class DataSource;
}

namespace kestrel
{

// Decoder of GIF87a and GIF89a pictures into images. Reads the first image of the stream with the global or
// its local colour table, honours the graphic-control extension's transparent index and interlaced row order.
// Every count read from the stream is checked against the bytes left before anything is allocated.
class GifReader
{
public:
    // Largest width or height accepted.
    static constexpr int maxDimension = 16384;
    // Most pixels accepted in one picture (64 MiB of pixels); a larger one is refused as too large.
    static constexpr std::int64_t maxPixelCount = std::int64_t{4096} * 4096;

    // Reads from source, which outlives the reader.
    explicit GifReader(heron::DataSource& source);

    // The first image of the stream: 4 components when a transparent index was set, else 3. A stream without
    // a GIF signature gives an empty image silently; damaged data gives an empty image and the log line
    // "GIF decode failed: <reason>". Image data whose end code comes before the last pixel keeps the
    // pixels so far (the rest colour 0) and logs "GIF decode: image data ended early".
    Image read();

private:
    using Palette = std::array<std::uint32_t, 256>;

    Image decode();
    int nextByte();
    int nextWord();
    void skipBytes(int count);
    void readBytes(std::uint8_t* buffer, int count);
    int readPalette(Palette& palette, int flags);
    void readExtension();
    Image readImage();
    std::vector<std::uint8_t> readImageData();
    Image paint(const std::vector<std::uint8_t>& indices, int width, int height, bool interlaced,
                const Palette& palette) const;

    heron::DataSource& m_source;
    Palette m_global;
    int m_globalSize = 0;
    int m_transparent = -1;
};

}
