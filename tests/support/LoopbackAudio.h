#pragma once

#include "platform/OpenALAudioDevice.h"

#include <AL/alc.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace plat
{

// OpenAL's loopback device: the mix is rendered into memory on demand (stereo 16-bit 44100 Hz), so
// tests hear what OpenAL makes of the buffers without any sound hardware.
class LoopbackAudio
{
public:
    static constexpr int rate = 44100;

    // Opens the loopback device; isOpen() tells whether OpenAL offers one.
    LoopbackAudio();
    bool isOpen() const { return m_renderSamples != nullptr && m_audio != nullptr; }

    // The device, pumped by render; its owner must keep it while rendering goes on. Once.
    std::unique_ptr<OpenALAudioDevice> takeDevice() { return std::move(m_pending); }
    LoopbackAudio(const LoopbackAudio&) = delete;
    LoopbackAudio& operator=(const LoopbackAudio&) = delete;

    // Renders frames frames, pumping the buffers' queues every 10 ms of sound; left and right
    // samples interleaved.
    std::vector<std::int16_t> render(int frames);

private:
    static constexpr int framesPerPump = rate / 100;

    ALCdevice* m_device = nullptr;
    using RenderSamples = void (*)(ALCdevice*, ALCvoid*, ALCsizei);
    RenderSamples m_renderSamples = nullptr;
    std::unique_ptr<OpenALAudioDevice> m_pending;
    OpenALAudioDevice* m_audio = nullptr;
};

// The loopback device the program's sound system plays on in tests. The system opens its device
// once and keeps it to the end, as the program keeps its sound card through every game it starts,
// so every test of a test program that starts the program's sound hears this one.
LoopbackAudio& programLoopback();
// Has openAudioDevice hand out programLoopback's device (which only its first call takes).
void openProgramLoopbackOnDemand();

// Root mean square of one channel (0 left, 1 right) of interleaved stereo samples.
double channelLevel(const std::vector<std::int16_t>& samples, int channel);
// The amplitude of one frequency in the left channel, under a Hann window (whose side lobes keep
// loud notes nearby out of it).
double toneLevel(const std::vector<std::int16_t>& samples, double frequency);

}
