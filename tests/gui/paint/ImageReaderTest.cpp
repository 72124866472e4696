#include "gui/paint/ImageReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

using kestrel::Image;
using kestrel::ImageReader;

namespace
{

// A reader that answers with a 1 x 1 picture.
class OnePixelReader : public ImageReader
{
public:
    void readImage(const heron_string&, Image& image) override { image = Image(1, 1); }
};

}

TEST(ImageReaderTest, AnInstalledReaderServesUntilRemovedAndThenEachRequestGetsItsOwnNoiseImage)
{
    OnePixelReader reader;
    kestrel::setImageReader(&reader);
    Image first;
    kestrel::getImageReader()->readImage("x", first);
    EXPECT_EQ(first.width(), 1);
    kestrel::setImageReader(nullptr);
    ASSERT_NE(kestrel::getImageReader(), &reader);

    Image second;
    kestrel::getImageReader()->readImage("a.gif", first);
    kestrel::getImageReader()->readImage("b.gif", second);
    ASSERT_EQ(std::pair(first.width(), first.height()), std::pair(32, 32));
    EXPECT_NE(first.body(), second.body());
    Image expected(32, 32);
    expected.fillNoise(0x12345678);
    EXPECT_TRUE(std::equal(std::as_const(second).pixels(), std::as_const(second).pixels() + 32 * 32,
                           std::as_const(expected).pixels()));
    // What one caller does to its picture is not seen by the next.
    first.resize(8, 8);
    Image third;
    kestrel::getImageReader()->readImage("c.gif", third);
    EXPECT_EQ(third.width(), 32);
}
