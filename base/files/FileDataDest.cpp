#include "base/files/FileDataDest.h"

#include "base/FilePath.h"

#include <cstring>

namespace heron
{

FileDataDest::FileDataDest(const char* name)
{
    if (!name) {
        return;
    }
    // A file the program writes goes where its name is spelled, never into a folder of the same
    // name in another case.
    m_file = std::fopen(diskPath(name, CaseMatch::Exact).c_str(), "wb");
    if (!m_file) {
        setError();
        return;
    }
    // The sink buffers on its own; a second buffer in the C library would only copy twice.
    std::setvbuf(m_file, nullptr, _IONBF, 0);
    m_buffer = std::make_unique_for_overwrite<unsigned char[]>(bufferSize);
    m_next = m_buffer.get();
    m_end = m_buffer.get() + bufferSize;
}

FileDataDest::~FileDataDest()
{
    close();
}

bool FileDataDest::isOK() const
{
    return !hasError() && m_file;
}

bool FileDataDest::flush()
{
    const std::size_t count = std::size_t(m_next - m_buffer.get());
    m_next = m_buffer.get();
    if (count > 0 && std::fwrite(m_buffer.get(), 1, count, m_file) != count) {
        setError();
    }
    return !hasError();
}

DataDest& FileDataDest::writeByte(char byte)
{
    if (!isOK() || (m_next == m_end && !flush())) {
        return *this;
    }
    *m_next++ = static_cast<unsigned char>(byte);
    return *this;
}

void FileDataDest::write(const void* buffer, std::uint32_t n)
{
    if (!isOK() || n == 0) {
        return;
    }
    if (n > std::uint32_t(m_end - m_next) && !flush()) {
        return;
    }
    if (n < bufferSize) {
        std::memcpy(m_next, buffer, n);
        m_next += n;
        return;
    }
    if (std::fwrite(buffer, 1, n, m_file) != n) {
        setError();
    }
}

void FileDataDest::close()
{
    if (!m_file) {
        return;
    }
    if (!hasError()) {
        flush();
    }
    if (std::fclose(m_file) != 0) {
        setError();
    }
    m_file = nullptr;
    m_next = m_end = m_buffer.get();
}

}
