#include "support/FixedLayout.h"
#include "support/GLTestSupport.h"

#include "gui/paint/BitmapGraphics.h"
#include "gui/widgets/ColorMixer.h"

#include <cmath>
#include <numbers>

namespace
{

using kestrel::ColorRGBA;

// A 101-pixel mixer painted at (0, 0): centre (50, 50), ring from 37.125 to 49.5.
class MixerPixels : public GLDisplayTest
{
protected:
    void paint()
    {
        mixer->setBounds(0, 0, 101, 101);
        graphics.begin(nullptr, kestrel::Rect{0, 0, 101, 101});
        mixer->draw(graphics);
        graphics.endPaint();
    }

    // The pixel at a radius and angle (degrees, 0 up, anticlockwise) from the centre.
    std::uint32_t at(double radius, double angle) const
    {
        const double a = angle * std::numbers::pi / 180.0;
        const int x = static_cast<int>(std::lround(50 - std::sin(a) * radius));
        const int y = static_cast<int>(std::lround(50 + std::cos(a) * radius));
        return *graphics.image().pixelAt(x, y);
    }

    static void expectColour(std::uint32_t pixel, const ColorRGBA& expected, const char* what)
    {
        const float channels[3] = {expected.r, expected.g, expected.b};
        for (int i = 0; i < 3; ++i) {
            const int actual = static_cast<int>(pixel >> (16 - 8 * i) & 0xFF);
            EXPECT_NEAR(actual, channels[i] * 255.0f, 24.0f) << what << " channel " << i;
        }
    }

    heron::counted_ptr<kestrel::ColorMixer> mixer{new kestrel::ColorMixer(101)};
    kestrel::BitmapGraphics graphics;
};

TEST_F(MixerPixels, TheRingShowsEachHueAtItsAngleAndTheTriangleTurnsWithTheHue)
{
    mixer->setColor(ColorRGBA(0, 0, 1));
    // A grey keeps the hue and puts the marker halfway between white and black, clear of the
    // corners sampled below.
    mixer->setColor(ColorRGBA(0.5f, 0.5f, 0.5f));
    paint();
    expectColour(at(43, 0), ColorRGBA(1, 0, 0), "ring, up");
    expectColour(at(43, 90), ColorRGBA(0.5f, 1, 0), "ring, left");
    expectColour(at(43, 180), ColorRGBA(0, 1, 1), "ring, down");
    expectColour(at(43, 270), ColorRGBA(0.5f, 0, 1), "ring, right");
    // Hue 240: the pure hue in the corner at 240 degrees, white at 120 and black at 0.
    expectColour(at(35, 240), ColorRGBA(0, 0, 1), "triangle, hue corner");
    expectColour(at(35, 120), ColorRGBA(1, 1, 1), "triangle, white corner");
    expectColour(at(35, 0), ColorRGBA(0, 0, 0), "triangle, black corner");
    EXPECT_EQ(*graphics.image().pixelAt(1, 1), testing_gui::pixelOf(kestrel::GuiColor::BUTTON_FACE));
}

}
