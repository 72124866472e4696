#include "content/PackedFile.h"

#include "base/Debug.h"
#include "base/Limits.h"
#include "base/ReadError.h"
#include "base/files/FileDataSource.h"
#include "content/PackedFormat.h"

#include <algorithm>
#include <cstring>

namespace pelican
{

namespace
{

// Room the directory is made with; it grows beyond as needed.
constexpr std::size_t initialEntries = 128;

// Bytes of an entry after its name: position, size and spare words.
constexpr std::uint32_t entryTailSize = packed::entryFixedSize - 4;

constexpr const char* cutShort = "has a directory that ends before its terminator";

// A directory entry as stored, before its name is checked and normalised.
struct StoredEntry
{
    heron_string name;
    std::uint32_t position = 0;
    std::uint32_t size = 0;
    std::int32_t spare = 0;
};

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

// Whether a name given by the program could ever match the name: not when it holds a zero byte.
// Logs why not.
bool usableName(const heron_string& name, const heron::FilePath& path)
{
    if (std::memchr(name.data(), 0, name.length()) != nullptr) {
        heron::debug("readPackedDirectory() - a member name in %s holds a zero byte, member left out\n",
                     path.c_str());
        return false;
    }
    return true;
}

// Logs a member that runs past the end of the file; it is kept, and its readers stop at the end.
void checkInsideFile(const StoredEntry& entry, std::uint64_t fileSize, const heron::FilePath& path)
{
    if (std::uint64_t(entry.position) + entry.size > fileSize) {
        heron::debug("readPackedDirectory() - member %s (%u bytes at position %u) runs past the end of %s, "
                     "its reads stop at the end of the file\n",
                     entry.name.c_str(), entry.size, entry.position, path.c_str());
    }
}

// Computes the path's parts now, so that reading them later changes nothing and any thread may.
void computeParts(const heron::FilePath& path)
{
    path.directory();
    path.name();
    path.extension();
}

// Logs why the file gives no members.
void refuse(const heron::FilePath& path, const char* reason)
{
    heron::debug("readPackedDirectory() - %s %s, no members read\n", path.c_str(), reason);
}

// The length of the next entry's name, 0 at the terminator. Throws ReadError when the directory
// ends before its terminator or an entry's name and fields run past the bytes left.
std::uint32_t readNameLength(heron::FileDataSource& file)
{
    std::uint32_t lengthWord = 0;
    file.readUInt32(lengthWord);
    heron::requireGood(file, cutShort);
    const std::uint32_t length = lengthWord & packed::nameLengthMask;
    if (length != 0 && std::uint64_t(length) + entryTailSize > file.remaining()) {
        throw heron::ReadError(cutShort);
    }
    return length;
}

// Reads the entries after the header up to the terminator. Throws ReadError when the directory is
// damaged: it ends early or holds too many entries. The 16-bit name length and the bytes left
// bound what a name can make it allocate.
std::vector<StoredEntry> readEntries(heron::FileDataSource& file)
{
    std::vector<StoredEntry> entries;
    entries.reserve(initialEntries);
    for (std::uint32_t count = 0;; ++count) {
        const std::uint32_t length = readNameLength(file);
        if (length == 0) {
            return entries;
        }
        if (count == heron::limits::maxPackedMembers) {
            throw heron::ReadError("has a directory that holds too many members");
        }
        StoredEntry entry{readName(file, length)};
        file.readUInt32(entry.position).readUInt32(entry.size).readInt32(entry.spare);
        heron::requireGood(file, cutShort);
        entries.push_back(std::move(entry));
    }
}

// The entries of a directory read whole, under their normalised names; a name holding a zero byte
// is left out, a member past the end kept (both logged).
PackedDirectory usableEntries(const std::vector<StoredEntry>& stored, std::uint64_t fileSize,
                              const heron::FilePath& path)
{
    PackedDirectory entries;
    entries.reserve(std::max(initialEntries, stored.size()));
    for (const StoredEntry& entry : stored) {
        if (usableName(entry.name, path)) {
            checkInsideFile(entry, fileSize, path);
            FileInfo& info = entries.emplace_back();
            info.name = DataFileName(heron::FilePath(entry.name), plainCategory);
            info.position = entry.position;
            info.size = entry.size;
            info.spare = entry.spare;
            computeParts(info.name.path);
        }
    }
    return entries;
}

// The entries after the marker, sorted by name. Throws ReadError when the file is not a packed
// data file or its directory is damaged.
PackedDirectory readSortedEntries(heron::FileDataSource& file, int marker, std::uint64_t fileSize,
                                  const heron::FilePath& path)
{
    if (marker != packed::marker) {
        throw heron::ReadError("is not a packed data file");
    }
    std::uint32_t header = 0;
    file.readUInt32(header);
    PackedDirectory entries = usableEntries(readEntries(file), fileSize, path);
    std::stable_sort(entries.begin(), entries.end(),
                     [](const FileInfo& a, const FileInfo& b) { return a.name.path < b.name.path; });
    return entries;
}

// The entries of the file, sorted by name; empty when it cannot be read or is not a packed data
// file whole (logged once).
PackedDirectory readDirectory(const heron::FilePath& path)
{
    heron::FileDataSource file(path);
    const std::uint64_t fileSize = std::uint64_t(file.tell()) + file.remaining();
    const int marker = file.readByte();
    if (marker < 0) {
        const heron::FileStatus status = path.stat();
        const bool empty = status.exists && !status.isDirectory && status.size == 0;
        refuse(path, empty ? "is empty" : "can't be opened");
        return {};
    }
    try {
        return readSortedEntries(file, marker, fileSize, path);
    } catch (const heron::ReadError& error) {
        refuse(path, error.what());
    }
    return {};
}

std::shared_ptr<const heron::PositionedFile> openForMembers(const heron::FilePath& path,
                                                           const PackedDirectory& directory)
{
    if (directory.empty()) {
        return nullptr;
    }
    auto file = std::make_shared<const heron::PositionedFile>(path);
    if (!file->isOpen()) {
        heron::debug("readPackedDirectory() - %s can't be opened again to read its members\n", path.c_str());
        return nullptr;
    }
    return file;
}

}

PackedIndex::PackedIndex(const heron::counted_ptr<PackedDirectory>& directory) : m_directory(directory)
{
    const PackedDirectory& entries = *m_directory;
    m_byName.reserve(entries.size());
    m_byFileName.resize(entries.size());
    for (std::uint32_t i = 0; i < entries.size(); ++i) {
        const heron_string& name = entries[i].name.path.str();
        // The first entry of a name stays.
        m_byName.emplace(std::string_view(name.data(), name.length()), i);
        m_byFileName[i] = i;
    }
    std::stable_sort(m_byFileName.begin(), m_byFileName.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return fileNameAt(a) < fileNameAt(b); });
}

