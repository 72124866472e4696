#include "content/GIFdecoder.h"

#include "base/DataSource.h"
#include "base/Debug.h"
#include "base/ReadError.h"

namespace pelican
{

namespace
{

constexpr const char* who = "GIFdecoder";

constexpr kestrel::GifReasons reasons{
    .endOfData = "GIFdecoder - unexpected end of file",
    // The decoder's own log text for a closing block before the end code, kept as it is written.
    .dataClosed = "GIFdecoder - unexpected EOF merker in file",
    .badCodeSize = "GIFdecoder - corrupted file",
    .badCode = "GIFdecoder - garbage in file",
    .pastImage = "GIFdecoder - the file is corrupt",
};

}

GIFdecoder::GIFdecoder(heron::DataSource& source) : m_source(source), m_gif(source, reasons)
{
}

kestrel::Image GIFdecoder::decode()
{
    const kestrel::GifSize screen = m_gif.readScreen();
    if (m_gif.findImage() != kestrel::GifBlock::Image) {
        return kestrel::Image();
    }
    return readImage(screen);
}

ImageInfo GIFdecoder::readInfo()
{
    const kestrel::GifSize screen = m_gif.readScreen();
    // Only for a transparent index named before the image.
    m_gif.findImage();
    return ImageInfo{screen.width, screen.height, m_gif.components()};
}

kestrel::Image GIFdecoder::readImage(const kestrel::GifSize& screen)
{
    const kestrel::GifSize size = m_gif.readImageSize();
    if (size != screen) {
        throw heron::ReadError("GIFdecoder: Bad image size in GIF data");
    }
    const bool interlaced = m_gif.readImageLayout();
    const int codeSize = m_gif.readCodeSize();
    const std::uint64_t pixels = static_cast<std::uint64_t>(size.width) * static_cast<std::uint64_t>(size.height);
    if (pixels > kestrel::mostGifPixels(m_source.remaining(), codeSize)) {
        refuseTooLittleData(who, size.width, size.height);
    }
    checkImageSize(who, size.width, size.height);
    const kestrel::GifImageData data = m_gif.readImageData(kestrel::CutBlock::Drop);
    std::vector<std::uint8_t> indices(pixels);
    const std::size_t written = kestrel::decodeGifCodes(data, codeSize, indices, reasons);
    // An end code before the last pixel keeps the picture only when the image's own data could
    // have held all of it (the bytes after the data count for nothing), as in the toolkit's reader.
    if (pixels > kestrel::mostGifPixels(data.bytes.size(), codeSize)) {
        refuseTooLittleData(who, size.width, size.height);
    }
    kestrel::Image image = makeDecodedImage(who, size.width, size.height, m_gif.components(), kestrel::PixelStart::Zeroed);
    kestrel::paintGifIndices(image, indices, written, m_gif.palette(), interlaced);
    if (written < pixels) {
        heron::debug("GIFdecoder - image data ended early\n");
    }
    return image;
}

}
