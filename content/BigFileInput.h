#pragma once

#include "base/DataSource.h"
#include "base/PositionedFile.h"
#include "content/PackedFile.h"

#include <cstdint>
#include <memory>

namespace heron
{
class FilePath;
}

namespace pelican
{

// Reads one member of a registered packed data file as if it were a file of its own: positions
// count from the member's first byte, reads end at its last (or where the packed file ends, for a
// member its directory places past the end), and every byte is unscrambled with the member's key.
// Like a file source, reading past the end (or any failure) sets the error flag, after which reads
// give -1 or 0. Readers share the packed file's one open handle through positioned reads, read
// nothing until asked, then fill a buffer of up to 64 KB, never beyond the member's end, which is
// the source's window (typed reads take their bytes from it); a read that takes the rest of the
// member or a buffer's worth goes straight into the caller's memory. Readers of one packed file
// may be used on different threads at once; one thread at a time uses a reader.
class BigFileInput : public heron::DataSource
{
public:
    using DataSource::readByte;

    static constexpr std::uint32_t bufferSize = 0x10000;

    // Looks the name up in the registered packed files in registration order and reads the first
    // member found; when there is none, or its packed file cannot be read, the reader stays in the
    // error state.
    explicit BigFileInput(const heron::FilePath& name);
    // Reads the member; a member without a file stays in the error state.
    explicit BigFileInput(const PackedMember& member);
    ~BigFileInput() override;

    bool isOK() const override;
    int readByte() override;
    std::uint32_t read(void* buffer, std::uint32_t n) override;
    int peekByte() override;
    // Skips n bytes; skipping past the member's end sets the error flag and stops at the end.
    void skip(std::uint32_t n) override;
    // Lets go of the packed file; the reader is no longer OK.
    void close() override;
    bool canSeek() const override;
    // The position in the member when OK, else 0.
    std::uint32_t tell() const override;
    // Moves to a position in the member, its size included; beyond sets the error flag and does
    // not move.
    void seek(std::uint32_t position) override;
    // Bytes left in the member when OK, else 0.
    std::uint32_t remaining() const override;

private:
    // Starts the window, empty, at a position in the member.
    void forgetBuffer(std::uint32_t position);
    // Fills the buffer from the position; false (error flag set) at the member's end or when the
    // file gives nothing.
    bool refill();
    // Reads straight from the file into buffer, at most to the member's end.
    std::uint32_t readDirect(unsigned char* buffer, std::uint32_t n);
    void unscramble(unsigned char* bytes, std::uint32_t n) const;
    std::uint32_t buffered() const { return std::uint32_t(m_end - m_next); }
    std::uint32_t position() const { return m_bufferStart + std::uint32_t(m_next - m_buffer.get()); }

    std::shared_ptr<const heron::PositionedFile> m_file;
    std::uint32_t m_start = 0;
    // Bytes of the member that can be read: its size, or less when the packed file ends first.
    std::uint32_t m_size = 0;
    std::uint8_t m_key = 0;
    // Made on the first read, no larger than the member. It holds the member's unscrambled bytes
    // from m_bufferStart to the window's end.
    std::unique_ptr<unsigned char[]> m_buffer;
    std::uint32_t m_bufferStart = 0;
};

}
