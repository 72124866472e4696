#pragma once

#include "base/FilePath.h"
#include "base/counted_ptr.h"
#include "content/DataFileName.h"

#include <cstdint>
#include <vector>

namespace pelican
{

// One member of a packed data file, as its directory describes it.
struct FileInfo
{
    // Always 0.
    std::int32_t first = 0;
    // The member's normalised path, with plainCategory.
    DataFileName name;
    // Offset of the member's first byte in the packed file.
    std::uint32_t position = 0;
    // The member's length in bytes.
    std::uint32_t size = 0;
    // Stored in the directory; without use.
    std::int32_t spare = 0;
};

using PackedDirectory = std::vector<FileInfo>;

// A packed data file: its path and its directory, sorted by name. The directory is shared and
// never changes once read, so copies of the record may be read by any thread.
struct PackedFile
{
    heron::FilePath path;
    heron::counted_ptr<PackedDirectory> directory;
};

// Reads the directory of the packed file at path and logs its listing. A file that cannot be
// opened, is empty or has another marker gives an empty directory with a log line; so does a
// damaged directory (one that ends before its terminator, or holds an over-long name or too many
// members), which is refused whole. A member that runs past the end of the file, or whose name
// holds a zero byte, is left out with a log line. The directory is never null.
PackedFile readPackedDirectory(const heron::FilePath& path);

// The first member whose name has the same bytes as name (case-sensitive), or null.
const FileInfo* findPackedEntry(const PackedFile& packedFile, const heron::FilePath& name);

// Logs "<name>  - <size> bytes at position <position>" for every member.
void listPackedDirectory(const PackedFile& packedFile);

}
