#include "gui/paint/GifReader.h"

#include "support/FixedLayout.h"
#include "support/GifTestWriter.h"
#include "support/LogCapture.h"
#include "base/Limits.h"
#include "base/MemoryDataSource.h"
#include "gui/paint/Image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

using giftest::Bytes;
using giftest::Code;
using giftest::Picture;
using kestrel::Image;
using testing_gui::Pixels;
using testing_gui::pixelsOf;

namespace
{

Image decode(const Bytes& bytes)
{
    Image image;
    image.fromGIF(bytes.data(), bytes.size());
    return image;
}

// The pixels a picture should decode to: bottom row first, opaque palette colours, the transparent entry
// (when it lies in the table) with alpha 0, indices beyond the table opaque black.
Pixels expectedPixels(const Picture& picture)
{
    const Pixels& table = picture.local.empty() ? picture.global : picture.local;
    const std::size_t padded = table.empty() ? 0 : std::size_t{2} << giftest::tableBits(table.size());
    Pixels out;
    for (int row = picture.height - 1; row >= 0; --row) {
        for (int x = 0; x < picture.width; ++x) {
            const std::size_t index = picture.indices[static_cast<std::size_t>(row) * picture.width + x];
            std::uint32_t colour = 0xFF000000 | (index < table.size() ? table[index] : 0);
            if (static_cast<int>(index) == picture.transparent && index < padded) {
                colour &= 0x00FFFFFF;
            }
            out.push_back(colour);
        }
    }
    return out;
}

const Pixels fourColours = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};

Picture picture(int width, int height, Bytes indices, Pixels global = fourColours)
{
    return Picture{.width = width, .height = height, .indices = std::move(indices), .global = std::move(global),
                   .minimumCodeSize = 2};
}

Picture smallPicture()
{
    return picture(3, 2, {0, 1, 2, 3, 0, 1});
}

// A width x height picture of colours 0..colours-1 with runs and noise, so that the string table fills up.
Picture patternPicture(int width, int height, int colours, unsigned seed)
{
    Picture picture;
    picture.width = width;
    picture.height = height;
    std::mt19937 random(seed);
    for (int i = 0; i < width * height; ++i) {
        const bool noisy = random() % 4 == 0;
        picture.indices.push_back(static_cast<std::uint8_t>(noisy ? random() % colours : (i / 7) % colours));
    }
    for (int i = 0; i < colours; ++i) {
        picture.global.push_back(static_cast<std::uint32_t>(i) * 0x010203 + 0x102030);
    }
    picture.minimumCodeSize = std::max(2, giftest::tableBits(static_cast<std::size_t>(colours)) + 1);
    return picture;
}

// A picture whose image data is the given codes.
Bytes withCodes(int width, int height, int minimumCodeSize, const std::vector<Code>& codes)
{
    return giftest::writeGif(Picture{.width = width, .height = height, .global = fourColours,
                                     .minimumCodeSize = minimumCodeSize, .codeStream = giftest::packCodes(codes)});
}

}

