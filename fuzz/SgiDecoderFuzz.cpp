// Feeds arbitrary bytes to the content layer's SGI decoder: for the image, then for its size
// alone. Any image it accepts must keep within the decoders' limits.

#include "base/Limits.h"
#include "base/MemoryDataSource.h"
#include "base/ReadError.h"
#include "content/SGIdecoder.h"
#include "fuzz/ImageSeeds.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    return fuzzseeds::writeSeeds(argc, argv, fuzzseeds::sgiSeeds);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        heron::MemoryDataSource source(data, static_cast<std::uint32_t>(size), false);
        pelican::SGIdecoder decoder(source);
        static_cast<void>(decoder.readInfo());
        const kestrel::Image image = decoder.decode();
        if (image.width() > heron::limits::maxDecodedImageSide || image.height() > heron::limits::maxDecodedImageSide) {
            std::abort();
        }
    } catch (const heron::ReadError&) {
    }
    return 0;
}
