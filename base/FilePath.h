#pragma once

#include "base/heron_string.h"

#include <cstdint>
#include <vector>

namespace heron
{

// Separator of the system's own path texts.
constexpr char pathSeparator = '\\';

// Status of a file or folder; every field is zero when it does not exist.
struct FileStatus
{
    bool exists = false;
    bool isDirectory = false;
    bool readable = false;
    bool writable = false;
    // Bytes, saturated at 0xffffffff.
    std::uint32_t size = 0;
    // Seconds since 1970 of the last status change (the C library's st_ctime).
    std::uint32_t creationTime = 0;
    // Seconds since 1970 of the last modification.
    std::uint32_t modificationTime = 0;
};

// A path in the system's own form: lower case, '\' as separator, doubled separators merged
// (except a leading pair). Directory, name and extension are computed on first request and cached.
// Disk access goes through diskPath(), which finds each component on disk whatever its case.
// One thread at a time per value (the caches change in const calls).
class FilePath
{
public:
    FilePath();
    // Normalised copy of a NUL-terminated text; null gives the empty path.
    FilePath(const char* text);
    FilePath(const heron_string& text);

    const char* c_str() const { return m_path.c_str(); }
    const heron_string& str() const { return m_path; }
    bool operator==(const FilePath& other) const { return m_path.compare(other.m_path) == 0; }
    bool operator!=(const FilePath& other) const { return m_path.compare(other.m_path) != 0; }
    // Byte-wise order of the path texts, for sorted containers.
    bool operator<(const FilePath& other) const { return m_path.compare(other.m_path) < 0; }

    // The text up to and including the last '\'; empty when there is none.
    const heron_string& directory() const;
    // The text after the last '\'; the whole path when there is none.
    const heron_string& name() const;
    // From the last '.' of the name to the end, '.' included; empty when the name has none.
    const heron_string& extension() const;

    // Replaces the directory part (normalised, a '\' added when missing) and keeps the name.
    void setDirectory(const char* directoryText);
    // The path becomes the directory part followed by name, taken as given (not normalised).
    void setName(const char* nameText);
    // Replaces the extension with extensionText (which starts with '.'); no extension: no change.
    void setExtension(const char* extensionText);
    // The path becomes directory + subFolder + '\' + name, normalised.
    void intoSubdirectory(const char* subFolder);
    // When the path begins with the normalised oldPrefix, that prefix becomes newPrefix and the
    // result is normalised; otherwise nothing changes.
    void replacePrefix(const char* oldPrefix, const char* newPrefix);

    // The status of the file on disk; all zeros for the empty path or a missing file.
    FileStatus stat() const;
    // Whether the folder of the directory part exists; a drive root ("c:\") or the root ("\")
    // counts as existing without touching the disk. False for the empty path.
    bool directoryExists() const;
    // Creates each missing folder of the directory part; true when all exist afterwards.
    [[nodiscard]] bool createDirectories() const;
    // The path as the file system names it (see heron::diskPath).
    heron_string diskPath() const;

private:
    void changed();
    void normalise();

    heron_string m_path;
    mutable bool m_directoryValid = false;
    mutable bool m_nameValid = false;
    mutable bool m_extensionValid = false;
    mutable heron_string m_directory;
    mutable heron_string m_name;
    mutable heron_string m_extension;
};

// Turns a path text of the system's own form into a path on disk: a leading drive ("c:") becomes
// the root, '\' becomes '/', and each existing component is spelled as it is on disk, matched
// without regard to case ('A'..'Z' only). Components that do not exist are kept as given.
heron_string diskPath(const char* path);

// Fills names (cleared first) with the entries of the folder of path's directory part (the
// current folder when it is empty), without entries starting with '.', sorted by
// heron_string::compare. A folder that cannot be read gives an empty list.
void listDirectory(const FilePath& path, std::vector<heron_string>& names);

// Deletes a file, a symbolic link (never what it points to) or a folder; with recursive, the
// folder's contents first. True on success; what was deleted before a failure stays deleted.
[[nodiscard]] bool deletePath(const FilePath& path, bool recursive);

}
