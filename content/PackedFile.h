#pragma once

#include "base/FilePath.h"
#include "base/files/PositionedFile.h"
#include "base/counted_ptr.h"
#include "content/DataFileName.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <unordered_map>
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

// The lookups of a directory, made once when it is read: by whole name (hashed) and by file-name
// part (the text after the last '\'). It holds the directory, whose names its keys view.
class PackedIndex
{
public:
    explicit PackedIndex(const heron::counted_ptr<PackedDirectory>& directory);

    // The first entry of the name, or null.
    const FileInfo* find(const heron_string& name) const;
    // The entries whose file-name part is fileName, in directory order.
    std::vector<const FileInfo*> findFileName(const heron_string& fileName) const;

private:
    const heron_string& fileNameAt(std::uint32_t at) const { return (*m_directory)[at].name.path.name(); }

    heron::counted_ptr<PackedDirectory> m_directory;
    std::unordered_map<std::string_view, std::uint32_t> m_byName;
    // Positions in the directory ordered by file name, entries of one file name in directory order.
    std::vector<std::uint32_t> m_byFileName;
};

// A packed data file: its path, its directory sorted by name, the directory's index, and the file
// opened once for every member reader. None of them changes once read, so copies of the record
// may be read by any thread.
struct PackedFile
{
    heron::FilePath path;
    heron::counted_ptr<PackedDirectory> directory;
    std::shared_ptr<const PackedIndex> index;
    // Null when the directory is empty or the file cannot be opened again for its members.
    std::shared_ptr<const heron::PositionedFile> file;
};

// Where one member of a packed data file lies: the file opened once for its members, and the
// member's position and size as its directory entry gives them.
struct PackedMember
{
    std::shared_ptr<const heron::PositionedFile> file;
    std::uint32_t position = 0;
    std::uint32_t size = 0;
};

// Reads the directory of the packed file at path and logs its listing. A file that cannot be
// opened, is empty or has another marker gives an empty directory with a log line; so does a
// damaged directory (one that ends before its terminator, or holds too many members), which is
// refused whole. A member whose name holds a zero byte is left out with a log line; a member that
// runs past the end of the file is kept with a log line, and its reads end where the file ends.
// Names may be as long as the 16 bits of their length allow. The directory is never null.
PackedFile readPackedDirectory(const heron::FilePath& path);

// The first member whose name has the same bytes as name (case-sensitive; names are normalised,
// so this is blind to the case the program spells them in), or null.
const FileInfo* findPackedEntry(const PackedFile& packedFile, const heron::FilePath& name);
// The members whose names begin with the bytes of prefix, in directory order.
std::span<const FileInfo> findPackedPrefix(const PackedFile& packedFile, const heron_string& prefix);
// The members whose file-name part is fileName (byte-wise), in directory order.
std::vector<const FileInfo*> findPackedFileName(const PackedFile& packedFile, const heron_string& fileName);

// Whether every member lies wholly inside the packed file as it was opened for its members; false
// when it holds members but could not be opened for them.
bool membersInsideFile(const PackedFile& packedFile);

// Logs "<name>  - <size> bytes at position <position>" for every member.
void listPackedDirectory(const PackedFile& packedFile);

}
