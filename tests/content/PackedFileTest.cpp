#include "content/BigFileInput.h"
#include "content/DataFiles.h"
#include "content/DataFileFixture.h"
#include "content/PackedFile.h"

#include <gtest/gtest.h>

using namespace datafiletest;

namespace
{

// Bytes that differ from one 64 KB buffer to the next.
std::string patterned(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(i * 7 + (i >> 16) * 13);
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

void putWord(std::string& bytes, std::size_t offset, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        bytes[offset + i] = static_cast<char>(value >> (8 * i));
    }
}

// "one.txt" then "two\two.txt": the offsets of the two entries, and where the directory ends.
const Tree twoMembers = {{"one.txt", "1"}, {"two/two.txt", "22"}};
constexpr std::size_t firstEntry = 5;
constexpr std::size_t secondEntry = firstEntry + 16 + 7;
constexpr std::size_t directoryEnd = secondEntry + 16 + 11 + 4;

}

using PackedFileTest = DataFileTest;

TEST_F(PackedFileTest, EveryPackedFileReadsBackWholeUnderItsNormalisedName)
{
    const Tree files = {{"Models/Rock.Quill", "rock model"},
                        {"Sounds/Deep/Chime.WAV", patterned(3 * 0x10000 + 17)},
                        {"look.txt", "level Shallows"},
                        {"Empty.bin", ""}};
    Tree withHidden = files;
    withHidden.insert(withHidden.end(), {{".hidden", "left out"}, {"Textures/.git/index", "left out"}});
    packAndRegister(withHidden);
    ASSERT_EQ(pelican::packedFiles().size(), 1u);
    EXPECT_EQ(memberNames(pelican::packedFiles()[0]),
              (std::vector<std::string>{"empty.bin", "look.txt", "models\\rock.quill", "sounds\\deep\\chime.wav"}));
    for (const auto& [name, bytes] : files) {
        EXPECT_EQ(readDataFile(name.c_str()), bytes) << name;
    }
    EXPECT_TRUE(m_log.contains("models\\rock.quill  - 10 bytes at position "));
}

TEST_F(PackedFileTest, PackingRefusesTwoFilesThatNormaliseToOneName)
{
    writeTree(path("twins"), {{"Models/A.txt", "1"}, {"models/a.TXT", "2"}});
    std::string error;
    EXPECT_FALSE(packer::packFolder(path("twins"), path("twins.dat"), error));
    EXPECT_NE(error.find("models\\a.txt"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(path("twins.dat")) || std::filesystem::exists(path("twins.dat.part")));
}

TEST_F(PackedFileTest, ABareFileNameResolvesOnlyWhenExactlyOneMemberHasIt)
{
    packAndRegister({{"a/x.wav", "first"}, {"b/x.wav", "second"}, {"c/deep/only.wav", "only"}});
    pelican::DataFileName unique("Only.wav");
    EXPECT_STREQ(pelican::resolveDataFile(unique).c_str(), "c\\deep\\only.wav");
    EXPECT_EQ(readDataFile("only.wav"), "only");
    EXPECT_EQ(readDataFile("x.wav"), "<none>");
    EXPECT_EQ(readDataFile("b\\x.wav"), "second");
}

TEST_F(PackedFileTest, OnceAPackedFileIsRegisteredFilesOnDiskNoLongerResolve)
{
    writeWholeFile(path("loose.txt"), "on disk");
    EXPECT_EQ(readDataFile(path("loose.txt").c_str()), "on disk");
    pelican::registerPackedFile(systemPath(path("missing.dat")));
    EXPECT_TRUE(pelican::packedFiles().empty());
    packAndRegister({{"inside.txt", "packed"}});
    EXPECT_EQ(readDataFile(path("loose.txt").c_str()), "<none>");
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

TEST_F(PackedFileTest, AMemberReaderStopsAtTheMemberEndAndSeeksNoFurther)
{
    const std::string big = patterned(70000);
    packAndRegister({{"a.bin", "abc"}, {"b.bin", big}});
    pelican::BigFileInput first("a.bin");
    EXPECT_EQ(readAll(first), "abc");
    EXPECT_EQ(first.readByte(), -1);
    EXPECT_TRUE(first.hasError());

    pelican::BigFileInput second("b.bin");
    second.seek(70000);
    EXPECT_TRUE(second.isOK());
    second.seek(69998);
    EXPECT_EQ(second.peekByte(), static_cast<unsigned char>(big[69998]));
    second.skip(1);
    EXPECT_EQ(second.readByte(), static_cast<unsigned char>(big[69999]));
    second.seek(70001);
    EXPECT_TRUE(second.hasError());

    pelican::BigFileInput third("b.bin");
    third.skip(69995);
    EXPECT_EQ(third.remaining(), 5u);
    third.skip(6);
    EXPECT_TRUE(third.hasError());
    EXPECT_FALSE(pelican::BigFileInput("c.bin").isOK());
}

TEST_F(PackedFileTest, ADirectoryCutShortAnywhereGivesNoMembersAtAll)
{
    const std::string whole = readWholeFile(pack(twoMembers));
    for (std::size_t cut = 0; cut < directoryEnd; ++cut) {
        writeWholeFile(path("cut.dat"), whole.substr(0, cut));
        EXPECT_TRUE(pelican::readPackedDirectory(systemPath(path("cut.dat"))).directory->empty()) << cut;
    }
    EXPECT_TRUE(m_log.contains("is empty, no members read"));
    EXPECT_TRUE(m_log.contains("ends before its terminator, no members read"));
}

TEST_F(PackedFileTest, DamagedDirectoriesAreRefusedWholeOrLoseOnlyTheBadMember)
{
    const std::string whole = readWholeFile(pack(twoMembers));
    struct Case
    {
        std::size_t offset;
        std::uint32_t word;
        std::vector<std::string> members;
        const char* logged;
    };
    const Case cases[] = {
        {firstEntry, 0xABCD0007, {"one.txt", "two\\two.txt"}, ""},  // only the low 16 bits are the length
        {secondEntry, 0x7FF, {}, "holds an over-long name"},
        {secondEntry, 0x3FF, {}, "ends before its terminator"},
        {secondEntry + 4 + 11, 0x7FFFFFFF, {"one.txt"}, "runs past the end"},  // position
        {secondEntry + 8 + 11, 3, {"one.txt"}, "runs past the end"},           // size, one byte too many
        {firstEntry - 5, 1, {}, "is not a packed data file"},                   // marker
    };
    for (const Case& c : cases) {
        std::string damaged = whole;
        putWord(damaged, c.offset, c.word);
        writeWholeFile(path("damaged.dat"), damaged);
        EXPECT_EQ(memberNames(pelican::readPackedDirectory(systemPath(path("damaged.dat")))), c.members) << c.offset;
        EXPECT_TRUE(m_log.contains(c.logged)) << c.logged;
    }
}

TEST_F(PackedFileTest, AfterAnEmptyDirectoryIsRegisteredNoNameResolves)
{
    writeWholeFile(path("empty.dat"), std::string(9, '\0'));
    pelican::registerPackedFile(systemPath(path("empty.dat")));
    ASSERT_EQ(pelican::packedFiles().size(), 1u);
    writeWholeFile(path("loose.txt"), "on disk");
    EXPECT_EQ(readDataFile(path("loose.txt").c_str()), "<none>");
    EXPECT_FALSE(pelican::folderExists(pelican::DataFileName("")));
}
