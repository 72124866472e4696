#pragma once

#include "gui/paint/Image.h"

namespace heron
{
class DataSource;
}

namespace kestrel
{

// Decoder of GIF87a and GIF89a pictures into images, over the GIF core. Reads the first image of the stream
// with the global or its local colour table, honours the graphic-control extension's transparent index and
// interlaced row order. A picture beyond heron::limits::maxGifSide or maxGifPixels is refused, and one whose
// data cannot produce its pixels is refused before they are allocated.
class GifReader
{
public:
    // Reads from source, which outlives the reader.
    explicit GifReader(heron::DataSource& source);

    // The first image of the stream: 4 components when a transparent index was set, else 3. A stream without
    // a GIF signature gives an empty image silently; damaged data gives an empty image and the log line
    // "GIF decode failed: <reason>". Image data whose end code comes before the last pixel keeps the
    // pixels so far (the rest colour 0) and logs "GIF decode: image data ended early".
    Image read();

private:
    Image decode();

    heron::DataSource& m_source;
};

}
