// Feeds arbitrary bytes to the JPEG decoder (libjpeg behind our source manager and error exit): for
// the image, then for its size alone. Any image it accepts must keep within the decoders' limits.

#include "base/Limits.h"
#include "base/MemoryDataSource.h"
#include "base/ReadError.h"
#include "content/JpegDecoder.h"
#include "fuzz/ImageSeeds.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    return fuzzseeds::writeSeeds(argc, argv, fuzzseeds::jpegSeeds);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto bytes = static_cast<std::uint32_t>(size);
    try {
        heron::MemoryDataSource source(data, bytes, false);
        const kestrel::Image image = pelican::decodeJpeg(source);
        if (image.width() > heron::limits::maxDecodedImageSide || image.height() > heron::limits::maxDecodedImageSide) {
            std::abort();
        }
    } catch (const heron::ReadError&) {
    }
    try {
        heron::MemoryDataSource source(data, bytes, false);
        static_cast<void>(pelican::readJpegInfo(source));
    } catch (const heron::ReadError&) {
    }
    return 0;
}
