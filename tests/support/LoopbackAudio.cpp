#include "support/LoopbackAudio.h"

#include <AL/alext.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace plat
{

LoopbackAudio::LoopbackAudio()
{
    const auto open = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
    m_renderSamples = reinterpret_cast<RenderSamples>(alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
    m_device = open ? open(nullptr) : nullptr;
    if (!m_device || !m_renderSamples) {
        return;
    }
    const ALCint attributes[] = {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT, ALC_SHORT_SOFT,
                                 ALC_FREQUENCY, rate, ALC_HRTF_SOFT, ALC_FALSE, 0};
    ALCcontext* const context = alcCreateContext(m_device, attributes);
    if (!context) {
        alcCloseDevice(m_device);
        m_device = nullptr;
        return;
    }
    m_pending = std::make_unique<OpenALAudioDevice>(m_device, context, OpenALAudioDevice::Pumping::ByOwner);
    m_audio = m_pending.get();
}

std::vector<std::int16_t> LoopbackAudio::render(int frames)
{
    std::vector<std::int16_t> samples(static_cast<std::size_t>(frames) * 2);
    for (int done = 0; done < frames;) {
        const int chunk = std::min(framesPerPump, frames - done);
        m_audio->pump();
        m_renderSamples(m_device, samples.data() + static_cast<std::size_t>(done) * 2, chunk);
        done += chunk;
    }
    return samples;
}

LoopbackAudio& programLoopback()
{
    static LoopbackAudio loopback;
    return loopback;
}

void openProgramLoopbackOnDemand()
{
    setAudioDeviceOpener([] { return std::unique_ptr<AudioDevice>(programLoopback().takeDevice()); });
}

double channelLevel(const std::vector<std::int16_t>& samples, int channel)
{
    double sum = 0.0;
    std::size_t count = 0;
    for (std::size_t i = static_cast<std::size_t>(channel); i < samples.size(); i += 2) {
        sum += double(samples[i]) * samples[i];
        ++count;
    }
    return count ? std::sqrt(sum / double(count)) : 0.0;
}

double toneLevel(const std::vector<std::int16_t>& samples, double frequency)
{
    const std::size_t frames = samples.size() / 2;
    if (frames < 2) {
        return 0.0;
    }
    const double step = 2.0 * std::numbers::pi * frequency / LoopbackAudio::rate;
    double re = 0.0;
    double im = 0.0;
    for (std::size_t i = 0; i < frames; ++i) {
        const double window = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * double(i) / double(frames - 1));
        const double sample = window * samples[2 * i];
        re += sample * std::cos(step * double(i));
        im -= sample * std::sin(step * double(i));
    }
    return 4.0 * std::hypot(re, im) / double(frames);
}

}
