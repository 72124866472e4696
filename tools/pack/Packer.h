#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Turns a folder into a packed data file (the layout of content/PackedFormat.h) that the content
// layer reads.
namespace packer
{

// One file to pack: its member name and where its bytes are.
struct Member
{
    // The path under the folder in the reader's form: lower case, '\' between folders.
    std::string name;
    std::filesystem::path file;
    std::uint32_t size = 0;
};

// Lists the regular files under folder (files and folders whose names begin with '.' are left
// out, as the disk listing of the game leaves them out), sorted by member name. False with a
// message when the folder cannot be read, two files have the same member name, a name is too
// long, or there are too many files.
[[nodiscard]] bool collectMembers(const std::filesystem::path& folder, std::vector<Member>& members,
                                  std::string& error);

// Writes the members to output: first to a neighbouring ".part" file, renamed over output once
// complete, so a failure never leaves a damaged data file behind. False with a message when the
// whole would reach 4 GiB, a file cannot be read or changed size, or output cannot be written.
[[nodiscard]] bool writePackedFile(const std::vector<Member>& members, const std::filesystem::path& output,
                                   std::string& error);

// collectMembers, then writePackedFile.
[[nodiscard]] bool packFolder(const std::filesystem::path& folder, const std::filesystem::path& output,
                              std::string& error);

}
