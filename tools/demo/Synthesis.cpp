#include "tools/demo/Synthesis.h"

#include <algorithm>
#include <cmath>

namespace demo
{

namespace
{

constexpr double pi = 3.14159265358979323846;
constexpr double fullScale = 32767.0;

double raisedCosine(double x)
{
    return x <= 0.0 ? 0.0 : x >= 1.0 ? 1.0 : (1.0 - std::cos(pi * x)) / 2.0;
}

// The envelope at time t of a sound of the given length.
double envelope(double t, double seconds, double attack, double release)
{
    const double in = attack > 0.0 ? raisedCosine(t / attack) : 1.0;
    const double out = release > 0.0 ? raisedCosine((seconds - t) / release) : 1.0;
    return in * out;
}

std::int16_t toSample(double value)
{
    return static_cast<std::int16_t>(std::lround(std::clamp(value, -1.0, 1.0) * fullScale));
}

Pcm silence(double seconds, int channels, int rate)
{
    Pcm pcm;
    pcm.channels = channels;
    pcm.rate = rate;
    const auto frames = static_cast<std::size_t>(std::max(0.0, seconds) * rate);
    pcm.samples.assign(frames * static_cast<std::size_t>(std::max(channels, 0)), 0);
    return pcm;
}

// xorshift32: plain, fast and the same everywhere.
std::uint32_t nextRandom(std::uint32_t& state)
{
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

}

Pcm sinePad(const PadSpec& spec)
{
    Pcm pcm = silence(spec.seconds, spec.channels, spec.rate);
    if (spec.frequencies.empty()) {
        return pcm;
    }
    const double voiceLevel = spec.level / static_cast<double>(spec.frequencies.size());
    const double detune = std::pow(2.0, spec.detuneCents / 1200.0);
    for (int f = 0; f < pcm.frames(); ++f) {
        const double t = static_cast<double>(f) / spec.rate;
        const double gain = voiceLevel * envelope(t, spec.seconds, spec.attack, spec.release);
        for (int c = 0; c < spec.channels; ++c) {
            const double tuning = c == 1 ? detune : 1.0;
            double sum = 0.0;
            for (const double frequency : spec.frequencies) {
                sum += std::sin(2.0 * pi * frequency * tuning * t);
            }
            pcm.samples[static_cast<std::size_t>(f * spec.channels + c)] = toSample(sum * gain);
        }
    }
    return pcm;
}

Pcm filteredNoise(const NoiseSpec& spec)
{
    Pcm pcm = silence(spec.seconds, spec.channels, spec.rate);
    const double smoothing = 1.0 - std::exp(-2.0 * pi * spec.cutoff / spec.rate);
    std::vector<double> low(static_cast<std::size_t>(std::max(spec.channels, 0)), 0.0);
    std::vector<double> noise(pcm.samples.size(), 0.0);
    std::uint32_t state = spec.seed != 0 ? spec.seed : 1;
    for (int f = 0; f < pcm.frames(); ++f) {
        const double t = static_cast<double>(f) / spec.rate;
        const double swell = spec.swell > 0.0 ? 0.6 + 0.4 * std::sin(2.0 * pi * spec.swell * t) : 1.0;
        const double gain = swell * envelope(t, spec.seconds, spec.attack, spec.release);
        for (int c = 0; c < spec.channels; ++c) {
            const double white = nextRandom(state) / 2147483648.0 - 1.0;
            low[static_cast<std::size_t>(c)] += smoothing * (white - low[static_cast<std::size_t>(c)]);
            noise[static_cast<std::size_t>(f * spec.channels + c)] = low[static_cast<std::size_t>(c)] * gain;
        }
    }
    // Scaled after the fact: a low-passed noise has no peak known beforehand.
    double peak = 0.0;
    for (const double value : noise) {
        peak = std::max(peak, std::abs(value));
    }
    const double scale = peak > 0.0 ? spec.level / peak : 0.0;
    for (std::size_t i = 0; i < noise.size(); ++i) {
        pcm.samples[i] = toSample(noise[i] * scale);
    }
    return pcm;
}

void mixInto(Pcm& target, const Pcm& source, double atSeconds, double gain)
{
    if (target.channels != source.channels || atSeconds < 0.0) {
        return;
    }
    const auto start = static_cast<std::size_t>(std::lround(atSeconds * target.rate)) * static_cast<std::size_t>(target.channels);
    for (std::size_t i = 0; i < source.samples.size() && start + i < target.samples.size(); ++i) {
        const double sum = target.samples[start + i] + gain * source.samples[i];
        target.samples[start + i] = static_cast<std::int16_t>(std::lround(std::clamp(sum, -fullScale - 1.0, fullScale)));
    }
}

}
