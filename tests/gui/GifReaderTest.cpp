#include "gui/GifReader.h"

#include "GifTestWriter.h"
#include "LogCapture.h"
#include "base/MemoryDataSource.h"
#include "gui/Image.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using giftest::Bytes;
using giftest::Code;
using giftest::Picture;
using kestrel::Image;

namespace
{

Image decode(const Bytes& bytes)
{
    Image image;
    image.fromGIF(bytes.data(), bytes.size());
    return image;
}

std::vector<std::uint32_t> pixelsOf(const Image& image)
{
    const std::uint32_t* first = image.pixels();
    return std::vector<std::uint32_t>(first, first + static_cast<std::size_t>(image.width()) * image.height());
}

// The pixels a picture should decode to: bottom row first, opaque palette colours, the transparent entry
// (when it lies in the table) with alpha 0, indices beyond the table opaque black.
std::vector<std::uint32_t> expectedPixels(const Picture& picture)
{
    const std::vector<std::uint32_t>& table = picture.local.empty() ? picture.global : picture.local;
    const std::size_t padded = table.empty() ? 0 : std::size_t{2} << giftest::tableBits(table.size());
    std::vector<std::uint32_t> out;
    for (int row = picture.height - 1; row >= 0; --row) {
        for (int x = 0; x < picture.width; ++x) {
            const int index = picture.indices[static_cast<std::size_t>(row) * picture.width + x];
            std::uint32_t colour = 0xFF000000;
            if (static_cast<std::size_t>(index) < table.size()) {
                colour |= table[index];
            }
            if (index == picture.transparent && static_cast<std::size_t>(index) < padded) {
                colour &= 0x00FFFFFF;
            }
            out.push_back(colour);
        }
    }
    return out;
}

const std::vector<std::uint32_t> fourColours = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};

Picture smallPicture()
{
    Picture picture;
    picture.width = 3;
    picture.height = 2;
    picture.indices = {0, 1, 2, 3, 0, 1};
    picture.global = fourColours;
    picture.minimumCodeSize = 2;
    return picture;
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
    int bits = 2;
    while ((1 << bits) < colours) {
        ++bits;
    }
    picture.minimumCodeSize = bits;
    return picture;
}

// A picture whose image data is the given codes.
Bytes withCodes(int width, int height, int minimumCodeSize, const std::vector<Code>& codes)
{
    Picture picture;
    picture.width = width;
    picture.height = height;
    picture.global = fourColours;
    picture.minimumCodeSize = minimumCodeSize;
    picture.codeStream = giftest::packCodes(codes);
    return giftest::writeGif(picture);
}

struct Outcome
{
    bool empty;
    std::string log;
};

Outcome decodeLogged(const Bytes& bytes)
{
    const LogCapture log;
    const Image image = decode(bytes);
    return {image.isEmpty(), log.text()};
}

}

TEST(GifReaderTest, GlobalPaletteRowsAreStoredBottomUp)
{
    const Image image = decode(giftest::writeGif(smallPicture()));
    ASSERT_EQ(image.width(), 3);
    ASSERT_EQ(image.height(), 2);
    EXPECT_EQ(image.components(), 3);
    EXPECT_EQ(pixelsOf(image),
              (std::vector<std::uint32_t>{0xFFFFFFFF, 0xFFFF0000, 0xFF00FF00, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF}));
}

TEST(GifReaderTest, LocalPaletteReplacesTheGlobalOne)
{
    Picture picture = smallPicture();
    picture.local = {0x111111, 0x222222, 0x333333, 0x444444};
    const Image image = decode(giftest::writeGif(picture));
    EXPECT_EQ(pixelsOf(image), expectedPixels(picture));
    EXPECT_EQ(*image.pixelAt(0, 1), 0xFF111111u);
}

TEST(GifReaderTest, TransparentIndexGivesAlphaZeroAndFourComponents)
{
    Picture picture = smallPicture();
    picture.transparent = 0;
    const Image image = decode(giftest::writeGif(picture));
    EXPECT_EQ(image.components(), 4);
    EXPECT_EQ(*image.pixelAt(0, 1), 0x00FF0000u);
    EXPECT_EQ(pixelsOf(image), expectedPixels(picture));

    picture.local = {0x111111, 0x222222, 0x333333, 0x444444};
    picture.transparent = 3;
    EXPECT_EQ(pixelsOf(decode(giftest::writeGif(picture))), expectedPixels(picture));
}

