// Feeds arbitrary bytes, as the data after a GIF signature, to the content layer's GIF decoder: for
// the image, then for its size alone. Any image it accepts must keep within the decoders' limits.

#include "base/MemoryDataSource.h"
#include "content/GIFdecoder.h"
#include "fuzz/ImageSeeds.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    return fuzzseeds::writeSeeds(argc, argv, [] {
        std::vector<fuzzseeds::Seed> seeds = fuzzseeds::gifSeeds();
        for (fuzzseeds::Seed& seed : seeds) {
            seed.bytes.erase(seed.bytes.begin(), seed.bytes.begin() + 6);
        }
        return seeds;
    });
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto bytes = static_cast<std::uint32_t>(size);
    try {
        heron::MemoryDataSource source(data, bytes, false);
        const kestrel::Image image = pelican::GIFdecoder(source).decode();
        if (image.width() > pelican::maxImageSide || image.height() > pelican::maxImageSide) {
            std::abort();
        }
    } catch (const pelican::ImageError&) {
    }
    try {
        heron::MemoryDataSource source(data, bytes, false);
        static_cast<void>(pelican::GIFdecoder(source).readInfo());
    } catch (const pelican::ImageError&) {
    }
    return 0;
}
