#pragma once

#include "base/DataSource.h"
#include "base/FileDataSource.h"

#include <cstdint>
#include <memory>

namespace heron
{
class FilePath;
}

namespace pelican
{

// Reads one member of a registered packed data file as if it were a file of its own: positions
// count from the member's first byte, reads end at its last, and every byte is unscrambled with
// the member's key. Like a file source, reading past the end (or any failure) sets the error
// flag, after which reads give -1 or 0. Each reader has its own handle on the packed file; one
// thread at a time uses a reader.
class BigFileInput : public heron::DataSource
{
public:
    using DataSource::readByte;

    // Looks the name up in the registered packed files in registration order and reads the first
    // member found; when there is none, or its packed file cannot be opened, the reader stays in
    // the error state.
    explicit BigFileInput(const heron::FilePath& name);
    ~BigFileInput() override;

    bool isOK() const override;
    int readByte() override;
    std::uint32_t read(void* buffer, std::uint32_t n) override;
    int peekByte() override;
    // Skips n bytes; skipping past the member's end sets the error flag and stops at the end.
    void skip(std::uint32_t n) override;
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
    enum class Consume
    {
        No,
        Yes,
    };

    // True at the member's end or after the file failed; sets the error flag then.
    bool atEnd();
    // The next byte unscrambled, taken when consume says so; -1 at the end.
    int nextByte(Consume consume);
    void unscramble(void* buffer, std::uint32_t n) const;

    std::unique_ptr<heron::FileDataSource> m_file;
    std::uint32_t m_start = 0;
    std::uint32_t m_size = 0;
    std::uint32_t m_position = 0;
    std::uint8_t m_key = 0;
};

}
