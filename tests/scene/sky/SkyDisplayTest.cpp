#include "scene/render/Texture.h"
#include "scene/render/Viewer.h"
#include "scene/sky/SphereRenderer.h"
#include "support/ZUpDisplayTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace
{

using finch::SphereRenderer;

constexpr int side = 64;
constexpr int centre = side / 2;
// Image pixels 0xAARRGGBB.
constexpr std::uint32_t redPixel = 0xFFFF0000;
constexpr std::uint32_t greenPixel = 0xFF00FF00;
constexpr std::uint32_t bluePixel = 0xFF0000FF;
constexpr std::uint32_t yellowPixel = 0xFFFFFF00;

const float red[4] = {1, 0, 0, 1};
const float yellow[4] = {1, 1, 0, 1};

int channel(std::uint32_t pixel, int shift)
{
    return int((pixel >> shift) & 0xFF);
}

class SkyDisplayTest : public ZUpDisplayTest
{
protected:
    // The sky seen from position with the camera's pitch and heading (degrees).
    static kestrel::Image frame(SphereRenderer& sky, const finch::Vector3d& position, double pitch, double heading)
    {
        return render(side, side, [&](kestrel::ImageBody& target) {
            kestrel::setViewport(kestrel::Rect{0, 0, side, side});
            clearTo(0, 0, 0);
            finch::Viewer viewer;
            finch::Transform placement;
            placement.position = position;
            placement.pitch = pitch;
            placement.heading = heading;
            viewer.setTransform(placement);
            sky.render(target, viewer, 1000.0f);
        });
    }
};

// A ring at 30 degrees in green and one at the horizon in blue, under a red cap.
std::unique_ptr<SphereRenderer> twoBandSky()
{
    const float elevations[] = {30.0f, 0.0f, -1.0f};
    const float bands[8] = {0, 1, 0, 1, 0, 0, 1, 1};
    return std::make_unique<SphereRenderer>(16, elevations, bands, red);
}

heron::counted_ptr<finch::Texture> solidTexture(std::uint32_t pixel)
{
    kestrel::Image image(8, 8);
    std::fill(image.pixelAt(0, 0), image.pixelAt(0, 0) + 64, pixel);
    heron::counted_ptr<finch::Texture> texture(new finch::Texture);
    texture->setImage(image);
    return texture;
}

}

TEST_F(SkyDisplayTest, CapFillsTheZenith)
{
    const auto skyHolder = twoBandSky();
    SphereRenderer& sky = *skyHolder;
    for (const finch::Vector3d& position : {finch::Vector3d(), finch::Vector3d(500, -300, 80)}) {
        const kestrel::Image image = frame(sky, position, 90.0, 0.0);
        EXPECT_EQ(pixel(image, centre, centre), redPixel) << position.x;
    }
}

TEST_F(SkyDisplayTest, BandsShadeFromTheirRingsToTheHorizon)
{
    const auto skyHolder = twoBandSky();
    SphereRenderer& sky = *skyHolder;
    const kestrel::Image image = frame(sky, {}, 0.0, 0.0);
    // Below the horizon lies the closing disc in the last band's colour.
    EXPECT_EQ(pixel(image, centre, 2), bluePixel);
    // Near the top edge (about 21 degrees up) the band is mostly the upper ring's green.
    const std::uint32_t top = pixel(image, centre, side - 2);
    EXPECT_GT(channel(top, 8), channel(top, 0));
    EXPECT_EQ(channel(top, 16), 0);
}

TEST_F(SkyDisplayTest, RingsRunningUpFromTheHorizonPutTheBaseBelowAndTheLastBandAtTheZenith)
{
    // Blue at the horizon, green at 30 degrees, the red base as the ground.
    const float elevations[] = {0.0f, 30.0f, -1.0f};
    const float bands[8] = {0, 0, 1, 1, 0, 1, 0, 1};
    SphereRenderer sky(16, elevations, bands, red);
    EXPECT_EQ(pixel(frame(sky, {}, 90.0, 0.0), centre, centre), greenPixel);
    EXPECT_EQ(pixel(frame(sky, {}, -90.0, 0.0), centre, centre), redPixel);
    // Just above the horizon the band is mostly the horizon ring's blue.
    const std::uint32_t low = pixel(frame(sky, {}, 0.0, 0.0), centre, centre + 2);
    EXPECT_GT(channel(low, 0), channel(low, 8));
}

TEST_F(SkyDisplayTest, SunShowsInItsDirection)
{
    const auto skyHolder = twoBandSky();
    SphereRenderer& sky = *skyHolder;
    sky.setUseSun(true);
    sky.setSunColour(yellow);
    sky.setSunPosition(0.0, 0.0);
    EXPECT_EQ(pixel(frame(sky, {}, 0.0, 0.0), centre, centre), yellowPixel);
    sky.setSunPosition(0.0, 180.0);
    EXPECT_NE(pixel(frame(sky, {}, 0.0, 0.0), centre, centre), yellowPixel);
}

TEST_F(SkyDisplayTest, SkyBoxShowsEachFaceInItsDirection)
{
    const float elevations[] = {-1.0f};
    SphereRenderer sky(16, elevations, nullptr, red);
    sky.setSkyBox(solidTexture(0xFFFFFFFF), solidTexture(0xFF000000), solidTexture(redPixel), solidTexture(greenPixel),
                  solidTexture(bluePixel), solidTexture(yellowPixel));
    struct Case
    {
        double pitch, heading;
        std::uint32_t expected;
    };
    // Heading 0 looks along +y, heading 90 along -x.
    const Case cases[] = {
        {0, 0, greenPixel}, {0, 90, redPixel}, {0, 180, yellowPixel}, {0, 270, bluePixel},
        {90, 0, 0xFFFFFFFF}, {-90, 0, 0xFF000000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(pixel(frame(sky, {}, c.pitch, c.heading), centre, centre), c.expected) << c.pitch << "," << c.heading;
    }
    sky.clearSkyBox();
    EXPECT_NE(pixel(frame(sky, {}, 0, 0), centre, centre), greenPixel);
}
