#pragma once

#include "base/ByteBuffer.h"

#include "platform/AudioDevice.h"

#include <cstdint>

namespace egret
{

// Bytes copied into the two regions of a buffer write: the first region, then, when the write
// wraps at the buffer's end, the next one.
class SampleDataSource
{
public:
    virtual ~SampleDataSource() = default;
    virtual void copyFirst(std::uint8_t* dest, std::uint32_t bytes) = 0;
    virtual void copyNext(std::uint8_t* dest, std::uint32_t bytes) { copyFirst(dest, bytes); }

    // The fill of a buffer write that copies from this source; the source must outlive the write.
    plat::RegionFill regionFill();
};

// Copies from a block filled beforehand: the first region from its start, the next one from where
// the first ended. Bytes the block does not have are zero.
class BufferSource : public SampleDataSource
{
public:
    void copyFirst(std::uint8_t* dest, std::uint32_t bytes) override;
    void copyNext(std::uint8_t* dest, std::uint32_t bytes) override;

    heron::ByteBuffer& block() { return m_block; }

private:
    void copyFrom(std::uint32_t offset, std::uint8_t* dest, std::uint32_t bytes);

    heron::ByteBuffer m_block;
    std::uint32_t m_offset = 0;
};

// Writes zero bytes and counts them into a counter of its owner.
class Silencer : public SampleDataSource
{
public:
    explicit Silencer(std::uint32_t& silenceWritten) : m_silenceWritten(silenceWritten) {}
    void copyFirst(std::uint8_t* dest, std::uint32_t bytes) override;

private:
    std::uint32_t& m_silenceWritten;
};

}
