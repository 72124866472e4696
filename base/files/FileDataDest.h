#pragma once

#include "base/DataDest.h"

#include <cstdint>
#include <cstdio>
#include <memory>

namespace heron
{

// Byte sink into a file, created or truncated when the sink is made. Bytes gather in a 64 KB buffer
// (the sink's window, so typed writes never call the byte operations of a subclass while it has
// room) that goes to the file when full and at close; blocks of its size or more go straight to the
// file. A failed open, write or close sets the error flag, after which writes do nothing.
class FileDataDest : public DataDest
{
public:
    static constexpr std::uint32_t bufferSize = 0x10000;

    // Creates or truncates the named file (the system's own form or a disk path, through the bridge
    // to disk, spelled exactly as given: a folder named in another case is not taken for it); null
    // leaves the sink closed.
    explicit FileDataDest(const char* name);
    // Closes the file.
    ~FileDataDest() override;

    // True while the file is open and no error is flagged.
    bool isOK() const override;
    DataDest& writeByte(char byte) override;
    void write(const void* buffer, std::uint32_t n) override;
    // Writes the buffered bytes and closes the file; a failed write or close sets the error flag.
    void close() override;

private:
    // Writes the buffered bytes to the file and empties the buffer; false (error flag set) on failure.
    bool flush();

    std::FILE* m_file = nullptr;
    std::unique_ptr<unsigned char[]> m_buffer;
};

}
