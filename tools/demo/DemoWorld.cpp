#include "tools/demo/DemoWorld.h"

#include "tools/demo/SoundWriters.h"
#include "tools/demo/Synthesis.h"

#include <array>
#include <utility>
#include <vector>

namespace demo
{

namespace
{

constexpr int effectRate = 44100;

// A glass bell: a fifth and an octave over the root, struck at once and ringing out.
Pcm ringChime()
{
    PadSpec spec;
    spec.frequencies = {1046.5, 1568.0, 2093.0};
    spec.seconds = 1.6;
    spec.attack = 0.005;
    spec.release = 1.5;
    spec.level = 0.6;
    spec.channels = 1;
    spec.rate = effectRate;
    return sinePad(spec);
}

// Three short rising blips, like bubbles breaking the surface one after another.
Pcm bubble()
{
    PadSpec blip;
    blip.seconds = 0.09;
    blip.attack = 0.01;
    blip.release = 0.06;
    blip.level = 0.5;
    blip.channels = 1;
    blip.rate = effectRate;
    Pcm pcm;
    pcm.channels = 1;
    pcm.rate = effectRate;
    pcm.samples.assign(static_cast<std::size_t>(0.4 * effectRate), 0);
    const std::array<double, 3> pitches = {520.0, 690.0, 610.0};
    for (std::size_t i = 0; i < pitches.size(); ++i) {
        blip.frequencies = {pitches[i], pitches[i] * 1.5};
        mixInto(pcm, sinePad(blip), 0.11 * static_cast<double>(i));
    }
    return pcm;
}

// A burst of bright noise that falls away.
Pcm splash()
{
    NoiseSpec spec;
    spec.seconds = 0.9;
    spec.cutoff = 2600.0;
    spec.swell = 0.0;
    spec.attack = 0.01;
    spec.release = 0.85;
    spec.level = 0.45;
    spec.seed = 7;
    spec.channels = 1;
    spec.rate = effectRate;
    return filteredNoise(spec);
}

// The shore's song: four slow chords of long phrases, each fading into the next, over the sea.
Pcm shoreSong()
{
    constexpr double chordSeconds = 10.0;
    constexpr double overlap = 2.0;
    const std::array<std::vector<double>, 4> chords = {{
        {110.0, 164.8, 261.6, 392.0},
        {87.3, 130.8, 220.0, 329.6},
        {130.8, 196.0, 329.6, 493.9},
        {98.0, 146.8, 246.9, 370.0},
    }};
    const double seconds = static_cast<double>(chords.size()) * (chordSeconds - overlap) + overlap;
    NoiseSpec sea;
    sea.seconds = seconds;
    sea.cutoff = 600.0;
    sea.swell = 0.12;
    sea.attack = sea.release = 2.0;
    sea.level = 0.22;
    Pcm song = filteredNoise(sea);
    PadSpec pad;
    pad.seconds = chordSeconds;
    pad.attack = 2.5;
    pad.release = 3.0;
    pad.level = 0.45;
    for (std::size_t i = 0; i < chords.size(); ++i) {
        pad.frequencies = chords[i];
        mixInto(song, sinePad(pad), static_cast<double>(i) * (chordSeconds - overlap));
    }
    return song;
}

}

std::vector<WorldFile> worldSounds(std::string& error)
{
    std::string song = oggBytes(shoreSong(), 0.4f, error);
    if (song.empty()) {
        return {};
    }
    return {
        {"sounds/chime.wav", wavBytes(ringChime())},
        {"sounds/bubble.wav", wavBytes(bubble())},
        {"sounds/splash.wav", wavBytes(splash())},
        {"music/shore.ogg", std::move(song)},
    };
}

bool writeDemoWorld(const std::filesystem::path& folder, std::string& error)
{
    const std::vector<WorldFile> sounds = worldSounds(error);
    if (sounds.empty()) {
        return false;
    }
    for (const WorldFile& file : sounds) {
        if (!writeSoundFile(folder / file.path, file.bytes, error)) {
            return false;
        }
    }
    return true;
}

}
