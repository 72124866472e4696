#pragma once

#include "base/MemoryDataDest.h"
#include "base/MemoryDataSource.h"

#include <vector>

namespace streamtest
{

using Bytes = std::vector<unsigned char>;

// The bytes a memory sink holds.
inline Bytes bytesOf(const heron::MemoryDataDest& sink)
{
    return Bytes(sink.data(), sink.data() + sink.size());
}

// A memory source over its own copy of the bytes.
inline heron::MemoryDataSource sourceOf(const Bytes& bytes)
{
    return heron::MemoryDataSource(bytes.data(), std::uint32_t(bytes.size()), true);
}

}
