#include "content/SndDecoder.h"

#include "base/Debug.h"

#include <algorithm>
#include <string>

namespace pelican
{

namespace
{

constexpr std::uint32_t keyPeriodMask = 0xFFFF;
constexpr std::uint32_t keyMultiplier = 0x9E3779B1u;
constexpr std::uint8_t keyOffset = 0x5A;

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

SndDecoder::SndDecoder(const heron::FilePath& path, const egret::SoundFormat& format, std::uint32_t expectedBytes)
    : m_path(path), m_format(format), m_expectedBytes(expectedBytes)
{
    refresh();
}

SndDecoder::~SndDecoder()
{
    if (m_file) {
        heron::debug("\n!!!!!Warning: File %s was open!\n", m_path.c_str());
    }
}

void SndDecoder::refresh()
{
    const heron::FileStatus status = m_path.stat();
    m_exists = status.exists && !status.isDirectory && status.size == m_expectedBytes && m_expectedBytes > 0;
}

heron::counted_ptr<SndDecoder> SndDecoder::copy() const
{
    return heron::counted_ptr<SndDecoder>(new SndDecoder(m_path, m_format, m_expectedBytes));
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
            m_file->seek(position);
            heron::requireGood(*m_file, "no seek inside the file");
            m_position = position;
        }
    } catch (const heron::ReadError& fault) {
        fail(fault);
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
    if (m_file->remaining() != m_expectedBytes) {
        throw heron::ReadError("the file holds " + std::to_string(m_file->remaining()) + " bytes, not the " +
                               std::to_string(m_expectedBytes) + " of its sound");
    }
}

void SndDecoder::fail(const heron::ReadError& fault)
{
    heron::debug("SndDecoder: %s: %s\n", m_path.c_str(), fault.what());
    m_file.reset();
    m_exists = false;
}

}
