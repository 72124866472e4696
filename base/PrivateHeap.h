#pragma once

#include <cstddef>

namespace heron
{

// A growable heap for many small blocks, over the C allocator. Every operation may be called from
// any thread; blocks must be freed through the heap that made them.
class PrivateHeap
{
public:
    PrivateHeap() = default;
    PrivateHeap(const PrivateHeap&) = delete;
    PrivateHeap& operator=(const PrivateHeap&) = delete;

    // A new block of size bytes for null, else block resized keeping its contents (it may move).
    // Returns the block, or null when memory is exhausted (block is then still valid). A size of
    // 0 still gives a block that must be freed.
    [[nodiscard]] void* realloc(void* block, std::size_t size);
    // Frees a block from realloc; null does nothing.
    void free(void* block);
};

}
