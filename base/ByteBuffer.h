#pragma once

#include <cstddef>
#include <cstdint>

namespace heron
{

// Raw byte block that reallocates only when it must: growing reallocates to exactly the new
// size, shrinking to no less than half of the block keeps it. Used by one owner at a time.
class ByteBuffer
{
public:
    // Empty buffer, then resize(size, true).
    explicit ByteBuffer(std::size_t size = 0);
    ~ByteBuffer();
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;
    // Takes over other's block; other is left empty.
    ByteBuffer(ByteBuffer&& other) noexcept;
    ByteBuffer& operator=(ByteBuffer&& other) noexcept;

    // Makes the size n bytes. keep preserves the first min(n, old size) bytes when the block is
    // replaced; without it new contents are undefined. n = 0 frees the block.
    void resize(std::size_t n, bool keep);
    // Frees the block; data null, size and capacity 0.
    void release();

    // The block, null while empty; valid until the next resize or release.
    std::uint8_t* data() { return m_data; }
    const std::uint8_t* data() const { return m_data; }
    // Bytes in use.
    std::size_t size() const { return m_size; }
    // Bytes the block holds.
    std::size_t capacity() const { return m_capacity; }

private:
    std::uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};

}
