#pragma once

#include "base/DataSource.h"
#include "base/heron_string.h"

#include <cstdint>
#include <cstdio>
#include <memory>

namespace heron
{

class FilePath;

// Buffered byte source over a file, named in the system's own form or as a disk path (each name
// goes through FilePath's bridge to disk): byte, small and typed reads are served from a 64 KB buffer
// (the source's window, so typed reads never call the byte operations of a subclass while it lasts),
// and large reads go straight into the caller's memory. Seeks inside the buffered bytes only move in
// the buffer. Any failure, the end of the file included, sets the error flag; after it reads give -1
// or 0. Files of 4 GiB or more are refused with a logged error, since positions are 32-bit.
class FileDataSource : public DataSource
{
public:
    using DataSource::readByte;

    static constexpr std::uint32_t bufferSize = 0x10000;

    // Opens the named file for reading; null or a missing file leaves the source closed (not OK).
    explicit FileDataSource(const char* name);
    // The same with the path's text.
    explicit FileDataSource(const FilePath& path);
    ~FileDataSource() override;

    // True while the file is open and no error is flagged.
    bool isOK() const override;
    int readByte() override;
    std::uint32_t read(void* buffer, std::uint32_t n) override;
    int peekByte() override;
    // Skips n bytes; skipping past the end sets the error flag and leaves the position at the end.
    void skip(std::uint32_t n) override;
    // Closes the file and forgets the buffered bytes.
    void close() override;
    bool canSeek() const override;
    // The position when OK, else 0.
    std::uint32_t tell() const override;
    // Moves to position (the file size included); beyond the size sets the error flag.
    void seek(std::uint32_t position) override;
    // size - position when OK, else 0.
    std::uint32_t remaining() const override;

    // The name the source was made from.
    const heron_string& name() const { return m_name; }

private:
    void open(const char* name);
    bool refill();
    std::uint32_t readDirect(unsigned char* buffer, std::uint32_t n);
    void seekTo(std::uint64_t position);
    void forgetBuffer(std::uint32_t position);
    std::uint32_t buffered() const { return std::uint32_t(m_end - m_next); }
    std::uint32_t position() const { return m_bufferStart + std::uint32_t(m_next - m_buffer.get()); }

    std::FILE* m_file = nullptr;
    std::uint32_t m_size = 0;
    heron_string m_name;
    // The buffer holds the file's bytes from m_bufferStart up to the window's end, which is where
    // the file stands; the window runs from the position to there.
    std::unique_ptr<unsigned char[]> m_buffer;
    std::uint32_t m_bufferStart = 0;
};

}
