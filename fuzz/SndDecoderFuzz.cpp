// Reads the input as a ".snd" cache file through the decoder the game plays cached sounds with:
// the header, the check of the whole file, then every frame of a file that counts, then a seek.
// The sound expected is the one the header names (decoded from the origin it names) when it is a
// playable one, and the digest in a header that reads is set right first, so that mutated headers
// and samples reach the checks behind the digest and the playing; a file that counts must play
// exactly that sound.
#include "content/SndDecoder.h"
#include "fuzz/InputFile.h"
#include "fuzz/Seeds.h"
#include "fuzz/SoundSeeds.h"
#include "tests/support/SndFiles.h"

#include "base/Digest.h"
#include "base/Limits.h"
#include "base/MemoryDataSource.h"
#include "base/ReadError.h"

#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <optional>
#include <vector>

namespace
{

const std::string& sndPath()
{
    static const std::string path = inputFilePath("snd-fuzz", ".snd");
    return path;
}

// The format of a header's sound, or stereo when it names none the game plays.
egret::SoundFormat expectedFormat(const pelican::SndHeader& header)
{
    const std::uint32_t channels = header.channels == 1 ? 1 : 2;
    const std::uint32_t rate = header.rate >= 1 && header.rate <= heron::limits::maxSampleRate ? header.rate : 44100;
    return {channels, 16, rate, channels, 2 * channels, 2 * channels * rate};
}

// The header at the start of bytes, its digest set to that of the samples after it; none when no
// header reads there.
std::optional<pelican::SndHeader> fixDigest(std::vector<std::uint8_t>& bytes)
{
    heron::MemoryDataSource source(bytes.data(), static_cast<std::uint32_t>(bytes.size()), false);
    pelican::SndHeader header;
    try {
        header = pelican::readSndHeader(source);
    } catch (const heron::ReadError&) {
        return std::nullopt;
    }
    const std::size_t samples = std::min<std::size_t>(header.sampleBytes, bytes.size() - pelican::sndHeaderSize);
    header.digest = heron::Digest().add(bytes.data() + pelican::sndHeaderSize, samples).value();
    const auto stored = pelican::storedSndHeader(header);
    std::copy(stored.begin(), stored.end(), bytes.begin());
    return header;
}

std::vector<fuzzseeds::Seed> sndSeeds()
{
    const demo::Pcm mono = fuzzseeds::shortTone(1, 22050, 330.0);
    const demo::Pcm stereo = fuzzseeds::shortTone(2, 44100, 440.0);
    return {
        {"mono-22050.snd", fuzzseeds::bytesOf(sndfiles::sndFileOf(mono.samples, egret::mono16Format))},
        {"stereo.snd", fuzzseeds::bytesOf(sndfiles::sndFileOf(stereo.samples, egret::stereo16Format))},
    };
}

}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    return fuzzseeds::writeSeeds(argc, argv, sndSeeds);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::uint8_t> bytes(data, data + size);
    const pelican::SndHeader header = fixDigest(bytes).value_or(pelican::SndHeader{});
    if (!writeInputFile(sndPath(), bytes.data(), bytes.size())) {
        return 0;
    }
    const egret::SoundFormat format = expectedFormat(header);
    const std::uint32_t expected = header.sampleBytes >> format.frameShift << format.frameShift;
    pelican::SndDecoder decoder(heron::FilePath(sndPath().c_str()), format, expected, header.origin);
    if (decoder.exists() && size != pelican::sndHeaderSize + std::size_t(expected)) {
        std::abort();
    }
    decoder.rewind();
    std::vector<std::uint8_t> block(4096 * format.bytesPerFrame);
    std::uint64_t total = 0;
    for (int got = 1; got > 0; total += std::uint64_t(got)) {
        got = decoder.read(4096, block.data());
    }
    if (total != (decoder.exists() ? expected >> format.frameShift : 0)) {
        std::abort();
    }
    decoder.seek(static_cast<int>(total / 2));
    decoder.read(4096, block.data());
    decoder.close();
    return 0;
}
