#include "base/DataSource.h"
#include "base/DataDest.h"
#include "base/heron_string.h"
#include "support/StreamTestClasses.h"
#include "support/TempLog.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <tuple>

using heron::MemoryDataDest;
using heron::MemoryDataSource;
using streamtest::Bytes;
using streamtest::bytesOf;
using streamtest::sourceOf;

namespace
{

// A memory source that counts readByte calls and can pretend it cannot seek.
class ProbeSource : public MemoryDataSource
{
public:
    ProbeSource(const Bytes& bytes, bool seekable)
        : MemoryDataSource(bytes.data(), std::uint32_t(bytes.size()), true), m_seekable(seekable)
    {
    }
    using DataSource::readByte;
    int readByte() override
    {
        ++byteReads;
        return MemoryDataSource::readByte();
    }
    bool canSeek() const override { return m_seekable; }
    std::uint32_t remaining() const override { return m_seekable ? MemoryDataSource::remaining() : 0; }

    std::uint64_t byteReads = 0;

private:
    bool m_seekable;
};

Bytes written(bool bigEndian, const std::function<void(heron::DataDest&)>& writeIt)
{
    MemoryDataDest sink(0);
    sink.setBigEndian(bigEndian);
    writeIt(sink);
    return bytesOf(sink);
}

heron_string text(const std::string& s)
{
    return heron_string(s.data(), std::uint32_t(s.size()));
}

std::string plain(const heron_string& s)
{
    return std::string(s.data(), s.length());
}

}

