#include "tools/pack/Packer.h"

#include "base/FilePath.h"
#include "base/Limits.h"
#include "content/PackedFormat.h"

#include <algorithm>
#include <fstream>
#include <system_error>

namespace packer
{

namespace fs = std::filesystem;

namespace
{

namespace packed = pelican::packed;

// Bytes copied at a time.
constexpr std::size_t chunkSize = 0x10000;

bool hidden(const fs::path& path)
{
    const std::string name = path.filename().string();
    return !name.empty() && name[0] == '.';
}

std::string memberName(const fs::path& relative)
{
    return heron::FilePath(relative.generic_string().c_str()).c_str();
}

bool addMember(const fs::directory_entry& entry, const fs::path& folder, std::vector<Member>& members,
               std::string& error)
{
    const std::string name = memberName(entry.path().lexically_relative(folder));
    if (name.size() > heron::limits::maxPackedNameLength) {
        error = "name longer than " + std::to_string(heron::limits::maxPackedNameLength) + " bytes: " + name;
        return false;
    }
    if (members.size() == heron::limits::maxPackedMembers) {
        error = "more than " + std::to_string(heron::limits::maxPackedMembers) + " files";
        return false;
    }
    std::error_code failure;
    const std::uintmax_t size = entry.file_size(failure);
    if (failure) {
        error = "cannot read " + entry.path().string() + ": " + failure.message();
        return false;
    }
    if (size > heron::limits::maxFileSourceSize) {
        error = "file of 4 GiB or more: " + entry.path().string();
        return false;
    }
    members.push_back(Member{name, entry.path(), static_cast<std::uint32_t>(size)});
    return true;
}

bool findDuplicate(const std::vector<Member>& members, std::string& error)
{
    const auto same = std::adjacent_find(members.begin(), members.end(),
                                         [](const Member& a, const Member& b) { return a.name == b.name; });
    if (same == members.end()) {
        return false;
    }
    error = "two files have the member name " + same->name + ": " + same->file.string() + " and " +
            std::next(same)->file.string();
    return true;
}

void putWord(std::ostream& out, std::uint32_t value)
{
    const char bytes[4] = {static_cast<char>(value), static_cast<char>(value >> 8), static_cast<char>(value >> 16),
                           static_cast<char>(value >> 24)};
    out.write(bytes, 4);
}

std::uint64_t directorySize(const std::vector<Member>& members)
{
    std::uint64_t size = packed::headerSize + packed::terminatorSize;
    for (const Member& member : members) {
        size += packed::entryFixedSize + member.name.size();
    }
    return size;
}

void writeDirectory(std::ostream& out, const std::vector<Member>& members)
{
    out.put(static_cast<char>(packed::marker));
    putWord(out, static_cast<std::uint32_t>(members.size()));
    std::uint64_t position = directorySize(members);
    for (const Member& member : members) {
        const auto length = static_cast<std::uint32_t>(member.name.size());
        putWord(out, length);
        std::uint8_t key = packed::firstNameKey(length);
        for (const char c : member.name) {
            out.put(static_cast<char>(static_cast<std::uint8_t>(c) ^ key));
            key = packed::nextNameKey(key);
        }
        putWord(out, static_cast<std::uint32_t>(position));
        putWord(out, member.size);
        putWord(out, 0);
        position += member.size;
    }
    putWord(out, 0);
}

bool writeMember(std::ostream& out, const Member& member, std::string& error)
{
    std::ifstream in(member.file, std::ios::binary);
    const std::uint8_t key = packed::memberKey(member.size);
    std::vector<char> chunk(chunkSize);
    std::uint64_t copied = 0;
    while (in && copied <= member.size) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        for (std::size_t i = 0; i < got; ++i) {
            chunk[i] = static_cast<char>(static_cast<std::uint8_t>(chunk[i]) ^ key);
        }
        out.write(chunk.data(), static_cast<std::streamsize>(got));
        copied += got;
    }
    if (in.bad() || copied != member.size) {
        error = "cannot read " + member.file.string() + " as listed (" + std::to_string(member.size) + " bytes)";
        return false;
    }
    return true;
}

std::uint64_t packedSize(const std::vector<Member>& members)
{
    std::uint64_t size = directorySize(members);
    for (const Member& member : members) {
        size += member.size;
    }
    return size;
}

bool writeAll(const std::vector<Member>& members, const fs::path& file, std::string& error)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    writeDirectory(out, members);
    for (const Member& member : members) {
        if (!writeMember(out, member, error)) {
            return false;
        }
    }
    out.close();
    if (!out) {
        error = "cannot write " + file.string();
        return false;
    }
    return true;
}

}

bool collectMembers(const fs::path& folder, std::vector<Member>& members, std::string& error)
{
    members.clear();
    std::error_code failure;
    fs::recursive_directory_iterator walk(folder, failure);
    for (; !failure && walk != fs::recursive_directory_iterator(); walk.increment(failure)) {
        const fs::directory_entry& entry = *walk;
        if (hidden(entry.path())) {
            walk.disable_recursion_pending();
            continue;
        }
        if (entry.is_regular_file(failure) && !addMember(entry, folder, members, error)) {
            return false;
        }
    }
    if (failure) {
        error = "cannot read the folder " + folder.string() + ": " + failure.message();
        return false;
    }
    std::sort(members.begin(), members.end(), [](const Member& a, const Member& b) { return a.name < b.name; });
    return !findDuplicate(members, error);
}

bool writePackedFile(const std::vector<Member>& members, const fs::path& output, std::string& error)
{
    if (packedSize(members) > heron::limits::maxFileSourceSize) {
        error = "the packed file would reach 4 GiB";
        return false;
    }
    fs::path part = output;
    part += ".part";
    std::error_code ignored;
    if (!writeAll(members, part, error)) {
        fs::remove(part, ignored);
        return false;
    }
    std::error_code failure;
    fs::rename(part, output, failure);
    if (failure) {
        fs::remove(part, ignored);
        error = "cannot write " + output.string() + ": " + failure.message();
        return false;
    }
    return true;
}

bool packFolder(const fs::path& folder, const fs::path& output, std::string& error)
{
    std::vector<Member> members;
    return collectMembers(folder, members, error) && writePackedFile(members, output, error);
}

}
