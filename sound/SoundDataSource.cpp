#include "sound/SoundDataSource.h"

#include "base/Debug.h"
#include "base/Limits.h"

#include <algorithm>

namespace egret
{

namespace
{

// The frames of a read, trusting the source no further than what was asked.
std::uint32_t framesRead(SoundDataSource& source, std::uint32_t frames, std::uint8_t* at)
{
    const int got = source.read(static_cast<int>(frames), at);
    return std::min(static_cast<std::uint32_t>(std::max(got, 0)), frames);
}

std::uint32_t maxFramesOf(const SoundFormat& format)
{
    return static_cast<std::uint32_t>(std::min<std::size_t>(std::size_t{heron::limits::maxSampleSeconds} * format.rate,
                                                            heron::limits::maxSampleBytes >> format.frameShift));
}

void logCut(SoundDataSource& source, std::uint32_t frames)
{
    heron::debug("readAllSamples() - %s is longer than %u frames, cut there\n", source.name().c_str(), frames);
}

std::uint32_t readKnownLength(SoundDataSource& source, std::uint32_t length, heron::ByteBuffer& buffer)
{
    const SoundFormat& format = source.format();
    const std::uint32_t maxFrames = maxFramesOf(format);
    if (length > maxFrames) {
        logCut(source, maxFrames);
        length = maxFrames;
    }
    buffer.resize(std::size_t{length} << format.frameShift, false);
    return framesRead(source, length, buffer.data());
}

// Reads blocks as large as everything read so far until one comes up short. The first block is a
// second, or one frame more than the hint says the source has, so that a hint that holds ends
// the read at once: growing a block copies it, and a long sound would then need its size twice
// over.
std::uint32_t readUnknownLength(SoundDataSource& source, int hint, heron::ByteBuffer& buffer)
{
    const SoundFormat& format = source.format();
    const std::uint32_t maxFrames = maxFramesOf(format);
    const std::uint32_t first = hint >= 0 ? static_cast<std::uint32_t>(hint) + 1 : format.rate;
    buffer.resize(std::size_t{std::min(first, maxFrames)} << format.frameShift, false);
    std::uint32_t got = 0;
    for (;;) {
        const std::uint32_t chunk = std::min(static_cast<std::uint32_t>(buffer.size() >> format.frameShift), maxFrames - got);
        if (chunk == 0) {
            logCut(source, maxFrames);
            return got;
        }
        const std::size_t wanted = std::size_t{got + chunk} << format.frameShift;
        if (wanted > buffer.size()) {
            buffer.resize(wanted, true);
        }
        const std::uint32_t read = framesRead(source, chunk, buffer.data() + (std::size_t{got} << format.frameShift));
        got += read;
        if (read < chunk) {
            return got;
        }
    }
}

std::uint32_t readFrames(SoundDataSource& source, heron::ByteBuffer& buffer)
{
    const SoundFormat& format = source.format();
    if (!isUsable(format)) {
        heron::debug("readAllSamples() - %s has an unusable format (%u channels, %u bits, %u Hz)\n",
                     source.name().c_str(), format.channels, format.bits, format.rate);
        return 0;
    }
    const int length = source.length();
    source.rewind();
    return length >= 0 ? readKnownLength(source, static_cast<std::uint32_t>(length), buffer)
                       : readUnknownLength(source, source.lengthHint(), buffer);
}

}

const heron_string& SoundDataSource::name()
{
    static const heron_string unnamed("bad identifier...");
    return unnamed;
}

heron::counted_ptr<heron::ByteBuffer> readAllSamples(const heron::counted_ptr<SoundDataSource>& source)
{
    if (!source) {
        return {};
    }
    heron::ByteBuffer buffer;
    const std::uint32_t frames = readFrames(*source, buffer);
    source->close();
    if (frames == 0) {
        return {};
    }
    buffer.resize(std::size_t{frames} << source->format().frameShift, true);
    return heron::counted_ptr<heron::ByteBuffer>(new heron::ByteBuffer(std::move(buffer)));
}

}
