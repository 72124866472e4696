// Feeds arbitrary bytes to the GIF reader, then resamples what it decoded, so that any picture the reader
// accepts also passes through the image operations that textures and widgets apply to it.

#include "base/Limits.h"
#include "fuzz/ImageSeeds.h"
#include "gui/paint/Image.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    return fuzzseeds::writeSeeds(argc, argv, fuzzseeds::gifSeeds);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    kestrel::Image image;
    image.fromGIF(data, size);
    if (image.isEmpty()) {
        return 0;
    }
    if (image.width() > heron::limits::maxGifSide || image.height() > heron::limits::maxGifSide ||
        std::int64_t{image.width()} * image.height() > heron::limits::maxGifPixels) {
        std::abort();
    }
    image.buildMask();
    image.resize(image.width() / 3 + 1, image.height() * 2 % 97 + 1);
    return 0;
}
