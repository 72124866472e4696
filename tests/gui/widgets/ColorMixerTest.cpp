#include "support/FakeDesktop.h"

#include "gui/widgets/ColorMixer.h"
#include "gui/widgets/ColorRGBA.h"
#include "gui/widgets/Spacer.h"

#include <cmath>
#include <numbers>

namespace
{

using kestrel::ColorMixer;
using kestrel::ColorRGBA;
using kestrel::HSV;
using plat::InputKind;
using Sent = testing_gui::MessageRecorder::Sent;
using Messages = std::vector<Sent>;

void expectNear(const ColorRGBA& actual, const ColorRGBA& expected, const char* what)
{
    EXPECT_NEAR(actual.r, expected.r, 1e-5f) << what;
    EXPECT_NEAR(actual.g, expected.g, 1e-5f) << what;
    EXPECT_NEAR(actual.b, expected.b, 1e-5f) << what;
    EXPECT_EQ(actual.a, expected.a) << what;
}

TEST(ColorRGBATest, HSVGivesTheSectorsColoursWithTheHueWrappedAndTheRestClamped)
{
    struct Case
    {
        HSV hsv;
        ColorRGBA rgb;
    };
    const Case cases[] = {
        {{0, 1, 1}, {1, 0, 0}},         {{60, 1, 1}, {1, 1, 0}},       {{120, 1, 1}, {0, 1, 0}},
        {{180, 1, 1}, {0, 1, 1}},       {{240, 1, 1}, {0, 0, 1}},      {{300, 1, 1}, {1, 0, 1}},
        {{30, 1, 1}, {1, 0.5f, 0}},     {{-30, 1, 1}, {1, 0, 0.5f}},   {{330, 1, 1}, {1, 0, 0.5f}},
        {{720, 0.5f, 1}, {1, 0.5f, 0.5f}}, {{0, 0.5f, 1}, {1, 0.5f, 0.5f}}, {{200, 0, 0.25f}, {0.25f, 0.25f, 0.25f}},
        {{0, 2, -1}, {0, 0, 0}},        {{359.99999f, 1, 1}, {1, 0, 0}},
    };
    for (const Case& c : cases) {
        expectNear(ColorRGBA::fromHSV(c.hsv), c.rgb, std::to_string(c.hsv.hue).c_str());
    }
}

TEST(ColorRGBATest, RGBToHSVAndBackGivesTheSameColour)
{
    for (int r = 0; r <= 4; ++r) {
        for (int g = 0; g <= 4; ++g) {
            for (int b = 0; b <= 4; ++b) {
                const ColorRGBA colour(r / 4.0f, g / 4.0f, b / 4.0f);
                HSV hsv;
                colour.toHSV(hsv);
                expectNear(ColorRGBA::fromHSV(hsv), colour, "round trip");
            }
        }
    }
    // A grey keeps a hue it already had, and loses one that is not a hue.
    HSV kept{123.0f, 0.5f, 0.5f};
    ColorRGBA(0.3f, 0.3f, 0.3f).toHSV(kept);
    EXPECT_EQ(kept.hue, 123.0f);
    EXPECT_EQ(kept.saturation, 0.0f);
    HSV reset{400.0f, 0.5f, 0.5f};
    ColorRGBA(0.3f, 0.3f, 0.3f).toHSV(reset);
    EXPECT_EQ(reset.hue, 0.0f);
}

TEST(ColorRGBATest, PackingPutsRedLowestAndConvertsToSettingsColours)
{
    EXPECT_EQ(ColorRGBA(1, 0, 0, 1).toPacked(), 0xFF0000FFu);
    EXPECT_EQ(ColorRGBA(0.5f, 2.0f, -1.0f, 1).toPacked(), 0xFF00FF7Fu);
    EXPECT_EQ(ColorRGBA(std::nanf(""), 1, 0, 1).toPacked(), 0xFF00FF00u);
    const ColorRGBA unpacked(0x80FF4020u);
    expectNear(unpacked, ColorRGBA(0x20 / 255.0f, 0x40 / 255.0f, 1.0f, 0x80 / 255.0f), "unpacked");
    EXPECT_EQ(unpacked.toPacked(), 0x80FF4020u);
    // Settings keep 0xRRGGBB: yellow there is red plus green here.
    EXPECT_EQ(kestrel::packedFromRRGGBB(0xFFFF00), 0xFF00FFFFu);
    EXPECT_EQ(kestrel::packedFromRRGGBB(0x123456), 0xFF563412u);
    EXPECT_EQ(kestrel::rrggbbFromPacked(0xFF563412u), 0x123456u);
    EXPECT_EQ(kestrel::rrggbbFromPacked(ColorRGBA(1, 0, 0).toPacked()), 0xFF0000u);
}

// A 200 x 200 window with a 101-pixel mixer at (20, 20): centre (70, 70), radii 37.125 and 49.5.
class Mixing : public testing_gui::FakeDesktop
{
protected:
    void SetUp() override
    {
        FakeDesktop::SetUp();
        window.setLayout(new testing_gui::FixedLayout);
        window.add(mixer);
        mixer->setBounds(20, 20, 101, 101);
        mixer->setActionListener(&recorder, 13);
        openAndActivate(window, 200, 200);
    }

