#include "gui/Image.h"

#include "LogCapture.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using kestrel::Image;
using kestrel::ImageBody;

namespace
{

std::vector<std::uint32_t> pixelsOf(const Image& image)
{
    const std::uint32_t* first = image.pixels();
    return std::vector<std::uint32_t>(first, first + static_cast<std::size_t>(image.width()) * image.height());
}

Image imageOf(int width, int height, std::vector<std::uint32_t> pixels)
{
    return Image(width, height, pixels.data());
}

}

TEST(ImageTest, SizeBelowOneGivesAnEmptyImage)
{
    for (const auto& [width, height] : std::vector<std::pair<int, int>>{{0, 5}, {5, 0}, {-1, 3}, {0, 0}}) {
        const Image image(width, height);
        EXPECT_TRUE(image.isEmpty());
        EXPECT_EQ(image.width(), 0);
        EXPECT_EQ(image.height(), 0);
        EXPECT_EQ(image.pixels(), nullptr);
    }
}

TEST(ImageTest, NewImageCopiesSourcePixelsAndHasFourComponents)
{
    const Image image = imageOf(2, 2, {1, 2, 3, 4});
    EXPECT_EQ(image.components(), 4);
    EXPECT_EQ(pixelsOf(image), (std::vector<std::uint32_t>{1, 2, 3, 4}));
    EXPECT_EQ(*image.pixelAt(1, 1), 4u);
    EXPECT_EQ(pixelsOf(Image(2, 1)), (std::vector<std::uint32_t>{0, 0}));
}

TEST(ImageTest, CopiesShareTheBodyAndCopyFromMakesAnOwnOne)
{
    Image original = imageOf(2, 1, {10, 20});
    const Image shared = original;
    Image separate;
    separate.copyFrom(original);
    original.setComponents(3);
    *original.pixelAt(0, 0) = 99;

    EXPECT_EQ(shared.body(), original.body());
    EXPECT_EQ(*shared.pixelAt(0, 0), 99u);
    EXPECT_NE(separate.body(), original.body());
    EXPECT_EQ(*separate.pixelAt(0, 0), 10u);
    EXPECT_EQ(separate.components(), 4);

    separate.copyFrom(Image());
    EXPECT_TRUE(separate.isEmpty());
}

TEST(ImageTest, CopyFromItselfAndSelfAssignmentKeepThePixels)
{
    Image image = imageOf(1, 1, {7});
    const ImageBody* const body = image.body();
    Image& alias = image;
    image = alias;
    EXPECT_EQ(image.body(), body);
    EXPECT_EQ(image.body()->refCount(), 1);
    EXPECT_EQ(*image.pixelAt(0, 0), 7u);
    image.copyFrom(alias);
    EXPECT_EQ(*image.pixelAt(0, 0), 7u);
}

TEST(ImageTest, TheLastHandleFreesTheBody)
{
    // Runs clean under the address sanitizer only when every body is freed exactly once.
    Image a = imageOf(1, 1, {1});
    {
        Image b = a;
        EXPECT_EQ(a.body()->refCount(), 2);
        Image c = std::move(b);
        EXPECT_EQ(a.body()->refCount(), 2);
        a = Image();
        EXPECT_EQ(*c.pixelAt(0, 0), 1u);
    }
    EXPECT_TRUE(a.isEmpty());
}

