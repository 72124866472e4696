#include "gui/toolkit/Window.h"
#include "scene/render/Material.h"
#include "scene/window/FinchWindow.h"
#include "support/GLTestSupport.h"

#include <gtest/gtest.h>

namespace
{

constexpr int side = 64;
constexpr std::uint32_t blackPixel = 0xFF000000;

class TeapotDisplayTest : public GLDisplayTest
{
protected:
    void TearDown() override
    {
        kestrel::zUp = m_zUp;
        finch::Material::unlock();
    }

    bool m_zUp = kestrel::zUp;
};

bool isGrey(std::uint32_t pixel)
{
    const std::uint32_t red = (pixel >> 16) & 0xFF;
    const std::uint32_t green = (pixel >> 8) & 0xFF;
    const std::uint32_t blue = pixel & 0xFF;
    return red == green && green == blue && red > 0x10;
}

}

TEST_F(TeapotDisplayTest, AWindowWithoutADatabaseShowsTheTeapot)
{
    kestrel::zUp = true;
    finch::FinchWindow window;
    window.setSize(side, side);
    window.create();
    ASSERT_TRUE(window.isOpen());
    kestrel::Image image(side, side);
    ASSERT_TRUE(kestrel::renderToImage(image, window));
    // The body fills the middle of the frame; the corners show the background.
    for (const auto& [x, y] : {std::pair{32, 32}, {26, 30}, {38, 30}}) {
        EXPECT_TRUE(isGrey(pixel(image, x, y))) << x << "," << y << ": " << std::hex << pixel(image, x, y);
    }
    for (const auto& [x, y] : {std::pair{1, 1}, {62, 1}, {1, 62}, {62, 62}}) {
        EXPECT_EQ(pixel(image, x, y), blackPixel) << x << "," << y;
    }
}
