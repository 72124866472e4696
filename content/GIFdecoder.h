#pragma once

#include "content/ImageFormat.h"
#include "gui/paint/Image.h"

#include <array>
#include <cstdint>

namespace heron
{
class DataSource;
}

namespace pelican
{

// Decoder of GIF87a and GIF89a pictures, reading from a byte source placed just after the six-byte
// signature. The first image of the stream is decoded; it must cover the whole logical screen. The
// transparent index of a graphic-control extension gives that entry of the image's colour table
// alpha 0; indices past the table are opaque black; interlaced rows go to their places. Damaged
// data raises an ImageError, and the pixels are allocated only once the data left could produce
// them. One thread at a time uses a decoder.
class GIFdecoder
{
public:
    // Reads from source, which outlives the decoder.
    explicit GIFdecoder(heron::DataSource& source);

    // The first image, 4 components when a transparent index was set, else 3; empty when the
    // stream ends before any image. Image data whose end code comes before the last pixel keeps
    // the pixels so far (the rest 0) and logs "GIFdecoder - image data ended early".
    [[nodiscard]] kestrel::Image decode();
    // The logical screen's size, with 4 components when a transparent index is set before the
    // first image, else 3.
    [[nodiscard]] ImageInfo readInfo();

private:
    using Palette = std::array<std::uint32_t, 256>;

    int nextByte();
    int nextWord();
    void readBlock(std::uint8_t* block, int size);
    void readScreen();
    void readPalette(int flags);
    // Runs the block loop up to the first image descriptor: true there, false at the trailer,
    // a zero byte or the end of the data.
    bool findImage();
    void readExtension();
    kestrel::Image readImage();

    heron::DataSource& m_source;
    int m_width = 0;
    int m_height = 0;
    Palette m_palette;
    int m_paletteSize = 0;
    int m_transparent = -1;
};

}
