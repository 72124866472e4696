#include "gui/paint/Image.h"

#include "base/Limits.h"
#include "support/FixedLayout.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using kestrel::Image;
using kestrel::ImageBody;
using testing_gui::Pixels;
using testing_gui::pixelsOf;

namespace
{

Image imageOf(int width, int height, Pixels pixels)
{
    return Image(width, height, pixels.data());
}

}

TEST(ImageTest, NewImagesCopyTheirSourceAndSizesBelowOneGiveEmptyImages)
{
    const Image image = imageOf(2, 2, {1, 2, 3, 4});
    EXPECT_EQ(image.components(), 4);
    EXPECT_EQ(pixelsOf(image), (Pixels{1, 2, 3, 4}));
    EXPECT_EQ(pixelsOf(Image(2, 1)), (Pixels{0, 0}));
    for (const auto& [width, height] : std::vector<std::pair<int, int>>{{0, 5}, {5, 0}, {-1, 3}, {0, 0}}) {
        const Image empty(width, height);
        EXPECT_TRUE(empty.isEmpty());
        EXPECT_EQ(empty.pixels(), nullptr);
    }
}

TEST(ImageTest, SizesBeyondTheCapsAreRefusedWithALogLine)
{
    LogCapture log;
    EXPECT_TRUE(Image(heron::limits::maxImageSide + 1, 1).isEmpty());
    EXPECT_TRUE(Image(1 << 14, 1 << 13).isEmpty());
    Image resized(2, 2);
    resized.resize(1 << 13, 1 << 14);
    EXPECT_TRUE(resized.isEmpty());
    EXPECT_TRUE(log.contains("Image: 16384 x 8192 pixels is too large, refused"));
    EXPECT_FALSE(Image(heron::limits::maxImageSide, 1).isEmpty());
}

TEST(ImageTest, CopiesShareTheBodyCopyFromMakesAnOwnOneEvenFromItselfAndTheLastHandleFreesIt)
{
    // Runs clean under the address sanitizer only when every body is freed exactly once.
    Image original = imageOf(2, 1, {10, 20});
    const Image shared = original;
    Image separate;
    separate.copyFrom(original);
    original.setComponents(3);
    *original.pixelAt(0, 0) = 99;
    EXPECT_EQ(*shared.pixelAt(0, 0), 99u);
    EXPECT_EQ(*separate.pixelAt(0, 0), 10u);
    EXPECT_EQ(separate.components(), 4);
    separate.copyFrom(Image());
    EXPECT_TRUE(separate.isEmpty());
    {
        Image copy = shared;
        const Image moved = std::move(copy);
        EXPECT_EQ(original.body()->refCount(), 3);
        original = Image();
        EXPECT_EQ(*moved.pixelAt(0, 0), 99u);
    }
    EXPECT_EQ(shared.body()->refCount(), 1);

    Image image = imageOf(1, 1, {7});
    const ImageBody* const body = image.body();
    Image& alias = image;
    image = alias;
    EXPECT_EQ(image.body(), body);
    EXPECT_EQ(image.body()->refCount(), 1);
    image.copyFrom(alias);
    EXPECT_EQ(*image.pixelAt(0, 0), 7u);
}

TEST(ImageTest, SubImageIsClippedToTheSource)
{
    // 3 x 3, value = 10 * row + column, row 0 at the bottom.
    const Image source = imageOf(3, 3, {0, 1, 2, 10, 11, 12, 20, 21, 22});
    EXPECT_EQ(pixelsOf(Image(source, 1, 1, 2, 2)), (Pixels{11, 12, 21, 22}));
    EXPECT_EQ(pixelsOf(Image(source, -1, -1, 3, 2)), (Pixels{0, 1}));
    EXPECT_EQ(pixelsOf(Image(source, 2, 0, 5, 5)), (Pixels{2, 12, 22}));
    EXPECT_TRUE(Image(source, 3, 0, 2, 2).isEmpty());
    EXPECT_TRUE(Image(source, -2, 0, 2, 2).isEmpty());
    EXPECT_TRUE(Image(Image(), 0, 0, 2, 2).isEmpty());
}

