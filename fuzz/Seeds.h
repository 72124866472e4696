#pragma once

// Seeds for the targets of formats with structure: valid inputs made by the project's own writers
// each time a target starts, written into the corpus folder it was given. Mutations then begin
// inside the format instead of at random bytes, and the seeds always match the code that writes
// the files the game reads.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace fuzzseeds
{

using Bytes = std::vector<std::uint8_t>;

struct Seed
{
    std::string name;
    Bytes bytes;
};

inline Bytes bytesOf(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

// The corpus folder of the run: the first argument that names a folder. A run on single input
// files (a reproducer) has none, and gets no seeds.
inline std::filesystem::path corpusFolder(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        std::error_code error;
        if (!argument.empty() && argument[0] != '-' && std::filesystem::is_directory(argument, error)) {
            return argument;
        }
    }
    return {};
}

// Writes each seed as "seed-<name>" into the run's corpus folder; empty seeds (a writer that
// refused) are left out. Call from LLVMFuzzerInitialize with a function that makes the seeds.
template <class MakeSeeds>
int writeSeeds(const int* argc, char*** argv, MakeSeeds makeSeeds)
{
    const std::filesystem::path folder = corpusFolder(*argc, *argv);
    if (folder.empty()) {
        return 0;
    }
    for (const Seed& seed : makeSeeds()) {
        if (seed.bytes.empty()) {
            continue;
        }
        std::ofstream file(folder / ("seed-" + seed.name), std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(seed.bytes.data()), static_cast<std::streamsize>(seed.bytes.size()));
    }
    return 0;
}

}
