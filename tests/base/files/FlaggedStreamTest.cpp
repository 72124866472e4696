#include "base/files/FileDataDest.h"
#include "base/files/FileDataSource.h"
#include "base/MemoryDataDest.h"
#include "base/MemoryDataSource.h"
#include "support/StreamTestClasses.h"
#include "support/TempFolder.h"
#include "support/TempLog.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

using heron::DataDest;
using heron::DataSource;
using streamtest::Bytes;
using streamtest::bytesOf;

namespace
{

// A string whose length (65536) runs past the bytes after it: reading it flags the source while
// its window still holds them.
const Bytes overlongString = {0xFF, 0x00, 0x00, 0x01, 0x00, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};

// Typed writes of every form, long enough to outgrow a small memory sink several times.
void writeSome(DataDest& sink)
{
    for (std::uint32_t i = 0; i < 40; ++i) {
        sink.writeTag(i * 37).writeUInt32(i).writeBool(i % 2 == 0).writeDouble(i * 0.5);
        sink.writeString(heron_string(i * 9, 's')).writeByte(char(i));
    }
}

}

TEST(FlaggedStreamTest, EveryReadOfAFlaggedSourceGivesItsFallbackAndTakesNothing)
{
    TempFolder folder;
    const std::string path = folder.file("flagged.bin");
    writeWholeFile(path, std::string(overlongString.begin(), overlongString.end()));
    struct Kind {
        const char* name;
        std::function<std::unique_ptr<DataSource>()> make;
    };
    const Kind kinds[] = {
        {"memory", [] { return std::make_unique<heron::MemoryDataSource>(overlongString.data(), 13, false); }},
        {"file", [&path] { return std::make_unique<heron::FileDataSource>(path.c_str()); }},
    };
    struct Flagging {
        const char* name;
        std::function<void(DataSource&)> flag;
    };
    const Flagging flaggings[] = {
        {"closed", [](DataSource& s) { s.close(); }},
        {"seek past the end", [](DataSource& s) { s.seek(1000); }},
        {"overlong string", [](DataSource& s) { heron_string v; s.readString(v); }},
        {"unknown string mode", [](DataSource& s) { s.setStringMode(9); heron_string v; s.readString(v); }},
    };
    struct Read {
        const char* name;
        std::function<bool(DataSource&)> givesFallback;
    };
    const Read reads[] = {
        {"tag", [](DataSource& s) { std::uint32_t v = 1; s.readTag(v); return v == 0xFFFFFFFF; }},
        {"bool", [](DataSource& s) { bool v = false; s.readBool(v); return v; }},
        {"byte", [](DataSource& s) { char v = 0; s.readByte(v); return v == char(0xFF); }},
        {"byte operations", [](DataSource& s) { char b[4]; return s.readByte() == -1 && s.peekByte() == -1 && s.read(b, 4) == 0; }},
        {"int16", [](DataSource& s) { std::int16_t v = 9; s.readInt16(v); return v == 9; }},
        {"uint32", [](DataSource& s) { std::uint32_t v = 9; s.readUInt32(v); return v == 9; }},
        {"double", [](DataSource& s) { double v = 9; s.readDouble(v); return v == 9; }},
        {"line", [](DataSource& s) { heron_string v("stale"); return !s.readLine(v) && v.empty(); }},
        {"string in each mode", [](DataSource& s) {
             bool empty = true;
             for (int mode = 0; mode <= 4; ++mode) {
                 heron_string v("stale");
                 s.setStringMode(mode);
                 s.readString(v);
                 empty = empty && v.empty();
             }
             return empty;
         }},
    };
    TempLog log;
    for (const Kind& kind : kinds) {
        for (const Flagging& flagging : flaggings) {
            const auto source = kind.make();
            flagging.flag(*source);
            ASSERT_FALSE(source->isOK()) << kind.name << ", " << flagging.name;
            const std::uint32_t position = source->tell();
            const std::uint32_t left = source->remaining();
            for (const Read& read : reads) {
                const std::string where = std::string(kind.name) + ", " + flagging.name + ": " + read.name;
                EXPECT_TRUE(read.givesFallback(*source)) << where;
                EXPECT_TRUE(source->hasError()) << where;
                EXPECT_EQ(source->tell(), position) << where;
                EXPECT_EQ(source->remaining(), left) << where;
            }
        }
    }
}

TEST(FlaggedStreamTest, ClearingAMemorySourcesFlagGivesItsBytesBack)
{
    heron::MemoryDataSource source(overlongString.data(), 13, false);
    heron_string value("stale");
    source.readString(value);
    ASSERT_TRUE(source.hasError());
    EXPECT_EQ(source.remaining(), 8u);
    source.seek(5);
    std::uint32_t word = 0;
    source.readUInt32(word);
    EXPECT_EQ(word, 0x64636261u);
    EXPECT_EQ(source.remaining(), 4u);
    EXPECT_FALSE(source.hasError());
}

TEST(FlaggedStreamTest, AFlaggedSinkWritesOnlyWhatItsByteOperationsTake)
{
    TempFolder folder;
    const std::string path = folder.file("flagged.bin");
    TempLog log;
    heron::MemoryDataDest reference(0);
    writeSome(reference);
    const Bytes expected = bytesOf(reference);
    const Bytes block(heron::FileDataDest::bufferSize, 7);

    heron::MemoryDataDest memory(2);
    heron::FileDataDest file(path.c_str());
    file.write(block.data(), std::uint32_t(block.size()));
    for (DataDest* sink : {static_cast<DataDest*>(&memory), static_cast<DataDest*>(&file)}) {
        sink->setStringMode(2);
        sink->writeString(heron_string(256, 'r'));
        sink->setStringMode(4);
        ASSERT_TRUE(sink->hasError());
        writeSome(*sink);
    }
    // A memory sink keeps appending while flagged, through each growth of its block and a clear.
    EXPECT_EQ(bytesOf(memory), expected);
    EXPECT_GE(memory.capacity(), memory.size());
    memory.clear();
    writeSome(memory);
    EXPECT_EQ(bytesOf(memory), expected);

    // A file sink writes nothing more: the file holds the block it took before the flag.
    file.close();
    EXPECT_TRUE(readWholeFile(path) == std::string(block.begin(), block.end()));
}
