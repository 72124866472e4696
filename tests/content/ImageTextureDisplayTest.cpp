#include "content/DataFileFixture.h"
#include "content/PelicanImageReader.h"
#include "scene/render/Texture.h"
#include "support/GLTestSupport.h"
#include "tools/demo/ImageWriters.h"

using namespace datafiletest;

namespace
{

// Colours that survive any texture format, 16-bit ones included.
constexpr std::uint32_t quadrantColours[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};

// An 8 x 8 picture of four 4 x 4 quadrants, bottom-left first, then bottom-right, top-left, top-right.
kestrel::Image quadrants()
{
    kestrel::Image image(8, 8);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            *image.pixelAt(x, y) = quadrantColours[(y / 4) * 2 + x / 4];
        }
    }
    image.setComponents(3);
    return image;
}

class ImageTextureDisplayTest : public GLDisplayTest
{
protected:
    void SetUp() override
    {
        GLDisplayTest::SetUp();
        pelican::resetDataFiles();
    }
    void TearDown() override
    {
        kestrel::setImageReader(nullptr);
        pelican::resetDataFiles();
    }

    TempFolder m_folder;
    TempLog m_log;
};

}

TEST_F(ImageTextureDisplayTest, ATextureNamedByTheSceneDrawsTheImageOfThePackedFile)
{
    const demo::Bytes gif = *demo::writeGif(quadrants());
    writeTree(m_folder.path() / "source", {{"textures/quadrants.gif", std::string(gif.begin(), gif.end())}});
    std::string error;
    ASSERT_TRUE(packer::packFolder(m_folder.path() / "source", m_folder.path() / "glasstide.dat", error)) << error;
    pelican::registerPackedFile(systemPath(m_folder.path() / "glasstide.dat"));
    kestrel::setImageReader(&pelican::imageReader());
    finch::Texture texture;
    texture.setFile("quadrants.gif");
    const kestrel::Image drawn = render(16, 16, [&](kestrel::ImageBody&) {
        clearTo(0, 0, 0);
        kestrel::setOrthoProjection(0, 16, 0, 16, -1, 1);
        kestrel::enableState(kestrel::GLStateId::Texture2D);
        texture.draw2D(0, 0);
    });
    EXPECT_EQ(pixel(drawn, 1, 1), quadrantColours[0]);
    EXPECT_EQ(pixel(drawn, 5, 1), quadrantColours[1]);
    EXPECT_EQ(pixel(drawn, 1, 5), quadrantColours[2]);
    EXPECT_EQ(pixel(drawn, 5, 5), quadrantColours[3]);
    EXPECT_TRUE(m_log.contains("Image file quadrants.gif read OK"));
}