TEST(DataSourceTest, TagIntegersTakeOneByteBelow255AndFiveFromThereInEitherByteOrder)
{
    struct Case {
        std::uint32_t value;
        Bytes little;
        Bytes big;
    };
    const Case cases[] = {
        {0, {0x00}, {0x00}},
        {254, {0xFE}, {0xFE}},
        {255, {0xFF, 0xFF, 0x00, 0x00, 0x00}, {0xFF, 0x00, 0x00, 0x00, 0xFF}},
        {256, {0xFF, 0x00, 0x01, 0x00, 0x00}, {0xFF, 0x00, 0x00, 0x01, 0x00}},
        {0x12345678, {0xFF, 0x78, 0x56, 0x34, 0x12}, {0xFF, 0x12, 0x34, 0x56, 0x78}},
        {0xFFFFFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
    };
    for (const Case& c : cases) {
        for (const bool big : {false, true}) {
            const Bytes bytes = written(big, [&](heron::DataDest& d) { d.writeTag(c.value); });
            EXPECT_EQ(bytes, big ? c.big : c.little) << c.value;
            auto source = sourceOf(bytes);
            source.setBigEndian(big);
            std::uint32_t back = 1;
            source.readTag(back);
            EXPECT_EQ(back, c.value);
            EXPECT_FALSE(source.hasError());
            EXPECT_EQ(source.remaining(), 0u);
        }
    }
}

TEST(DataSourceTest, TagsAroundTheEndOfTheWindowKeepTheirBytesAndValues)
{
    const std::uint32_t values[] = {7, 300, 254, 255, 0x12345678, 9};
    const Bytes reference = written(false, [&](heron::DataDest& d) {
        for (const std::uint32_t v : values) {
            d.writeTag(v);
        }
    });
    // A sink of a few bytes' room fills its window partway through a tag.
    for (std::uint32_t room = 0; room <= 6; ++room) {
        MemoryDataDest sink(room);
        for (const std::uint32_t v : values) {
            sink.writeTag(v);
        }
        EXPECT_EQ(bytesOf(sink), reference) << "room " << room;
    }
    // Data cut anywhere: every whole tag reads back, the first cut one reads as the end of data.
    for (std::size_t cut = 0; cut <= reference.size(); ++cut) {
        auto source = sourceOf(Bytes(reference.begin(), reference.begin() + std::ptrdiff_t(cut)));
        std::size_t next = 0;
        for (std::uint32_t v = 0; next < std::size(values); ++next) {
            source.readTag(v);
            if (source.hasError()) {
                EXPECT_EQ(v, 0xFFFFFFFFu) << "cut " << cut;
                break;
            }
            EXPECT_EQ(v, values[next]) << "cut " << cut;
        }
        EXPECT_EQ(source.hasError(), cut < reference.size()) << "cut " << cut;
    }
}

TEST(DataSourceTest, AFlaggedSourceReadsTheEndOfDataTagThoughBytesAreLeft)
{
    auto source = sourceOf({5, 6});
    source.close();
    std::uint32_t value = 1;
    source.readTag(value);
    EXPECT_EQ(value, 0xFFFFFFFFu);
    source.seek(1);
    source.readTag(value);
    EXPECT_EQ(value, 6u);
}

TEST(DataSourceTest, AFlaggedSinkWritesItsTagsThroughItsByteOperations)
{
    struct ProbeSink : MemoryDataDest
    {
        ProbeSink() : MemoryDataDest(64) {}
        DataDest& writeByte(char byte) override
        {
            ++byteWrites;
            return MemoryDataDest::writeByte(byte);
        }
        int byteWrites = 0;
    };
    ProbeSink sink;
    sink.writeTag(3);
    EXPECT_EQ(sink.byteWrites, 0);
    sink.setStringMode(9);
    sink.writeString(text("refused"));
    ASSERT_TRUE(sink.hasError());
    sink.writeTag(4);
    EXPECT_EQ(sink.byteWrites, 1);
    EXPECT_EQ(bytesOf(sink), (Bytes{3, 4}));
}

TEST(DataSourceTest, FixedSizeValuesAreWrittenInTheChosenByteOrderAndReadBack)
{
    const auto writeSome = [](heron::DataDest& d) { d.writeInt32(0x01020304).writeDouble(1.0).writeLong(-2); };
    EXPECT_EQ(written(false, writeSome), (Bytes{4, 3, 2, 1, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F, 0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(written(true, writeSome), (Bytes{1, 2, 3, 4, 0x3F, 0xF0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFE}));
    EXPECT_EQ(written(false, [](heron::DataDest& d) { d.writeBool(true).writeBool(false); }), (Bytes{1, 0}));

    for (const bool big : {false, true}) {
        const Bytes bytes = written(big, [](heron::DataDest& d) {
            d.writeInt32(-123456789).writeUInt32(0xDEADBEEF).writeDouble(-2.5);
            d.writeDouble(std::int64_t(-0x0123456789ABCDEF)).writeDouble(std::uint64_t(0xFEDCBA9876543210));
            d.writeBool(true).writeByte('x');
            d.writeUInt32(0xA1B2C3D4);
        });
        auto source = sourceOf(bytes);
        source.setBigEndian(big);
        std::int32_t i32 = 0;
        std::uint32_t u32 = 0;
        double real = 0;
        std::int64_t i64 = 0;
        std::uint64_t u64 = 0;
        bool flag = false;
        char byte = 0;
        std::uint16_t high = 0;
        std::int16_t low = 0;
        source.readInt32(i32).readUInt32(u32).readDouble(real).readDouble(i64).readDouble(u64);
        source.readBool(flag).readByte(byte).readUInt16(high).readInt16(low);
        EXPECT_EQ(std::make_tuple(i32, u32, real, i64, u64, flag, byte),
                  std::make_tuple(-123456789, 0xDEADBEEFu, -2.5, std::int64_t(-0x0123456789ABCDEF),
                                  std::uint64_t(0xFEDCBA9876543210u), true, 'x'));
        // The 32-bit value read as two 16-bit halves in the same byte order.
        EXPECT_EQ(std::uint32_t(high) << 16 | std::uint16_t(low), big ? 0xA1B2C3D4u : 0xC3D4A1B2u);
        EXPECT_FALSE(source.hasError());
    }
    auto flags = sourceOf({0, 1, 2, 0xFF});
    bool values[4] = {true, false, false, false};
    flags.readBool(values[0]).readBool(values[1]).readBool(values[2]).readBool(values[3]);
    EXPECT_TRUE(!values[0] && values[1] && values[2] && values[3]);
}

TEST(DataSourceTest, EachStringModeHasItsByteLayout)
{
    const Bytes expected[] = {{'a', 'b', 'c', 0}, {'a', 'b', 'c', 0x0A, 0x0D}, {3, 'a', 'b', 'c'},
        {3, 0, 0, 0, 'a', 'b', 'c'}, {3, 'a', 'b', 'c'}, {0, 0, 0, 3, 'a', 'b', 'c'}};
    for (int mode = 0; mode <= 5; ++mode) {
        const auto writeAbc = [&](heron::DataDest& d) {
            d.setStringMode(mode == 5 ? 3 : mode);
            d.writeString("abc");
        };
        EXPECT_EQ(written(mode == 5, writeAbc), expected[mode]) << mode;
    }
}

TEST(DataSourceTest, StringsRoundTripInEveryModeAndByteOrder)
{
    const std::string texts[] = {"", "x", "hello world", std::string(254, 'a'), std::string(255, 'b'),
                                 std::string(300, 'c'), std::string(70000, 'd'), std::string("a\0b", 3)};
    for (int mode = 0; mode <= 4; ++mode) {
        for (const bool big : {false, true}) {
            for (const std::string& s : texts) {
                const bool fitsMode = (mode >= 2 || s.find('\0') == std::string::npos) &&
                                      (mode != 2 || s.size() <= 255) && (mode >= 2 || !s.empty());
                if (!fitsMode) {
                    continue;
                }
                const Bytes bytes = written(big, [&](heron::DataDest& d) {
                    d.setStringMode(mode);
                    d.writeString(text(s)).writeInt32(77);
                });
                auto source = sourceOf(bytes);
                source.setBigEndian(big);
                source.setStringMode(mode);
                heron_string back("stale");
                std::int32_t after = 0;
                source.readString(back).readInt32(after);
                EXPECT_EQ(plain(back), s) << "mode " << mode << " length " << s.size();
                EXPECT_EQ(after, 77);
                EXPECT_FALSE(source.hasError());
            }
        }
    }
}

TEST(DataSourceTest, StringsAModeCannotHoldAreRefusedWithTheErrorFlag)
{
    TempLog log;
    MemoryDataDest sink(0);
    sink.setStringMode(2);
    sink.writeString(text(std::string(255, 'k')));
    EXPECT_EQ(sink.size(), 256u);
    sink.writeString(text(std::string(256, 'k')));
    EXPECT_TRUE(sink.hasError());
    EXPECT_EQ(sink.size(), 256u);
    EXPECT_TRUE(log.contains("DataDest::writeString() - 256 bytes do not fit a one-byte length, not written\n"));

    MemoryDataDest unknown(0);
    unknown.setStringMode(5);
    unknown.writeString("abc");
    EXPECT_EQ(unknown.size(), 0u);
    EXPECT_TRUE(unknown.hasError());
    auto source = sourceOf({3, 'a', 'b', 'c'});
    source.setStringMode(-1);
    heron_string value("stale");
    source.readString(value);
    EXPECT_TRUE(value.empty());
    EXPECT_TRUE(source.hasError());
    EXPECT_EQ(source.tell(), 0u);
}

TEST(DataSourceTest, TextModesStopAtNulOrLineEndAndConsumeOnePairedLineEnd)
{
    struct Case {
        Bytes bytes;
        const char* first;
        std::uint32_t positionAfter;
    };
    const Case cases[] = {
        {{'a', 'b', 'c', 13, 10, 'z'}, "abc", 5},
        {{'a', 'b', 'c', 10, 13, 'z'}, "abc", 5},
        {{'a', 'b', 'c', 10, 10, 'z'}, "abc", 5},
        {{'a', 10, 10, 'b', 0}, "a", 3},
        {{'a', 'b', 0, 10}, "ab", 3},
        {{'a', 'b', 'c'}, "abc", 3},
        {{'a', 13, 'b'}, "a", 2},
    };
    for (int mode = 0; mode <= 1; ++mode) {
        for (const Case& c : cases) {
            auto source = sourceOf(c.bytes);
            source.setStringMode(mode);
            heron_string value;
            source.readString(value);
            EXPECT_EQ(plain(value), c.first);
            EXPECT_EQ(source.tell(), c.positionAfter);
            EXPECT_FALSE(source.hasError());
        }
    }
}

// A line end is LF, CR, CR LF or LF CR; a second end of the same kind ends an empty line.
TEST(DataSourceTest, ReadLineSplitsOnAnyLineEndAndCountsALastUnterminatedLine)
{
    struct Case
    {
        std::string bytes;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {std::string("a\r\nx\0y\n\n\nz", 10), {"a", std::string("x\0y", 3), "", "", "z"}},
        {"a\n\nb\r\n\r\nc\r\rd", {"a", "", "b", "", "c", "", "d"}},
        {"a\n\r\n\rb\r\n\n", {"a", "", "b", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        auto source = sourceOf(Bytes(c.bytes.begin(), c.bytes.end()));
        heron_string line("stale");
        for (const std::string& expected : c.lines) {
            EXPECT_TRUE(source.readLine(line));
            EXPECT_EQ(plain(line), expected);
        }
        EXPECT_FALSE(source.readLine(line));
        EXPECT_TRUE(line.empty());
    }
}

TEST(DataSourceTest, EveryTypedReadOnTruncatedInputFlagsAnErrorAndLeavesItsTarget)
{
    struct Case {
        const char* name;
        Bytes bytes;
        std::function<bool(heron::DataSource&)> readAndCheck;
    };
    const auto tagIsAllOnes = [](heron::DataSource& s) {
        std::uint32_t v = 7;
        s.readTag(v);
        return v == 0xFFFFFFFF;
    };
    const Case cases[] = {
        {"tag at end", {}, tagIsAllOnes},
        {"long tag cut", {0xFF, 1, 2}, tagIsAllOnes},
        {"bool at end", {}, [](heron::DataSource& s) { bool v = false; s.readBool(v); return v; }},
        {"byte at end", {}, [](heron::DataSource& s) { char v = 0; s.readByte(v); return v == char(0xFF); }},
        {"int16 cut", {1}, [](heron::DataSource& s) { std::int16_t v = 9; s.readInt16(v); return v == 9; }},
        {"uint16 at end", {}, [](heron::DataSource& s) { std::uint16_t v = 9; s.readUInt16(v); return v == 9; }},
        {"int32 cut", {1, 2}, [](heron::DataSource& s) { std::int32_t v = 9; s.readInt32(v); return v == 9; }},
        {"uint32 cut", {1, 2, 3}, [](heron::DataSource& s) { std::uint32_t v = 9; s.readUInt32(v); return v == 9; }},
        {"double half cut", {1, 2, 3}, [](heron::DataSource& s) { double v = 9; s.readDouble(v); return v == 9; }},
        {"double second half cut", {1, 2, 3, 4, 5, 6, 7},
         [](heron::DataSource& s) { std::int64_t v = 9; s.readDouble(v); return v == 9; }},
        {"uint64 at end", {}, [](heron::DataSource& s) { std::uint64_t v = 9; s.readDouble(v); return v == 9; }},
    };
    for (const Case& c : cases) {
        auto source = sourceOf(c.bytes);
        EXPECT_TRUE(c.readAndCheck(source)) << c.name;
        EXPECT_TRUE(source.hasError()) << c.name;
    }
}

TEST(DataSourceTest, CountedStringsWithAMissingOrOversizedLengthAreLeftEmptyWithTheErrorFlag)
{
    TempLog log;
    struct Case {
        int mode;
        Bytes bytes;
    };
    const Case cases[] = {
        {2, {}},
        {3, {1, 0}},
        {4, {}},
        {4, {0xFF, 0x10}},
        {2, {5, 'a', 'b'}},
        {3, {5, 0, 0, 0, 'a'}},
        {4, {0xFF, 0xF0, 0xFF, 0xFF, 0xFF, 'a'}},
        {4, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
        {3, {0xFF, 0xFF, 0xFF, 0x7F}},
    };
    for (const Case& c : cases) {
        auto source = sourceOf(c.bytes);
        source.setStringMode(c.mode);
        heron_string value("stale");
        source.readString(value);
        EXPECT_TRUE(value.empty()) << c.mode;
        EXPECT_TRUE(value.isInline()) << c.mode;
        EXPECT_TRUE(source.hasError()) << c.mode;
    }
    EXPECT_TRUE(log.contains("DataSource::readString() - length 4294967280 is beyond the 1 bytes left"));
}

TEST(DataSourceTest, AStreamThatCannotTellItsLengthBoundsStringsAndPadsAShortOne)
{
    ProbeSource huge({0xFF, 0x00, 0x00, 0x00, 0x40, 'a'}, false);
    heron_string value;
    huge.readString(value);
    EXPECT_TRUE(value.empty());
    EXPECT_TRUE(huge.hasError());

    ProbeSource shortOne({5, 'a', 'b', 'c'}, false);
    shortOne.readString(value);
    EXPECT_EQ(plain(value), std::string("abc\0\0", 5));
    EXPECT_TRUE(shortOne.hasError());
}

TEST(DataSourceTest, SkippingPastTheEndStopsAtTheFirstMissingByte)
{
    ProbeSource source({1, 2, 3}, true);
    source.skip(std::numeric_limits<std::uint32_t>::max());
    EXPECT_EQ(source.byteReads, 4u);
    EXPECT_EQ(source.tell(), 3u);
    EXPECT_EQ(source.readByte(), -1);
}
