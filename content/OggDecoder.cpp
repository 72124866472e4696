#include "content/OggDecoder.h"

#include "content/DataFiles.h"

#include "base/Debug.h"
#include "base/Limits.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

namespace pelican
{

namespace
{

// Stored bytes an audio packet takes at least: a byte of data and its lacing value in its page.
constexpr std::uint64_t leastPacketBytes = 2;

// Whether the bytes begin with an Ogg page's capture pattern; leaves the source at its start.
bool startsAsOgg(heron::DataSource& source)
{
    if (!source.canSeek()) {
        return false;
    }
    char capture[4] = {};
    const bool ogg = source.read(capture, sizeof capture) == sizeof capture && std::memcmp(capture, "OggS", 4) == 0;
    source.seek(0);
    return ogg;
}

}

OggDecoder::OggDecoder(const DataFileName& file)
    : m_file(file)
{
    probe();
}

OggDecoder::OggDecoder(const OggDecoder& other, Copy)
    : m_file(other.m_file), m_failed(other.m_failed), m_totalFrames(other.m_totalFrames),
      m_fileBytes(other.m_fileBytes), m_longestBlock(other.m_longestBlock), m_refusal(other.m_refusal),
      m_format(other.m_format)
{
}

heron::counted_ptr<OggDecoder> OggDecoder::copy() const
{
    return heron::counted_ptr<OggDecoder>(new OggDecoder(*this, Copy{}));
}

int OggDecoder::read(int frames, void* buffer)
{
    if (!m_stream.isOpen() || frames <= 0) {
        return 0;
    }
    frames = std::min(frames, std::numeric_limits<int>::max() >> m_format.frameShift);
    const std::uint32_t bytes = static_cast<std::uint32_t>(frames) << m_format.frameShift;
    try {
        const int got = static_cast<int>(m_stream.read(buffer, bytes) >> m_format.frameShift);
        m_current += got;
        return got;
    } catch (const heron::ReadError& fault) {
        fail(fault);
        return 0;
    }
}

void OggDecoder::close()
{
    m_stream.close();
}

void OggDecoder::seek(int frame)
{
    if (m_failed) {
        return;
    }
    try {
        openForPlaying();
        // A frame past the end is the end: the library refuses it, which would fail the sound.
        int target = std::max(frame, 0);
        if (m_totalFrames >= 0) {
            target = int(std::min<std::int64_t>(target, m_totalFrames));
        }
        if (target != m_current) {
            m_stream.seekFrame(target);
            m_current = target;
        }
    } catch (const heron::ReadError& fault) {
        fail(fault);
    }
}

int OggDecoder::lengthHint()
{
    if (m_totalFrames < 0) {
        return -1;
    }
    // However quiet the sound and low its bit rate, no packet decodes to more than half the longest
    // block: a file cannot hold more frames than its bytes have room for packets of that.
    const std::uint64_t packets = m_fileBytes / leastPacketBytes;
    const std::uint64_t plausible = packets * static_cast<std::uint64_t>(m_longestBlock / 2);
    const std::uint64_t frames = std::min<std::uint64_t>(static_cast<std::uint64_t>(m_totalFrames), plausible);
    return static_cast<int>(std::min<std::uint64_t>(frames, std::numeric_limits<int>::max()));
}

// Opens the file, measures the stream and closes it again.
void OggDecoder::probe()
{
    const heron::counted_ptr<heron::DataSource> source = openDataFile(m_file);
    if (!source) {
        return;
    }
    m_fileBytes = source->remaining();
    if (!startsAsOgg(*source)) {
        // Bytes of another kind (a WAV file's, as a rule) are not this decoder's: it declines them
        // without a log line, and the decoder of their kind reads or refuses them. Only a file
        // named as an Ogg file has its refusal told.
        if (m_file.path.extension() == ".ogg") {
            m_refusal = "not an Ogg Vorbis stream";
        }
        return;
    }
    try {
        m_stream.open(source, m_file.path.str());
        m_format = streamFormat();
        m_totalFrames = m_stream.totalFrames();
        m_longestBlock = m_stream.longestBlock();
        m_failed = false;
    } catch (const heron::ReadError& fault) {
        fail(fault);
        m_refusal = fault.what();
    }
    m_stream.close();
}

egret::SoundFormat OggDecoder::streamFormat() const
{
    const int channels = m_stream.channels();
    const int rate = m_stream.rate();
    if (channels < 1 || static_cast<std::uint32_t>(channels) > heron::limits::maxSoundChannels || rate < 1 ||
        static_cast<std::uint32_t>(rate) > heron::limits::maxSampleRate) {
        throw heron::ReadError("the stream has " + std::to_string(channels) + " channels at " + std::to_string(rate) +
                               " Hz, not played");
    }
    const auto frameBytes = static_cast<std::uint32_t>(2 * channels);
    return {static_cast<std::uint32_t>(channels), 16, static_cast<std::uint32_t>(rate), channels == 1 ? 1u : 2u,
            frameBytes, frameBytes * static_cast<std::uint32_t>(rate)};
}

void OggDecoder::openForPlaying()
{
    if (m_stream.isOpen()) {
        return;
    }
    m_current = 0;
    const heron::counted_ptr<heron::DataSource> source = openDataFile(m_file);
    if (!source) {
        throw heron::ReadError("the file no longer opens");
    }
    m_stream.open(source, m_file.path.str());
    if (!egret::samePlayback(streamFormat(), m_format)) {
        throw heron::ReadError("the stream's layout changed since it was probed");
    }
}

void OggDecoder::fail(const heron::ReadError& fault)
{
    heron::debug("OggDecoder: %s: %s\n", m_file.path.c_str(), fault.what());
    m_stream.close();
    m_failed = true;
}

}
