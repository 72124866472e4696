#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Writers of the sound files the demo world ships (and the tests read): RIFF WAVE files of 16-bit
// PCM, and Ogg Vorbis files through libvorbisenc.
namespace demo
{

// 16-bit signed samples, interleaved left then right when stereo.
struct Pcm
{
    int channels = 2;
    int rate = 44100;
    std::vector<std::int16_t> samples;

    int frames() const { return channels > 0 ? static_cast<int>(samples.size()) / channels : 0; }
};

// The bytes of a canonical WAVE file: "RIFF", "WAVE", a 16-byte "fmt " chunk of format tag 1, then
// the "data" chunk.
std::string wavBytes(const Pcm& pcm);

// The bytes of an Ogg Vorbis file of the samples at a variable bit rate of quality -0.1..1.0
// (0.4 is a good default); empty, with the reason in error, when the encoder refuses the format.
std::string oggBytes(const Pcm& pcm, float quality, std::string& error);

// Writes bytes to path, making its folder; false with the reason in error.
[[nodiscard]] bool writeSoundFile(const std::filesystem::path& path, const std::string& bytes, std::string& error);

}
