#include "sound/SampleDataSource.h"

#include <algorithm>
#include <cstring>

namespace egret
{

plat::RegionFill SampleDataSource::regionFill()
{
    return [this](std::uint8_t* dest, std::uint32_t bytes, plat::BufferRegion region) {
        if (region == plat::BufferRegion::First) {
            copyFirst(dest, bytes);
        } else {
            copyNext(dest, bytes);
        }
    };
}

void BufferSource::copyFirst(std::uint8_t* dest, std::uint32_t bytes)
{
    copyFrom(0, dest, bytes);
    m_offset = bytes;
}

void BufferSource::copyNext(std::uint8_t* dest, std::uint32_t bytes)
{
    copyFrom(m_offset, dest, bytes);
}

void BufferSource::copyFrom(std::uint32_t offset, std::uint8_t* dest, std::uint32_t bytes)
{
    const std::size_t available = offset < m_block.size() ? m_block.size() - offset : 0;
    const std::size_t copied = std::min<std::size_t>(bytes, available);
    if (copied > 0) {
        std::memcpy(dest, m_block.data() + offset, copied);
    }
    std::memset(dest + copied, 0, bytes - copied);
}

void Silencer::copyFirst(std::uint8_t* dest, std::uint32_t bytes)
{
    std::memset(dest, 0, bytes);
    m_silenceWritten += bytes;
}

}
