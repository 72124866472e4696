#include "base/FileDataSource.h"

#include "base/Debug.h"
#include "base/FilePath.h"

#include <algorithm>
#include <cstring>
#include <sys/stat.h>

namespace heron
{

namespace
{

// Largest file whose positions fit the 32-bit interface.
constexpr std::uint64_t maxFileSize = 0xFFFFFFFF;

}

FileDataSource::FileDataSource(const char* name)
    : m_name(name), m_buffer(new unsigned char[bufferSize]())
{
    if (name) {
        open(name);
    }
}

FileDataSource::FileDataSource(const FilePath& path) : FileDataSource(path.c_str())
{
}

FileDataSource::~FileDataSource()
{
    close();
}

void FileDataSource::open(const char* name)
{
    close();
    m_size = 0;
    m_position = 0;
    const FilePath path(name);
    const FileStatus status = path.stat();
    if (!status.exists || status.isDirectory) {
        return;
    }
    m_file = std::fopen(path.diskPath().c_str(), "rb");
    if (!m_file) {
        setError();
        return;
    }
    struct stat info;
    if (::fstat(::fileno(m_file), &info) != 0 || std::uint64_t(info.st_size) > maxFileSize) {
        debug("FileDataSource: \"%s\" is 4 GiB or larger (or its size is unknown), not read\n", name);
        close();
        setError();
        return;
    }
    m_size = std::uint32_t(info.st_size);
    peekByte();
}

std::uint32_t FileDataSource::buffered() const
{
    return std::uint32_t(m_bufferEnd - m_cursor);
}

bool FileDataSource::refill()
{
    m_cursor = nullptr;
    m_bufferEnd = nullptr;
    const std::uint32_t n = std::min(bufferSize, m_size - m_position);
    if (!m_file || std::ferror(m_file) || n == 0 || std::fread(m_buffer.get(), 1, n, m_file) != n) {
        setError();
        return false;
    }
    m_cursor = m_buffer.get();
    m_bufferEnd = m_cursor + n;
    return true;
}

bool FileDataSource::isOK() const
{
    return !hasError() && m_file;
}

int FileDataSource::readByte()
{
    if (hasError() || (m_cursor == m_bufferEnd && !refill())) {
        return -1;
    }
    ++m_position;
    return *m_cursor++;
}

std::uint32_t FileDataSource::read(void* buffer, std::uint32_t n)
{
    if (n == 0 || hasError() || !m_file) {
        return 0;
    }
    if (n == 4 && buffered() >= 4) {
        std::memcpy(buffer, m_cursor, 4);
        m_cursor += 4;
        m_position += 4;
        return 4;
    }
    if (m_cursor == m_bufferEnd && n < bufferSize && !refill()) {
        return 0;
    }
    const std::uint32_t fromBuffer = std::min(n, buffered());
    if (fromBuffer > 0) {
        std::memcpy(buffer, m_cursor, fromBuffer);
        m_cursor += fromBuffer;
        m_position += fromBuffer;
    }
    if (fromBuffer == n) {
        return n;
    }
    const std::uint32_t wanted = n - fromBuffer;
    const std::uint32_t allowed = std::min(wanted, m_size - m_position);
    const std::uint32_t direct =
        std::uint32_t(std::fread(static_cast<unsigned char*>(buffer) + fromBuffer, 1, allowed, m_file));
    if (direct < wanted) {
        setError();
    }
    m_position += direct;
    return fromBuffer + direct;
}

int FileDataSource::peekByte()
{
    if (hasError()) {
        return -1;
    }
    if (m_cursor == m_bufferEnd && !refill()) {
        return -1;
    }
    return *m_cursor;
}

void FileDataSource::skip(std::uint32_t n)
{
    if (hasError()) {
        return;
    }
    const std::uint32_t inBuffer = buffered();
    if (n <= inBuffer) {
        m_cursor += n;
        m_position += n;
        return;
    }
    m_cursor = m_bufferEnd;
    m_position += inBuffer;
    const std::uint32_t rest = n - inBuffer;
    if (rest > bufferSize) {
        seekTo(std::uint64_t(m_position) + rest);
        return;
    }
    if (!refill()) {
        return;
    }
    const std::uint32_t step = std::min(rest, buffered());
    m_cursor += step;
    m_position += step;
    if (step < rest) {
        setError();
    }
}

void FileDataSource::close()
{
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    m_cursor = nullptr;
    m_bufferEnd = nullptr;
}

bool FileDataSource::canSeek() const
{
    return true;
}

std::uint32_t FileDataSource::tell() const
{
    return isOK() ? m_position : 0;
}

void FileDataSource::seek(std::uint32_t position)
{
    seekTo(position);
}

void FileDataSource::seekTo(std::uint64_t position)
{
    if (hasError()) {
        return;
    }
    if (position > m_size) {
        setError();
        return;
    }
    if (position == m_position) {
        return;
    }
    if (m_cursor) {
        const std::uint64_t windowStart = m_position - std::uint32_t(m_cursor - m_buffer.get());
        const std::uint64_t windowEnd = m_position + std::uint64_t(buffered());
        if (position >= windowStart && position < windowEnd) {
            m_cursor = m_buffer.get() + (position - windowStart);
            m_position = std::uint32_t(position);
            return;
        }
    }
    m_cursor = nullptr;
    m_bufferEnd = nullptr;
    if (!m_file || std::fseek(m_file, long(position), SEEK_SET) != 0) {
        setError();
        return;
    }
    m_position = std::uint32_t(position);
}

std::uint32_t FileDataSource::remaining() const
{
    return isOK() ? m_size - m_position : 0;
}

}
