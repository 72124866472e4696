#include "base/MemoryDataSource.h"

#include <algorithm>
#include <cstring>

namespace heron
{

MemoryDataSource::MemoryDataSource()
{
    setError();
}

MemoryDataSource::MemoryDataSource(const void* data, std::uint32_t size, bool copy)
    : m_data(static_cast<const unsigned char*>(data)), m_size(data ? size : 0)
{
    if (copy && m_size > 0) {
        m_owned.assign(m_data, m_data + m_size);
        m_data = m_owned.data();
    }
}

bool MemoryDataSource::isOK() const
{
    return !hasError();
}

int MemoryDataSource::readByte()
{
    if (hasError() || m_position >= m_size) {
        return -1;
    }
    return m_data[m_position++];
}

std::uint32_t MemoryDataSource::read(void* buffer, std::uint32_t n)
{
    if (hasError()) {
        return 0;
    }
    const std::uint32_t count = std::min(n, m_size - m_position);
    if (count > 0) {
        std::memcpy(buffer, m_data + m_position, count);
        m_position += count;
    }
    return count;
}

int MemoryDataSource::peekByte()
{
    if (hasError() || m_position >= m_size) {
        return -1;
    }
    return m_data[m_position];
}

void MemoryDataSource::close()
{
    setError();
}

bool MemoryDataSource::canSeek() const
{
    return true;
}

std::uint32_t MemoryDataSource::tell() const
{
    return m_position;
}

void MemoryDataSource::seek(std::uint32_t position)
{
    if (position >= m_size) {
        setError();
        return;
    }
    setError(false);
    m_position = position;
}

std::uint32_t MemoryDataSource::remaining() const
{
    return m_size - m_position;
}

}
