#include "content/BigFileInput.h"
#include "content/DataFiles.h"
#include "content/DataFileFixture.h"
#include "content/PackedFile.h"
#include "content/PackedFormat.h"
#include "base/Limits.h"
#include "base/MemoryDataSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace datafiletest;
namespace packed = pelican::packed;

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

enum class Op { seek, readByte, peekByte, skip, readUInt32, read };

struct Step
{
    Op op;
    std::uint32_t n;
    std::uint32_t position;
};

// What one step gives on a source: the bytes or value it reads, then the position after it.
std::string apply(heron::DataSource& source, const Step& step)
{
    std::string got;
    std::uint32_t value = 0;
    switch (step.op) {
    case Op::seek: source.seek(step.position); break;
    case Op::readByte: got = std::to_string(source.readByte()); break;
    case Op::peekByte: got = std::to_string(source.peekByte()); break;
    case Op::skip: source.skip(step.n); break;
    case Op::readUInt32: source.readUInt32(value); got = std::to_string(value); break;
    case Op::read:
        got.resize(step.n);
        got.resize(source.read(got.data(), step.n));
        break;
    }
    return got + " @" + std::to_string(source.tell());
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

// The launcher's second start after a damaged data file was reinstalled reads the new file.
TEST_F(PackedFileTest, AFileRegisteredAgainIsReadAnewInPlaceOfItsEarlierSelf)
{
    packAndRegister({{"same.txt", "from the first"}}, "first.dat");
    packAndRegister({{"cut.txt", "short"}});
    const std::filesystem::path replaced = pack({{"cut.txt", "now whole"}, {"world.look", "look"}}, "new.dat");
    std::filesystem::rename(replaced, path("glasstide.dat"));
    pelican::registerPackedFile(systemPath(path("glasstide.dat")));
    ASSERT_EQ(pelican::packedFiles().size(), 2u);
    EXPECT_EQ(pelican::packedFiles().back().path, systemPath(path("glasstide.dat")));
    EXPECT_EQ(readDataFile("cut.txt"), "now whole");
    EXPECT_EQ(readDataFile("world.look"), "look");
    EXPECT_EQ(readDataFile("same.txt"), "from the first");
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

TEST_F(PackedFileTest, DamagedDirectoriesAreRefusedWholeOrKeepTheirMembers)
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
        {secondEntry, 0x7FF, {}, "ends before its terminator"},
        {secondEntry, 0x3FF, {}, "ends before its terminator"},
        {secondEntry + 4 + 11, 0x7FFFFFFF, {"one.txt", "two\\two.txt"}, "runs past the end"},  // position
        {secondEntry + 8 + 11, 3, {"one.txt", "two\\two.txt"}, "runs past the end"},           // size, one too many
        {firstEntry - 5, 1, {}, "is not a packed data file"},                   // marker
    };
    for (const Case& c : cases) {
        std::string damaged = whole;
        putWord(damaged, c.offset, c.word);
        writeWholeFile(path("damaged.dat"), damaged);
        const pelican::PackedFile read = pelican::readPackedDirectory(systemPath(path("damaged.dat")));
        EXPECT_EQ(memberNames(read), c.members) << c.offset;
        EXPECT_TRUE(m_log.contains(c.logged)) << c.logged;
        EXPECT_EQ(pelican::membersInsideFile(read), std::string(c.logged) != "runs past the end") << c.offset;
    }
    writeWholeFile(path("whole.dat"), whole);
    EXPECT_TRUE(pelican::membersInsideFile(pelican::readPackedDirectory(systemPath(path("whole.dat")))));
}

