// Reads whole sound sources whose format, stated length and reads come from the input, then mixes
// them down and fills a sample buffer: the path every decoded outside sound takes into the sound
// system. The input holds a format (six raw words, or channels, bits and rate from which a
// consistent format is made), the stated length, a read behaviour byte, then the sample bytes the
// source serves.
#include "sound/OpenALSoundBuffer.h"
#include "sound/SoundDataSource.h"

#include "base/MemoryDataSource.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace
{

class InputSource : public egret::SoundDataSource
{
public:
    explicit InputSource(heron::DataSource& input) : m_input(input)
    {
        const int kind = input.readByte();
        if (kind & 1) {
            readRawFormat();
        } else {
            readConsistentFormat(kind);
        }
        std::int32_t length = -1;
        input.readInt32(length);
        m_length = length;
        m_behaviour = static_cast<std::uint8_t>(input.readByte());
        m_start = input.tell();
    }

    const egret::SoundFormat& format() override { return m_format; }
    void rewind() override { m_input.seek(m_start); }
    // Serves whole frames of the input bytes; the behaviour byte makes it claim more or fewer frames
    // than it wrote, or an error.
    int read(int frames, void* buffer) override
    {
        const std::uint32_t frameBytes = std::max<std::uint32_t>(m_format.bytesPerFrame, 1);
        const std::uint32_t wanted = static_cast<std::uint32_t>(std::max(frames, 0));
        const std::uint32_t whole = std::min(wanted, m_input.remaining() / frameBytes);
        const std::uint32_t got = m_input.read(buffer, whole * frameBytes) / frameBytes;
        switch (m_behaviour % 4) {
        case 1: return static_cast<int>(got) + (m_behaviour >> 2);
        case 2: return -static_cast<int>(m_behaviour);
        default: return static_cast<int>(got);
        }
    }
    int length() override { return m_length; }

private:
    void readRawFormat()
    {
        for (std::uint32_t* field : {&m_format.channels, &m_format.bits, &m_format.rate, &m_format.frameShift,
                                     &m_format.bytesPerFrame, &m_format.bytesPerSecond}) {
            m_input.readUInt32(*field);
        }
    }
    // Channels and bits from the kind byte, the rate from the input; the rest follows from them.
    void readConsistentFormat(int kind)
    {
        std::uint16_t rate = 0;
        m_input.readUInt16(rate);
        const std::uint32_t channels = (kind & 2) ? 2 : 1;
        const std::uint32_t bits = (kind & 4) ? 16 : 8;
        const std::uint32_t frame = channels * bits / 8;
        m_format = {channels, bits, rate, frame / 2, frame, frame * rate};
    }

    heron::DataSource& m_input;
    egret::SoundFormat m_format;
    int m_length = -1;
    std::uint8_t m_behaviour = 0;
    std::uint32_t m_start = 0;
};

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    heron::MemoryDataSource input(data, static_cast<std::uint32_t>(size), false);
    auto* source = new InputSource(input);
    const heron::counted_ptr<egret::SoundDataSource> shared(source);
    const heron::counted_ptr<heron::ByteBuffer> samples = egret::readAllSamples(shared);
    if (!samples) {
        return 0;
    }
    const egret::SoundFormat wanted = (size & 1) ? egret::mono16Format : egret::stereo16Format;
    heron::counted_ptr<egret::OpenALSoundBuffer> buffer(new egret::OpenALSoundBuffer);
    buffer->fill(samples, source->format(), wanted);
    const heron::ByteBuffer* held = buffer->samples();
    if (held && held->size() != std::size_t(buffer->frames()) << buffer->format().frameShift) {
        __builtin_trap();
    }
    return 0;
}
