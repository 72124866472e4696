#pragma once

#include "sound/SoundHAL.h"

#include "base/ByteBuffer.h"
#include "base/counted_ptr.h"

#include <atomic>

namespace egret
{

// Samples in memory for the voices of the OpenAL hardware layer. Filled once, by the loader thread
// or at once; the samples and their format are written before the loaded flag and read after it.
class OpenALSoundBuffer : public SoundBuffer
{
public:
    bool isLoaded() const override { return m_loaded.load(std::memory_order_acquire); }
    int frames() const override { return isLoaded() ? m_frames : 0; }
    SoundFormat format() const override { return isLoaded() ? m_format : SoundFormat{}; }

    // The samples once loaded, else null.
    const heron::ByteBuffer* samples() const { return isLoaded() ? m_samples.get() : nullptr; }

    // Takes samples read from a source of sourceFormat, mixed down to mono when wanted is mono and
    // the source stereo; the buffer keeps their true format, whatever was wanted. Loaded when there
    // is at least one frame. Once, before anyone sees the buffer loaded.
    void fill(const heron::counted_ptr<heron::ByteBuffer>& samples, const SoundFormat& sourceFormat,
              const SoundFormat& wanted);

private:
    std::atomic<bool> m_loaded{false};
    SoundFormat m_format;
    heron::counted_ptr<heron::ByteBuffer> m_samples;
    int m_frames = 0;
};

}
