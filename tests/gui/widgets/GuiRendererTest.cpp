#include "support/FixedLayout.h"

#include "gui/paint/BitmapGraphics.h"
#include "gui/paint/Font.h"
#include "gui/widgets/Button.h"
#include "gui/widgets/Checkbox.h"
#include "gui/widgets/GuiRenderer.h"
#include "gui/widgets/ThemedRenderer.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace
{

using kestrel::GuiColor;
using kestrel::PartMetrics;
using kestrel::Rect;
using testing_gui::Pixels;
namespace part = kestrel::part;
namespace S = kestrel::partState;

// A font whose face cannot load: fixed metrics (ascent 5, descent 1, every advance 4) and no
// glyphs, so sizes are known and only the renderer's own lines show.
const heron::counted_ptr<kestrel::Font>& blankFont()
{
    static const heron::counted_ptr<kestrel::Font> font(new kestrel::Font(kestrel::FontKey{125, 5000, 0}));
    return font;
}

template <class Widget>
Widget& withBlankFont(Widget& widget, const char* text = nullptr)
{
    widget.setFont(blankFont());
    widget.setText(text, true);
    return widget;
}

kestrel::GuiRenderer& renderer()
{
    return kestrel::GuiRenderer::current();
}

// Paints on a red background of the size and returns the pixels, bottom row first.
Pixels paint(int width, int height, const std::function<void(kestrel::Graphics&)>& painter)
{
    kestrel::BitmapGraphics graphics;
    graphics.begin(nullptr, Rect{0, 0, width, height});
    graphics.setColor(GuiColor::RED);
    graphics.fillRect(Rect{0, 0, width, height});
    painter(graphics);
    graphics.endPaint();
    return testing_gui::pixelsOf(graphics.image());
}

using Rows = std::vector<std::string>;

// What the characters of a sketch stand for: '.' the red background, 'f' face (3) and 3-D
// light (4, the same colour), 's' shadow (2), 'd' dark shadow (1), 'h' highlight (5), 'w' window
// (13), 'g' grey text (8), 'k' black.
constexpr std::pair<char, GuiColor::gui_color> sketchColours[] = {
    {'.', GuiColor::RED}, {'f', GuiColor::BUTTON_FACE}, {'s', GuiColor::BUTTON_SHADOW},
    {'d', GuiColor::DARK_SHADOW_3D_LIFTED}, {'h', GuiColor::BUTTON_HIGHLIGHT_DIMMED}, {'w', GuiColor::WINDOW},
    {'g', GuiColor::GREY_TEXT}, {'k', GuiColor::BLACK}};

// The pixels (bottom row first) as rows of sketch characters, the top row first; '?' for a
// colour not in the sketch.
Rows sketch(const Pixels& pixels, int width)
{
    Rows rows;
    for (std::size_t start = 0; start < pixels.size(); start += width) {
        std::string row;
        for (int x = 0; x < width; ++x) {
            char c = '?';
            for (const auto& [letter, colour] : sketchColours) {
                if (pixels[start + x] == testing_gui::pixelOf(colour)) {
                    c = letter;
                    break;
                }
            }
            row += c;
        }
        rows.insert(rows.begin(), row);
    }
    return rows;
}

// Paints on a red background of the size and returns the sketch.
Rows painted(int width, int height, const std::function<void(kestrel::Graphics&)>& painter)
{
    return sketch(paint(width, height, painter), width);
}

TEST(GuiRenderer, ThemesAreUnavailableSoTheClassicRendererIsInForce)
{
    EXPECT_FALSE(kestrel::ThemedRenderer::instance().isAvailable());
    EXPECT_NE(&renderer(), &kestrel::ThemedRenderer::instance());
    EXPECT_EQ(&renderer(), &kestrel::GuiRenderer::current());
}

TEST(GuiRenderer, PartsAreMeasuredFromTheFontTextAndImage)
{
    kestrel::Button plain;
    kestrel::Button labelled;
    kestrel::Checkbox box;
    kestrel::Checkbox labelledBox;
    withBlankFont(plain);
    withBlankFont(labelled, "ab");
    withBlankFont(box);
    withBlankFont(labelledBox, "ab");
    labelled.setBounds(10, 20, 50, 30);
    struct Case
    {
        int part;
        int state;
        kestrel::Component& component;
        int width;
        int height;
        int labelX;
        int labelY;
    };
    const Case cases[] = {
        {part::pushButton, 0, plain, 6, 6, -1, -1},
        {part::pushButton, 0, labelled, 8 + 8 + 6, 6 + 4 + 6, 17, 25},
        {part::tab, 0, labelled, 22, 13, 17, 25},
        {part::tab, S::on, labelled, 22, 16, 17, 25},
        {part::checkBox, 0, box, 9, 13, 13, 3},
        {part::checkBox, 0, labelledBox, 9 + 8 + 8, 13, 13, 3},
        {part::imageMenuItem, 0, labelled, 8 + 42, 6 + 4, 34, 22},
        {part::scrollThumb, S::vertical, plain, 16, 48, -1, -1},
        {part::scrollTrack, S::horizontal, plain, 48, 16, -1, -1},
        {part::sliderThumb, S::horizontal, plain, 10, 20, -1, -1},
        {99, 0, plain, -1, -1, -1, -1},
    };
    for (const Case& c : cases) {
        PartMetrics m;
        renderer().getPartMetrics(m, c.part, c.state, c.component);
        EXPECT_EQ(std::vector<int>({m.preferredWidth, m.preferredHeight, m.labelX, m.labelY}),
                  std::vector<int>({c.width, c.height, c.labelX, c.labelY}))
            << "part " << c.part << " state " << c.state;
    }
}

TEST(GuiRenderer, APushButtonIsRaisedUnlessExactlyPressed)
{
    const Rect r{0, 0, 10, 8};
    EXPECT_EQ(painted(10, 8, [&](kestrel::Graphics& g) { renderer().paintPart(g, part::pushButton, 0, r); }),
              (Rows{"sssssssssf",
                    "sfffffffsf",
                    "sfhhhhhdsf",
                    "sfhffffdsf",
                    "sfhffffdsf",
                    "sffdddddsf",
                    "sssssssssf",
                    "ffffffffff"}));
    EXPECT_EQ(painted(10, 8, [&](kestrel::Graphics& g) { renderer().paintPart(g, part::pushButton, S::pressed, r); }),
              (Rows{"dddddddddh",
                    "dffffffffh",
                    "dffffffffh",
                    "dffffffffh",
                    "dffffffffh",
                    "dffffffffh",
                    "dffffffffh",
                    "fhhhhhhhhh"}));
    // Pressed with the focus is not the whole word 2: raised, with the focus dots inside.
    const Pixels focused = paint(12, 10, [&](kestrel::Graphics& g) {
        renderer().paintPart(g, part::pushButton, S::pressed | S::on, Rect{0, 0, 12, 10});
    });
    EXPECT_EQ(focused[7 * 12 + 2], testing_gui::pixelOf(GuiColor::BUTTON_HIGHLIGHT_DIMMED));
    EXPECT_EQ(focused[4 * 12 + 4], testing_gui::pixelOf(GuiColor::DARK_SHADOW_3D_LIFTED));
    EXPECT_EQ(focused[4 * 12 + 5], testing_gui::pixelOf(GuiColor::BUTTON_FACE));
}

TEST(GuiRenderer, ACheckedBoxShowsItsTick)
{
    kestrel::Checkbox box;
    withBlankFont(box).setBounds(0, 0, 9, 13);
    EXPECT_EQ(painted(9, 13, [&](kestrel::Graphics& g) { renderer().paintComponent(g, part::checkBox, S::on, box); }),
              (Rows{".........",
                    ".........",
                    "ssssssssh",
                    "sddddddfh",
                    "sdwwwwwfh",
                    "sdwwwkwfh",
                    "sdwwkwwfh",
                    "sdwkwwwfh",
                    "sdwwwwwfh",
                    "sfffffffh",
                    "hhhhhhhhh",
                    ".........",
                    "........."}));
}

TEST(GuiRenderer, TabsAreOpenBelowAndTheSelectedOneJoinsThePage)
{
    const Rect r{2, 2, 8, 6};
    EXPECT_EQ(painted(12, 10, [&](kestrel::Graphics& g) { renderer().paintPart(g, part::tab, 0, r); }),
              (Rows{"............",
                    "............",
                    "............",
                    "..hhhhhh....",
                    "..h.....s...",
                    "..h.....s...",
                    "..h.....s...",
                    "..h.....s...",
                    "............",
                    "............"}));
    EXPECT_EQ(painted(12, 10, [&](kestrel::Graphics& g) { renderer().paintPart(g, part::tab, S::on, r); }),
              (Rows{"............",
                    "............",
                    "..hhhhhhhh..",
                    "..hffffffd..",
                    "..hf....sd..",
                    "..hf....sd..",
                    "..hf....sd..",
                    "..hf....sd..",
                    "..hfffffhhh.",
                    "............"}));
}

TEST(GuiRenderer, ArrowsPointTheirWay)
{
    const auto shape = [](const kestrel::Image& arrow) {
        std::string rows;
        for (int y = arrow.height() - 1; y >= 0; --y) {
            for (int x = 0; x < arrow.width(); ++x) {
                rows += *arrow.pixelAt(x, y) == 0xA0000000 ? 'k' : *arrow.pixelAt(x, y) == 0 ? '.' : '?';
            }
            rows += '/';
        }
        return rows;
    };
    EXPECT_EQ(shape(renderer().arrowImage(S::arrowDown)), "kkkkkkk/.kkkkk./..kkk../...k.../");
    EXPECT_EQ(shape(renderer().arrowImage(S::arrowUp)), "...k.../..kkk../.kkkkk./kkkkkkk/");
    EXPECT_EQ(shape(renderer().arrowImage(S::arrowRight)), "k.../kk../kkk./kkkk/kkk./kk../k.../");
    EXPECT_EQ(shape(renderer().arrowImage(S::arrowLeft)), "...k/..kk/.kkk/kkkk/.kkk/..kk/...k/");
    EXPECT_TRUE(renderer().arrowImage(0).isEmpty());
}

TEST(GuiRenderer, RadioImagesAreRingsAroundADotBuiltOncePerDiameter)
{
    const kestrel::Image& checked = renderer().radioImage(13, 1);
    EXPECT_EQ(&checked, &renderer().radioImage(13, 1));
    EXPECT_NE(renderer().radioImage(15, 1).pixels(), checked.pixels());
    EXPECT_EQ(sketch(Pixels(checked.pixelAt(0, 6), checked.pixelAt(0, 6) + 13), 13), Rows{"sdwwkkkkkwwfh"});
    EXPECT_EQ(*checked.pixelAt(0, 0), 0u);
    EXPECT_EQ(*renderer().radioImage(13, 0).pixelAt(6, 6), testing_gui::pixelOf(GuiColor::WINDOW));
    EXPECT_EQ(*renderer().radioImage(13, 4).pixelAt(3, 6), testing_gui::pixelOf(GuiColor::BUTTON_FACE));
    EXPECT_EQ(*renderer().radioImage(13, 5).pixelAt(6, 6), testing_gui::pixelOf(GuiColor::GREY_TEXT));
}

TEST(GuiRenderer, TheMnemonicIsUnderlinedAndADisabledLabelIsEtched)
{
    kestrel::Button button;
    withBlankFont(button, "a!b").setBounds(0, 0, 22, 16);
    // The label's baseline is (7, 5); the 'b' starts 4 pixels in and is 4 wide.
    const auto underline = [&](int state) {
        return paint(22, 16, [&](kestrel::Graphics& g) { renderer().paintComponent(g, part::pushButton, state, button); });
    };
    const Pixels enabled = underline(0);
    for (int x = 11; x <= 14; ++x) {
        EXPECT_EQ(enabled[4 * 22 + x], testing_gui::pixelOf(GuiColor::BUTTON_TEXT)) << x;
    }
    EXPECT_EQ(enabled[4 * 22 + 15], testing_gui::pixelOf(GuiColor::RED));
    button.setEnabled(false);
    const Pixels disabled = underline(S::disabled);
    EXPECT_EQ(disabled[4 * 22 + 11], testing_gui::pixelOf(GuiColor::GREY_TEXT));
    EXPECT_EQ(disabled[3 * 22 + 15], testing_gui::pixelOf(GuiColor::BUTTON_HIGHLIGHT_DIMMED));
}

}
