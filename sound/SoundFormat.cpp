#include "sound/SoundFormat.h"

#include "base/Limits.h"

#include <cstring>

namespace egret
{

namespace
{

template <class Sample>
void mixFrames(std::uint8_t* bytes, std::size_t frames)
{
    for (std::size_t i = 0; i < frames; ++i) {
        Sample pair[2];
        std::memcpy(pair, bytes + i * sizeof(pair), sizeof(pair));
        const Sample mono = static_cast<Sample>((pair[0] + pair[1]) >> 1);
        std::memcpy(bytes + i * sizeof(Sample), &mono, sizeof(Sample));
    }
}

}

bool samePlayback(const SoundFormat& a, const SoundFormat& b)
{
    return a.channels == b.channels && a.bits == b.bits && a.rate == b.rate;
}

bool isUsable(const SoundFormat& format)
{
    if ((format.channels != 1 && format.channels != 2) || (format.bits != 8 && format.bits != 16)) {
        return false;
    }
    if (format.rate == 0 || format.rate > heron::limits::maxSampleRate) {
        return false;
    }
    const std::uint32_t frame = format.channels * format.bits / 8;
    return format.frameShift < 3 && (1u << format.frameShift) == frame && format.bytesPerFrame == frame &&
           format.bytesPerSecond == frame * format.rate;
}

plat::AudioFormat audioFormatOf(const SoundFormat& format)
{
    return {static_cast<int>(format.channels), static_cast<int>(format.bits), static_cast<int>(format.rate)};
}

SoundFormat mixToMono(const SoundFormat& format, heron::ByteBuffer& buffer)
{
    if (format.channels != 2 || !isUsable(format)) {
        return format;
    }
    const std::uint32_t sampleBytes = format.bits / 8;
    const std::size_t frames = buffer.size() >> format.frameShift;
    if (format.bits == 16) {
        mixFrames<std::int16_t>(buffer.data(), frames);
    } else {
        mixFrames<std::int8_t>(buffer.data(), frames);
    }
    buffer.resize((frames << format.frameShift) >> 1, true);
    return {1, format.bits, format.rate, sampleBytes >> 1, sampleBytes, sampleBytes * format.rate};
}

SoundFormat mixDownFor(const SoundFormat& wanted, const SoundFormat& format, heron::ByteBuffer& buffer)
{
    return wanted.channels == 1 ? mixToMono(format, buffer) : format;
}

}