TEST(ImageTest, SubImageIsClippedToTheSource)
{
    // 3 x 3, value = 10 * row + column, row 0 at the bottom.
    const Image source = imageOf(3, 3, {0, 1, 2, 10, 11, 12, 20, 21, 22});
    EXPECT_EQ(pixelsOf(Image(source, 1, 1, 2, 2)), (std::vector<std::uint32_t>{11, 12, 21, 22}));
    EXPECT_EQ(pixelsOf(Image(source, -1, -1, 3, 2)), (std::vector<std::uint32_t>{0, 1}));
    EXPECT_EQ(pixelsOf(Image(source, 2, 0, 5, 5)), (std::vector<std::uint32_t>{2, 12, 22}));
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

TEST(ImageTest, OnePixelResizedUpIsReplicated)
{
    Image image = imageOf(1, 1, {0xFF336699});
    image.resize(3, 2);
    ASSERT_EQ(image.width(), 3);
    ASSERT_EQ(image.height(), 2);
    EXPECT_EQ(pixelsOf(image), std::vector<std::uint32_t>(6, 0xFF336699));
}

TEST(ImageTest, StretchingBlendsFromTheEndBackwards)
{
    // Step 0.5: targets sample at 0.25, 0.75, 1.25, 1.75 and the last source pixel blends with itself.
    Image row = imageOf(2, 1, {0xFF000000, 0xFF0000FF});
    row.resize(4, 1);
    EXPECT_EQ(pixelsOf(row), (std::vector<std::uint32_t>{0xFF00003F, 0xFF0000BF, 0xFF0000FF, 0xFF0000FF}));

    Image column = imageOf(1, 2, {0xFF000000, 0xFF0000FF});
    column.resize(1, 4);
    EXPECT_EQ(pixelsOf(column), (std::vector<std::uint32_t>{0xFF00003F, 0xFF0000BF, 0xFF0000FF, 0xFF0000FF}));
}

TEST(ImageTest, StretchingByMoreThanTheFixedPointStepCanTellStaysInsideTheSource)
{
    // 2 -> 100000 gives a step of 1/65536 (and 2 -> 200000 a step of 0): the walk starts on the end.
    for (const int width : {100000, 200000}) {
        Image row = imageOf(2, 1, {0xFF000000, 0xFF0000FF});
        row.resize(width, 1);
        ASSERT_EQ(row.width(), width);
        EXPECT_EQ(*row.pixelAt(width - 1, 0), 0xFF0000FFu);
        EXPECT_EQ(*row.pixelAt(0, 0) & 0xFFFFFF00, 0xFF000000u);
    }
}

TEST(ImageTest, ShrinkingByPowersOfTwoAveragesPairs)
{
    Image row = imageOf(4, 1, {0x10, 0x20, 0x40, 0x80});
    row.resize(2, 1);
    EXPECT_EQ(pixelsOf(row), (std::vector<std::uint32_t>{0x18, 0x60}));

    Image column = imageOf(1, 4, {0x10, 0x20, 0x40, 0x80});
    column.resize(1, 1);
    // (0x10, 0x20) -> 0x18 and (0x40, 0x80) -> 0x60, then (0x18, 0x60) -> 0x3C.
    EXPECT_EQ(pixelsOf(column), (std::vector<std::uint32_t>{0x3C}));
}

TEST(ImageTest, ShrinkingByOtherFactorsResamplesLinearlyFirst)
{
    // 3 -> 2: step 1.5, so the targets take pixel 0 and the midpoint of pixels 1 and 2.
    Image row = imageOf(3, 1, {0x11, 0x00, 0xFF});
    row.resize(2, 1);
    EXPECT_EQ(pixelsOf(row), (std::vector<std::uint32_t>{0x11, 0x7F}));

    // 256 -> 100 goes through 200: a uniform picture stays uniform, a picture split in two halves keeps
    // its halves.
    std::vector<std::uint32_t> halves(256 * 256);
    for (std::size_t i = 0; i < halves.size(); ++i) {
        halves[i] = (i % 256) < 128 ? 0xFF000000 : 0xFFFFFFFF;
    }
    Image big = imageOf(256, 256, halves);
    big.resize(100, 100);
    ASSERT_EQ(big.width(), 100);
    ASSERT_EQ(big.height(), 100);
    EXPECT_EQ(*big.pixelAt(0, 0), 0xFF000000u);
    EXPECT_EQ(*big.pixelAt(99, 99), 0xFFFFFFFFu);

    Image quarter = imageOf(256, 256, halves);
    quarter.resize(64, 64);
    EXPECT_EQ(*quarter.pixelAt(31, 10), 0xFF000000u);
    EXPECT_EQ(*quarter.pixelAt(32, 10), 0xFFFFFFFFu);
}

TEST(ImageTest, ResizeBelowOneEmptiesAndResizeOfEmptyMakesABlankImage)
{
    Image image = imageOf(2, 2, {1, 2, 3, 4});
    image.resize(0, 3);
    EXPECT_TRUE(image.isEmpty());
    image.resize(3, -1);
    EXPECT_TRUE(image.isEmpty());
    image.resize(2, 3);
    EXPECT_EQ(pixelsOf(image), std::vector<std::uint32_t>(6, 0));
}

TEST(ImageTest, ResizeIsSeenThroughEveryHandle)
{
    Image image = imageOf(2, 2, {1, 2, 3, 4});
    const Image other = image;
    image.resize(1, 1);
    EXPECT_EQ(other.width(), 1);
    EXPECT_EQ(other.height(), 1);
}

TEST(ImageTest, NoiseFollowsTheMultiplyWithCarryGenerators)
{
    Image image(3, 1);
    image.fillNoise(0x12345678);
    EXPECT_EQ(pixelsOf(image), (std::vector<std::uint32_t>{0xFFECE4B0, 0xFF939D8F, 0xFF9B95DC}));
    image.fillNoise(0);
    EXPECT_EQ(pixelsOf(image), (std::vector<std::uint32_t>{0xFF80B9B0, 0xFF80EDCF, 0xFF80F5B0}));
}

TEST(ImageTest, PasteSkipsWhatFallsOutside)
{
    // The 2 x 2 source lands with its bottom-left pixel at (-1, 2): only its bottom-right pixel fits, at (0, 2).
    Image target(3, 3);
    const Image source = imageOf(2, 2, {1, 2, 3, 4});
    target.paste(source, -1, 2);
    EXPECT_EQ(pixelsOf(target), (std::vector<std::uint32_t>{0, 0, 0, 0, 0, 0, 2, 0, 0}));

    Image inside(3, 3);
    inside.paste(source, 1, 0);
    EXPECT_EQ(pixelsOf(inside), (std::vector<std::uint32_t>{0, 1, 2, 0, 3, 4, 0, 0, 0}));

    Image all(2, 2);
    all.paste(imageOf(4, 4, std::vector<std::uint32_t>(16, 5)), -1, -1);
    EXPECT_EQ(pixelsOf(all), std::vector<std::uint32_t>(4, 5));
}

TEST(ImageTest, PasteOutsideChangesNothingAndKeepsTheDerivedImage)
{
    Image target(2, 2);
    target.setDerivedImage(Image(1, 1));
    target.paste(Image(2, 2), 2, 0);
    target.paste(Image(2, 2), 0, -2);
    EXPECT_FALSE(target.derivedImage().isEmpty());
    target.paste(Image(2, 2), 1, 1);
    EXPECT_TRUE(target.derivedImage().isEmpty());
}

TEST(ImageTest, PasteOfAnImageIntoItselfCopiesTheOriginalPixels)
{
    Image image = imageOf(3, 1, {1, 2, 3});
    image.paste(image, 1, 0);
    EXPECT_EQ(pixelsOf(image), (std::vector<std::uint32_t>{1, 1, 2}));
}

TEST(ImageTest, CornerColourBecomesTransparent)
{
    // The top-left pixel is the first of the top row, which is stored last.
    Image image = imageOf(2, 2, {0xFF00FF00, 0xFF112233, 0xFF00FF00, 0xFF445566});
    image.makeCornerTransparent();
    EXPECT_EQ(pixelsOf(image), (std::vector<std::uint32_t>{0x0000FF00, 0xFF112233, 0x0000FF00, 0xFF445566}));
}

TEST(ImageTest, MaskMarksAndClearsSeeThroughPixels)
{
    Image image = imageOf(2, 1, {0x7FFFFFFF, 0x80FFFFFF});
    image.buildMask();
    EXPECT_EQ(image.mask(), (std::vector<std::uint32_t>{0xFFFFFFFF, 0}));
    EXPECT_EQ(pixelsOf(image), (std::vector<std::uint32_t>{0, 0x80FFFFFF}));

    Image opaque = imageOf(2, 1, {0xFF000000, 0x80FFFFFF});
    opaque.buildMask();
    EXPECT_TRUE(opaque.mask().empty());

    Image rgb = imageOf(1, 1, {0x00123456});
    rgb.setComponents(3);
    rgb.buildMask();
    EXPECT_TRUE(rgb.mask().empty());
    EXPECT_EQ(*rgb.pixelAt(0, 0), 0x00123456u);
}

TEST(ImageTest, WritesDropTheDerivedImage)
{
    Image image(2, 2);
    const Image derived(1, 1);
    image.setDerivedImage(derived);
    EXPECT_EQ(image.derivedImage().body(), derived.body());
    std::as_const(image).pixelAt(0, 0);
    EXPECT_FALSE(image.derivedImage().isEmpty());
    image.pixelAt(0, 0);
    EXPECT_TRUE(image.derivedImage().isEmpty());
    EXPECT_TRUE(image.body()->isModified());
}

TEST(ImageTest, FillOfABodyWithoutPixelsIsLogged)
{
    const LogCapture log;
    Image image(2, 2);
    image.fill(0xFF123456);
    EXPECT_EQ(pixelsOf(image), std::vector<std::uint32_t>(4, 0xFF123456));
    EXPECT_EQ(log.text(), "");

    ImageBody record(640, 480, false);
    record.fill(1);
    EXPECT_EQ(log.text(), "Oooops! in Image::fill()\n");
    EXPECT_TRUE(record.pixels().empty());
}
