#include "base/MemoryDataDest.h"

#include "base/Debug.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace heron
{

namespace
{

constexpr std::uint64_t firstBlockHalf = 512;

}

MemoryDataDest::MemoryDataDest(std::uint32_t initialCapacity)
{
    m_bytes.reserve(initialCapacity);
}

bool MemoryDataDest::refuseBeyond(std::uint64_t needed)
{
    if (needed <= maxSize) {
        return false;
    }
    debug("MemoryDataDest: %llu bytes would pass the 4 GiB limit, not written\n", (unsigned long long)needed);
    setError();
    return true;
}

DataDest& MemoryDataDest::writeByte(char byte)
{
    const std::uint64_t size = m_bytes.size();
    if (refuseBeyond(size + 1)) {
        return *this;
    }
    if (size == m_bytes.capacity()) {
        m_bytes.reserve(std::min<std::uint64_t>(size + std::max<std::uint64_t>(size, 1), maxSize));
    }
    m_bytes.push_back(static_cast<unsigned char>(byte));
    return *this;
}

void MemoryDataDest::write(const void* buffer, std::uint32_t n)
{
    const std::uint64_t needed = std::uint64_t(m_bytes.size()) + n;
    if (n == 0 || refuseBeyond(needed)) {
        return;
    }
    std::uint64_t capacity = m_bytes.capacity();
    while (needed > capacity) {
        capacity = capacity == 0 ? 2 * firstBlockHalf : 2 * capacity;
    }
    // The bytes may be this sink's own, which a new block moves: find them by their offset.
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    const std::uint32_t at = size();
    const bool own = std::less_equal<>()(data(), bytes) && std::less<>()(bytes, data() + at);
    const std::size_t offset = own ? std::size_t(bytes - data()) : 0;
    m_bytes.reserve(std::min<std::uint64_t>(capacity, maxSize));
    m_bytes.resize(std::size_t(at) + n);
    std::memcpy(m_bytes.data() + at, own ? m_bytes.data() + offset : bytes, n);
}

void MemoryDataDest::reserve(std::uint32_t n)
{
    m_bytes.reserve(n);
}

void MemoryDataDest::clear()
{
    m_bytes.clear();
}

}