TEST(GifReaderTest, TransparentIndexOutsideTheTableChangesNoColour)
{
    Picture picture = smallPicture();
    picture.transparent = 200;
    const Image image = decode(giftest::writeGif(picture));
    EXPECT_EQ(image.components(), 4);
    EXPECT_EQ(pixelsOf(image), expectedPixels(picture));
}

TEST(GifReaderTest, ControlExtensionWithoutTransparencyBitIsIgnored)
{
    Bytes bytes = giftest::writeGif(smallPicture());
    const Bytes control = {0x21, 0xF9, 4, 0, 0, 0, 1, 0};
    bytes.insert(bytes.begin() + 13 + 12, control.begin(), control.end());
    const Image image = decode(bytes);
    EXPECT_EQ(image.components(), 3);
    EXPECT_EQ(pixelsOf(image), expectedPixels(smallPicture()));
}

TEST(GifReaderTest, InterlacedRowsGoToTheirPlaces)
{
    for (const int height : {1, 2, 3, 5, 9, 10, 17}) {
        Picture picture = patternPicture(2, height, 16, 7);
        for (int row = 0; row < height; ++row) {
            picture.indices[2 * row] = static_cast<std::uint8_t>(row % 16);
        }
        picture.interlaced = true;
        EXPECT_EQ(pixelsOf(decode(giftest::writeGif(picture))), expectedPixels(picture)) << "height " << height;
    }
}

TEST(GifReaderTest, LargePicturesRoundTripWithEveryTablePolicy)
{
    struct Case
    {
        int width, height, colours;
        bool clearWhenFull;
        std::size_t blockSize;
    };
    const Case cases[] = {
        {300, 200, 256, true, 255}, {300, 200, 256, false, 255}, {257, 129, 4, true, 1},
        {64, 512, 2, false, 7},     {1, 1, 2, true, 255},        {128, 128, 32, true, 100},
    };
    for (const Case& c : cases) {
        Picture picture = patternPicture(c.width, c.height, c.colours, 42);
        picture.clearWhenFull = c.clearWhenFull;
        picture.blockSize = c.blockSize;
        const Image image = decode(giftest::writeGif(picture));
        ASSERT_EQ(image.width(), c.width);
        EXPECT_EQ(pixelsOf(image), expectedPixels(picture))
            << c.width << " x " << c.height << ", " << c.colours << " colours, clear " << c.clearWhenFull;
    }
}

TEST(GifReaderTest, IndicesBeyondTheTableAndMissingTablesGiveOpaqueBlack)
{
    Picture picture = smallPicture();
    picture.global = {0x123456, 0x654321};
    picture.indices = {0, 1, 2, 3, 0, 1};
    EXPECT_EQ(pixelsOf(decode(giftest::writeGif(picture))), expectedPixels(picture));

    picture.global.clear();
    EXPECT_EQ(pixelsOf(decode(giftest::writeGif(picture))), std::vector<std::uint32_t>(6, 0xFF000000));
}

TEST(GifReaderTest, NotAGifGivesAnEmptyImageSilently)
{
    for (const std::string text : {"", "GIF", "GIF88a", "PNG\r\n\x1a\n-------", "gif89a\x01\x00\x01\x00"}) {
        const Outcome outcome = decodeLogged(Bytes(text.begin(), text.end()));
        EXPECT_TRUE(outcome.empty);
        EXPECT_EQ(outcome.log, "");
    }
}

TEST(GifReaderTest, StreamsWithoutImagesGiveAnEmptyImageSilently)
{
    Bytes header = {'G', 'I', 'F', '8', '7', 'a', 1, 0, 1, 0, 0, 0, 0};
    for (const std::uint8_t end : {0x3B, 0x00}) {
        Bytes bytes = header;
        bytes.push_back(end);
        const Outcome outcome = decodeLogged(bytes);
        EXPECT_TRUE(outcome.empty);
        EXPECT_EQ(outcome.log, "");
    }
}

TEST(GifReaderTest, UnknownBlockBytesAndExtensionsAreSkipped)
{
    Bytes bytes = giftest::writeGif(smallPicture());
    const Bytes noise = {0x99, 0x21, 0xFE, 3, 'a', 'b', 'c', 2, 'd', 'e', 0, 0x42};
    bytes.insert(bytes.begin() + 13 + 12, noise.begin(), noise.end());
    EXPECT_EQ(pixelsOf(decode(bytes)), expectedPixels(smallPicture()));
}

