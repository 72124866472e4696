#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

// A whole file's bytes; empty when it is missing.
inline std::string readWholeFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

// Makes the file hold exactly these bytes.
inline void writeWholeFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}