    // The window point at a radius and angle (degrees, 0 up, anticlockwise) from the centre.
    static std::pair<int, int> polar(double radius, double angle)
    {
        const double a = angle * std::numbers::pi / 180.0;
        return {static_cast<int>(std::lround(70 - std::sin(a) * radius)),
                static_cast<int>(std::lround(70 + std::cos(a) * radius))};
    }

    void drag(std::pair<int, int> from, std::pair<int, int> to)
    {
        move(window, from.first, from.second);
        button(window, InputKind::ButtonPress, from.first, from.second);
        move(window, to.first, to.second);
        button(window, InputKind::ButtonRelease, to.first, to.second);
        drain();
    }

    kestrel::Window window;
    ColorMixer* mixer = new ColorMixer(101);
    testing_gui::MessageRecorder recorder;
};

TEST_F(Mixing, APressOutsideRingAndTriangleStartsNothing)
{
    drag({22, 22}, {70, 110});
    drag(polar(30, 180), polar(30, 180));     // below the triangle's base, inside the ring
    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_FALSE(mixer->isDragging());
}

TEST_F(Mixing, DraggingTheRingChangesOnlyTheHue)
{
    const HSV before = mixer->getHSV();
    drag(polar(43, 90), polar(43, 240));
    EXPECT_NEAR(mixer->getHSV().hue, 240.0f, 1.5f);
    EXPECT_EQ(mixer->getHSV().saturation, before.saturation);
    EXPECT_EQ(mixer->getHSV().value, before.value);
    expectNear(mixer->getColor(), ColorRGBA::fromHSV(mixer->getHSV()), "colour follows");
    EXPECT_EQ(recorder.messages, (Messages{Sent{mixer, 13, 0}, Sent{mixer, 13, 1}, Sent{mixer, 13, 1},
                                           Sent{mixer, 13, 1}, Sent{mixer, 13, 2}}));
    EXPECT_EQ(kestrel::captureHolder(), nullptr);
}

TEST_F(Mixing, TheTriangleGivesThePureHueAtItsTipWhiteAndBlackAtItsBase)
{
    mixer->setColor(ColorRGBA(0, 0, 1));
    // Hue 240 turns the tip towards the lower right; white and black follow at 120 degrees.
    const double inner = 0.75 * 49.5;
    drag(polar(inner - 3, 240), polar(inner - 3, 240));
    EXPECT_GT(mixer->getColor().b, 0.9f);
    EXPECT_LT(mixer->getColor().r, 0.2f);
    drag(polar(inner - 3, 120), polar(inner - 3, 120));
    EXPECT_GT(mixer->getColor().r, 0.85f);
    EXPECT_GT(mixer->getColor().g, 0.85f);
    drag(polar(inner - 3, 0), polar(inner - 3, 0));
    EXPECT_LT(mixer->getHSV().value, 0.15f);
    EXPECT_EQ(mixer->getHSV().hue, 240.0f);
}

TEST_F(Mixing, AGreyColourKeepsTheHueTheRingShows)
{
    mixer->setColor(ColorRGBA(0, 1, 0));
    mixer->setColor(ColorRGBA(0.5f, 0.5f, 0.5f));
    EXPECT_EQ(mixer->getHSV().hue, 120.0f);
    EXPECT_EQ(mixer->getHSV().saturation, 0.0f);
    int width = 0;
    int height = 0;
    mixer->getPreferredSize(width, height);
    EXPECT_EQ(width, 101);
    EXPECT_EQ(height, 101);
}

}

namespace
{

TEST(SpacerTest, TakesItsSizeButNeverLessThanOnePixel)
{
    const std::pair<int, int> cases[][2] = {{{20, 5}, {20, 5}}, {{0, 5}, {1, 5}}, {{-3, 1}, {1, 1}}};
    for (const auto& [given, expected] : cases) {
        kestrel::Spacer spacer(given.first, given.second);
        std::pair<int, int> size;
        spacer.getPreferredSize(size.first, size.second);
        EXPECT_EQ(size, expected);
    }
}

}