TEST(GifReaderTest, EveryTruncationFailsCleanlyOrKeepsThePicture)
{
    Picture picture = patternPicture(40, 30, 16, 3);
    picture.transparent = 2;
    picture.blockSize = 50;
    const Bytes bytes = giftest::writeGif(picture);
    const std::vector<std::uint32_t> expected = expectedPixels(picture);
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

TEST(GifReaderTest, DamagedStreamsAreRefusedWithTheirReason)
{
    const std::string corrupted = "GIF decode failed: corrupted file\n";
    const std::string ended = "GIF decode failed: unexpected end of file\n";
    struct Case
    {
        const char* what;
        Bytes bytes;
        std::string log;
    };
    const std::vector<Case> cases = {
        {"minimum code size above 8", withCodes(2, 1, 9, {{512, 10}, {0, 10}, {513, 10}}), corrupted},
        {"code beyond the next free entry", withCodes(4, 1, 2, {{4, 3}, {0, 3}, {7, 3}}), corrupted},
        {"repeat code with no previous string", withCodes(2, 1, 2, {{4, 3}, {6, 3}}), corrupted},
        {"repeat code right after a clear", withCodes(4, 1, 2, {{4, 3}, {0, 3}, {4, 3}, {6, 3}}), corrupted},
        {"more pixels than the image holds", withCodes(1, 1, 2, {{4, 3}, {0, 3}, {0, 3}, {5, 3}}), corrupted},
        {"code stream without end code", withCodes(10, 1, 2, {{4, 3}, {0, 3}, {1, 3}}), ended},
        {"picture larger than its data can hold", withCodes(1000, 1000, 2, {{4, 3}, {0, 3}, {5, 3}}), ended},
        {"one-bit codes cannot cover the picture", withCodes(100, 1, 1, {{2, 2}, {0, 2}, {1, 2}, {3, 2}}), ended},
        {"width above the limit", withCodes(16385, 1, 2, {{4, 3}, {0, 3}, {5, 3}}),
         "GIF decode failed: image too large\n"},
        {"height above the limit", withCodes(1, 65535, 2, {{4, 3}, {0, 3}, {5, 3}}),
         "GIF decode failed: image too large\n"},
        {"more pixels than the limit", withCodes(4097, 4096, 2, {{4, 3}, {0, 3}, {5, 3}}),
         "GIF decode failed: image too large\n"},
    };
    for (const Case& c : cases) {
        const Outcome outcome = decodeLogged(c.bytes);
        EXPECT_TRUE(outcome.empty) << c.what;
        EXPECT_EQ(outcome.log, c.log) << c.what;
    }
}

TEST(GifReaderTest, EndCodeBeforeTheLastPixelKeepsThePixelsSoFar)
{
    const Image image = decode(withCodes(2, 1, 2, {{4, 3}, {2, 3}, {5, 3}}));
    ASSERT_EQ(image.width(), 2);
    EXPECT_EQ(pixelsOf(image), (std::vector<std::uint32_t>{0xFF0000FF, 0xFFFF0000}));
}

TEST(GifReaderTest, MinimumCodeSizeOneGivesOnePixelPerCode)
{
    const Image image = decode(withCodes(4, 1, 1, {{2, 2}, {0, 2}, {1, 2}, {1, 2}, {0, 2}, {3, 2}}));
    EXPECT_EQ(pixelsOf(image), (std::vector<std::uint32_t>{0xFFFF0000, 0xFF00FF00, 0xFF00FF00, 0xFFFF0000}));
}

TEST(GifReaderTest, MaximumWidthIsAccepted)
{
    Picture picture;
    picture.width = kestrel::GifReader::maxDimension;
    picture.height = 1;
    picture.indices.assign(picture.width, 1);
    picture.global = fourColours;
    picture.minimumCodeSize = 2;
    const Image image = decode(giftest::writeGif(picture));
    ASSERT_EQ(image.width(), kestrel::GifReader::maxDimension);
    EXPECT_EQ(*image.pixelAt(picture.width - 1, 0), 0xFF00FF00u);
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
        if (!image.isEmpty()) {
            EXPECT_LE(image.width(), kestrel::GifReader::maxDimension);
            EXPECT_LE(image.height(), kestrel::GifReader::maxDimension);
        }
    }
}

TEST(GifReaderTest, ReadsFromAnyBoundedSource)
{
    const Bytes bytes = giftest::writeGif(smallPicture());
    heron::MemoryDataSource source(bytes.data(), static_cast<std::uint32_t>(bytes.size()), false);
    EXPECT_EQ(pixelsOf(kestrel::GifReader(source).read()), expectedPixels(smallPicture()));
}
