#pragma once

#include "gui/paint/Image.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace heron
{
class DataSource;
}

// The decoding both GIF readers share (the toolkit's GifReader and the content layer's decoder): the
// stream's blocks up to the first image, its colour tables and transparent index, the image data's
// sub-blocks, the LZW code stream and the interlaced row order. Each reader keeps its own limits,
// words and results; the core throws heron::ReadError with the words the reader gives it.
namespace kestrel
{

// The words a reader gives each fault of a stream.
struct GifReasons
{
    // The stream ends inside a header, a colour table or an extension, or the image data stops
    // before its end code without its closing empty block.
    const char* endOfData;
    // The image data's closing empty block comes before its end code.
    const char* dataClosed;
    // A minimum code size above 8.
    const char* badCodeSize;
    // A code past the string table, or a repeat code with no string before it.
    const char* badCode;
    // Codes that stand for more pixels than the image holds.
    const char* pastImage;
};

// 0xAARRGGBB colours of the 256 indices.
using GifPalette = std::array<std::uint32_t, 256>;

struct GifSize
{
    int width = 0;
    int height = 0;

    bool operator==(const GifSize&) const = default;
};

// Where the search for the first image stopped.
enum class GifBlock
{
    Image,
    // The trailer or a zero byte.
    Trailer,
    EndOfData
};

// What a data sub-block cut short by the end of the stream gives: its bytes so far, or none.
enum class CutBlock
{
    Keep,
    Drop
};

// The image data's sub-blocks joined into one run of bytes.
struct GifImageData
{
    std::vector<std::uint8_t> bytes;
    // True when the closing empty block ended them, false when the stream did.
    bool closed = false;
};

// True when the six bytes are "GIF87a" or "GIF89a".
bool isGifSignature(const std::uint8_t* bytes);

// Reads a stream's blocks, from just after its six-byte signature up to the first image's data.
// The steps come in the stream's order: readScreen, findImage, then for the image readImageSize,
// readImageLayout, readCodeSize and readImageData. Every step that runs out of bytes throws
// reasons.endOfData. One thread at a time uses a stream.
class GifStream
{
public:
    // Reads from source, which outlives the stream; sets it little-endian, as GIF's words are.
    GifStream(heron::DataSource& source, const GifReasons& reasons);

    // The logical screen's size; reads the global colour table it announces.
    GifSize readScreen();
    // Reads blocks up to the first image descriptor, skipping extensions (a graphic-control
    // extension names the transparent index) and stray bytes.
    GifBlock findImage();
    // The image descriptor's size; its position is skipped.
    GifSize readImageSize();
    // The descriptor's flags and the local colour table they announce, which replaces the global
    // one: true when the rows are stored interlaced.
    bool readImageLayout();
    // The LZW minimum code size; above 8 throws reasons.badCodeSize.
    int readCodeSize();
    // The data sub-blocks up to the closing empty block or the end of the stream.
    GifImageData readImageData(CutBlock cut);

    // The colour table in force, entries past it opaque black, the transparent entry (when it
    // lies in the table) with alpha 0.
    GifPalette palette() const;
    // 4 when a transparent index was named, else 3.
    int components() const { return m_transparent >= 0 ? 4 : 3; }

private:
    void readBlock(std::uint8_t* block, int size);
    void readPalette(int flags);
    void readExtension();

    heron::DataSource& m_source;
    const GifReasons& m_reasons;
    GifPalette m_palette;
    int m_paletteSize = 0;
    int m_transparent = -1;
};

// Most pixels a code stream of dataBytes can stand for. After a clear code the i-th code stands for
// at most i pixels (each new string is one longer than an old one) and no string exceeds the
// table; below a minimum code size of 2 the codes never widen enough to name a string entry, so
// each code is one pixel. A reader refuses an image that claims more before it allocates it.
std::uint64_t mostGifPixels(std::uint64_t dataBytes, int codeSize);

// Decodes the codes of data up to the end code into indices, sized to the image's pixels, top row
// first in the stored row order. Returns how many indices were written: fewer than the size when
// the end code came early (the rest keep their value). Throws reasons.badCode, reasons.pastImage,
// and, when the codes run out before the end code, reasons.dataClosed or reasons.endOfData.
std::size_t decodeGifCodes(const GifImageData& data, int codeSize, std::vector<std::uint8_t>& indices,
                           const GifReasons& reasons);

// Puts the first count indices (stored top row first, interlaced or not) through the palette into
// image, whose rows are bottom row first; the pixels past count keep their value.
void paintGifIndices(Image& image, const std::vector<std::uint8_t>& indices, std::size_t count,
                     const GifPalette& palette, bool interlaced);

}
