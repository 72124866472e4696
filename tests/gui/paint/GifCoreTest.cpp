#include "gui/paint/GifCore.h"

#include "base/MemoryDataSource.h"
#include "base/ReadError.h"
#include "support/GifTestWriter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using giftest::Bytes;
using kestrel::CutBlock;
using kestrel::GifBlock;
using kestrel::GifImageData;

namespace
{

// Each fault in words of its own, in the order of GifReasons.
constexpr kestrel::GifReasons reasons{"end of data", "data closed", "bad code size", "bad code", "past the image"};

// A logical screen of 1 x 1 pixels without a colour table, followed by the bytes.
Bytes afterScreen(const Bytes& bytes)
{
    Bytes stream = {1, 0, 1, 0, 0, 0, 0};
    stream.insert(stream.end(), bytes.begin(), bytes.end());
    return stream;
}

heron::MemoryDataSource sourceOf(const Bytes& bytes)
{
    return heron::MemoryDataSource(bytes.data(), static_cast<std::uint32_t>(bytes.size()), false);
}

// The reason decoding the codes into pixels indices gave up with; empty when it did not.
std::string decodeFailure(const Bytes& codes, bool closed, std::size_t pixels)
{
    std::vector<std::uint8_t> indices(pixels);
    try {
        static_cast<void>(kestrel::decodeGifCodes(GifImageData{codes, closed}, 2, indices, reasons));
    } catch (const heron::ReadError& error) {
        return error.what();
    }
    return "";
}

}

TEST(GifCoreTest, TheSearchForTheImageTellsWhereTheBlocksStopped)
{
    const struct
    {
        const char* what;
        Bytes bytes;
        GifBlock block;
    } cases[] = {
        {"an image descriptor", {0x2C}, GifBlock::Image},
        {"stray bytes and an extension before the image", {0x99, 0x21, 0xFE, 2, 'h', 'i', 0, 0x2C}, GifBlock::Image},
        {"the trailer", {0x3B}, GifBlock::Trailer},
        {"a zero byte", {0x00, 0x2C}, GifBlock::Trailer},
        {"nothing after the screen", {}, GifBlock::EndOfData},
    };
    for (const auto& c : cases) {
        const Bytes bytes = afterScreen(c.bytes);
        heron::MemoryDataSource source = sourceOf(bytes);
        kestrel::GifStream gif(source, reasons);
        EXPECT_EQ(gif.readScreen(), (kestrel::GifSize{1, 1})) << c.what;
        EXPECT_EQ(gif.findImage(), c.block) << c.what;
    }
}

TEST(GifCoreTest, ImageDataEndsAtItsClosingBlockOrWhereTheStreamIsCut)
{
    const Bytes twoBlocks = {3, 'a', 'b', 'c', 4, 'd', 'e', 'f', 'g', 0};
    const struct
    {
        const char* what;
        std::size_t length;
        CutBlock cut;
        std::string bytes;
        bool closed;
    } cases[] = {
        {"closed", twoBlocks.size(), CutBlock::Drop, "abcdefg", true},
        {"cut after a whole block", 9, CutBlock::Drop, "abcdefg", false},
        {"a block cut short is kept", 7, CutBlock::Keep, "abcde", false},
        {"a block cut short is dropped", 7, CutBlock::Drop, "abc", false},
        {"cut before a block's size", 4, CutBlock::Keep, "abc", false},
    };
    for (const auto& c : cases) {
        const Bytes bytes(twoBlocks.begin(), twoBlocks.begin() + static_cast<std::ptrdiff_t>(c.length));
        heron::MemoryDataSource source = sourceOf(bytes);
        const GifImageData data = kestrel::GifStream(source, reasons).readImageData(c.cut);
        EXPECT_EQ(std::string(data.bytes.begin(), data.bytes.end()), c.bytes) << c.what;
        EXPECT_EQ(data.closed, c.closed) << c.what;
    }
}

TEST(GifCoreTest, CodeStreamFaultsGiveTheReasonsTheReaderChose)
{
    const struct
    {
        const char* what;
        std::vector<giftest::Code> codes;
        bool closed;
        std::string reason;
    } cases[] = {
        {"codes run out before a closing block", {{4, 3}, {1, 3}}, true, "data closed"},
        {"codes run out where the stream was cut", {{4, 3}, {1, 3}}, false, "end of data"},
        {"a code past the table", {{4, 3}, {1, 3}, {7, 3}}, true, "bad code"},
        {"more pixels than the image", {{4, 3}, {1, 3}, {1, 3}, {1, 3}, {5, 3}}, true, "past the image"},
        {"an early end code", {{4, 3}, {1, 3}, {5, 3}}, true, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(decodeFailure(giftest::packCodes(c.codes), c.closed, 2), c.reason) << c.what;
    }
}

TEST(GifCoreTest, PaintingStopsAtTheIndicesWrittenInTheStoredRowOrder)
{
    kestrel::Image image(2, 5);
    kestrel::GifPalette palette;
    palette.fill(0xFF000000);
    palette[1] = 0xFF111111;
    // Stored rows 0, 4, 2, 1, 3: rows 0 and 4 whole, then the first pixel of row 2.
    kestrel::paintGifIndices(image, std::vector<std::uint8_t>(10, 1), 5, palette, true);
    const auto at = [&](int x, int row) { return *image.pixelAt(x, 4 - row); };
    for (const int row : {0, 4}) {
        EXPECT_EQ(at(0, row), 0xFF111111u) << row;
        EXPECT_EQ(at(1, row), 0xFF111111u) << row;
    }
    EXPECT_EQ(at(0, 2), 0xFF111111u);
    EXPECT_EQ(at(1, 2), 0u);
    EXPECT_EQ(at(0, 1), 0u);
    EXPECT_EQ(at(1, 3), 0u);
}

// The bound must admit the most a code stream can stand for: one colour, its strings growing by one
// pixel a code, with and without table resets, past the 4096 codes that fill the table.
TEST(GifCoreTest, ThePixelBoundAdmitsTheMostCompressibleData)
{
    for (const std::size_t pixels : {1, 7, 5000, 300000, 9000000}) {
        for (const int codeSize : {2, 8}) {
            for (const bool clearWhenFull : {true, false}) {
                const Bytes data = giftest::lzwEncode(Bytes(pixels, 1), codeSize, clearWhenFull);
                EXPECT_LE(pixels, kestrel::mostGifPixels(data.size(), codeSize))
                    << pixels << " pixels, code size " << codeSize;
            }
        }
    }
}
