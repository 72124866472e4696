#include "gui/paint/GifReader.h"

#include "base/DataSource.h"
#include "base/Debug.h"
#include "base/Limits.h"
#include "base/ReadError.h"
#include "gui/paint/GifCore.h"

namespace kestrel
{

namespace
{

constexpr const char* unexpectedEnd = "unexpected end of file";
constexpr const char* corrupted = "corrupted file";

constexpr GifReasons reasons{
    .endOfData = unexpectedEnd,
    .dataClosed = unexpectedEnd,
    .badCodeSize = corrupted,
    .badCode = corrupted,
    .pastImage = corrupted,
};

bool startsAsGif(heron::DataSource& source)
{
    std::uint8_t signature[6];
    return source.read(signature, 6) == 6 && isGifSignature(signature);
}

void checkSize(const GifSize& size)
{
    if (size.width > heron::limits::maxGifSide || size.height > heron::limits::maxGifSide ||
        std::int64_t{size.width} * size.height > heron::limits::maxGifPixels) {
        throw heron::ReadError("image too large");
    }
}

}

GifReader::GifReader(heron::DataSource& source) : m_source(source)
{
}

Image GifReader::read()
{
    try {
        return decode();
    } catch (const heron::ReadError& error) {
        heron::debug("GIF decode failed: %s\n", error.what());
    }
    return Image();
}

Image GifReader::decode()
{
    if (!startsAsGif(m_source)) {
        return Image();
    }
    GifStream gif(m_source, reasons);
    gif.readScreen();
    const GifBlock block = gif.findImage();
    if (block == GifBlock::EndOfData) {
        throw heron::ReadError(unexpectedEnd);
    }
    if (block == GifBlock::Trailer) {
        return Image();
    }
    const GifSize size = gif.readImageSize();
    checkSize(size);
    const bool interlaced = gif.readImageLayout();
    const int codeSize = gif.readCodeSize();
    const GifImageData data = gif.readImageData(CutBlock::Keep);
    const std::uint64_t pixels = static_cast<std::uint64_t>(size.width) * static_cast<std::uint64_t>(size.height);
    if (pixels > mostGifPixels(data.bytes.size(), codeSize)) {
        throw heron::ReadError(unexpectedEnd);
    }
    std::vector<std::uint8_t> indices(pixels);
    if (decodeGifCodes(data, codeSize, indices, reasons) < pixels) {
        // The picture is kept, but damaged content shows in the log.
        heron::debug("GIF decode: image data ended early\n");
    }
    Image image(size.width, size.height);
    if (image.isEmpty()) {
        return image;
    }
    paintGifIndices(image, indices, indices.size(), gif.palette(), interlaced);
    image.setComponents(gif.components());
    return image;
}

}
