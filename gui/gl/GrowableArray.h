#pragma once

#include "base/PrivateHeap.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

namespace kestrel
{

// A growable array of plain values for the GL layer, allocated from a private heap when one is
// given, else from the ordinary heap. Main thread only.
template <typename T>
class GrowableArray
{
    static_assert(std::is_trivially_copyable_v<T>, "GrowableArray holds plain values only");

public:
    // heap: where the storage comes from (not owned; null for the ordinary heap).
    explicit GrowableArray(heron::PrivateHeap* heap = nullptr) : m_heap(heap) {}
    ~GrowableArray() { reserve(0); }
    GrowableArray(const GrowableArray&) = delete;
    GrowableArray& operator=(const GrowableArray&) = delete;

    // n = 0 frees the storage and empties the array; otherwise grows the capacity to exactly n
    // when it is below n, keeping the contents. Throws std::bad_alloc when memory runs out or n
    // elements cannot be addressed.
    void reserve(std::size_t n)
    {
        if (n == 0) {
            release(m_begin);
            m_begin = m_end = m_capacityEnd = nullptr;
            return;
        }
        if (capacity() >= n) {
            return;
        }
        if (n > SIZE_MAX / sizeof(T)) {
            throw std::bad_alloc();
        }
        const std::size_t count = size();
        T* const grown = static_cast<T*>(allocate(m_begin, n * sizeof(T)));
        if (!grown) {
            throw std::bad_alloc();
        }
        m_begin = grown;
        m_end = grown + count;
        m_capacityEnd = grown + n;
    }
    // Appends one value; a full array first grows to 1024 elements, then to twice its capacity.
    void append(const T& value)
    {
        if (m_end == m_capacityEnd) {
            reserve(capacity() == 0 ? 1024 : 2 * capacity());
        }
        *m_end++ = value;
    }
    // Holds exactly n elements (new ones unset); n = 0 frees the storage.
    void resize(std::size_t n)
    {
        if (n == 0) {
            reserve(0);
            return;
        }
        reserve(n);
        m_end = m_begin + n;
    }
    // Holds a copy of the n elements at source.
    void assign(const T* source, std::size_t n)
    {
        resize(n);
        if (n > 0) {
            std::memcpy(m_begin, source, n * sizeof(T));
        }
    }
    void clear() { m_end = m_begin; }

    std::size_t size() const { return static_cast<std::size_t>(m_end - m_begin); }
    std::size_t capacity() const { return static_cast<std::size_t>(m_capacityEnd - m_begin); }
    bool empty() const { return m_end == m_begin; }
    T* data() { return m_begin; }
    const T* data() const { return m_begin; }
    T& operator[](std::size_t i) { return m_begin[i]; }
    const T& operator[](std::size_t i) const { return m_begin[i]; }

private:
    void* allocate(void* block, std::size_t bytes) { return m_heap ? m_heap->realloc(block, bytes) : std::realloc(block, bytes); }
    void release(void* block)
    {
        if (m_heap) {
            m_heap->free(block);
        } else {
            std::free(block);
        }
    }

    heron::PrivateHeap* m_heap;
    T* m_begin = nullptr;
    T* m_capacityEnd = nullptr;
    T* m_end = nullptr;
};

}
