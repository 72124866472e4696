#pragma once

#include <cstdint>

namespace heron
{

class FilePath;

// A file opened once for reading at given positions, with no position of its own: any number of
// threads may read through one object at the same time (it only ever calls pread). The path goes
// through FilePath's bridge to disk once, when the file is opened. Closed with the object.
class PositionedFile
{
public:
    // Opens the file; a missing file, a folder or a failed open leaves it closed.
    explicit PositionedFile(const FilePath& path);
    ~PositionedFile();
    PositionedFile(const PositionedFile&) = delete;
    PositionedFile& operator=(const PositionedFile&) = delete;

    bool isOpen() const { return m_descriptor >= 0; }
    // The file's size in bytes when it was opened; 0 when closed.
    std::uint64_t size() const { return m_size; }
    // Copies up to n bytes from offset into buffer and returns how many it copied: fewer only at
    // the end of the file or when the system refuses the read; 0 when closed.
    std::uint32_t readAt(void* buffer, std::uint32_t n, std::uint64_t offset) const;

private:
    int m_descriptor = -1;
    std::uint64_t m_size = 0;
};

}
