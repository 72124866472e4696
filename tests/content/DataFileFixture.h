#pragma once

#include "base/DataSource.h"
#include "base/FilePath.h"
#include "content/DataFiles.h"
#include "support/TempFolder.h"
#include "support/TempLog.h"
#include "tools/pack/Packer.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace datafiletest
{

// Files by their '/'-separated path under a folder, with their bytes.
using Tree = std::vector<std::pair<std::string, std::string>>;

inline void writeTree(const std::filesystem::path& root, const Tree& files)
{
    for (const auto& [name, bytes] : files) {
        writeWholeFile(root / name, bytes);
    }
}

inline heron::FilePath systemPath(const std::filesystem::path& path)
{
    return heron::FilePath(path.string().c_str());
}

inline std::string readAll(heron::DataSource& source)
{
    std::string bytes;
    char chunk[5000];
    for (std::uint32_t got = 1; got > 0; bytes.append(chunk, got)) {
        got = source.read(chunk, sizeof chunk);
    }
    return bytes;
}

// The bytes of the named data file, or "<none>" when it does not open.
inline std::string readDataFile(const char* name, std::int32_t category = pelican::plainCategory)
{
    pelican::DataFileName record(name, category);
    const heron::counted_ptr<heron::DataSource> source = pelican::openDataFile(record);
    return source ? readAll(*source) : "<none>";
}

// Each test starts and ends with no packed files, search folders or noted files; it has a
// temporary folder and the log captured.
class DataFileTest : public ::testing::Test
{
protected:
    void SetUp() override { pelican::resetDataFiles(); }
    void TearDown() override { pelican::resetDataFiles(); }

    std::filesystem::path path(const char* name) const { return m_folder.path() / name; }

    // Packs the tree into the file packedName of the temporary folder and returns its path.
    std::filesystem::path pack(const Tree& files, const char* packedName = "glasstide.dat")
    {
        writeTree(path("source") / packedName, files);
        std::string error;
        EXPECT_TRUE(packer::packFolder(path("source") / packedName, path(packedName), error)) << error;
        return path(packedName);
    }

    void packAndRegister(const Tree& files, const char* packedName = "glasstide.dat")
    {
        pelican::registerPackedFile(systemPath(pack(files, packedName)));
    }

    TempFolder m_folder;
    TempLog m_log;
};

}
