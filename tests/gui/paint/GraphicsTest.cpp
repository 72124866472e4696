#include "base/heron_string.h"
#include "gui/paint/Font.h"
#include "gui/paint/Graphics.h"
#include "gui/paint/Image.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using kestrel::Font;
using kestrel::FontKey;
using kestrel::Graphics;
using kestrel::Image;
using kestrel::Rect;
using kestrel::ScopedClip;

namespace
{

// Records the calls that reach the implementation.
class RecordingGraphics : public Graphics
{
public:
    struct Char
    {
        char c;
        int x;
        int y;
        bool operator==(const Char&) const = default;
    };

    void setRGB(std::uint32_t) override {}
    void drawPoint(int, int) override {}
    void drawLine(int, int, int, int) override {}
    void fillRect(const Rect&) override {}
    void drawChar(char c, const Font&, int x, int y) override { chars.push_back({c, x, y}); }
    void drawImage(const Image&, int x, int y) override { images.push_back({'i', x, y}); }
    void setClip(const Rect& r) override { clips.push_back(r); }

    std::vector<Rect> clips;
    std::vector<Char> chars;
    std::vector<Char> images;
};

using Chars = std::vector<RecordingGraphics::Char>;

// Fills the clip stack to its limit and returns what the refused push wrote to standard error.
std::string overflow(RecordingGraphics& g)
{
    while (g.clipDepth() < Graphics::maxClipDepth) {
        EXPECT_TRUE(g.pushClip(Rect{0, 0, 10, 10}));
    }
    testing::internal::CaptureStderr();
    {
        const ScopedClip refused(g, Rect{1, 1, 1, 1});
    }
    EXPECT_FALSE(g.pushClip(Rect{0, 0, 5, 5}));
    return testing::internal::GetCapturedStderr();
}

}

TEST(RectTest, IntersectionsUseInclusiveEdgesAndFarEdgesBeyondThirtyTwoBits)
{
    constexpr int intMin = -2147483647 - 1;
    struct Case
    {
        Rect a;
        Rect b;
        bool meets;
        Rect common;
    };
    const Case cases[] = {
        {{0, 0, 10, 10}, {5, 5, 10, 10}, true, {5, 5, 5, 5}},
        {{0, 0, 10, 10}, {10, 0, 5, 5}, false, {}},
        {{0, 0, 10, 10}, {9, 9, 5, 5}, true, {9, 9, 1, 1}},
        {{-5, -5, 10, 10}, {0, 0, 2, 2}, true, {0, 0, 2, 2}},
        {{0, 0, 10, 10}, {3, 20, 2, 2}, false, {}},
        {{2147483600, intMin, 2147483647, 2147483647}, {2147483640, -10, 5, 20}, true, {2147483640, -10, 5, 9}},
        {{0, 0, 2147483647, 1}, {-5, 0, 5, 1}, false, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.a.intersects(c.b), c.meets) << c.a.x << "," << c.a.y;
        EXPECT_EQ(c.b.intersects(c.a), c.meets) << c.a.x << "," << c.a.y;
        EXPECT_EQ(c.a.intersection(c.b), c.common) << c.a.x << "," << c.a.y;
    }
    const Rect huge{2147483600, intMin, 2147483647, 2147483647};
    EXPECT_TRUE(huge.contains(2147483647, intMin));
    EXPECT_FALSE(huge.contains(2147483599, 0));
    EXPECT_TRUE((Rect{0, 0, 0, 5}).isEmpty());
    EXPECT_TRUE((Rect{0, 0, 5, -1}).isEmpty());
}

TEST(GraphicsTest, TheClipStackIntersectsAndSetsOnlyRealChanges)
{
    RecordingGraphics g;
    g.countChildDrawn();
    g.begin(nullptr, Rect{0, 0, 100, 100});
    EXPECT_EQ(g.clipDepth(), 1u);
    EXPECT_EQ(g.childrenDrawn(), 0u);
    EXPECT_EQ(g.clips, (std::vector<Rect>{{0, 0, 100, 100}}));
    g.pushClip(Rect{0, 0, 100, 100});
    EXPECT_EQ(g.clipDepth(), 2u);
    EXPECT_EQ(g.clips.size(), 1u);
    g.pushClip(Rect{-10, 50, 40, 100});
    EXPECT_EQ(g.clips.back(), (Rect{0, 50, 30, 50}));
    // A disjoint push gives an all-zero empty clip and sets nothing.
    g.pushClip(Rect{200, 200, 5, 5});
    EXPECT_TRUE(g.isClipEmpty());
    EXPECT_EQ(g.clipRect(), Rect{});
    EXPECT_EQ(g.clips.size(), 2u);
    g.popClip();
    g.popClip();
    g.popClip();
    EXPECT_EQ(g.clips, (std::vector<Rect>{{0, 0, 100, 100}, {0, 50, 30, 50}, {0, 50, 30, 50}, {0, 0, 100, 100}}));
    EXPECT_FALSE(g.isClipEmpty());
    g.begin(nullptr, Rect{0, 0, 0, 10});
    EXPECT_TRUE(g.isClipEmpty());
}