TEST(ImageTest, BlendAndAverageWorkPerChannel)
{
    EXPECT_EQ(kestrel::averagePixels(0xFFFFFFFF, 0x00000000), 0x7F7F7F7Fu);
    EXPECT_EQ(kestrel::averagePixels(0x10203040, 0x30405060), 0x20304050u);
    EXPECT_EQ(kestrel::blendPixels(0x12345678, 0xFFFFFFFF, 0), 0x12345678u);
    EXPECT_EQ(kestrel::blendPixels(0xFF000000, 0xFF0000FF, 49152), 0xFF0000BFu);
    EXPECT_EQ(kestrel::blendPixels(0x00FF0000, 0x0000FF00, 32768), 0x007F7F00u);
}

TEST(ImageTest, ResizeResamplesByHand)
{
    struct Case
    {
        const char* what;
        int width, height;
        Pixels pixels;
        int toWidth, toHeight;
        Pixels expected;
    };
    const Case cases[] = {
        {"one pixel grown is replicated", 1, 1, {0xFF336699}, 3, 2, Pixels(6, 0xFF336699)},
        // Step 0.5: targets sample at 0.25, 0.75, 1.25, 1.75 and the last source pixel blends with itself.
        {"a row stretches from the end backwards", 2, 1, {0xFF000000, 0xFF0000FF}, 4, 1,
         {0xFF00003F, 0xFF0000BF, 0xFF0000FF, 0xFF0000FF}},
        {"a column stretches the same way", 1, 2, {0xFF000000, 0xFF0000FF}, 1, 4,
         {0xFF00003F, 0xFF0000BF, 0xFF0000FF, 0xFF0000FF}},
        {"halving averages pairs", 4, 1, {0x10, 0x20, 0x40, 0x80}, 2, 1, {0x18, 0x60}},
        // (0x10, 0x20) -> 0x18 and (0x40, 0x80) -> 0x60, then (0x18, 0x60) -> 0x3C.
        {"quartering averages pairs twice", 1, 4, {0x10, 0x20, 0x40, 0x80}, 1, 1, {0x3C}},
        // Step 1.5: the targets take pixel 0 and the midpoint of pixels 1 and 2.
        {"other factors resample linearly first", 3, 1, {0x11, 0x00, 0xFF}, 2, 1, {0x11, 0x7F}},
        {"a width below one empties", 2, 2, {1, 2, 3, 4}, 0, 3, {}},
        {"a height below one empties", 2, 2, {1, 2, 3, 4}, 3, -1, {}},
        {"an empty image gets a blank body", 0, 0, {}, 2, 3, Pixels(6, 0)},
    };
    for (const Case& c : cases) {
        Image image = imageOf(c.width, c.height, c.pixels);
        const Image other = image;
        image.resize(c.toWidth, c.toHeight);
        EXPECT_EQ(pixelsOf(image), c.expected) << c.what;
        EXPECT_EQ(image.isEmpty(), c.expected.empty()) << c.what;
        if (!c.expected.empty() && !other.isEmpty()) {
            EXPECT_EQ(other.width(), c.toWidth) << c.what << ": seen through every handle";
        }
    }
}

TEST(ImageTest, HugeStretchesStayInsideTheSourceAndShrinkingKeepsAreas)
{
    // 2 -> 100000 gives a step of 1/65536 (and 2 -> 200000 a step of 0): the walk starts on the end.
    for (const int width : {100000, 200000}) {
        Image row = imageOf(2, 1, {0xFF000000, 0xFF0000FF});
        row.resize(width, 1);
        ASSERT_EQ(row.width(), width);
        EXPECT_EQ(*row.pixelAt(width - 1, 0), 0xFF0000FFu);
        EXPECT_EQ(*row.pixelAt(0, 0) & 0xFFFFFF00, 0xFF000000u);
    }
    // 256 -> 100 goes through 200: a picture split in two halves keeps its halves.
    Pixels halves(256 * 256);
    for (std::size_t i = 0; i < halves.size(); ++i) {
        halves[i] = (i % 256) < 128 ? 0xFF000000 : 0xFFFFFFFF;
    }
    Image big = imageOf(256, 256, halves);
    big.resize(100, 100);
    ASSERT_EQ(big.height(), 100);
    EXPECT_EQ(*big.pixelAt(0, 0), 0xFF000000u);
    EXPECT_EQ(*big.pixelAt(99, 99), 0xFFFFFFFFu);
    Image quarter = imageOf(256, 256, halves);
    quarter.resize(64, 64);
    EXPECT_EQ(*quarter.pixelAt(31, 10), 0xFF000000u);
    EXPECT_EQ(*quarter.pixelAt(32, 10), 0xFFFFFFFFu);
}

