#include "content/BigFileInput.h"
#include "content/DataFiles.h"
#include "content/PackedFile.h"
#include "content/PackedFormat.h"
#include "content/DataFileFixture.h"

#include <gtest/gtest.h>

#include <random>

using namespace datafiletest;

namespace
{

std::string randomBytes(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(random());
    }
    return bytes;
}

std::vector<std::string> memberNames(const pelican::PackedFile& packedFile)
{
    std::vector<std::string> names;
    for (const pelican::FileInfo& entry : *packedFile.directory) {
        names.push_back(entry.name.path.c_str());
    }
    return names;
}

// Offset of the word at offset in the entry of index (names of the given lengths before it).
std::size_t entryOffset(const std::vector<std::size_t>& nameLengths, std::size_t index)
{
    std::size_t offset = pelican::packed::headerSize;
    for (std::size_t i = 0; i < index; ++i) {
        offset += pelican::packed::entryFixedSize + nameLengths[i];
    }
    return offset;
}

void putWord(std::string& bytes, std::size_t offset, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        bytes[offset + i] = static_cast<char>(value >> (8 * i));
    }
}

const Tree sample = {
    {"Models/Rock.Quill", "rock model"},
    {"Sounds/Deep/Chime.WAV", randomBytes(3 * 0x10000 + 17, 1)},
    {"look.txt", "level Shallows"},
    {"Empty.bin", ""},
    {".hidden", "left out"},
    {"Textures/.git/index", "left out"},
};

}

using PackedFileTest = DataFileTest;

TEST_F(PackedFileTest, EveryPackedFileReadsBackWholeUnderItsNormalisedName)
{
    packAndRegister(sample);
    const std::vector<pelican::PackedFile> packed = pelican::packedFiles();
    ASSERT_EQ(packed.size(), 1u);
    EXPECT_EQ(memberNames(packed[0]), (std::vector<std::string>{"empty.bin", "look.txt", "models\\rock.quill",
                                                                 "sounds\\deep\\chime.wav"}));
    for (const auto& [name, bytes] : sample) {
        if (name.find('.') != 0 && name.find("/.") == std::string::npos) {
            EXPECT_EQ(readDataFile(name.c_str()), bytes) << name;
        }
    }
    EXPECT_TRUE(m_log.contains("models\\rock.quill  - 10 bytes at position "));
}

