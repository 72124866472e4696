#include "tools/demo/DemoWorld.h"

#include "tools/demo/ImageWriters.h"
#include "tools/demo/ShallowsModel.h"
#include "tools/demo/SoundWriters.h"
#include "tools/demo/SplashPicture.h"
#include "tools/demo/Synthesis.h"

#include <array>
#include <fstream>
#include <iterator>
#include <optional>
#include <utility>
#include <vector>

namespace demo
{

namespace
{

constexpr int effectRate = 44100;
// The game plays its one-shot sounds (the wall's bounce, the throws, the ring's catch) on stereo
// voices, which refuse samples of another layout; the sounds zones place in the world play on mono
// voices.
constexpr int effectChannels = 2;
constexpr int emitterChannels = 1;

// A glass bell: a fifth and an octave over the root, struck at once and ringing out.
Pcm ringChime()
{
    return sinePad({.frequencies = {1046.5, 1568.0, 2093.0},
                    .seconds = 1.6,
                    .attack = 0.005,
                    .release = 1.5,
                    .level = 0.6,
                    .channels = effectChannels,
                    .rate = effectRate});
}

// Three short rising blips, like bubbles breaking the surface one after another.
Pcm bubble()
{
    PadSpec blip{.seconds = 0.09, .attack = 0.01, .release = 0.06, .level = 0.5, .channels = emitterChannels,
                 .rate = effectRate};
    Pcm pcm;
    pcm.channels = emitterChannels;
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
    return filteredNoise({.seconds = 0.9,
                          .cutoff = 2600.0,
                          .swell = 0.0,
                          .attack = 0.01,
                          .release = 0.85,
                          .level = 0.8,
                          .seed = 7,
                          .channels = effectChannels,
                          .rate = effectRate});
}

// A short rush of air that rises and falls away: a stone leaving the hand.
Pcm whoosh()
{
    return filteredNoise({.seconds = 0.4,
                          .cutoff = 1800.0,
                          .swell = 0.0,
                          .attack = 0.12,
                          .release = 0.25,
                          .level = 0.8,
                          .seed = 11,
                          .channels = effectChannels,
                          .rate = effectRate});
}

// The sequencer's instrument: a short plucked bass note at 110 Hz that the levels' patterns
// transpose.
Pcm bassNote()
{
    return sinePad({.frequencies = {110.0, 220.0}, .seconds = 0.35, .attack = 0.005, .release = 0.25, .level = 0.6,
                    .channels = 1, .rate = effectRate});
}

// A song of slow chords, each fading into the next, over filtered noise like the sea.
struct ChordSong
{
    std::vector<std::vector<double>> chords;
    double chordSeconds = 10.0;
    // How long each chord sounds together with the next.
    double overlap = 2.0;
    double chordLevel = 0.45;
    NoiseSpec sea{.cutoff = 600.0, .swell = 0.12, .attack = 2.0, .release = 2.0, .level = 0.44};
};

Pcm chordSong(const ChordSong& spec)
{
    const double step = spec.chordSeconds - spec.overlap;
    NoiseSpec sea = spec.sea;
    sea.seconds = static_cast<double>(spec.chords.size()) * step + spec.overlap;
    Pcm song = filteredNoise(sea);
    PadSpec pad{.seconds = spec.chordSeconds, .attack = 2.5, .release = 3.0, .level = spec.chordLevel};
    for (std::size_t i = 0; i < spec.chords.size(); ++i) {
        pad.frequencies = spec.chords[i];
        mixInto(song, sinePad(pad), static_cast<double>(i) * step);
    }
    return song;
}

// The shore's song: four slow chords of long phrases over the sea.
Pcm shoreSong()
{
    return chordSong({.chords = {
                          {110.0, 164.8, 261.6, 392.0},
                          {87.3, 130.8, 220.0, 329.6},
                          {130.8, 196.0, 329.6, 493.9},
                          {98.0, 146.8, 246.9, 370.0},
                      }});
}

// The reef's song: darker and slower, minor chords over a low A drone and a muffled sea, quieter
// than the shore's, so that the reef's bass line stands out. It plays none of the shore's notes that
// the reef's bass line leaves out, so that either song can be picked out of the mix.
Pcm reefSong()
{
    return chordSong({.chords = {
                          {55.0, 110.0, 130.8, 164.8},
                          {55.0, 174.6, 220.0, 261.6},
                          {55.0, 174.6, 220.0, 293.7},
                          {55.0, 130.8, 196.0, 329.6},
                      },
                      .chordSeconds = 12.0,
                      .overlap = 3.0,
                      .chordLevel = 0.35,
                      .sea = {.cutoff = 300.0, .swell = 0.08, .attack = 3.0, .release = 3.0, .level = 0.25, .seed = 5}});
}

}

std::vector<WorldFile> worldSounds(std::string& error)
{
    std::string shore = oggBytes(shoreSong(), 0.4f, error);
    std::string reef = shore.empty() ? std::string() : oggBytes(reefSong(), 0.4f, error);
    if (reef.empty()) {
        return {};
    }
    return {
        {"sounds/chime.wav", wavBytes(ringChime())},
        {"sounds/bubble.wav", wavBytes(bubble())},
        {"sounds/splash.wav", wavBytes(splash())},
        {"sounds/throw.wav", wavBytes(whoosh())},
        {"music/shore.ogg", std::move(shore)},
        {"music/reef.ogg", std::move(reef)},
        {"music/bass.wav", wavBytes(bassNote())},
    };
}

namespace
{

// Appends the file of the sources folder to files, under the same name; false with the reason in
// error when it cannot be read or is empty.
bool readSourceFile(const std::filesystem::path& sources, const char* name, std::vector<WorldFile>& files, std::string& error)
{
    std::ifstream in(sources / name, std::ios::binary);
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!in.good() && !in.eof()) {
        error = "cannot read " + (sources / name).string();
        return false;
    }
    if (bytes.empty()) {
        error = "missing or empty " + (sources / name).string();
        return false;
    }
    files.push_back({name, std::move(bytes)});
    return true;
}

// Appends the loading screen's picture to files; false with the reason in error when it does not
// fit a GIF.
bool addSplash(std::vector<WorldFile>& files, std::string& error)
{
    const std::optional<Bytes> gif = writeGif(splashImage());
    if (!gif) {
        error = "the splash picture does not fit a GIF";
        return false;
    }
    files.push_back({splashFileName, std::string(gif->begin(), gif->end())});
    return true;
}

}

bool writeDemoWorld(const std::filesystem::path& folder, const std::filesystem::path& sources, std::string& error)
{
    std::vector<WorldFile> files = worldSounds(error);
    if (files.empty()) {
        return false;
    }
    std::vector<WorldFile> shallows = shallowsFiles(error);
    if (shallows.empty() || !readSourceFile(sources, lookFileName, files, error) || !addSplash(files, error)) {
        return false;
    }
    std::move(shallows.begin(), shallows.end(), std::back_inserter(files));
    for (const WorldFile& file : files) {
        if (!writeSoundFile(folder / file.path, file.bytes, error)) {
            return false;
        }
    }
    return true;
}

}
