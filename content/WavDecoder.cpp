#include "content/WavDecoder.h"

#include "content/DataFiles.h"

#include "base/Debug.h"
#include "base/Limits.h"
#include "base/Mutex.h"
#include "base/ReadError.h"

#include <algorithm>
#include <set>
#include <string>

namespace pelican
{

namespace
{

constexpr int warnedSite = 7101;
constexpr std::uint16_t pcmFormatTag = 1;
// The fields of the "fmt " chunk that are read: tag, channels, rate and byte rate.
constexpr std::uint32_t fmtFieldsRead = 12;
// A PCM "fmt " chunk also holds the block alignment and the bits per sample.
constexpr std::uint32_t fmtMinimumSize = 16;
constexpr std::uint32_t bytesPerSample = 2;
constexpr std::uint32_t usualRate = 44100;

const char* const notWav = "Not a \".wav\" file";
const char* const endOfFile = "Unexpected end of file";

// A chunk identifier read as a little-endian 32-bit value.
constexpr std::uint32_t chunkId(const char (&text)[5])
{
    return std::uint32_t(std::uint8_t(text[0])) | std::uint32_t(std::uint8_t(text[1])) << 8 |
           std::uint32_t(std::uint8_t(text[2])) << 16 | std::uint32_t(std::uint8_t(text[3])) << 24;
}

constexpr std::uint32_t riffId = chunkId("RIFF");
constexpr std::uint32_t waveId = chunkId("WAVE");
constexpr std::uint32_t formatId = chunkId("fmt ");
constexpr std::uint32_t dataId = chunkId("data");

void require(bool condition, const char* reason)
{
    if (!condition) {
        throw heron::ReadError(reason);
    }
}

// Skips a chunk's body and the pad byte that follows a body of odd length.
void skipChunk(heron::DataSource& source, std::uint32_t length)
{
    source.skip(length);
    if (length & 1) {
        source.skip(1);
    }
}

egret::SoundFormat readFmtChunk(heron::DataSource& source, std::uint32_t length)
{
    require(length >= fmtMinimumSize, "WavDecoder: fmt chunk too short");
    std::uint16_t tag = 0;
    std::uint16_t channels = 0;
    std::uint32_t rate = 0;
    std::uint32_t byteRate = 0;
    source.readUInt16(tag).readUInt16(channels).readUInt32(rate).readUInt32(byteRate);
    heron::requireGood(source, endOfFile);
    require(tag == pcmFormatTag, "WavDecoder: File isn't PCM");
    require(channels >= 1 && channels <= heron::limits::maxSoundChannels,
            "WavDecoder: Number of channels not supported");
    require(rate >= 1 && rate <= heron::limits::maxSampleRate, "WavDecoder: Sample rate not supported");
    require(byteRate / (rate * channels) == bytesPerSample, "WavDecoder: Unsupported sample size");
    skipChunk(source, length - fmtFieldsRead);
    const std::uint32_t frameBytes = bytesPerSample * channels;
    return {channels, 16, rate, channels == 1 ? 1u : 2u, frameBytes, frameBytes * rate};
}

// The set of paths whose unusual rate has been reported, for the run.
bool firstRateWarning(const heron_string& path)
{
    static heron::Mutex* const lock = new heron::Mutex("WavDecoder warnings");
    static auto* const warned = new std::set<std::string>;
    heron::MutexLock hold(*lock, warnedSite);
    return warned->insert(path.c_str()).second;
}

}

WavHeader readWavHeader(heron::DataSource& source)
{
    source.setBigEndian(false);
    std::uint32_t riff = 0;
    std::uint32_t length = 0;
    std::uint32_t wave = 0;
    source.readUInt32(riff).readUInt32(length).readUInt32(wave);
    require(!source.hasError() && riff == riffId && wave == waveId, notWav);
    WavHeader header;
    bool haveFormat = false;
    for (;;) {
        std::uint32_t id = 0;
        source.readUInt32(id).readUInt32(length);
        heron::requireGood(source, endOfFile);
        if (id == formatId) {
            header.format = readFmtChunk(source, length);
            haveFormat = true;
        } else if (id == dataId) {
            require(haveFormat, "WavDecoder: File has no fmt chunk before the data chunk");
            header.dataStart = source.tell();
            const std::uint32_t bytes = std::min(length, source.remaining());
            header.frames = static_cast<std::int32_t>(bytes >> header.format.frameShift);
            return header;
        } else {
            skipChunk(source, length);
        }
    }
}

WavDecoder::WavDecoder(const DataFileName& file)
    : m_file(file)
{
}

WavDecoder::~WavDecoder() = default;

heron::counted_ptr<WavDecoder> WavDecoder::copy()
{
    readHeader();
    auto* const twin = new WavDecoder(m_file);
    std::call_once(twin->m_headerRead, [&] {
        twin->m_header = m_header;
        twin->m_error = m_error;
    });
    return heron::counted_ptr<WavDecoder>(twin);
}

const heron_string& WavDecoder::error()
{
    readHeader();
    return m_error;
}

const egret::SoundFormat& WavDecoder::format()
{
    readHeader();
    return m_header.format;
}

// Opens the file when it is not open and moves to the first frame.
void WavDecoder::rewind()
{
    if (!error().empty()) {
        return;
    }
    if (m_source && !m_source->isOK()) {
        m_source.reset();
    }
    if (!m_source) {
        m_source = openDataFile(m_file);
        if (!m_source) {
            return;
        }
        m_source->seek(m_header.dataStart);
        m_current = 0;
    }
    seek(0);
}

int WavDecoder::read(int frames, void* buffer)
{
    if (!m_source || !m_error.empty() || frames <= 0) {
        return 0;
    }
    const int wanted = std::min(frames, m_header.frames - m_current);
    const std::uint32_t bytes = static_cast<std::uint32_t>(wanted) << m_header.format.frameShift;
    const int got = static_cast<int>(m_source->read(buffer, bytes) >> m_header.format.frameShift);
    m_current += got;
    return got;
}

void WavDecoder::close()
{
    m_source.reset();
}

void WavDecoder::seek(int frame)
{
    if (!m_source || !error().empty()) {
        return;
    }
    frame = std::clamp(frame, 0, m_header.frames);
    if (frame != m_current) {
        m_source->seek(m_header.dataStart + (static_cast<std::uint32_t>(frame) << m_header.format.frameShift));
        m_current = frame;
    }
}

int WavDecoder::length()
{
    return error().empty() ? m_header.frames : -1;
}

void WavDecoder::readHeader()
{
    std::call_once(m_headerRead, [this] { parseHeader(); });
}

void WavDecoder::parseHeader()
{
    DataFileName file = m_file;
    const heron::counted_ptr<heron::DataSource> source = openDataFile(file);
    if (!source) {
        m_error = "File not found";
        return;
    }
    try {
        m_header = readWavHeader(*source);
    } catch (const heron::ReadError& fault) {
        m_error = fault.what();
    }
    source->close();
    if (m_error.empty() && m_header.format.rate != usualRate) {
        warnAboutRate();
    }
}

void WavDecoder::warnAboutRate() const
{
    if (firstRateWarning(m_file.path.str())) {
        heron::debug("!!!Warning: \"%s\" is recorded at %.1fkHz\n", m_file.path.c_str(), m_header.format.rate / 1000.0);
    }
}

}
