#include "base/ByteBuffer.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace heron
{

ByteBuffer::ByteBuffer(std::size_t size)
{
    resize(size, true);
}

ByteBuffer::~ByteBuffer()
{
    release();
}

ByteBuffer::ByteBuffer(ByteBuffer&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)),
      m_size(std::exchange(other.m_size, 0)),
      m_capacity(std::exchange(other.m_capacity, 0))
{
}

ByteBuffer& ByteBuffer::operator=(ByteBuffer&& other) noexcept
{
    if (this != &other) {
        release();
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_capacity = std::exchange(other.m_capacity, 0);
    }
    return *this;
}

void ByteBuffer::resize(std::size_t n, bool keep)
{
    if (n == 0) {
        release();
        return;
    }
    if (n <= m_size && n >= (m_capacity + 1) / 2) {
        m_size = n;
        return;
    }
    auto* const block = new std::uint8_t[n];
    if (keep && m_data != nullptr) {
        std::memcpy(block, m_data, std::min(n, m_size));
    }
    delete[] m_data;
    m_data = block;
    m_size = n;
    m_capacity = n;
}

void ByteBuffer::release()
{
    delete[] m_data;
    m_data = nullptr;
    m_size = 0;
    m_capacity = 0;
}

}