TEST(GraphicsTest, OverflowAndUnderflowAreReportedAndScopedClipsPopOnlyWhatTheyPushed)
{
    RecordingGraphics g;
    g.begin(nullptr, Rect{0, 0, 10, 10});
    const auto paintChild = [&](bool leaveEarly) {
        const ScopedClip clip(g, Rect{2, 2, 3, 3});
        if (leaveEarly) {
            return;
        }
        const ScopedClip inner(g, Rect{3, 3, 1, 1});
    };
    paintChild(true);
    paintChild(false);
    EXPECT_EQ(g.clipDepth(), 1u);

    EXPECT_EQ(overflow(g), "kestrel::Graphics - Clip stack overflow!\nkestrel::Graphics - Clip stack overflow!\n");
    EXPECT_EQ(g.clipDepth(), Graphics::maxClipDepth);
    EXPECT_EQ(g.clipRect(), (Rect{0, 0, 10, 10}));

    g.begin(nullptr, Rect{0, 0, 10, 10});
    testing::internal::CaptureStderr();
    g.popClip();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "kestrel::Graphics - Clip stack underflow!\n");
    EXPECT_EQ(g.clipDepth(), 1u);
    EXPECT_EQ(g.clipRect(), (Rect{0, 0, 10, 10}));
}

TEST(GraphicsTest, TextAdvancesByTheFontsWidthsFittedTextDrawsWholeCharactersAndCentringTruncates)
{
    const Font font(FontKey{125, 12, 0});
    const int w = font.charWidth('W');
    const int a = font.charWidth('a');
    RecordingGraphics g;
    g.begin(nullptr, Rect{0, 0, 200, 50});
    // Each check takes the characters drawn since the last one.
    const auto drawn = [&] { return std::exchange(g.chars, {}); };
    g.drawText(heron_string("Wa!"), font, 4, 7);
    EXPECT_EQ(drawn(), (Chars{{'W', 4, 7}, {'a', 4 + w, 7}, {'!', 4 + w + a, 7}}));
    g.drawTextFitted("WWW", font, 10, 5, 2 * w + 1, Graphics::FittedText::Centred);
    EXPECT_EQ(drawn(), (Chars{{'W', 10, 5}, {'W', 10 + w, 5}}));
    g.drawTextFitted("ab", font, 10, 5, font.textWidth("ab") + 9, Graphics::FittedText::Centred);
    EXPECT_EQ(drawn(), (Chars{{'a', 10 + 4, 5}, {'b', 10 + 4 + a, 5}}));
    g.drawTextFitted("aWb", font, 0, 0, a + font.charWidth('b'), Graphics::FittedText::FromLeft);
    EXPECT_EQ(drawn(), (Chars{{'a', 0, 0}}));
    // Centring truncates toward zero.
    g.drawTextCentered(heron_string("WWW"), font, Rect{0, 0, 10, 20});
    const Chars centred = drawn();
    ASSERT_FALSE(centred.empty());
    EXPECT_EQ(std::pair(centred[0].x, centred[0].y),
              std::pair((10 - font.textWidth("WWW")) / 2, (20 - font.ascent()) / 2));
    g.drawTextCentered(static_cast<const char*>(nullptr), font, Rect{0, 0, 10, 20});
    g.drawTextCentered("W", font, Rect{7, 9, 0, 0});
    EXPECT_EQ(g.chars, (Chars{{'W', 7, 9}}));
    g.drawImageCentered(Image(), Rect{0, 0, 10, 10});
    g.drawImageCentered(Image(3, 4), Rect{0, 0, 10, 9});
    g.drawImageCentered(Image(3, 4), Rect{5, 6, 0, -1});
    EXPECT_EQ(g.images, (Chars{{'i', 3, 2}, {'i', 5, 6}}));
}
