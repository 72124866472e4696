// Decodes a three-minute stereo Ogg Vorbis song through the game's decoder (libvorbisfile over our
// byte sources) and through the reference command-line decoder oggdec on the same file, and prints
// the times and their ratio. The song is made first with the demo's writers: sine pads over
// filtered noise, as the demo's songs are.
//   bench_oggdecode [runs]     (best of 3 runs by default)
#include "content/DataFileName.h"
#include "content/OggDecoder.h"
#include "tools/demo/SoundWriters.h"
#include "tools/demo/Synthesis.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace
{

constexpr double songSeconds = 180.0;

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

demo::Pcm song()
{
    demo::PadSpec pad;
    pad.frequencies = {110.0, 164.8, 220.0, 277.2};
    pad.seconds = songSeconds;
    pad.attack = pad.release = 2.0;
    demo::Pcm pcm = demo::sinePad(pad);
    demo::NoiseSpec noise;
    noise.seconds = songSeconds;
    demo::mixInto(pcm, demo::filteredNoise(noise), 0.0);
    return pcm;
}

// Seconds to decode the whole file through the game's decoder; the frames decoded go to frames.
double decodeOurs(const std::filesystem::path& file, long& frames)
{
    const auto start = std::chrono::steady_clock::now();
    pelican::OggDecoder decoder(pelican::DataFileName(file.string().c_str(), pelican::soundsCategory));
    std::vector<std::uint8_t> block(65536);
    decoder.rewind();
    frames = 0;
    for (int got = 1; got > 0; frames += got) {
        got = decoder.read(static_cast<int>(block.size() >> decoder.format().frameShift), block.data());
    }
    decoder.close();
    return secondsSince(start);
}

// Seconds for oggdec to decode the file to nothing; negative when it cannot be run.
double decodeReference(const std::filesystem::path& file)
{
    const std::string command = "oggdec --quiet --output /dev/null '" + file.string() + "'";
    const auto start = std::chrono::steady_clock::now();
    return std::system(command.c_str()) == 0 ? secondsSince(start) : -1.0;
}

}

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const std::filesystem::path file = std::filesystem::temp_directory_path() / "aurelle-bench-song.ogg";
    std::string error;
    const std::string bytes = demo::oggBytes(song(), 0.4f, error);
    if (bytes.empty() || !demo::writeSoundFile(file, bytes, error)) {
        std::fprintf(stderr, "cannot make the song: %s\n", error.c_str());
        return 1;
    }
    double ours = 1e9;
    double reference = 1e9;
    long frames = 0;
    for (int run = 0; run < runs; ++run) {
        ours = std::min(ours, decodeOurs(file, frames));
        reference = std::min(reference, decodeReference(file));
    }
    std::filesystem::remove(file);
    std::printf("%.0f s song, %zu bytes, %ld frames decoded\n", songSeconds, bytes.size(), frames);
    std::printf("OggDecoder: %.3f s (%.0fx real time)\n", ours, songSeconds / ours);
    if (reference < 0.0) {
        std::printf("oggdec could not be run (package vorbis-tools)\n");
        return 0;
    }
    std::printf("oggdec:     %.3f s (%.0fx real time)\n", reference, songSeconds / reference);
    std::printf("ratio OggDecoder / oggdec: %.2f\n", ours / reference);
    return 0;
}
