#pragma once

#include "base/files/PositionedFileSource.h"
#include "content/PackedFile.h"

#include <cstdint>

namespace heron
{
class FilePath;
}

namespace pelican
{

// Reads one member of a registered packed data file as if it were a file of its own: positions
// count from the member's first byte, reads end at its last (or where the packed file ends, for a
// member its directory places past the end), and every byte is unscrambled with the member's key.
// Readers share the packed file's one open handle and read nothing until asked. Readers of one
// packed file may be used on different threads at once; one thread at a time uses a reader.
class BigFileInput : public heron::PositionedFileSource
{
public:
    // Looks the name up in the registered packed files in registration order and reads the first
    // member found; when there is none, or its packed file cannot be read, the reader stays in the
    // error state.
    explicit BigFileInput(const heron::FilePath& name);
    // Reads the member; a member without a file stays in the error state.
    explicit BigFileInput(const PackedMember& member);
    ~BigFileInput() override;

private:
    // Unscrambles the member's bytes as they arrive.
    void arrived(unsigned char* bytes, std::uint32_t n) const override;

    std::uint8_t m_key = 0;
};

}