TEST_F(PackedFileTest, PackingRefusesTwoFilesThatNormaliseToOneName)
{
    writeTree(path("twins"), {{"Models/A.txt", "1"}, {"models/a.TXT", "2"}});
    std::string error;
    EXPECT_FALSE(packer::packFolder(path("twins"), path("twins.dat"), error));
    EXPECT_NE(error.find("models\\a.txt"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(path("twins.dat")));
    EXPECT_FALSE(std::filesystem::exists(path("twins.dat.part")));
}

TEST_F(PackedFileTest, ABareFileNameResolvesOnlyWhenExactlyOneMemberHasIt)
{
    packAndRegister({{"a/x.wav", "first"}, {"b/x.wav", "second"}, {"c/deep/only.wav", "only"}});
    pelican::DataFileName unique("Only.wav");
    EXPECT_STREQ(pelican::resolveDataFile(unique).c_str(), "c\\deep\\only.wav");
    EXPECT_EQ(readDataFile("only.wav"), "only");
    pelican::DataFileName shared("x.wav");
    EXPECT_TRUE(pelican::resolveDataFile(shared).empty());
    EXPECT_EQ(readDataFile("x.wav"), "<none>");
    EXPECT_EQ(readDataFile("b\\x.wav"), "second");
}

TEST_F(PackedFileTest, OnceAPackedFileIsRegisteredFilesOnDiskNoLongerResolve)
{
    writeWholeFile(path("loose.txt"), "on disk");
    EXPECT_EQ(readDataFile(path("loose.txt").c_str()), "on disk");
    packAndRegister({{"inside.txt", "packed"}});
    EXPECT_EQ(readDataFile(path("loose.txt").c_str()), "<none>");
    EXPECT_FALSE(pelican::dataFileExists(systemPath(path("loose.txt"))));
    EXPECT_TRUE(pelican::dataFileExists("inside.txt"));
    EXPECT_EQ(pelican::dataFileTime(pelican::DataFileName("inside.txt")), pelican::packedFileTime);
    EXPECT_EQ(pelican::dataFileSize(pelican::DataFileName("inside.txt")), 6u);
}

TEST_F(PackedFileTest, WithTwoPackedFilesHoldingOneNameTheFirstRegisteredWins)
{
    packAndRegister({{"same.txt", "from the first"}}, "first.dat");
    packAndRegister({{"same.txt", "from the second"}, {"other.txt", "only in the second"}}, "second.dat");
    EXPECT_EQ(readDataFile("same.txt"), "from the first");
    EXPECT_EQ(readDataFile("other.txt"), "only in the second");
}

TEST_F(PackedFileTest, AMissingPackedFileRegistersNothing)
{
    pelican::registerPackedFile(systemPath(path("missing.dat")));
    EXPECT_TRUE(pelican::packedFiles().empty());
}

TEST_F(PackedFileTest, AMemberReaderStopsAtTheMemberEndAndSeeksNoFurther)
{
    const std::string big = randomBytes(70000, 2);
    packAndRegister({{"a.bin", "abc"}, {"b.bin", big}});
    pelican::BigFileInput first("a.bin");
    EXPECT_EQ(first.remaining(), 3u);
    EXPECT_EQ(readAll(first), "abc");
    EXPECT_EQ(first.readByte(), -1);
    EXPECT_TRUE(first.hasError());

    pelican::BigFileInput second("b.bin");
    second.seek(70000);
    EXPECT_TRUE(second.isOK());
    EXPECT_EQ(second.remaining(), 0u);
    second.seek(69998);
    EXPECT_EQ(second.peekByte(), static_cast<unsigned char>(big[69998]));
    second.skip(1);
    EXPECT_EQ(second.readByte(), static_cast<unsigned char>(big[69999]));
    second.seek(70001);
    EXPECT_TRUE(second.hasError());
    EXPECT_EQ(second.readByte(), -1);

    pelican::BigFileInput third("b.bin");
    third.seek(5);
    third.skip(69990);
    EXPECT_EQ(third.tell(), 69995u);
    third.skip(6);
    EXPECT_TRUE(third.hasError());

    pelican::BigFileInput missing("c.bin");
    EXPECT_FALSE(missing.isOK());
    EXPECT_EQ(missing.readByte(), -1);
}

TEST_F(PackedFileTest, ADirectoryCutShortAnywhereGivesNoMembersAtAll)
{
    const std::string whole = readWholeFile(pack({{"one.txt", "1"}, {"two/two.txt", "22"}}));
    const std::size_t directoryEnd = entryOffset({7, 11}, 2) + pelican::packed::terminatorSize;
    for (std::size_t cut = 0; cut < directoryEnd; ++cut) {
        writeWholeFile(path("cut.dat"), whole.substr(0, cut));
        const pelican::PackedFile packedFile = pelican::readPackedDirectory(systemPath(path("cut.dat")));
        EXPECT_TRUE(packedFile.directory->empty()) << cut;
    }
    EXPECT_TRUE(m_log.contains("is empty, no members read"));
    EXPECT_TRUE(m_log.contains("ends before its terminator, no members read"));
}

TEST_F(PackedFileTest, DamagedDirectoriesAreRefusedWholeOrLoseOnlyTheBadMember)
{
    const std::string whole = readWholeFile(pack({{"one.txt", "1"}, {"two/two.txt", "22"}}));
    const std::vector<std::size_t> lengths = {7, 11};
    struct Case
    {
        const char* what;
        std::size_t offset;
        std::uint32_t word;
        std::vector<std::string> members;
        const char* logged;
    };
    const std::size_t second = entryOffset(lengths, 1);
    const Case cases[] = {
        {"high bits of a name length", 0 + pelican::packed::headerSize, 0xABCD0007, {"one.txt", "two\\two.txt"}, ""},
        {"over-long name", second, 0x7FF, {}, "holds an over-long name"},
        {"name beyond the end", second, 0x3FF, {}, "ends before its terminator"},
        {"position past the end", second + 4 + 11, 0x7FFFFFFF, {"one.txt"}, "runs past the end"},
        {"size past the end", second + 8 + 11, 3, {"one.txt"}, "runs past the end"},
        {"terminator right after the header", pelican::packed::headerSize, 0, {}, ""},
    };
    for (const Case& c : cases) {
        std::string damaged = whole;
        putWord(damaged, c.offset, c.word);
        writeWholeFile(path("damaged.dat"), damaged);
        const pelican::PackedFile packedFile = pelican::readPackedDirectory(systemPath(path("damaged.dat")));
        EXPECT_EQ(memberNames(packedFile), c.members) << c.what;
        EXPECT_TRUE(m_log.contains(c.logged)) << c.what;
    }
    std::string marked = whole;
    marked[0] = 1;
    writeWholeFile(path("marked.dat"), marked);
    EXPECT_TRUE(pelican::readPackedDirectory(systemPath(path("marked.dat"))).directory->empty());
    EXPECT_TRUE(m_log.contains("is not a packed data file"));
}

TEST_F(PackedFileTest, AfterAnEmptyDirectoryIsRegisteredNoNameResolves)
{
    writeWholeFile(path("empty.dat"), std::string(pelican::packed::headerSize + 4, '\0'));
    pelican::registerPackedFile(systemPath(path("empty.dat")));
    ASSERT_EQ(pelican::packedFiles().size(), 1u);
    writeWholeFile(path("loose.txt"), "on disk");
    EXPECT_EQ(readDataFile(path("loose.txt").c_str()), "<none>");
    EXPECT_FALSE(pelican::folderExists(pelican::DataFileName("")));
}
