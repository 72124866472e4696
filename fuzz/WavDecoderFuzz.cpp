// Reads the input as a WAV file through the decoder the game plays sounds with: the header, then
// every frame it promises, then seeks; a header it accepts must describe what it can read.
#include "content/DataFileName.h"
#include "content/DataFiles.h"
#include "content/WavDecoder.h"
#include "fuzz/InputFile.h"
#include "fuzz/SoundSeeds.h"

#include "base/MemoryDataSource.h"
#include "base/ReadError.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace
{

const std::string& wavPath()
{
    static const std::string path = inputFilePath("wav-fuzz", ".wav");
    return path;
}

void checkHeader(const std::uint8_t* data, std::size_t size)
{
    heron::MemoryDataSource source(data, static_cast<std::uint32_t>(size), false);
    pelican::WavHeader header;
    try {
        header = pelican::readWavHeader(source);
    } catch (const heron::ReadError&) {
        return;
    }
    const std::uint64_t end = header.dataStart + (std::uint64_t(header.frames) << header.format.frameShift);
    if (header.frames < 0 || end > size || !egret::isUsable(header.format)) {
        std::abort();
    }
}

}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    return fuzzseeds::writeSeeds(argc, argv, fuzzseeds::wavSeeds);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    checkHeader(data, size);
    if (!writeInputFile(wavPath(), data, size)) {
        return 0;
    }
    pelican::WavDecoder decoder(pelican::DataFileName(wavPath().c_str(), pelican::soundsCategory));
    const int length = decoder.length();
    decoder.rewind();
    std::vector<std::uint8_t> block(4096 * decoder.format().bytesPerFrame);
    int total = 0;
    for (int got = 1; got > 0; total += got) {
        got = decoder.read(4096, block.data());
    }
    if (total != std::max(length, 0)) {
        std::abort();
    }
    decoder.seek(length / 2);
    decoder.read(4096, block.data());
    decoder.close();
    return 0;
}
