#include "content/BigFileInput.h"

#include "base/FilePath.h"
#include "content/DataFiles.h"
#include "content/PackedFormat.h"

#include <algorithm>
#include <cstring>

namespace pelican
{

namespace
{

// The bytes of a member that lie inside its packed file.
std::uint32_t readableSize(const PackedMember& member)
{
    const std::uint64_t fileSize = member.file->size();
    if (member.position >= fileSize) {
        return 0;
    }
    return std::uint32_t(std::min<std::uint64_t>(member.size, fileSize - member.position));
}

}

BigFileInput::BigFileInput(const heron::FilePath& name) : BigFileInput(findPackedMember(name).value_or(PackedMember()))
{
}

BigFileInput::BigFileInput(const PackedMember& member)
    : m_file(member.file), m_start(member.position), m_key(packed::memberKey(member.size))
{
    if (!m_file) {
        setError();
        return;
    }
    m_size = readableSize(member);
}

BigFileInput::~BigFileInput() = default;

void BigFileInput::forgetBuffer(std::uint32_t position)
{
    m_bufferStart = position;
    m_next = m_buffer.get();
    m_end = m_buffer.get();
}

bool BigFileInput::refill()
{
    forgetBuffer(position());
    const std::uint32_t n = std::min(bufferSize, m_size - m_bufferStart);
    if (!m_file || n == 0) {
        setError();
        return false;
    }
    if (!m_buffer) {
        m_buffer = std::make_unique_for_overwrite<unsigned char[]>(std::min(bufferSize, m_size));
        forgetBuffer(m_bufferStart);
    }
    const std::uint32_t got = m_file->readAt(m_buffer.get(), n, std::uint64_t(m_start) + m_bufferStart);
    if (got == 0) {
        setError();
        return false;
    }
    unscramble(m_buffer.get(), got);
    m_end = m_buffer.get() + got;
    return true;
}

void BigFileInput::unscramble(unsigned char* bytes, std::uint32_t n) const
{
    // Four 8-byte words at a time, then the rest one by one.
    const std::uint64_t keys = 0x0101010101010101u * m_key;
    std::uint32_t i = 0;
    for (; n - i >= sizeof(std::uint64_t[4]); i += sizeof(std::uint64_t[4])) {
        std::uint64_t words[4];
        std::memcpy(words, bytes + i, sizeof words);
        for (std::uint64_t& word : words) {
            word ^= keys;
        }
        std::memcpy(bytes + i, words, sizeof words);
    }
    for (; i < n; ++i) {
        bytes[i] ^= m_key;
    }
}

bool BigFileInput::isOK() const
{
    return !hasError() && m_file;
}

int BigFileInput::readByte()
{
    if (hasError() || (m_next == m_end && !refill())) {
        return -1;
    }
    return *m_next++;
}

int BigFileInput::peekByte()
{
    if (hasError() || (m_next == m_end && !refill())) {
        return -1;
    }
    return *m_next;
}

std::uint32_t BigFileInput::readDirect(unsigned char* buffer, std::uint32_t n)
{
    // The window is used up, so the position is where the file is read; what the buffer held is
    // forgotten, as the position moves on past it.
    const std::uint32_t start = position();
    const std::uint32_t wanted = std::min(n, m_size - start);
    const std::uint32_t got = m_file->readAt(buffer, wanted, std::uint64_t(m_start) + start);
    unscramble(buffer, got);
    forgetBuffer(start + got);
    if (got < n) {
        setError();
    }
    return got;
}

std::uint32_t BigFileInput::read(void* buffer, std::uint32_t n)
{
    if (n == 0 || hasError() || !m_file) {
        return 0;
    }
    auto* const bytes = static_cast<unsigned char*>(buffer);
    std::uint32_t count = takeFromWindow(bytes, n);
    // The buffer serves a read only when it would also hold bytes for the reads after it.
    const std::uint32_t rest = n - count;
    if (rest > 0 && rest < bufferSize && rest < m_size - position() && refill()) {
        count += takeFromWindow(bytes + count, rest);
    }
    if (count < n && !hasError()) {
        count += readDirect(bytes + count, n - count);
    }
    return count;
}

void BigFileInput::skip(std::uint32_t n)
{
    if (hasError()) {
        return;
    }
    if (!m_file) {
        setError();
        return;
    }
    const std::uint32_t step = std::min(n, m_size - position());
    if (step <= buffered()) {
        m_next += step;
    } else {
        forgetBuffer(position() + step);
    }
    if (step < n) {
        setError();
    }
}

void BigFileInput::close()
{
    forgetBuffer(position());
    m_file.reset();
}

bool BigFileInput::canSeek() const
{
    return true;
}

std::uint32_t BigFileInput::tell() const
{
    return isOK() ? position() : 0;
}

void BigFileInput::seek(std::uint32_t position)
{
    if (hasError() || !m_file || position > m_size) {
        setError();
        return;
    }
    const std::uint32_t bufferEnd = m_bufferStart + std::uint32_t(m_end - m_buffer.get());
    if (m_buffer && position >= m_bufferStart && position <= bufferEnd) {
        m_next = m_buffer.get() + (position - m_bufferStart);
        return;
    }
    forgetBuffer(position);
}

std::uint32_t BigFileInput::remaining() const
{
    return isOK() ? m_size - position() : 0;
}

}
