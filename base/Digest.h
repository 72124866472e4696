#pragma once

#include <cstddef>
#include <cstdint>

namespace heron
{

// A 64-bit digest (FNV-1a) of bytes given in any number of pieces: the same bytes give the same
// value however they are cut. Cheap, and any one changed byte changes it, so it tells a name apart
// or a damaged file from a whole one; it is no defence against bytes made to match on purpose.
class Digest
{
public:
    Digest& add(const void* bytes, std::size_t count);
    std::uint64_t value() const { return m_value; }

private:
    static constexpr std::uint64_t offset = 0xcbf29ce484222325ull;
    static constexpr std::uint64_t prime = 0x100000001b3ull;

    std::uint64_t m_value = offset;
};

}