TEST_F(PackedFileTest, ARefusedDirectoryIsLoggedOnceWithTheFileName)
{
    // One more member than a directory may list: names of one byte, each entry 17 bytes.
    std::string crowded(packed::headerSize, '\0');
    for (std::uint32_t i = 0; i <= heron::limits::maxPackedMembers; ++i) {
        std::string entry(17, '\0');
        putWord(entry, 0, 1);
        crowded += entry;
    }
    crowded += std::string(packed::terminatorSize, '\0');
    const std::string whole = readWholeFile(pack(twoMembers));
    struct Case
    {
        std::string bytes;
        const char* reason;
    };
    const Case cases[] = {
        {crowded, "has a directory that holds too many members"},
        {whole.substr(0, secondEntry + 3), "has a directory that ends before its terminator"},
        {std::string(1, '\x01') + whole.substr(1), "is not a packed data file"},
    };
    const heron::FilePath file = systemPath(path("refused.dat"));
    for (const Case& c : cases) {
        writeWholeFile(path("refused.dat"), c.bytes);
        const std::size_t before = m_log.text().size();
        EXPECT_TRUE(pelican::readPackedDirectory(file).directory->empty()) << c.reason;
        const std::string logged = m_log.text().substr(before);
        EXPECT_EQ(logged, std::string("readPackedDirectory() - ") + file.c_str() + " " + c.reason + ", no members read\n");
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

TEST_F(PackedFileTest, AMemberRunningPastTheEndKeepsItsNameAndReadsUpToTheEndOfTheFile)
{
    // "a\x.txt" then "b\x.txt"; the position and size words follow each name.
    const std::string whole = readWholeFile(pack({{"a/x.txt", "first"}, {"b/x.txt", "second"}}));
    constexpr std::size_t firstPosition = firstEntry + 4 + 7;
    // A size whose low byte, and so the member's key, stays: the bytes up to the end of the file
    // are "first" and then the next member's bytes seen through the first one's key.
    std::string next = "second";
    for (char& c : next) {
        c = char(c ^ pelican::packed::memberKey(5) ^ pelican::packed::memberKey(6));
    }
    struct Case
    {
        std::size_t offset;
        std::uint32_t word;
        std::string read;
    };
    const Case cases[] = {
        {firstPosition + 4, 0x7FFFFF05, "first" + next},
        {firstPosition, std::uint32_t(whole.size()), ""},
        {firstPosition, 0xFFFFFFF0, ""},
    };
    for (const Case& c : cases) {
        pelican::resetDataFiles();
        std::string damaged = whole;
        putWord(damaged, c.offset, c.word);
        writeWholeFile(path("past.dat"), damaged);
        pelican::registerPackedFile(systemPath(path("past.dat")));
        EXPECT_EQ(readDataFile("a\\x.txt"), c.read) << c.offset;
        EXPECT_EQ(pelican::dataFileSize(pelican::DataFileName("a\\x.txt")), c.read.size());
        EXPECT_EQ(readDataFile("b\\x.txt"), "second");
    }
    EXPECT_EQ(m_log.count("member a\\x.txt"), 3);
}

TEST_F(PackedFileTest, ANameOfAnyLengthIsReadAndANameWithAZeroByteCostsOnlyItsOwnMember)
{
    std::string longName = "z";
    for (int i = 0; i < 7; ++i) {
        longName += "/" + std::string(249, char('a' + i));
    }
    longName += "/long.txt";
    std::string whole = readWholeFile(pack({{"one.txt", "1"}, {"two/two.txt", "22"}, {longName, "long"}}));
    // The first name byte stored as its key reads as a zero byte.
    whole[firstEntry + 4] = char(pelican::packed::firstNameKey(7));
    writeWholeFile(path("names.dat"), whole);
    pelican::registerPackedFile(systemPath(path("names.dat")));
    std::replace(longName.begin(), longName.end(), '/', '\\');
    ASSERT_EQ(pelican::packedFiles().size(), 1u);
    EXPECT_EQ(memberNames(pelican::packedFiles()[0]), (std::vector<std::string>{"two\\two.txt", longName}));
    EXPECT_EQ(readDataFile(longName.c_str()), "long");
    EXPECT_EQ(readDataFile("long.txt"), "long");
    EXPECT_TRUE(m_log.contains("holds a zero byte, member left out"));
}

TEST_F(PackedFileTest, ReadsSkipsAndSeeksInAnyOrderGiveWhatAMemorySourceOverTheMemberGives)
{
    const std::string bytes = patterned(3 * pelican::BigFileInput::bufferSize + 1234);
    packAndRegister({{"a.bin", "before"}, {"b.bin", bytes}, {"c.bin", "after"}});
    pelican::BigFileInput member("b.bin");
    heron::MemoryDataSource memory(bytes.data(), std::uint32_t(bytes.size()), false);
    std::mt19937 random(33);
    for (int i = 0; i < 3000; ++i) {
        // Steps stay inside the member, where the two kinds of source agree.
        const std::uint32_t left = memory.remaining();
        const std::uint32_t most = random() % 2 ? 8u : 150000u;
        const std::uint32_t n = std::uint32_t(random() % (std::min(left, most) + 1));
        const Step step{left < 4 ? Op::seek : Op(random() % 6), n, std::uint32_t(random() % bytes.size())};
        ASSERT_EQ(apply(member, step), apply(memory, step)) << "step " << i;
    }
    EXPECT_TRUE(member.isOK());
}

TEST_F(PackedFileTest, ANameListedTwiceInOneDirectoryReadsItsFirstMember)
{
    std::string whole = readWholeFile(pack({{"a.txt", "first"}, {"b.txt", "second"}}));
    // The second name's first byte becomes 'a'.
    constexpr std::size_t secondName = firstEntry + 16 + 5 + 4;
    whole[secondName] = char('a' ^ pelican::packed::firstNameKey(5));
    writeWholeFile(path("twice.dat"), whole);
    pelican::registerPackedFile(systemPath(path("twice.dat")));
    EXPECT_EQ(readDataFile("a.txt"), "first");
    EXPECT_EQ(readDataFile("b.txt"), "<none>");
}
