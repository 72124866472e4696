#include "base/files/PositionedFile.h"
#include "base/FilePath.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>

using heron::PositionedFile;

TEST(PositionedFileTest, ReadsAtAnyOffsetGiveTheFilesBytesAndStopAtItsEnd)
{
    TempFolder folder;
    std::string bytes(100000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = char(i * 13 + (i >> 12));
    }
    writeWholeFile(folder.file("Packed.Dat"), bytes);
    // The name in the system's own form, in capitals, reaches the file.
    std::string own = folder.file("Packed.Dat");
    std::replace(own.begin(), own.end(), '/', '\\');
    std::transform(own.begin(), own.end(), own.begin(), [](char c) { return char(std::toupper(c)); });
    const PositionedFile file(heron::FilePath(own.c_str()));
    ASSERT_TRUE(file.isOpen());
    EXPECT_EQ(file.size(), bytes.size());
    struct Case
    {
        std::uint64_t offset;
        std::uint32_t n;
        std::uint32_t got;
    };
    for (const Case c : {Case{0, 10, 10}, Case{70000, 30000, 30000}, Case{99990, 20, 10}, Case{100000, 5, 0},
                         Case{0x1'0000'0000, 5, 0}}) {
        std::string read(c.n, '\0');
        ASSERT_EQ(file.readAt(read.data(), c.n, c.offset), c.got) << c.offset;
        EXPECT_EQ(read.substr(0, c.got), bytes.substr(std::min<std::uint64_t>(c.offset, bytes.size()), c.got));
    }

    for (const std::string& missing : {folder.file("missing.dat"), folder.path().string()}) {
        const PositionedFile closed{heron::FilePath(missing.c_str())};
        EXPECT_FALSE(closed.isOpen());
        char byte = 0;
        EXPECT_EQ(closed.readAt(&byte, 1, 0), 0u);
    }
}