TEST(GifReaderTest, PicturesDecodeThroughTheirPalettesAndTransparencyFromAnySource)
{
    const Bytes quiet = {0x21, 0xF9, 4, 0, 0, 0, 1, 0};
    const Bytes noise = {0x99, 0x21, 0xFE, 3, 'a', 'b', 'c', 2, 'd', 'e', 0, 0x42};
    const Pixels locals = {0x111111, 0x222222, 0x333333, 0x444444};
    constexpr int widest = heron::limits::maxGifSide;
    struct Case
    {
        const char* what;
        Picture picture;
        int components;
        Bytes afterGlobalTable;
    };
    std::vector<Case> cases = {
        {"global palette", smallPicture(), 3, {}},
        {"a local palette replaces the global one", smallPicture(), 3, {}},
        {"the transparent index gets alpha 0", smallPicture(), 4, {}},
        {"the transparent index of a local palette", smallPicture(), 4, {}},
        {"a transparent index outside the table changes no colour", smallPicture(), 4, {}},
        {"indices beyond the table are opaque black", picture(3, 2, {0, 1, 2, 3, 0, 1}, {1, 2}), 3, {}},
        {"no table at all gives opaque black", picture(3, 2, {0, 1, 2, 3, 0, 1}, {}), 3, {}},
        {"a control extension without the transparency bit is ignored", smallPicture(), 3, quiet},
        {"unknown block bytes and extensions are skipped", smallPicture(), 3, noise},
        {"the widest picture allowed", picture(widest, 1, Bytes(widest, 1)), 3, {}},
    };
    cases[1].picture.local = locals;
    cases[2].picture.transparent = 0;
    cases[3].picture.local = locals;
    cases[3].picture.transparent = 3;
    cases[4].picture.transparent = 200;
    for (const Case& c : cases) {
        Bytes bytes = giftest::writeGif(c.picture);
        bytes.insert(bytes.begin() + 13 + 12, c.afterGlobalTable.begin(), c.afterGlobalTable.end());
        const Image image = decode(bytes);
        EXPECT_EQ(image.width(), c.picture.width) << c.what;
        EXPECT_EQ(image.components(), c.components) << c.what;
        EXPECT_EQ(pixelsOf(image), expectedPixels(c.picture)) << c.what;
        heron::MemoryDataSource source(bytes.data(), static_cast<std::uint32_t>(bytes.size()), false);
        EXPECT_EQ(pixelsOf(kestrel::GifReader(source).read()), expectedPixels(c.picture)) << c.what;
    }
    // Rows are stored bottom up.
    EXPECT_EQ(expectedPixels(smallPicture()),
              (Pixels{0xFFFFFFFF, 0xFFFF0000, 0xFF00FF00, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF}));
}

TEST(GifReaderTest, PicturesRoundTripWithEveryTablePolicyAndInterlacedRowsGoToTheirPlaces)
{
    struct Case
    {
        int width, height, colours;
        bool clearWhenFull;
        std::size_t blockSize;
        bool interlaced;
    };
    const Case cases[] = {
        {300, 200, 256, true, 255, false}, {300, 200, 256, false, 255, false}, {257, 129, 4, true, 1, false},
        {64, 512, 2, false, 7, false},     {1, 1, 2, true, 255, false},        {128, 128, 32, true, 100, false},
        {2, 1, 16, true, 255, true},       {2, 2, 16, true, 255, true},        {2, 3, 16, true, 255, true},
        {2, 5, 16, true, 255, true},       {2, 9, 16, true, 255, true},        {2, 10, 16, true, 255, true},
        {2, 17, 16, true, 255, true},      {33, 21, 64, false, 50, true},
    };
    for (const Case& c : cases) {
        Picture picture = patternPicture(c.width, c.height, c.colours, 42);
        picture.clearWhenFull = c.clearWhenFull;
        picture.blockSize = c.blockSize;
        picture.interlaced = c.interlaced;
        // Every row starts with its own number, so a row in the wrong place shows.
        for (int row = 0; row < c.height; ++row) {
            picture.indices[static_cast<std::size_t>(row) * c.width] = static_cast<std::uint8_t>(row % c.colours);
        }
        const Image image = decode(giftest::writeGif(picture));
        ASSERT_EQ(image.width(), c.width);
        EXPECT_EQ(pixelsOf(image), expectedPixels(picture))
            << c.width << " x " << c.height << ", " << c.colours << " colours, clear " << c.clearWhenFull;
    }
}

