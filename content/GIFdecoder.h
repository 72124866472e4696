#pragma once

#include "content/ImageFormat.h"
#include "gui/paint/GifCore.h"
#include "gui/paint/Image.h"

namespace heron
{
class DataSource;
}

namespace pelican
{

// Decoder of GIF87a and GIF89a pictures over the toolkit's GIF core, reading from a byte source
// placed just after the six-byte signature. The first image of the stream is decoded; it must
// cover the whole logical screen. The transparent index of a graphic-control extension gives that
// entry of the image's colour table alpha 0; indices past the table are opaque black; interlaced
// rows go to their places. Damaged data throws heron::ReadError, and the pixels are allocated only
// once the data left could produce them. One thread at a time uses a decoder.
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
    kestrel::Image readImage(const kestrel::GifSize& screen);

    heron::DataSource& m_source;
    kestrel::GifStream m_gif;
};

}
