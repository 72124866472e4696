#pragma once

// The fuzz input as a file on disk, for readers that open their files by name.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

// A path in the temp folder of this process's own, named after the target.
inline std::string inputFilePath(const char* stem, const char* extension)
{
    return "/tmp/" + std::string(stem) + "-" + std::to_string(::getpid()) + extension;
}

// Makes the file hold exactly the input; false when it cannot be written.
inline bool writeInputFile(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    std::FILE* const file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return false;
    }
    const bool written = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}
