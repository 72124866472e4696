#include "content/BigFileInput.h"

#include "base/FilePath.h"
#include "content/DataFiles.h"
#include "content/PackedFormat.h"

#include <algorithm>

namespace pelican
{

BigFileInput::BigFileInput(const heron::FilePath& name)
{
    setError();
    for (const PackedFile& packedFile : packedFiles()) {
        const FileInfo* const entry = findPackedEntry(packedFile, name);
        if (!entry) {
            continue;
        }
        m_file = std::make_unique<heron::FileDataSource>(packedFile.path);
        m_file->seek(entry->position);
        if (!m_file->isOK()) {
            return;
        }
        setError(false);
        m_start = entry->position;
        m_size = entry->size;
        m_key = packed::memberKey(entry->size);
        return;
    }
}

BigFileInput::~BigFileInput() = default;

bool BigFileInput::atEnd()
{
    if (m_position < m_size && m_file->isOK()) {
        return false;
    }
    setError();
    return true;
}

int BigFileInput::nextByte(Consume consume)
{
    if (hasError() || atEnd()) {
        return -1;
    }
    const int byte = consume == Consume::Yes ? m_file->readByte() : m_file->peekByte();
    if (byte < 0) {
        setError();
        return -1;
    }
    if (consume == Consume::Yes) {
        ++m_position;
    }
    return byte ^ m_key;
}

void BigFileInput::unscramble(void* buffer, std::uint32_t n) const
{
    auto* const bytes = static_cast<std::uint8_t*>(buffer);
    for (std::uint32_t i = 0; i < n; ++i) {
        bytes[i] ^= m_key;
    }
}

bool BigFileInput::isOK() const
{
    return !hasError() && m_file && m_file->isOK();
}

int BigFileInput::readByte()
{
    return nextByte(Consume::Yes);
}

std::uint32_t BigFileInput::read(void* buffer, std::uint32_t n)
{
    if (n == 0 || hasError() || atEnd()) {
        return 0;
    }
    const std::uint32_t wanted = std::min(n, m_size - m_position);
    const std::uint32_t got = m_file->read(buffer, wanted);
    unscramble(buffer, got);
    m_position += got;
    if (got < n) {
        setError();
    }
    return got;
}

int BigFileInput::peekByte()
{
    return nextByte(Consume::No);
}

void BigFileInput::skip(std::uint32_t n)
{
    if (hasError()) {
        return;
    }
    const std::uint32_t step = std::min(n, m_size - m_position);
    m_file->skip(step);
    m_position += step;
    if (step < n || !m_file->isOK()) {
        setError();
    }
}

void BigFileInput::close()
{
    if (m_file) {
        m_file->close();
    }
}

bool BigFileInput::canSeek() const
{
    return true;
}

std::uint32_t BigFileInput::tell() const
{
    return isOK() ? m_position : 0;
}

void BigFileInput::seek(std::uint32_t position)
{
    if (hasError() || position > m_size) {
        setError();
        return;
    }
    m_file->seek(m_start + position);
    if (!m_file->isOK()) {
        setError();
        return;
    }
    m_position = position;
}

std::uint32_t BigFileInput::remaining() const
{
    return isOK() ? m_size - m_position : 0;
}

}
