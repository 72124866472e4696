#include "base/Digest.h"

namespace heron
{

Digest& Digest::add(const void* bytes, std::size_t count)
{
    const auto* const data = static_cast<const std::uint8_t*>(bytes);
    std::uint64_t value = m_value;
    for (std::size_t i = 0; i < count; ++i) {
        value = (value ^ data[i]) * prime;
    }
    m_value = value;
    return *this;
}

}
