#pragma once

#include "base/MemoryDataDest.h"
#include "base/MemoryDataSource.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace streamtest
{

using Bytes = std::vector<unsigned char>;

// The bytes a memory sink holds.
inline Bytes bytesOf(const heron::MemoryDataDest& sink)
{
    return Bytes(sink.data(), sink.data() + sink.size());
}

// A memory source over its own copy of the bytes.
inline heron::MemoryDataSource sourceOf(const Bytes& bytes)
{
    return heron::MemoryDataSource(bytes.data(), std::uint32_t(bytes.size()), true);
}

// A fresh folder under the system temp folder, removed with everything in it on destruction.
class TempFolder
{
public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "streamsXXXXXX").string();
        m_path = mkdtemp(pattern.data());
    }
    ~TempFolder() { std::filesystem::remove_all(m_path); }
    std::string file(const char* name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

}
