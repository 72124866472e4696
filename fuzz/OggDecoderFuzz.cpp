// Plays the input as an Ogg Vorbis file through the decoder the game plays songs with: the probe,
// a bounded read from the start, a seek and another read. Page checksums in the input are set
// right first, so that mutated pages reach the Vorbis decoder instead of being dropped by the
// page layer.
#include "content/DataFileName.h"
#include "content/OggDecoder.h"
#include "fuzz/InputFile.h"
#include "fuzz/SoundSeeds.h"
#include "tests/support/OggPages.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace
{

// Most frames read from one input: enough to pass many packets, few enough to stay fast.
constexpr int maxFrames = 1 << 18;

const std::string& oggPath()
{
    static const std::string path = inputFilePath("ogg-fuzz", ".ogg");
    return path;
}

int readSome(pelican::OggDecoder& decoder, std::vector<std::uint8_t>& block)
{
    const int framesPerBlock = static_cast<int>(block.size() >> decoder.format().frameShift);
    int total = 0;
    for (int got = 1; got > 0 && total < maxFrames; total += got) {
        got = decoder.read(framesPerBlock, block.data());
    }
    return total;
}

}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    return fuzzseeds::writeSeeds(argc, argv, fuzzseeds::oggSeeds);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::uint8_t> bytes(data, data + size);
    oggpages::fixChecksums(bytes.data(), bytes.size());
    if (!writeInputFile(oggPath(), bytes.data(), bytes.size())) {
        return 0;
    }
    pelican::OggDecoder decoder(pelican::DataFileName(oggPath().c_str(), pelican::soundsCategory));
    if (!decoder.succeeded()) {
        return 0;
    }
    std::vector<std::uint8_t> block(16384);
    decoder.rewind();
    const int frames = readSome(decoder, block);
    decoder.seek(frames / 2);
    decoder.read(1000, block.data());
    decoder.close();
    const heron::counted_ptr<pelican::OggDecoder> twin = decoder.copy();
    twin->seek(frames / 3);
    readSome(*twin, block);
    twin->close();
    return 0;
}
