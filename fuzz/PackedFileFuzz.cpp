// Registers the input bytes as a packed data file, then reads every member it lists through the
// member reader (whole, by seeks and skips), resolves bare names and lists folders, so that any
// directory the reader accepts is also read end to end.
#include "base/FilePath.h"
#include "content/BigFileInput.h"
#include "content/DataFiles.h"
#include "fuzz/InputFile.h"
#include "fuzz/Seeds.h"
#include "tools/pack/Packer.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace
{

const std::string& packedPath()
{
    static const std::string path = inputFilePath("packed-fuzz", ".dat");
    return path;
}

// The bytes of the member that lie inside a file of fileSize bytes: its reads end there.
std::uint32_t readableSize(const pelican::FileInfo& entry, std::size_t fileSize)
{
    if (entry.position >= fileSize) {
        return 0;
    }
    return std::uint32_t(std::min<std::uint64_t>(entry.size, fileSize - entry.position));
}

// Reads the member in chunks and then by seeks; it must give exactly its readable size, no more.
void readMember(const pelican::FileInfo& entry, std::size_t fileSize)
{
    const std::uint32_t size = readableSize(entry, fileSize);
    pelican::BigFileInput member(entry.name.path);
    if (member.remaining() != size) {
        std::abort();
    }
    char chunk[1000];
    std::uint64_t total = 0;
    for (std::uint32_t got = 1; got > 0;) {
        got = member.read(chunk, sizeof chunk);
        total += got;
    }
    if (total != size) {
        std::abort();
    }
    pelican::BigFileInput again(entry.name.path);
    again.seek(size / 2);
    again.peekByte();
    again.skip(size / 3 + 1);
    again.readByte();
    again.seek(size + 1);
    if (again.readByte() != -1) {
        std::abort();
    }
}

// A packed data file made by the packer from a folder holding the files of names to contents.
fuzzseeds::Bytes packedFolder(const std::vector<std::pair<std::string, std::string>>& files)
{
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / ("packed-seed-" + std::to_string(::getpid()));
    const fs::path output = folder.string() + ".dat";
    fs::remove_all(folder);
    fs::create_directories(folder);
    for (const auto& [name, contents] : files) {
        fs::create_directories((folder / name).parent_path());
        std::ofstream(folder / name, std::ios::binary) << contents;
    }
    std::string error;
    fuzzseeds::Bytes bytes;
    if (packer::packFolder(folder, output, error)) {
        std::ifstream packed(output, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(packed), std::istreambuf_iterator<char>());
    }
    fs::remove_all(folder);
    fs::remove(output);
    return bytes;
}

std::vector<fuzzseeds::Seed> packedSeeds()
{
    return {
        {"one-member.dat", packedFolder({{"Readme.txt", "the glass islands"}})},
        {"folders.dat", packedFolder({{"Readme.txt", "at dusk"},
                                      {"Sounds/Chime.wav", std::string(300, 'c')},
                                      {"Models/Ring/Ring.mdl", std::string(1000, 'r')},
                                      {"Models/Ring/readme.txt", "same bare name"},
                                      {"empty.bin", ""}})},
    };
}

}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    return fuzzseeds::writeSeeds(argc, argv, packedSeeds);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    pelican::resetDataFiles();
    if (!writeInputFile(packedPath(), data, size)) {
        return 0;
    }
    const heron::FilePath path(packedPath().c_str());
    pelican::registerPackedFile(path);
    const std::vector<pelican::PackedFile> packed = pelican::packedFiles();
    if (packed.size() != 1 || !packed[0].directory) {
        std::abort();
    }
    for (const pelican::FileInfo& entry : *packed[0].directory) {
        // The reader reads the first member of a name; a directory may list a name twice.
        readMember(*pelican::findPackedEntry(packed[0], entry.name.path), size);
        pelican::DataFileName bare(entry.name.path.name());
        static_cast<void>(pelican::resolveDataFile(bare));
        static_cast<void>(pelican::findDataFolder(pelican::DataFileName(entry.name.path.directory())));
    }
    return 0;
}
