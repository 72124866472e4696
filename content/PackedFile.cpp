#include "content/PackedFile.h"

#include "base/Debug.h"
#include "base/FileDataSource.h"
#include "content/PackedFormat.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace pelican
{

namespace
{

// Room the directory is made with; it grows beyond as needed.
constexpr std::size_t initialEntries = 128;
// The low bits of a name-length word that hold the length.
constexpr std::uint32_t nameLengthMask = 0xFFFF;

// Bytes of an entry after its name: position, size and spare words.
constexpr std::uint32_t entryTailSize = packed::entryFixedSize - 4;

// Reads the name of length bytes and unscrambles it.
heron_string readName(heron::FileDataSource& file, std::uint32_t length)
{
    heron_string name(length, '\0');
    file.read(name.data(), length);
    std::uint8_t key = packed::firstNameKey(length);
    for (std::uint32_t i = 0; i < length; ++i) {
        name[i] = static_cast<char>(static_cast<std::uint8_t>(name[i]) ^ key);
        key = packed::nextNameKey(key);
    }
    return name;
}

// Whether the member the entry describes can be read: it lies inside the file and its name holds
// no zero byte (no name given by the program could ever match it). Logs why not.
bool acceptable(const heron_string& name, const FileInfo& entry, std::uint64_t fileSize,
                const heron::FilePath& path)
{
    if (std::memchr(name.data(), 0, name.length()) != nullptr) {
        heron::debug("readPackedDirectory() - a member name in %s holds a zero byte, member left out\n",
                     path.c_str());
        return false;
    }
    if (std::uint64_t(entry.position) + entry.size > fileSize) {
        heron::debug("readPackedDirectory() - member %s (%u bytes at position %u) runs past the end of %s, "
                     "member left out\n",
                     name.c_str(), entry.size, entry.position, path.c_str());
        return false;
    }
    return true;
}

// Computes the path's parts now, so that reading them later changes nothing and any thread may.
void computeParts(const heron::FilePath& path)
{
    path.directory();
    path.name();
    path.extension();
}

void refuse(const heron::FilePath& path, const char* reason)
{
    heron::debug("readPackedDirectory() - the directory of %s %s, no members read\n", path.c_str(), reason);
}

// Reads the entries after the header up to the terminator. Null when the directory is damaged
// (logged): it ends early, or holds an over-long name or too many entries.
std::optional<PackedDirectory> readEntries(heron::FileDataSource& file, std::uint64_t fileSize,
                                           const heron::FilePath& path)
{
    PackedDirectory entries;
    entries.reserve(initialEntries);
    for (std::uint32_t count = 0;; ++count) {
        std::uint32_t lengthWord = 0;
        file.readUInt32(lengthWord);
        const std::uint32_t length = lengthWord & nameLengthMask;
        if (file.hasError()) {
            refuse(path, "ends before its terminator");
            return std::nullopt;
        }
        if (length == 0) {
            return entries;
        }
        if (count == packed::maxEntries) {
            refuse(path, "holds too many members");
            return std::nullopt;
        }
        if (length > packed::maxNameLength) {
            refuse(path, "holds an over-long name");
            return std::nullopt;
        }
        if (std::uint64_t(length) + entryTailSize > file.remaining()) {
            refuse(path, "ends before its terminator");
            return std::nullopt;
        }
        const heron_string name = readName(file, length);
        FileInfo entry;
        file.readUInt32(entry.position).readUInt32(entry.size).readInt32(entry.spare);
        if (file.hasError()) {
            refuse(path, "ends before its terminator");
            return std::nullopt;
        }
        if (acceptable(name, entry, fileSize, path)) {
            entry.name = DataFileName(heron::FilePath(name), plainCategory);
            entries.push_back(std::move(entry));
            computeParts(entries.back().name.path);
        }
    }
}

// The entries of the file, sorted by name; empty when it is not a packed data file (logged).
PackedDirectory readDirectory(const heron::FilePath& path)
{
    heron::FileDataSource file(path);
    const std::uint64_t fileSize = std::uint64_t(file.tell()) + file.remaining();
    const int marker = file.readByte();
    if (marker < 0) {
        const heron::FileStatus status = path.stat();
        const bool empty = status.exists && !status.isDirectory && status.size == 0;
        heron::debug("readPackedDirectory() - %s %s, no members read\n", path.c_str(),
                     empty ? "is empty" : "can't be opened");
        return {};
    }
    if (marker != packed::marker) {
        heron::debug("readPackedDirectory() - %s is not a packed data file, no members read\n", path.c_str());
        return {};
    }
    std::uint32_t header = 0;
    file.readUInt32(header);
    std::optional<PackedDirectory> entries = readEntries(file, fileSize, path);
    if (!entries) {
        return {};
    }
    std::stable_sort(entries->begin(), entries->end(),
                     [](const FileInfo& a, const FileInfo& b) { return a.name.path < b.name.path; });
    return std::move(*entries);
}

}

PackedFile readPackedDirectory(const heron::FilePath& path)
{
    PackedFile packedFile{path, heron::counted_ptr<PackedDirectory>(new PackedDirectory(readDirectory(path)))};
    listPackedDirectory(packedFile);
    return packedFile;
}

const FileInfo* findPackedEntry(const PackedFile& packedFile, const heron::FilePath& name)
{
    if (!packedFile.directory) {
        return nullptr;
    }
    const heron_string& wanted = name.str();
    for (const FileInfo& entry : *packedFile.directory) {
        const heron_string& text = entry.name.path.str();
        if (text.length() == wanted.length() && std::memcmp(text.data(), wanted.data(), text.length()) == 0) {
            return &entry;
        }
    }
    return nullptr;
}

void listPackedDirectory(const PackedFile& packedFile)
{
    if (!packedFile.directory) {
        return;
    }
    for (const FileInfo& entry : *packedFile.directory) {
        heron::debug("%s  - %u bytes at position %u\n", entry.name.path.c_str(), entry.size, entry.position);
    }
}

}
