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
    forgetBuffer(0);
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
    forgetBuffer(0);
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

void FileDataSource::forgetBuffer(std::uint32_t position)
{
    m_bufferStart = position;
    m_next = m_buffer.get();
    m_end = m_buffer.get();
}

bool FileDataSource::refill()
{
    forgetBuffer(position());
    const std::uint32_t n = std::min(bufferSize, m_size - m_bufferStart);
    if (!m_file || std::ferror(m_file) || n == 0 || std::fread(m_buffer.get(), 1, n, m_file) != n) {
        setError();
        return false;
    }
    m_end = m_buffer.get() + n;
    return true;
}

bool FileDataSource::isOK() const
{
    return !hasError() && m_file;
}

int FileDataSource::readByte()
{
    if (hasError() || (m_next == m_end && !refill())) {
        return -1;
    }
    return *m_next++;
}

std::uint32_t FileDataSource::readDirect(unsigned char* buffer, std::uint32_t n)
{
    // The buffer is used up, so the file stands at the position; what it held is forgotten, as the
    // file moves on past it.
    const std::uint32_t start = position();
    const auto count = std::uint32_t(std::fread(buffer, 1, std::min(n, m_size - start), m_file));
    forgetBuffer(start + count);
    if (count < n) {
        setError();
    }
    return count;
}

std::uint32_t FileDataSource::read(void* buffer, std::uint32_t n)
{
    if (n == 0 || hasError() || !m_file) {
        return 0;
    }
    auto* const bytes = static_cast<unsigned char*>(buffer);
    std::uint32_t count = takeFromWindow(bytes, n);
    if (count < n && n - count < bufferSize && refill()) {
        count += takeFromWindow(bytes + count, n - count);
    }
    if (count < n && !hasError()) {
        count += readDirect(bytes + count, n - count);
    }
    return count;
}

int FileDataSource::peekByte()
{
    if (hasError() || (m_next == m_end && !refill())) {
        return -1;
    }
    return *m_next;
}

void FileDataSource::skip(std::uint32_t n)
{
    if (hasError()) {
        return;
    }
    const std::uint32_t inBuffer = buffered();
    if (n <= inBuffer) {
        m_next += n;
        return;
    }
    m_next = m_end;
    const std::uint32_t rest = n - inBuffer;
    if (rest > bufferSize) {
        seekTo(std::uint64_t(position()) + rest);
        return;
    }
    if (!refill()) {
        return;
    }
    const std::uint32_t step = std::min(rest, buffered());
    m_next += step;
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
    forgetBuffer(position());
}

bool FileDataSource::canSeek() const
{
    return true;
}

std::uint32_t FileDataSource::tell() const
{
    return isOK() ? position() : 0;
}

void FileDataSource::seek(std::uint32_t position)
{
    seekTo(position);
}

void FileDataSource::seekTo(std::uint64_t target)
{
    if (hasError()) {
        return;
    }
    if (target > m_size) {
        setError();
        return;
    }
    const std::uint64_t bufferEnd = m_bufferStart + std::uint64_t(m_end - m_buffer.get());
    if (target >= m_bufferStart && target <= bufferEnd) {
        m_next = m_buffer.get() + (target - m_bufferStart);
        return;
    }
    forgetBuffer(std::uint32_t(target));
    if (!m_file || std::fseek(m_file, long(target), SEEK_SET) != 0) {
        setError();
    }
}

std::uint32_t FileDataSource::remaining() const
{
    return isOK() ? m_size - position() : 0;
}

}
