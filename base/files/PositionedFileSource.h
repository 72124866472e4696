#pragma once

#include "base/DataSource.h"
#include "base/files/PositionedFile.h"

#include <cstdint>
#include <memory>

namespace heron
{

// A byte source over a run of a positioned file (a whole file, or a stretch of one): byte, small
// and typed reads are served from a buffer of up to 64 KB, made on the first read and never
// larger than the run, which is the source's window; a read that takes the rest of the run or a
// buffer's worth goes straight into the caller's memory. Seeks inside the buffered bytes only move
// in the buffer. Any failure, reading past the end of the run included, sets the error flag;
// after it reads give -1 or 0. Sources may share one file across threads; one thread at a time
// uses a source.
class PositionedFileSource : public DataSource
{
public:
    using DataSource::readByte;

    static constexpr std::uint32_t bufferSize = 0x10000;

    ~PositionedFileSource() override;

    // True while a file is attached and no error is flagged.
    bool isOK() const override;
    int readByte() override;
    std::uint32_t read(void* buffer, std::uint32_t n) override;
    int peekByte() override;
    // Skips n bytes; skipping past the end sets the error flag and leaves the position at the end.
    void skip(std::uint32_t n) override;
    // Lets go of the file and forgets the buffered bytes; the source is no longer OK.
    void close() override;
    bool canSeek() const override;
    // The position in the run when OK, else 0.
    std::uint32_t tell() const override;
    // Moves to a position in the run, its size included; beyond sets the error flag and does not
    // move.
    void seek(std::uint32_t position) override;
    // Bytes left in the run when OK, else 0.
    std::uint32_t remaining() const override;

protected:
    PositionedFileSource();
    // Reads size bytes of the file from start on; nothing is read yet.
    void attach(std::shared_ptr<const PositionedFile> file, std::uint64_t start, std::uint32_t size);
    // Called on bytes as they arrive from the file, before anyone sees them (default: nothing).
    virtual void arrived(unsigned char* bytes, std::uint32_t n) const {}

private:
    // Starts the window, empty, at a position in the run.
    void forgetBuffer(std::uint32_t position);
    // Fills the buffer from the position; false (error flag set) at the run's end or when the file
    // gives nothing.
    bool refill();
    // Reads straight from the file into buffer, at most to the run's end.
    std::uint32_t readDirect(unsigned char* buffer, std::uint32_t n);
    std::uint32_t buffered() const { return std::uint32_t(m_end - m_next); }
    std::uint32_t position() const { return m_bufferStart + std::uint32_t(m_next - m_buffer.get()); }

    std::shared_ptr<const PositionedFile> m_file;
    std::uint64_t m_start = 0;
    std::uint32_t m_size = 0;
    // Holds the run's bytes from m_bufferStart to the window's end.
    std::unique_ptr<unsigned char[]> m_buffer;
    std::uint32_t m_bufferStart = 0;
};

}
