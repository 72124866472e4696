// Feeds arbitrary bytes, as the data after a GIF signature, to the GIF core both GIF readers decode
// with: every step from the logical screen to the painted pixels, a data block cut short kept or
// dropped as the input's length says. The core must write no index past the image and paint no
// pixel past the indices it wrote.

#include "base/Limits.h"
#include "base/MemoryDataSource.h"
#include "base/ReadError.h"
#include "fuzz/ImageSeeds.h"
#include "gui/paint/GifCore.h"
#include "gui/paint/Image.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace
{

constexpr kestrel::GifReasons reasons{"end of data", "data closed", "bad code size", "bad code", "past the image"};

void decodeImage(kestrel::GifStream& gif, kestrel::CutBlock cut)
{
    const kestrel::GifSize size = gif.readImageSize();
    const bool interlaced = gif.readImageLayout();
    const int codeSize = gif.readCodeSize();
    const kestrel::GifImageData data = gif.readImageData(cut);
    const std::uint64_t pixels = static_cast<std::uint64_t>(size.width) * static_cast<std::uint64_t>(size.height);
    if (pixels > static_cast<std::uint64_t>(heron::limits::maxGifPixels) ||
        pixels > kestrel::mostGifPixels(data.bytes.size(), codeSize)) {
        return;
    }
    std::vector<std::uint8_t> indices(pixels);
    const std::size_t written = kestrel::decodeGifCodes(data, codeSize, indices, reasons);
    if (written > pixels) {
        std::abort();
    }
    kestrel::Image image(size.width, size.height);
    if (image.isEmpty()) {
        return;
    }
    kestrel::paintGifIndices(image, indices, written, gif.palette(), interlaced);
    const std::uint32_t* const painted = image.pixels();
    if (static_cast<std::size_t>(std::count_if(painted, painted + pixels, [](std::uint32_t p) { return p != 0; })) >
        written) {
        std::abort();
    }
}

}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    return fuzzseeds::writeSeeds(argc, argv, fuzzseeds::gifSeedsAfterSignature);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    heron::MemoryDataSource source(data, static_cast<std::uint32_t>(size), false);
    try {
        kestrel::GifStream gif(source, reasons);
        gif.readScreen();
        if (gif.findImage() == kestrel::GifBlock::Image) {
            decodeImage(gif, size % 2 == 0 ? kestrel::CutBlock::Keep : kestrel::CutBlock::Drop);
        }
    } catch (const heron::ReadError&) {
    }
    return 0;
}
