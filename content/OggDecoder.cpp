#include "content/OggDecoder.h"

#include "content/DataFiles.h"

#include "base/Debug.h"

#include <algorithm>
#include <limits>

namespace pelican
{

OggDecoder::OggDecoder(const DataFileName& file)
    : m_file(file)
{
    probe();
}

OggDecoder::OggDecoder(const OggDecoder& other, Copy)
    : m_file(other.m_file), m_failed(other.m_failed), m_totalFrames(other.m_totalFrames), m_format(other.m_format)
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
    const int got = static_cast<int>(m_stream.read(buffer, bytes) >> m_format.frameShift);
    m_current += got;
    return got;
}

void OggDecoder::close()
{
    m_stream.close();
}

void OggDecoder::seek(int frame)
{
    openForPlaying();
    if (m_stream.isOpen() && frame != m_current && m_stream.seekFrame(std::max(frame, 0))) {
        m_current = std::max(frame, 0);
    }
}

// Opens the file, measures the stream and closes it again.
void OggDecoder::probe()
{
    const heron::counted_ptr<heron::DataSource> source = openDataFile(m_file);
    if (!source) {
        return;
    }
    if (!m_stream.open(source, m_file.path.str())) {
        heron::debug("ogg file didn't open\n");
        return;
    }
    if (takeFormat()) {
        m_totalFrames = m_stream.totalFrames();
        m_failed = false;
    }
    m_stream.close();
}

bool OggDecoder::takeFormat()
{
    const int channels = m_stream.channels();
    const int rate = m_stream.rate();
    if (channels < 1 || channels > OggStream::maxChannels || rate < 1 ||
        static_cast<std::uint32_t>(rate) > egret::maxSampleRate) {
        heron::debug("OggDecoder: %s has %d channels at %d Hz, not played\n", m_file.path.c_str(), channels, rate);
        return false;
    }
    const auto frameBytes = static_cast<std::uint32_t>(2 * channels);
    m_format = {static_cast<std::uint32_t>(channels), 16, static_cast<std::uint32_t>(rate), channels == 1 ? 1u : 2u,
                frameBytes, frameBytes * static_cast<std::uint32_t>(rate)};
    return true;
}

// A stream that no longer opens, or opens with another layout than the probe found, fails.
void OggDecoder::openForPlaying()
{
    if (m_failed || m_stream.isOpen()) {
        return;
    }
    m_current = 0;
    const heron::counted_ptr<heron::DataSource> source = openDataFile(m_file);
    const egret::SoundFormat probed = m_format;
    if (!source || !m_stream.open(source, m_file.path.str()) || !takeFormat() || !egret::samePlayback(probed, m_format)) {
        m_stream.close();
        m_format = probed;
        m_failed = true;
    }
}

}
