#pragma once

#include "base/DataSource.h"

#include <cstdint>
#include <vector>

namespace heron
{

// Byte source over a block of memory, read in place or from its own copy. The end of data gives -1
// and short counts without setting the error flag; only close, a seek at or past the end and the
// empty constructor set it. Its window is the rest of the block, so typed reads never call the byte
// operations of a subclass while bytes are left.
class MemoryDataSource : public DataSource
{
public:
    using DataSource::readByte;

    // An empty source that is not OK until given data.
    MemoryDataSource();
    // Reads size bytes at data: in place when copy is false (the caller keeps the block alive),
    // else from the source's own copy. Null data counts as no bytes.
    MemoryDataSource(const void* data, std::uint32_t size, bool copy);
    // Starts over on new bytes as the constructor above does: position 0, error flag clear.
    void assign(const void* data, std::uint32_t size, bool copy);

    bool isOK() const override;
    int readByte() override;
    std::uint32_t read(void* buffer, std::uint32_t n) override;
    int peekByte() override;
    // Sets the error flag; the bytes stay where they are.
    void close() override;
    bool canSeek() const override;
    std::uint32_t tell() const override;
    // A position at or past the end sets the error flag and keeps the position; otherwise the flag
    // is cleared and the position set.
    void seek(std::uint32_t position) override;
    std::uint32_t remaining() const override;

private:
    void start(const unsigned char* data, std::uint32_t size);

    // The block; the window runs from the position to its end while no error is flagged.
    const unsigned char* m_data = nullptr;
    std::uint32_t m_size = 0;
    std::vector<unsigned char> m_owned;
};

}