TEST(ImageTest, NoiseFollowsTheMultiplyWithCarryGenerators)
{
    Image image(3, 1);
    image.fillNoise(0x12345678);
    EXPECT_EQ(pixelsOf(image), (Pixels{0xFFECE4B0, 0xFF939D8F, 0xFF9B95DC}));
    image.fillNoise(0);
    EXPECT_EQ(pixelsOf(image), (Pixels{0xFF80B9B0, 0xFF80EDCF, 0xFF80F5B0}));
}

TEST(ImageTest, PasteSkipsWhatFallsOutsideIntoItselfCopiesTheOriginalAndWritesDropTheDerivedImage)
{
    const Image source = imageOf(2, 2, {1, 2, 3, 4});
    struct Case
    {
        int width, height;
        Image source;
        int x, y;
        Pixels expected;
    };
    const Case cases[] = {
        // The bottom-left pixel lands at (-1, 2): only the bottom-right pixel fits, at (0, 2).
        {3, 3, source, -1, 2, {0, 0, 0, 0, 0, 0, 2, 0, 0}},
        {3, 3, source, 1, 0, {0, 1, 2, 0, 3, 4, 0, 0, 0}},
        {2, 2, imageOf(4, 4, Pixels(16, 5)), -1, -1, Pixels(4, 5)},
        {2, 2, source, 2, 0, Pixels(4, 0)},
        {2, 2, source, 0, -2, Pixels(4, 0)},
    };
    for (const Case& c : cases) {
        Image target(c.width, c.height);
        target.setDerivedImage(Image(1, 1));
        target.paste(c.source, c.x, c.y);
        EXPECT_EQ(pixelsOf(target), c.expected) << c.x << "," << c.y;
        // Only a paste that changes pixels drops the derived image.
        EXPECT_EQ(target.derivedImage().isEmpty(), c.expected != Pixels(c.expected.size(), 0)) << c.x << "," << c.y;
    }
    Image image = imageOf(3, 1, {1, 2, 3});
    image.paste(image, 1, 0);
    EXPECT_EQ(pixelsOf(image), (Pixels{1, 1, 2}));
    // So does any write, but not a read.
    image.setDerivedImage(Image(1, 1));
    std::as_const(image).pixelAt(0, 0);
    EXPECT_FALSE(image.derivedImage().isEmpty());
    image.pixelAt(0, 0);
    EXPECT_TRUE(image.derivedImage().isEmpty());
}

TEST(ImageTest, CornerColourBecomesTransparentAndTheMaskClearsSeeThroughPixels)
{
    // The top-left pixel is the first of the top row, which is stored last.
    Image image = imageOf(2, 2, {0xFF00FF00, 0xFF112233, 0xFF00FF00, 0xFF445566});
    image.makeCornerTransparent();
    EXPECT_EQ(pixelsOf(image), (Pixels{0x0000FF00, 0xFF112233, 0x0000FF00, 0xFF445566}));

    Image masked = imageOf(2, 1, {0x7FFFFFFF, 0x80FFFFFF});
    masked.buildMask();
    EXPECT_EQ(masked.mask(), (Pixels{0xFFFFFFFF, 0}));
    EXPECT_EQ(pixelsOf(masked), (Pixels{0, 0x80FFFFFF}));
    Image opaque = imageOf(2, 1, {0xFF000000, 0x80FFFFFF});
    opaque.buildMask();
    EXPECT_TRUE(opaque.mask().empty());
    Image rgb = imageOf(1, 1, {0x00123456});
    rgb.setComponents(3);
    rgb.buildMask();
    EXPECT_TRUE(rgb.mask().empty());
    EXPECT_EQ(*rgb.pixelAt(0, 0), 0x00123456u);
}

TEST(ImageTest, FillOfABodyWithoutPixelsIsLogged)
{
    const LogCapture log;
    Image image(2, 2);
    image.fill(0xFF123456);
    EXPECT_EQ(pixelsOf(image), Pixels(4, 0xFF123456));
    EXPECT_EQ(log.text(), "");
    ImageBody record(640, 480, false);
    record.fill(1);
    EXPECT_EQ(log.text(), "Oooops! in Image::fill()\n");
    EXPECT_TRUE(record.pixels().empty());
}