const FileInfo* PackedIndex::find(const heron_string& name) const
{
    const auto found = m_byName.find(std::string_view(name.data(), name.length()));
    return found == m_byName.end() ? nullptr : &(*m_directory)[found->second];
}

std::vector<const FileInfo*> PackedIndex::findFileName(const heron_string& fileName) const
{
    const auto first = std::partition_point(m_byFileName.begin(), m_byFileName.end(),
                                            [&](std::uint32_t at) { return fileNameAt(at) < fileName; });
    std::vector<const FileInfo*> found;
    for (auto at = first; at != m_byFileName.end() && fileNameAt(*at) == fileName; ++at) {
        found.push_back(&(*m_directory)[*at]);
    }
    return found;
}

PackedFile readPackedDirectory(const heron::FilePath& path)
{
    const heron::counted_ptr<PackedDirectory> directory(new PackedDirectory(readDirectory(path)));
    PackedFile packedFile{path, directory, std::make_shared<const PackedIndex>(directory),
                          openForMembers(path, *directory)};
    listPackedDirectory(packedFile);
    return packedFile;
}

const FileInfo* findPackedEntry(const PackedFile& packedFile, const heron::FilePath& name)
{
    return packedFile.index ? packedFile.index->find(name.str()) : nullptr;
}

std::span<const FileInfo> findPackedPrefix(const PackedFile& packedFile, const heron_string& prefix)
{
    if (!packedFile.directory) {
        return {};
    }
    const PackedDirectory& directory = *packedFile.directory;
    const auto first = std::partition_point(directory.begin(), directory.end(),
                                            [&](const FileInfo& entry) { return entry.name.path.str() < prefix; });
    const auto last = std::partition_point(first, directory.end(), [&](const FileInfo& entry) {
        return entry.name.path.str().compare(0, prefix.length(), prefix) == 0;
    });
    return {first, last};
}

std::vector<const FileInfo*> findPackedFileName(const PackedFile& packedFile, const heron_string& fileName)
{
    return packedFile.index ? packedFile.index->findFileName(fileName) : std::vector<const FileInfo*>();
}

bool membersInsideFile(const PackedFile& packedFile)
{
    if (!packedFile.directory || packedFile.directory->empty()) {
        return true;
    }
    if (!packedFile.file) {
        return false;
    }
    const std::uint64_t fileSize = packedFile.file->size();
    return std::all_of(packedFile.directory->begin(), packedFile.directory->end(), [fileSize](const FileInfo& entry) {
        return std::uint64_t(entry.position) + entry.size <= fileSize;
    });
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
