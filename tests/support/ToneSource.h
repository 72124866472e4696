#pragma once

#include "sound/SoundDataSource.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>

// A sound source of known 16-bit samples for the sound tests: a saw of period 100 frames per
// channel, of a given number of frames (or endless), reporting its length or not, and counting
// what is asked of it. Read on one thread at a time; its counts may be read from any.
class ToneSource : public egret::SoundDataSource
{
public:
    static constexpr int endless = -1;
    static constexpr int unknown = -1;

    // frames: the frames it yields (endless: no end); length: what length() reports.
    ToneSource(const egret::SoundFormat& format, int frames, int length, const char* name = "tone.wav")
        : m_format(format), m_frames(frames), m_length(length), m_name(name)
    {
    }

    // A new tone of frames frames that reports its length, shared.
    static heron::counted_ptr<egret::SoundDataSource> shared(const egret::SoundFormat& format, int frames,
                                                            const char* name = "tone.wav")
    {
        return heron::counted_ptr<egret::SoundDataSource>(new ToneSource(format, frames, frames, name));
    }

    // The sample of a channel at a frame.
    static int sampleAt(int frame, int channel) { return (frame % 100) * 200 - 10000 + channel * 3000; }

    const egret::SoundFormat& format() override { return m_format; }
    void rewind() override { m_position = 0; }
    int read(int frames, void* buffer) override
    {
        ++reads;
        const int n = m_frames == endless ? frames : std::clamp(m_frames - m_position, 0, frames);
        auto* samples = static_cast<std::uint8_t*>(buffer);
        const int channels = static_cast<int>(m_format.channels);
        for (int i = 0; i < n * channels; ++i) {
            const auto sample = static_cast<std::int16_t>(sampleAt(m_position + i / channels, i % channels));
            std::memcpy(samples + i * 2, &sample, 2);
        }
        m_position += n;
        return n;
    }
    void close() override { ++closes; }
    int length() override { return m_length; }
    const heron_string& name() override { return m_name; }

    std::atomic<int> reads{0};
    std::atomic<int> closes{0};

private:
    egret::SoundFormat m_format;
    int m_frames;
    int m_length;
    heron_string m_name;
    int m_position = 0;
};
