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

// How diskPath spells a component whose exact spelling is not on disk.
enum class CaseMatch
{
    // Kept as given: files the program itself writes, creates or deletes.
    Exact,
    // An entry of the same name in another case, when the folder holds one: names stored in data
    // files may differ in case from the files on disk.
    AnyCase,
};

// A path in the system's own form: lower case, '\' as separator, doubled separators merged
// (except a leading pair). Directory, name and extension are computed on first request and cached.
// Beside that form, the path keeps its spelling: the same text with its letters in the case they
// were given, which is what disk access uses, so a folder is never mistaken for one whose name
// differs only in case. One thread at a time per value (the caches change in const calls).
class FilePath
{
public:
    FilePath();
    // Normalised copy of a NUL-terminated text; null gives the empty path.
    FilePath(const char* text);
    FilePath(const heron_string& text);

    const char* c_str() const { return m_path.c_str(); }
    const heron_string& str() const { return m_path; }
    // The path as it was spelled: str() with its letters in their given case.
    const heron_string& spelling() const { return m_spelling; }
    bool operator==(const FilePath& other) const { return m_path.compare(other.m_path) == 0; }
    bool operator!=(const FilePath& other) const { return m_path.compare(other.m_path) != 0; }
    // Byte-wise order of the path texts, for sorted containers.
    bool operator<(const FilePath& other) const { return m_path.compare(other.m_path) < 0; }

    // The text up to and including the last '\'; empty when there is none.
    const heron_string& directory() const;
    // The directory part as it was spelled.
    heron_string spelledDirectory() const;
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
    FileStatus stat(CaseMatch match = CaseMatch::AnyCase) const;
    // Whether the folder of the directory part exists; a drive root ("c:\") or the root ("\")
    // counts as existing without touching the disk. False for the empty path.
    bool directoryExists(CaseMatch match = CaseMatch::AnyCase) const;
    // Creates each missing folder of the directory part, spelled exactly as given; true when all
    // exist afterwards.
    [[nodiscard]] bool createDirectories() const;
    // The path as the file system names it (see heron::diskPath).
    heron_string diskPath(CaseMatch match = CaseMatch::AnyCase) const;

private:
    void changed();
    void normalise();
    // Sets both forms: the spelling as given, the path as the same text in the system's form.
    void assign(const heron_string& spelling, const heron_string& path);
    // The spelling of what follows the directory part.
    heron_string spelledName() const;

    heron_string m_path;
    heron_string m_spelling;
    mutable bool m_directoryValid = false;
    mutable bool m_nameValid = false;
    mutable bool m_extensionValid = false;
    mutable heron_string m_directory;
    mutable heron_string m_name;
    mutable heron_string m_extension;
};

// Turns a path text into a path on disk: a leading drive ("c:") becomes the root and '\' or '/'
// separate the components. Each component is taken as spelled when it exists; else, a name that
// holds a '\' on disk when it does (the component joined with the ones after it); else, with
// AnyCase, an entry of the same name in another case ('A'..'Z' only). From the first component
// not found on, the rest is kept as given, '/'-separated.
heron_string diskPath(const char* path, CaseMatch match = CaseMatch::AnyCase);

// folder and name joined by one separator, added only when folder is not empty and ends in neither
// '\' nor '/' ('/' when folder holds one, else '\'), so that a folder given without its trailing
// separator is extended inside itself rather than beside it.
heron_string joinPath(const heron_string& folder, const char* name);

// Fills names (cleared first) with the entries of the folder of path's directory part (the
// current folder when it is empty), without entries starting with '.', sorted by
// heron_string::compare. A folder that cannot be read gives an empty list.
void listDirectory(const FilePath& path, std::vector<heron_string>& names);

// Deletes a file, a symbolic link (never what it points to) or a folder, named by its exact
// spelling; with recursive, the folder's contents first. True on success; what was deleted before a failure stays deleted.
[[nodiscard]] bool deletePath(const FilePath& path, bool recursive);

}