TEST(GifReaderTest, HandMadeStreamsDecodeOrAreRefusedWithTheirReason)
{
    const std::string corrupted = "GIF decode failed: corrupted file\n";
    const std::string ended = "GIF decode failed: unexpected end of file\n";
    const std::string tooLarge = "GIF decode failed: image too large\n";
    const auto text = [](const std::string& s) { return Bytes(s.begin(), s.end()); };
    const Bytes header = {'G', 'I', 'F', '8', '7', 'a', 1, 0, 1, 0, 0, 0, 0};
    struct Case
    {
        const char* what;
        Bytes bytes;
        std::string log;
        Pixels expected;        // empty: the image must be empty
    };
    const Case cases[] = {
        {"an end code before the last pixel keeps the pixels so far", withCodes(2, 1, 2, {{4, 3}, {2, 3}, {5, 3}}),
         "GIF decode: image data ended early\n", {0xFF0000FF, 0xFFFF0000}},
        {"minimum code size one gives one pixel per code",
         withCodes(4, 1, 1, {{2, 2}, {0, 2}, {1, 2}, {1, 2}, {0, 2}, {3, 2}}), "",
         {0xFFFF0000, 0xFF00FF00, 0xFF00FF00, 0xFFFF0000}},
        {"no data", {}, "", {}},
        {"a cut signature", text("GIF"), "", {}},
        {"an unknown version", text("GIF88a"), "", {}},
        {"another format", text("PNG\r\n\x1a\n-------"), "", {}},
        {"a lower-case signature", text("gif89a\x01"), "", {}},
        {"a trailer and no image", [&] { Bytes b = header; b.push_back(0x3B); return b; }(), "", {}},
        {"a zero byte and no image", [&] { Bytes b = header; b.push_back(0); return b; }(), "", {}},
        {"minimum code size above 8", withCodes(2, 1, 9, {{512, 10}, {0, 10}, {513, 10}}), corrupted, {}},
        {"code beyond the next free entry", withCodes(4, 1, 2, {{4, 3}, {0, 3}, {7, 3}}), corrupted, {}},
        {"repeat code with no previous string", withCodes(2, 1, 2, {{4, 3}, {6, 3}}), corrupted, {}},
        {"repeat code right after a clear", withCodes(4, 1, 2, {{4, 3}, {0, 3}, {4, 3}, {6, 3}}), corrupted, {}},
        {"more pixels than the image holds", withCodes(1, 1, 2, {{4, 3}, {0, 3}, {0, 3}, {5, 3}}), corrupted, {}},
        {"code stream without end code", withCodes(10, 1, 2, {{4, 3}, {0, 3}, {1, 3}}), ended, {}},
        {"picture larger than its data can hold", withCodes(1000, 1000, 2, {{4, 3}, {0, 3}, {5, 3}}), ended, {}},
        {"one-bit codes cannot cover the picture", withCodes(100, 1, 1, {{2, 2}, {0, 2}, {1, 2}, {3, 2}}), ended, {}},
        {"width above the limit", withCodes(16385, 1, 2, {{4, 3}, {0, 3}, {5, 3}}), tooLarge, {}},
        {"height above the limit", withCodes(1, 65535, 2, {{4, 3}, {0, 3}, {5, 3}}), tooLarge, {}},
        {"more pixels than the limit", withCodes(4097, 4096, 2, {{4, 3}, {0, 3}, {5, 3}}), tooLarge, {}},
    };
    for (const Case& c : cases) {
        const LogCapture log;
        const Image image = decode(c.bytes);
        EXPECT_EQ(image.isEmpty(), c.expected.empty()) << c.what;
        EXPECT_EQ(pixelsOf(image), c.expected) << c.what;
        EXPECT_EQ(log.text(), c.log) << c.what;
    }
}

TEST(GifReaderTest, EveryTruncationFailsCleanlyOrKeepsThePicture)
{
    Picture picture = patternPicture(40, 30, 16, 3);
    picture.transparent = 2;
    picture.blockSize = 50;
    const Bytes bytes = giftest::writeGif(picture);
    const Pixels expected = expectedPixels(picture);
    // The last three bytes are the last data byte's successors: the closing empty block and the trailer.
    for (std::size_t length = 6; length < bytes.size(); ++length) {
        const LogCapture log;
        Image image;
        image.fromGIF(bytes.data(), length);
        if (length + 2 >= bytes.size()) {
            EXPECT_EQ(pixelsOf(image), expected) << "length " << length;
            continue;
        }
        EXPECT_TRUE(image.isEmpty()) << "length " << length;
        EXPECT_EQ(log.text(), "GIF decode failed: unexpected end of file\n") << "length " << length;
    }
}

TEST(GifReaderTest, RandomDamageNeverBreaksTheReader)
{
    Picture picture = patternPicture(33, 21, 64, 11);
    picture.interlaced = true;
    const Bytes original = giftest::writeGif(picture);
    std::mt19937 random(1234);
    const LogCapture log;
    for (int round = 0; round < 3000; ++round) {
        Bytes bytes = original;
        for (int hits = 1 + random() % 4; hits > 0; --hits) {
            bytes[6 + random() % (bytes.size() - 6)] = static_cast<std::uint8_t>(random());
        }
        const Image image = decode(bytes);
        EXPECT_LE(std::max(image.width(), image.height()), heron::limits::maxGifSide);
    }
}
