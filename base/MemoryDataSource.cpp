#include "base/MemoryDataSource.h"

namespace heron
{

MemoryDataSource::MemoryDataSource()
{
    setError();
}

MemoryDataSource::MemoryDataSource(const void* data, std::uint32_t size, bool copy)
{
    assign(data, size, copy);
}

void MemoryDataSource::assign(const void* data, std::uint32_t size, bool copy)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    const std::uint32_t count = data ? size : 0;
    std::vector<unsigned char> owned;
    if (copy && count > 0) {
        owned.assign(bytes, bytes + count);
    }
    m_owned.swap(owned);
    start(copy && count > 0 ? m_owned.data() : bytes, count);
    setError(false);
}

void MemoryDataSource::start(const unsigned char* data, std::uint32_t size)
{
    m_data = data;
    m_size = size;
    m_next = data;
    m_end = data + size;
}

bool MemoryDataSource::isOK() const
{
    return !hasError();
}

// The byte operations serve the window alone: it is empty while an error is flagged.
int MemoryDataSource::readByte()
{
    if (m_next == m_end) {
        return -1;
    }
    return *m_next++;
}

std::uint32_t MemoryDataSource::read(void* buffer, std::uint32_t n)
{
    return takeFromWindow(static_cast<unsigned char*>(buffer), n);
}

int MemoryDataSource::peekByte()
{
    if (m_next == m_end) {
        return -1;
    }
    return *m_next;
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
    return std::uint32_t(m_next - m_data);
}

void MemoryDataSource::seek(std::uint32_t position)
{
    // The end itself is refused too, unlike a file source's: the behaviour memory sources always
    // had, which callers allow for (the HTML tokenizer seeks back only over a text that is not
    // empty); none of them finds a size by seeking to the end.
    if (position >= m_size) {
        setError();
        return;
    }
    setError(false);
    m_next = m_data + position;
    m_end = m_data + m_size;
}

std::uint32_t MemoryDataSource::remaining() const
{
    return m_size - tell();
}

}
