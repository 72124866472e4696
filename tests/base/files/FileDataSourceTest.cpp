#include "base/files/FileDataSource.h"
#include "base/files/FileDataDest.h"
#include "base/MemoryDataDest.h"
#include "base/MemoryDataSource.h"
#include "support/StreamTestClasses.h"
#include "support/TempFolder.h"
#include "support/TempLog.h"
#include "base/FilePath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <iterator>
#include <random>
#include <tuple>
#include <unistd.h>

using heron::FileDataDest;
using heron::FileDataSource;
using streamtest::Bytes;
using streamtest::bytesOf;

namespace
{

// Byte i of every test file: a pattern that differs across the 64 KB buffer boundary.
unsigned char patternByte(std::uint32_t i)
{
    return static_cast<unsigned char>((i * 7 + (i >> 16) * 13) & 0xFF);
}

std::string wholeText(heron::DataSource& source)
{
    std::string text(source.remaining(), '\0');
    text.resize(source.read(text.data(), static_cast<std::uint32_t>(text.size())));
    return text;
}

std::string makeFile(const TempFolder& folder, const char* name, std::uint32_t size)
{
    std::string bytes(size, '\0');
    for (std::uint32_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(patternByte(i));
    }
    writeWholeFile(folder.file(name), bytes);
    return folder.file(name);
}

enum class Op { readByte, peekByte, read, skip, seek, readUInt32, readTag };

struct Step {
    Op op;
    std::uint32_t n;
};

// What one step gives on a source: the bytes or value it reads, then the position after it.
std::string apply(heron::DataSource& source, const Step& step)
{
    std::string got;
    std::uint32_t value = 0;
    switch (step.op) {
    case Op::readByte: got = std::to_string(source.readByte()); break;
    case Op::peekByte: got = std::to_string(source.peekByte()); break;
    case Op::read:
        got.resize(step.n);
        got.resize(source.read(got.data(), step.n));
        break;
    case Op::skip: source.skip(step.n); break;
    case Op::seek: source.seek(step.n); break;
    case Op::readUInt32: source.readUInt32(value); got = std::to_string(value); break;
    case Op::readTag: source.readTag(value); got = std::to_string(value); break;
    }
    return got + " @" + std::to_string(source.tell());
}

// A random step that stays inside the data, where file and memory sources agree.
Step randomStep(std::mt19937& random, std::uint32_t position, std::uint32_t size)
{
    const std::uint32_t left = size - position;
    const std::uint32_t sizes[] = {1, 4, 3000, 70000, 150000};
    const std::uint32_t n = std::uniform_int_distribution<std::uint32_t>(0, sizes[random() % 5])(random);
    const auto op = Op(random() % 7);
    if (op == Op::seek) {
        return {op, std::uint32_t(random() % size)};
    }
    if (left < 5) {
        return {Op::seek, n % size};
    }
    return {op, std::min(n, left)};
}

}

TEST(FileDataSourceTest, AMissingFileIsNotOkAndReadingPastTheEndGivesMinusOneAndTheErrorFlag)
{
    TempFolder folder;
    const std::string missingFile = folder.file("missing.bin");
    for (const char* missing : {missingFile.c_str(), folder.path().c_str(), static_cast<const char*>(nullptr)}) {
        FileDataSource source(missing);
        EXPECT_FALSE(source.isOK());
        EXPECT_EQ(source.remaining(), 0u);
        EXPECT_EQ(source.readByte(), -1);
        char buffer[200000];
        EXPECT_EQ(source.read(buffer, sizeof buffer), 0u);
    }
    FileDataSource source(makeFile(folder, "three.bin", 3).c_str());
    for (std::uint32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(source.readByte(), patternByte(i));
    }
    EXPECT_EQ(source.readByte(), -1);
    EXPECT_TRUE(source.hasError());
    EXPECT_EQ(source.peekByte(), -1);
}

