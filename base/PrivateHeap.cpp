#include "base/PrivateHeap.h"

#include <algorithm>
#include <cstdlib>

namespace heron
{

void* PrivateHeap::realloc(void* block, std::size_t size)
{
    // The C allocator may answer a size of 0 with null (and free the block); keep one byte instead.
    return std::realloc(block, std::max<std::size_t>(size, 1));
}

void PrivateHeap::free(void* block)
{
    std::free(block);
}

}
