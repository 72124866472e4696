#pragma once

#include "tools/demo/SoundWriters.h"

#include <cstdint>
#include <vector>

// Generators of the demo world's sounds: sine pads for the songs and chimes, filtered noise for
// the sea. Deterministic: the same arguments give the same samples.
namespace demo
{

struct PadSpec
{
    std::vector<double> frequencies{};  // Hz, one sine each, mixed at equal levels
    double seconds = 1.0;
    double attack = 0.1;                // seconds of raised-cosine fade-in
    double release = 0.1;               // seconds of raised-cosine fade-out at the end
    double level = 0.5;                 // peak of the mix, 0..1 of full scale
    double detuneCents = 4.0;           // the right channel is this much sharper, for width
    int channels = 2;
    int rate = 44100;
};

// A chord of sines under an attack and release envelope.
Pcm sinePad(const PadSpec& spec);

struct NoiseSpec
{
    double seconds = 1.0;
    double cutoff = 800.0;              // Hz of the one-pole low-pass
    double swell = 0.2;                 // Hz of the slow rise and fall of the level (0: steady)
    double attack = 0.05;               // seconds of raised-cosine fade-in
    double release = 0.05;              // seconds of raised-cosine fade-out at the end
    double level = 0.3;                 // peak of the noise, 0..1 of full scale
    std::uint32_t seed = 1;
    int channels = 2;
    int rate = 44100;
};

// White noise through a low-pass, its level swelling like surf; each channel has its own noise.
Pcm filteredNoise(const NoiseSpec& spec);

// Adds source, times gain, into target from the frame at the given second on, clipping at full
// scale; what runs past target's end is dropped. Both must have the same channels.
void mixInto(Pcm& target, const Pcm& source, double atSeconds, double gain = 1.0);

}