TEST(FileDataSourceTest, ReadsOfAnySizeStraddlingTheBufferDeliverTheFileInOrderAndAReadPastTheEndSetsTheErrorFlag)
{
    TempFolder folder;
    const std::uint32_t size = 3 * FileDataSource::bufferSize + 5;
    const std::string path = makeFile(folder, "straddle.bin", size);
    const std::uint32_t steps[] = {4, 1, 3, 4, 7, 4, 65531, 4, 2, 4, 70000, 4};
    FileDataSource inOrder(path.c_str());
    std::uint32_t position = 0;
    for (std::size_t k = 0; position < size; ++k) {
        const std::uint32_t want = std::min(steps[k % std::size(steps)], size - position);
        Bytes got(want);
        ASSERT_EQ(inOrder.read(got.data(), want), want) << position;
        for (std::uint32_t i = 0; i < want; ++i) {
            ASSERT_EQ(got[i], patternByte(position + i)) << position + i;
        }
        position += want;
        ASSERT_EQ(inOrder.tell(), position);
    }
    EXPECT_TRUE(inOrder.isOK());
    Bytes more(100000);
    EXPECT_EQ(inOrder.read(more.data(), 100000), 0u);
    EXPECT_TRUE(inOrder.hasError());

    // A value across the buffer end reads whole; a read past the end gives what is left.
    const std::uint32_t at = FileDataSource::bufferSize - 2;
    FileDataSource source(path.c_str());
    source.skip(at);
    std::uint32_t value = 0;
    source.readUInt32(value);
    EXPECT_EQ(value, patternByte(at) | patternByte(at + 1) << 8 | patternByte(at + 2) << 16 |
                         std::uint32_t(patternByte(at + 3)) << 24);
    EXPECT_TRUE(source.isOK());
    Bytes rest(size);
    EXPECT_EQ(source.read(rest.data(), size), size - at - 4);
    EXPECT_EQ(rest[size - at - 5], patternByte(size - 1));
    EXPECT_TRUE(source.hasError());
}

TEST(FileDataSourceTest, TypedValuesWrittenToAFileReadBackUpToItsLastByteWithoutAnError)
{
    TempFolder folder;
    const std::string path = folder.file("typed.bin");
    for (const bool big : {false, true}) {
        {
            FileDataDest sink(path.c_str());
            sink.setBigEndian(big);
            sink.writeTag(70000).writeDouble(0.25).writeString("name").writeInt32(-5).writeString("");
        }
        FileDataSource source(path.c_str());
        source.setBigEndian(big);
        std::uint32_t tag = 0;
        double real = 0;
        heron_string name;
        std::int32_t number = 0;
        heron_string empty("stale");
        source.readTag(tag).readDouble(real).readString(name).readInt32(number).readString(empty);
        EXPECT_EQ(std::make_tuple(tag, real, std::string(name.c_str()), number, std::string(empty.c_str())),
                  std::make_tuple(70000u, 0.25, std::string("name"), -5, std::string()));
        EXPECT_TRUE(source.isOK());
        EXPECT_EQ(source.remaining(), 0u);
    }
}

