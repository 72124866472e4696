#include "content/SndDecoder.h"

#include "base/Debug.h"
#include "base/Digest.h"
#include "base/MemoryDataDest.h"

#include <algorithm>
#include <string>
#include <vector>

namespace pelican
{

namespace
{

constexpr std::uint32_t keyPeriodMask = 0xFFFF;
constexpr std::uint32_t keyMultiplier = 0x9E3779B1u;
constexpr std::uint8_t keyOffset = 0x5A;
// "SNDC" read as a little-endian 32-bit value.
constexpr std::uint32_t sndMagic = 0x43444E53u;
constexpr std::uint32_t sndVersion = 2;
// The samples are checked against their digest in blocks of this many bytes.
constexpr std::uint32_t checkBlockBytes = 65536;

std::uint8_t keyAt(std::uint32_t position)
{
    return static_cast<std::uint8_t>(((position & keyPeriodMask) * keyMultiplier) >> 24) ^ keyOffset;
}

}

void scrambleSndBytes(void* bytes, std::uint32_t count, std::uint32_t position)
{
    auto* const data = static_cast<std::uint8_t*>(bytes);
    for (std::uint32_t i = 0; i < count; ++i) {
        data[i] ^= keyAt(position + i);
    }
}

std::array<std::uint8_t, sndHeaderSize> storedSndHeader(const SndHeader& header)
{
    heron::MemoryDataDest stored(sndHeaderSize);
    stored.setBigEndian(false);
    stored.writeUInt32(sndMagic).writeUInt32(sndVersion).writeUInt32(header.channels).writeUInt32(header.rate);
    stored.writeUInt32(header.sampleBytes).writeDouble(header.digest).writeDouble(header.origin);
    std::array<std::uint8_t, sndHeaderSize> bytes{};
    std::copy_n(stored.data(), std::min(stored.size(), sndHeaderSize), bytes.begin());
    return bytes;
}

SndHeader readSndHeader(heron::DataSource& source)
{
    source.setBigEndian(false);
    std::uint32_t magic = 0;
    std::uint32_t version = 0;
    SndHeader header;
    source.readUInt32(magic).readUInt32(version).readUInt32(header.channels).readUInt32(header.rate);
    source.readUInt32(header.sampleBytes).readDouble(header.digest).readDouble(header.origin);
    if (magic != sndMagic) {
        throw heron::ReadError("it has no header (a file of an older version)");
    }
    if (version != sndVersion) {
        throw heron::ReadError("its header is of version " + std::to_string(version));
    }
    heron::requireGood(source, "the file ends inside its header");
    return header;
}

SndDecoder::SndDecoder(const heron::FilePath& path, const egret::SoundFormat& format, std::uint32_t expectedBytes,
                       std::uint64_t origin)
    : m_path(path), m_format(format), m_expectedBytes(expectedBytes), m_origin(origin)
{
    refresh();
}

SndDecoder::SndDecoder(const SndDecoder& original, Twin)
    : m_path(original.m_path),
      m_format(original.m_format),
      m_expectedBytes(original.m_expectedBytes),
      m_origin(original.m_origin),
      m_exists(original.m_exists),
      m_refusal(original.m_refusal)
{
}

SndDecoder::~SndDecoder()
{
    if (m_file) {
        heron::debug("\n!!!!!Warning: File %s was open!\n", m_path.c_str());
    }
}

void SndDecoder::refresh()
{
    m_exists = false;
    m_refusal.clear();
    if (m_expectedBytes == 0 || !m_path.stat().exists) {
        return;
    }
    try {
        heron::FileDataSource file(m_path);
        if (!file.isOK()) {
            throw heron::ReadError("the file does not open");
        }
        checkSamples(file, checkHeader(file));
        m_exists = true;
    } catch (const heron::ReadError& fault) {
        m_refusal = fault.what();
    }
}

heron::counted_ptr<SndDecoder> SndDecoder::copy() const
{
    return heron::counted_ptr<SndDecoder>(new SndDecoder(*this, Twin{}));
}

int SndDecoder::read(int frames, void* buffer)
{
    if (!m_file || frames <= 0) {
        return 0;
    }
    const std::uint32_t left = m_expectedBytes - std::min(m_position, m_expectedBytes);
    const std::uint32_t wanted = std::min(static_cast<std::uint32_t>(frames), left >> m_format.frameShift);
    const std::uint32_t bytes = wanted << m_format.frameShift;
    try {
        m_file->read(buffer, bytes);
        heron::requireGood(*m_file, "the file ends before its sound");
    } catch (const heron::ReadError& fault) {
        fail(fault);
        return 0;
    }
    scrambleSndBytes(buffer, bytes, m_position);
    m_position += bytes;
    return static_cast<int>(wanted);
}

void SndDecoder::close()
{
    m_file.reset();
}

void SndDecoder::seek(int frame)
{
    if (!m_exists) {
        return;
    }
    const std::uint32_t frames = m_expectedBytes >> m_format.frameShift;
    const std::uint32_t position = std::min(static_cast<std::uint32_t>(std::max(frame, 0)), frames)
                                   << m_format.frameShift;
    try {
        open();
        if (position != m_position) {
            m_file->seek(sndHeaderSize + position);
            heron::requireGood(*m_file, "no seek inside the file");
            m_position = position;
        }
    } catch (const heron::ReadError& fault) {
        fail(fault);
    }
}

SndHeader SndDecoder::checkHeader(heron::DataSource& file) const
{
    const SndHeader header = readSndHeader(file);
    if (header.origin != m_origin) {
        throw heron::ReadError("it was decoded from another version of its sound");
    }
    if (header.channels != m_format.channels || header.rate != m_format.rate || header.sampleBytes != m_expectedBytes) {
        throw heron::ReadError("its header is of another sound");
    }
    if (file.remaining() != m_expectedBytes) {
        throw heron::ReadError("the file holds " + std::to_string(file.remaining()) + " bytes, not the " +
                               std::to_string(m_expectedBytes) + " of its sound");
    }
    return header;
}

void SndDecoder::checkSamples(heron::DataSource& file, const SndHeader& header)
{
    std::vector<std::uint8_t> block(checkBlockBytes);
    heron::Digest digest;
    for (std::uint32_t left = header.sampleBytes; left > 0;) {
        const std::uint32_t bytes = std::min(left, checkBlockBytes);
        file.read(block.data(), bytes);
        heron::requireGood(file, "the file ends before its sound");
        digest.add(block.data(), bytes);
        left -= bytes;
    }
    if (digest.value() != header.digest) {
        throw heron::ReadError("its samples do not match their digest");
    }
}

void SndDecoder::open()
{
    if (m_file && m_file->isOK()) {
        return;
    }
    m_file = std::make_unique<heron::FileDataSource>(m_path);
    m_position = 0;
    if (!m_file->isOK()) {
        throw heron::ReadError("the file does not open");
    }
    static_cast<void>(checkHeader(*m_file));    // the samples were checked when the file was found
}

void SndDecoder::fail(const heron::ReadError& fault)
{
    heron::debug("SndDecoder: %s: %s\n", m_path.c_str(), fault.what());
    m_file.reset();
    m_exists = false;
}

}
