#pragma once

#include "base/DataDest.h"

#include <cstdint>
#include <memory>

namespace heron
{

// Growable byte sink in memory. Its bytes are read through data() and size(), e.g. to store them as a
// binary settings value or to send them as a network packet. Its window is the free room of its
// block, so typed writes never call the byte operations of a subclass while the room lasts.
class MemoryDataDest : public DataDest
{
public:
    // Most bytes a sink holds; a write past it is refused and sets the error flag.
    static constexpr std::uint32_t maxSize = 0xFFFFFFFF;

    // An empty sink with room for exactly initialCapacity bytes.
    explicit MemoryDataDest(std::uint32_t initialCapacity = 0);

    // Appends one byte; a full sink grows to size + max(size, 1).
    DataDest& writeByte(char byte) override;
    // Appends n bytes (which may be its own); a full sink doubles its capacity (the first block is
    // 1024 bytes).
    void write(const void* buffer, std::uint32_t n) override;

    // Grows the capacity to exactly n bytes when it is smaller; never shrinks.
    void reserve(std::uint32_t n);
    // Forgets the bytes and keeps the capacity.
    void clear();
    // Forgets the first count bytes (all when count is more), moving the rest to the front.
    void eraseFront(std::uint32_t count);
    // Gives back room beyond the bytes held, keeping at least capacity bytes of it.
    void shrinkTo(std::uint32_t capacity);
    // The bytes written so far; valid until the next write.
    const unsigned char* data() const { return m_block.get(); }
    std::uint32_t size() const { return std::uint32_t(m_next - m_block.get()); }
    std::uint32_t capacity() const { return std::uint32_t(m_blockEnd - m_block.get()); }

private:
    bool refuseBeyond(std::uint64_t needed);
    // Moves the bytes to a block of exactly capacity bytes.
    void regrow(std::uint64_t capacity);
    // Ends the window at the block's end, or where it starts while an error is flagged: a flagged
    // sink's byte operations go on appending, and its window moves along with them, empty.
    void endWindow() { m_end = hasError() ? m_next : m_blockEnd; }

    // The block: the bytes written, then the free room up to its end, which is the window while
    // no error is flagged.
    std::unique_ptr<unsigned char[]> m_block;
    unsigned char* m_blockEnd = nullptr;
};

}