TEST(FileDataSourceTest, SkipsAndSeeksInsideAndOutsideTheBufferLandOnTheRightByteAndPastTheEndSetTheErrorFlag)
{
    TempFolder folder;
    const std::uint32_t size = 300000;
    const std::string path = makeFile(folder, "seek.bin", size);
    FileDataSource skipped(path.c_str());
    std::uint32_t position = 0;
    for (const std::uint32_t n : {10u, 65526u, 1u, 65536u, 70000u, 0u, 99u, 5u}) {
        skipped.skip(n);
        position += n;
        ASSERT_EQ(skipped.tell(), position);
        ASSERT_EQ(skipped.peekByte(), patternByte(position)) << position;
    }
    skipped.skip(size - position);
    EXPECT_EQ(skipped.remaining(), 0u);
    EXPECT_TRUE(skipped.isOK());
    for (const std::uint32_t beyond : {2u, 0xFFFFFFFFu}) {
        FileDataSource past(path.c_str());
        past.skip(size - 1);
        past.skip(beyond);
        EXPECT_TRUE(past.hasError());
        EXPECT_EQ(past.readByte(), -1);
    }

    FileDataSource source(path.c_str());
    for (const std::uint32_t p : {1000u, 10u, 65535u, 65536u, 199999u, 3u, 131072u, 131071u}) {
        source.seek(p);
        ASSERT_EQ(source.tell(), p);
        ASSERT_EQ(source.readByte(), patternByte(p)) << p;
        std::uint32_t word = 0;
        if (p + 5 <= size) {
            source.readUInt32(word);
            ASSERT_EQ(word & 0xFF, patternByte(p + 1));
        }
    }
    ASSERT_TRUE(source.isOK());
    source.seek(size);
    EXPECT_TRUE(source.isOK());
    EXPECT_EQ(source.remaining(), 0u);
    EXPECT_EQ(source.readByte(), -1);
    EXPECT_TRUE(source.hasError());

    FileDataSource beyond(path.c_str());
    beyond.seek(size + 1);
    EXPECT_TRUE(beyond.hasError());
    EXPECT_EQ(beyond.readByte(), -1);
}

TEST(FileDataSourceTest, ReadsSkipsAndSeeksInAnyOrderGiveWhatAMemorySourceOverTheSameBytesGives)
{
    TempFolder folder;
    const std::uint32_t size = 4 * FileDataSource::bufferSize + 1234;
    const std::string path = makeFile(folder, "random.bin", size);
    const std::string bytes = readWholeFile(path);
    FileDataSource file(path.c_str());
    heron::MemoryDataSource memory(bytes.data(), size, false);
    // First a read that ends past the buffer, so part of it comes straight from the file, then a
    // seek back into what the buffer once held.
    std::vector<Step> steps = {{Op::read, 10}, {Op::read, 100000}, {Op::seek, 100000}, {Op::readByte, 0}};
    std::mt19937 random(20240611);
    for (int i = 0; i < 3000; ++i) {
        const Step step = i < int(steps.size()) ? steps[i] : randomStep(random, memory.tell(), size);
        ASSERT_EQ(apply(file, step), apply(memory, step)) << "step " << i << " op " << int(step.op) << " n " << step.n;
    }
    EXPECT_TRUE(file.isOK());
}

TEST(FileDataDestTest, TypedWritesAndBlocksOfAnySizeReachTheFileAsAMemorySinkHoldsThem)
{
    TempFolder folder;
    const std::string path = folder.file("random.bin");
    heron::MemoryDataDest memory(0);
    std::mt19937 random(7);
    {
        FileDataDest file(path.c_str());
        for (int i = 0; i < 3000; ++i) {
            const std::uint32_t value = random() >> (random() % 32);
            const Bytes block(value % (i % 50 == 0 ? 150000 : 100), static_cast<unsigned char>(value));
            for (heron::DataDest* sink : {static_cast<heron::DataDest*>(&file), static_cast<heron::DataDest*>(&memory)}) {
                sink->writeTag(value).writeUInt32(value).writeByte(char(value)).writeString(heron_string(value % 300, 'q'));
                sink->write(block.data(), std::uint32_t(block.size()));
            }
        }
        EXPECT_TRUE(file.isOK());
    }
    const Bytes expected = bytesOf(memory);
    EXPECT_TRUE(readWholeFile(path) == std::string(expected.begin(), expected.end()));
}

TEST(FileDataSourceTest, FilesOf4GiBOrMoreAreRefusedAndJustBelowIsAccepted)
{
    TempFolder folder;
    const std::string huge = makeFile(folder, "huge.bin", 0);
    const std::string largest = makeFile(folder, "largest.bin", 0);
    ASSERT_EQ(truncate(huge.c_str(), 0x100000000LL), 0);
    ASSERT_EQ(truncate(largest.c_str(), 0xFFFFFFFFLL), 0);

    TempLog log;
    FileDataSource refused(huge.c_str());
    EXPECT_TRUE(log.contains("huge.bin\" is 4 GiB or larger"));
    EXPECT_FALSE(refused.isOK());
    EXPECT_EQ(refused.remaining(), 0u);
    EXPECT_EQ(refused.readByte(), -1);

    FileDataSource accepted(largest.c_str());
    ASSERT_TRUE(accepted.isOK());
    EXPECT_EQ(accepted.remaining(), 0xFFFFFFFFu);
    accepted.seek(0xFFFFFFFE);
    EXPECT_EQ(accepted.readByte(), 0);
    EXPECT_EQ(accepted.remaining(), 0u);
    accepted.skip(1);
    EXPECT_TRUE(accepted.hasError());
}

