#include "base/files/PositionedFileSource.h"

#include <algorithm>

namespace heron
{

PositionedFileSource::PositionedFileSource() = default;

PositionedFileSource::~PositionedFileSource() = default;

void PositionedFileSource::attach(std::shared_ptr<const PositionedFile> file, std::uint64_t start, std::uint32_t size)
{
    m_file = std::move(file);
    m_start = start;
    m_size = size;
    m_buffer.reset();
    forgetBuffer(0);
    if (!m_file) {
        setError();
    }
}

void PositionedFileSource::forgetBuffer(std::uint32_t position)
{
    m_bufferStart = position;
    m_next = m_buffer.get();
    m_end = m_buffer.get();
}

bool PositionedFileSource::refill()
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
    const std::uint32_t got = m_file->readAt(m_buffer.get(), n, m_start + m_bufferStart);
    if (got == 0) {
        setError();
        return false;
    }
    arrived(m_buffer.get(), got);
    m_end = m_buffer.get() + got;
    return true;
}

std::uint32_t PositionedFileSource::readDirect(unsigned char* buffer, std::uint32_t n)
{
    // The window is used up, so the position is where the file is read; what the buffer held is
    // forgotten, as the position moves on past it.
    const std::uint32_t start = position();
    const std::uint32_t got = m_file->readAt(buffer, std::min(n, m_size - start), m_start + start);
    arrived(buffer, got);
    forgetBuffer(start + got);
    if (got < n) {
        setError();
    }
    return got;
}

bool PositionedFileSource::isOK() const
{
    return !hasError() && m_file;
}

int PositionedFileSource::readByte()
{
    if (hasError() || (m_next == m_end && !refill())) {
        return -1;
    }
    return *m_next++;
}

int PositionedFileSource::peekByte()
{
    if (hasError() || (m_next == m_end && !refill())) {
        return -1;
    }
    return *m_next;
}

std::uint32_t PositionedFileSource::read(void* buffer, std::uint32_t n)
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

void PositionedFileSource::skip(std::uint32_t n)
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

void PositionedFileSource::close()
{
    forgetBuffer(position());
    m_file.reset();
}

bool PositionedFileSource::canSeek() const
{
    return true;
}

std::uint32_t PositionedFileSource::tell() const
{
    return isOK() ? position() : 0;
}

void PositionedFileSource::seek(std::uint32_t position)
{
    // The end itself is allowed, unlike on a memory source: the Ogg library seeks a file's end to
    // find its length (content/OggStream.cpp), and its files are read through this source.
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

std::uint32_t PositionedFileSource::remaining() const
{
    return isOK() ? m_size - position() : 0;
}

}
