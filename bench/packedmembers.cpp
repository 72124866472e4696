// Opens every member of a packed data file of 10,000 members (about 40 MB) by name and reads it
// whole, and reads the same packed file once with one plain read, in the same run; prints both
// times and their ratio. The file is made first with the packer, in a temporary folder whose name
// holds capitals, as a program folder may.
//   bench_packedmembers [runs]     (best of 10 runs by default)
#include "base/DataSource.h"
#include "base/counted_ptr.h"
#include "content/DataFiles.h"
#include "tools/pack/Packer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

namespace fs = std::filesystem;

constexpr int memberCount = 10000;
constexpr int folderCount = 100;
// Member sizes run from 3,080 to 5,080 bytes: 40.8 MB in all.
constexpr std::size_t smallestMember = 3080;
constexpr std::size_t sizeSpread = 2001;

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string memberBytes(int index)
{
    std::string bytes(smallestMember + std::size_t(index) * 7919 % sizeSpread, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>(i * 31 + std::size_t(index));
    }
    return bytes;
}

// Writes the members under source and packs them into output; their member names go to names.
bool makePackedFile(const fs::path& source, const fs::path& output, std::vector<std::string>& names)
{
    for (int i = 0; i < memberCount; ++i) {
        const std::string folder = "Folder" + std::to_string(i % folderCount);
        const std::string name = "Member" + std::to_string(i) + ".Bin";
        fs::create_directories(source / folder);
        std::ofstream(source / folder / name, std::ios::binary) << memberBytes(i);
        names.push_back(folder + "\\" + name);
    }
    std::string error;
    if (!packer::packFolder(source, output, error)) {
        std::fprintf(stderr, "cannot pack the members: %s\n", error.c_str());
        return false;
    }
    return true;
}

// Seconds to open the file and read it whole with one read into data, which is already as large
// as the file (so that page faults of new memory do not count); the bytes read go to bytes.
double plainRead(const fs::path& file, std::vector<char>& data, std::size_t& bytes)
{
    const auto start = std::chrono::steady_clock::now();
    std::FILE* const in = std::fopen(file.c_str(), "rb");
    if (!in) {
        return -1.0;
    }
    bytes = std::fread(data.data(), 1, data.size(), in);
    std::fclose(in);
    return secondsSince(start);
}

// Seconds to open every member by name and read it whole with one read into data, which grows
// when a member is larger than any before; the bytes read go to bytes.
double memberReads(const std::vector<std::string>& names, std::vector<char>& data, std::size_t& bytes)
{
    const auto start = std::chrono::steady_clock::now();
    bytes = 0;
    for (const std::string& name : names) {
        pelican::DataFileName record(name.c_str());
        const heron::counted_ptr<heron::DataSource> member = pelican::openDataFile(record);
        if (!member) {
            return -1.0;
        }
        const std::uint32_t size = member->remaining();
        if (data.size() < size) {
            data.resize(size);
        }
        bytes += member->read(data.data(), size);
    }
    return secondsSince(start);
}

}

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const fs::path folder = fs::temp_directory_path() / ("Aurelle-Bench-Packed-" + std::to_string(::getpid()));
    const fs::path file = folder / "Glasstide.dat";
    std::vector<std::string> names;
    if (!makePackedFile(folder / "source", file, names)) {
        fs::remove_all(folder);
        return 1;
    }
    fs::remove_all(folder / "source");
    pelican::registerPackedFile(heron::FilePath(file.c_str()));

    double plain = 1e9;
    double members = 1e9;
    std::size_t plainBytes = 0;
    std::size_t memberBytesRead = 0;
    std::vector<char> whole(fs::file_size(file), 1);
    std::vector<char> member;
    for (int run = 0; run < runs; ++run) {
        plain = std::min(plain, plainRead(file, whole, plainBytes));
        members = std::min(members, memberReads(names, member, memberBytesRead));
    }
    pelican::resetDataFiles();
    fs::remove_all(folder);
    if (plain < 0.0 || members < 0.0) {
        std::fprintf(stderr, "a read failed\n");
        return 1;
    }
    std::printf("%d members, %zu bytes in members, packed file of %zu bytes\n", memberCount, memberBytesRead,
                plainBytes);
    std::printf("plain read of the file:      %.4f s\n", plain);
    std::printf("members opened by name, read: %.4f s\n", members);
    std::printf("ratio members / plain read: %.2f (goal: 3 or less)\n", members / plain);
    return 0;
}
