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
    regrow(initialCapacity);
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

void MemoryDataDest::regrow(std::uint64_t capacity)
{
    if (capacity == 0) {
        return;
    }
    const std::uint32_t count = size();
    auto block = std::make_unique_for_overwrite<unsigned char[]>(std::size_t(capacity));
    if (count > 0) {
        std::memcpy(block.get(), m_block.get(), count);
    }
    m_block = std::move(block);
    m_next = m_block.get() + count;
    m_blockEnd = m_block.get() + capacity;
    endWindow();
}

DataDest& MemoryDataDest::writeByte(char byte)
{
    const std::uint64_t count = size();
    if (refuseBeyond(count + 1)) {
        return *this;
    }
    if (count == capacity()) {
        regrow(std::min<std::uint64_t>(count + std::max<std::uint64_t>(count, 1), maxSize));
    }
    *m_next++ = static_cast<unsigned char>(byte);
    endWindow();
    return *this;
}

void MemoryDataDest::write(const void* buffer, std::uint32_t n)
{
    const std::uint64_t needed = std::uint64_t(size()) + n;
    if (n == 0 || refuseBeyond(needed)) {
        return;
    }
    std::uint64_t newCapacity = capacity();
    while (needed > newCapacity) {
        newCapacity = newCapacity == 0 ? 2 * firstBlockHalf : 2 * newCapacity;
    }
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    if (newCapacity > capacity()) {
        // The bytes may be this sink's own, which a new block moves: find them by their offset.
        const bool own = std::less_equal<>()(data(), bytes) && std::less<>()(bytes, data() + size());
        const std::size_t offset = own ? std::size_t(bytes - data()) : 0;
        regrow(std::min<std::uint64_t>(newCapacity, maxSize));
        bytes = own ? data() + offset : bytes;
    }
    std::memcpy(m_next, bytes, n);
    m_next += n;
    endWindow();
}

void MemoryDataDest::reserve(std::uint32_t n)
{
    if (n > capacity()) {
        regrow(n);
    }
}

void MemoryDataDest::clear()
{
    m_next = m_block.get();
    endWindow();
}

void MemoryDataDest::eraseFront(std::uint32_t count)
{
    const std::uint32_t kept = size() - std::min(count, size());
    if (kept > 0) {
        std::memmove(m_block.get(), m_next - kept, kept);
    }
    m_next = m_block.get() + kept;
    endWindow();
}

void MemoryDataDest::shrinkTo(std::uint32_t capacity)
{
    const std::uint32_t wanted = std::max(capacity, size());
    if (wanted < this->capacity()) {
        regrow(wanted);
    }
}

}
