#pragma once

// Seeds of the sound formats, made by the demo world's sound writers: short tones in each layout
// the game plays.

#include "fuzz/Seeds.h"
#include "tools/demo/SoundWriters.h"
#include "tools/demo/Synthesis.h"

#include <cstdint>
#include <string>
#include <vector>

namespace fuzzseeds
{

inline demo::Pcm shortTone(int channels, int rate, double frequency)
{
    demo::PadSpec spec;
    spec.frequencies = {frequency, frequency * 1.5};
    spec.seconds = 0.05;
    spec.attack = spec.release = 0.01;
    spec.channels = channels;
    spec.rate = rate;
    return demo::sinePad(spec);
}

// A WAVE file with an odd-sized "LIST" chunk (and its pad byte) between "fmt " and "data".
inline Bytes withListChunk(const std::string& wav)
{
    constexpr std::size_t afterFormat = 36;
    const std::string list("LIST\x05\x00\x00\x00INFOx\x00", 14);
    std::string bytes = wav.substr(0, afterFormat) + list + wav.substr(afterFormat);
    const std::uint32_t riffSize = static_cast<std::uint32_t>(bytes.size() - 8);
    for (int i = 0; i < 4; ++i) {
        bytes[4 + i] = static_cast<char>(riffSize >> (8 * i));
    }
    return bytesOf(bytes);
}

inline std::vector<Seed> wavSeeds()
{
    const std::string stereo = demo::wavBytes(shortTone(2, 44100, 440.0));
    return {
        {"mono-22050.wav", bytesOf(demo::wavBytes(shortTone(1, 22050, 330.0)))},
        {"stereo.wav", bytesOf(stereo)},
        {"list-chunk.wav", withListChunk(stereo)},
    };
}

inline std::vector<Seed> oggSeeds()
{
    std::string error;
    const std::string mono = demo::oggBytes(shortTone(1, 22050, 330.0), 0.1f, error);
    const std::string stereo = demo::oggBytes(shortTone(2, 44100, 440.0), 0.1f, error);
    return {
        {"mono-22050.ogg", bytesOf(mono)},
        {"stereo.ogg", bytesOf(stereo)},
        {"chained.ogg", bytesOf(mono + stereo)},
    };
}

}