TEST(FileDataDestTest, WrittenBytesArriveInTheFileAndAMissingFolderOrAFullDiskFails)
{
    TempFolder folder;
    const std::string path = folder.file("out.bin");
    {
        FileDataDest sink(path.c_str());
        ASSERT_TRUE(sink.isOK());
        sink.writeTag(300).writeByte('z');
        sink.write("abc", 3);
        sink.close();
        EXPECT_TRUE(sink.isOK() == false);
        EXPECT_FALSE(sink.hasError());
    }
    EXPECT_EQ(readWholeFile(path), std::string("\xFF\x2C\x01\0\0zabc", 9));

    FileDataDest bad(folder.file("no/such/folder.bin").c_str());
    EXPECT_FALSE(bad.isOK());
    EXPECT_TRUE(bad.hasError());
    bad.writeByte('x');

    FileDataDest none(nullptr);
    EXPECT_FALSE(none.isOK());
    EXPECT_FALSE(none.hasError());

    FileDataDest full("/dev/full");
    const Bytes block(1 << 16, 1);
    full.write(block.data(), std::uint32_t(block.size()));
    full.close();
    EXPECT_TRUE(full.hasError());
}

TEST(FileDataDestTest, AFileIsWrittenWhereItsNameIsSpelledOrNotAtAll)
{
    TempFolder folder;
    std::filesystem::create_directories(folder.path() / "game");
    FileDataDest elsewhere(folder.file("Game/cache.anim").c_str());
    EXPECT_TRUE(elsewhere.hasError());
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "game" / "cache.anim"));
    FileDataDest own(folder.file("game/cache.anim").c_str());
    EXPECT_TRUE(own.isOK());
}

TEST(FileDataSourceTest, NamesInTheSystemsOwnFormReachTheFileWhateverItsCase)
{
    TempFolder folder;
    const std::string disk = makeFile(folder, "Mixed.Bin", 10);
    std::string own = disk;
    std::replace(own.begin(), own.end(), '/', '\\');
    std::transform(own.begin(), own.end(), own.begin(), [](char c) { return char(std::toupper(c)); });

    FileDataSource byText(own.c_str());
    ASSERT_TRUE(byText.isOK());
    EXPECT_EQ(byText.remaining(), 10u);
    EXPECT_EQ(byText.name(), own.c_str());
    FileDataSource byPath(heron::FilePath(own.c_str()));
    ASSERT_TRUE(byPath.isOK());
    EXPECT_EQ(byPath.readByte(), patternByte(0));

    // A write takes the name as spelled: no folder is spelled so, and the file is left alone.
    {
        FileDataDest sink(own.c_str());
        EXPECT_FALSE(sink.isOK());
        sink.writeByte('q');
    }
    EXPECT_EQ(readWholeFile(disk).size(), 10u);
}

TEST(FileDataSourceTest, AFileIsReadFromTheFolderSpelledAsGivenNotFromOneDifferingOnlyInCase)
{
    TempFolder folder;
    writeWholeFile(folder.path() / "Music" / "song.txt", "upper");
    writeWholeFile(folder.path() / "music" / "song.txt", "lower");

    FileDataSource byText(folder.file("Music/song.txt").c_str());
    EXPECT_EQ(wholeText(byText), "upper");
    FileDataSource byPath(heron::FilePath(folder.file("Music/song.txt").c_str()));
    EXPECT_EQ(wholeText(byPath), "upper");
}
