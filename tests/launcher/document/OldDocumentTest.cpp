#include "launcher/document/GlyphCache.h"
#include "launcher/document/MarkupParser.h"
#include "launcher/document/OldDocument.h"
#include "launcher/document/ParagraphInternals.h"

#include "gui/paint/BitmapGraphics.h"
#include "support/FakeDesktop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

using old_document::Line;
using old_document::OldDocument;
using old_document::ParagraphInternals;

// Liberation Mono: every character, the blank too, has the same advance.
const old_document::CharacterStyle mono{123, 10, 0, 0, nullptr};
const old_document::Glyph& monoGlyph = old_document::glyphFor(mono.fontKey(), 'a');
const int w = monoGlyph.advance;
const int a = monoGlyph.ascent;

// Where a walk places each character: its letter and pen position.
struct Placed
{
    char c;
    int x;
    int baseline;
    bool operator==(const Placed& other) const = default;
};

class PlaceRecorder final : public ParagraphInternals::CharProcessor
{
public:
    void process(const old_document::PlacedChar& placed, int x, int baseline) override
    {
        placements.push_back(Placed{static_cast<char>(placed.glyph->code), x, baseline});
    }
    std::vector<Placed> placements;
};

class Layout : public ::testing::Test
{
protected:
    std::vector<Line> linesOf(const char* markup, int width)
    {
        old_document::parseMarkup(document, markup, mono);
        return document.paragraphs().front()->lines(width);
    }

    std::vector<Placed> walk(const char* markup, const kestrel::Rect& area)
    {
        old_document::parseMarkup(document, markup, mono);
        PlaceRecorder recorder;
        document.paragraphs().front()->internals().walk(area, recorder);
        return recorder.placements;
    }

    OldDocument document;
};

TEST_F(Layout, WordsWrapAtTheBlankBeforeTheWordThatOverflowsOrInsideAWordLongerThanTheLine)
{
    const struct
    {
        const char* markup;
        int width;
        std::vector<Line> lines;
    } cases[] = {
        {"aaa bbb ccc", 7 * w, {{2, 7, 7 * w, a, a}, {1, 4, 4 * w, a, a}}},
        {"aaa bbb ccc", 11 * w, {{3, 11, 11 * w, a, a}}},
        {"abcdefgh", 3 * w, {{0, 3, 3 * w, a, a}, {0, 3, 3 * w, a, a}, {1, 2, 2 * w, a, a}}},
        // The second line holds 'b' alone and is as high as it.
        {"aaa b", 4 * w, {{1, 3, 3 * w, a, a}, {1, 2, 2 * w, a, a}}},
        // Narrower than one character: one character a line, never none.
        {" ab", 0, {{1, 1, w, a, a}, {0, 1, w, a, a}, {1, 1, w, a, a}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(linesOf(c.markup, c.width), c.lines) << c.markup << " at " << c.width;
    }
}

TEST_F(Layout, AWideWordAfterAWrapIsBrokenAtTheWidthToo)
{
    const auto width = [](unsigned char c) { return old_document::glyphFor({125, 12, 0}, c).advance; };
    const int line = width('i') + width(' ') + width('W');
    ASSERT_GT(width('W'), width('i') + width(' '));
    old_document::parseMarkup(document, "i WWW", old_document::CharacterStyle{125, 12, 0, 0, nullptr});
    std::vector<int> chars;
    for (const Line& laid : document.paragraphs().front()->lines(line)) {
        EXPECT_LE(laid.width, line);
        chars.push_back(laid.chars);
    }
    EXPECT_EQ(chars, (std::vector<int>{1, 2, 1, 1}));
}

TEST_F(Layout, AWrappedLineDropsItsLeadingBlankAndIsCentredWithoutIt)
{
    const kestrel::Rect area{100, 0, 3 * w, 40};
    const int top = 39;
    EXPECT_EQ(walk(" ab cd", area), (std::vector<Placed>{{' ', 100, top - a}, {'a', 100 + w, top - a},
                                                         {'b', 100 + 2 * w, top - a}, {'c', 100, top - 3 * a},
                                                         {'d', 100 + w, top - 3 * a}}));
    // Centred in 3 columns: "x" starts one column in, "yy" half a column in.
    EXPECT_EQ(walk("<center>x yy", area), (std::vector<Placed>{{'x', 100 + w, top - a},
                                                               {'y', 100 + w / 2, top - 3 * a},
                                                               {'y', 100 + w / 2 + w, top - 3 * a}}));
}

TEST_F(Layout, PreferredSizeStacksTheParagraphsAtTheWrapWidth)
{
    int width = 0;
    int height = 0;
    old_document::parseMarkup(document, "aaa bbb ccc<p><p>z", mono);
    document.getPreferredSize(width, height);
    EXPECT_EQ(std::pair(width, height), std::pair(25, 1));
    document.setWrapWidth(7 * w);
    document.getPreferredSize(width, height);
    EXPECT_EQ(std::pair(width, height), std::pair(7 * w, 2 * 2 * a + OldDocument::emptyParagraphHeight + 2 * a));
    document.setBounds(0, 0, 11 * w, 5);
    document.getPreferredSize(width, height);
    EXPECT_EQ(height, 2 * a + OldDocument::emptyParagraphHeight + 2 * a);
    old_document::parseMarkup(document, "", mono);
    document.getPreferredSize(width, height);
    EXPECT_EQ(height, OldDocument::emptyParagraphHeight);
}

TEST_F(Layout, PlainTextPaintsInTheTextColourAndALinkUnderlinedInTheLinkColour)
{
    const old_document::CharacterStyle sans{125, 12, 0, 0, nullptr};
    old_document::parseMarkup(document, "ab <a href=x>cd</a>", sans);
    document.setTextColour(0x0000FF);
    document.setLinkColour(0xFF0000);
    document.setBounds(0, 0, 60, 20);
    kestrel::BitmapGraphics graphics;
    graphics.begin(nullptr, kestrel::Rect{0, 0, 60, 20});
    document.draw(graphics);

    const auto width = [](unsigned char c, int style) { return old_document::glyphFor({125, 12, style}, c).advance; };
    const old_document::Glyph& c = old_document::glyphFor(kestrel::FontKey{125, 12, kestrel::Font::Underline}, 'c');
    const int plainEnd = width('a', 0) + width('b', 0);
    const int linkStart = plainEnd + width(' ', 0);
    const int linkEnd = linkStart + width('c', 4) + width('d', 4);
    const int baseline = 19 - c.ascent;
    const int underline = baseline + 1 - c.font->underlineOffset();
    int inked = 0;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 60; ++x) {
            const std::uint32_t pixel = *graphics.image().pixelAt(x, y) & 0xFFFFFF;
            const bool red = pixel >> 16 != 0;
            const bool blue = (pixel & 0xFF) != 0;
            ASSERT_FALSE(red && blue) << x << ", " << y;
            inked += red || blue ? 1 : 0;
            const bool inPlainText = x < plainEnd && y > baseline - c.descent && y <= baseline + c.ascent;
            EXPECT_TRUE(!red || inPlainText) << x << ", " << y;
            EXPECT_TRUE(!blue || (x >= linkStart && x < linkEnd)) << x << ", " << y;
            if (y == underline) {
                EXPECT_EQ(pixel == 0xFF, x >= linkStart && x < linkEnd) << x;
            }
        }
    }
    EXPECT_GT(inked, 4 * (linkEnd - linkStart));
}

TEST_F(Layout, TextThatDoesNotFitStaysInsideTheBounds)
{
    old_document::parseMarkup(document, "W<p>W<p>W<p>W", mono);
    document.setTextColour(0xFFFFFF);
    document.setBounds(0, 20, 20, 2 * a + 1);
    kestrel::BitmapGraphics graphics;
    graphics.begin(nullptr, kestrel::Rect{0, 0, 20, 60});
    document.draw(graphics);
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 20; ++x) {
            const bool inked = (*graphics.image().pixelAt(x, y) & 0xFFFFFF) != 0;
            EXPECT_TRUE(!inked || (y >= 20 && y <= 20 + 2 * a)) << x << ", " << y;
        }
    }
}

}

namespace
{

using plat::InputKind;

// A 200 x 100 window showing, in monospace at its bottom-left 100 x 40 pixels, a link on "ab"
// followed by plain " cd".
class Pointing : public testing_gui::FakeDesktop
{
protected:
    void SetUp() override
    {
        FakeDesktop::SetUp();
        window.setLayout(new testing_gui::FixedLayout);
        window.add(document);
        document->setBounds(0, 0, 100, 40);
        old_document::parseMarkup(*document, "<a href=\"http://x.org/a b\">ab</a> cd", mono);
        openAndActivate(window, 200, 100);
    }

    void moveTo(int x, int y)
    {
        move(window, x, y);
        drain();
    }

    // The document acts on the press; the release is not needed.
    void pressAt(int x, int y)
    {
        move(window, x, y);
        button(window, InputKind::ButtonPress, x, y);
        drain();
    }

    bool showsHand() const { return document->getCursor() == kestrel::Cursor::standard(2); }

    kestrel::Window window;
    OldDocument* document = new OldDocument;
    const int baseline = 39 - a;
};

TEST_F(Pointing, TheHandShowsOverLinkTextOnly)
{
    moveTo(w / 2, baseline);
    EXPECT_TRUE(showsHand());
    moveTo(3 * w + 1, baseline);
    EXPECT_FALSE(document->getCursor());
    moveTo(2 * w - 1, baseline - a + 1);
    EXPECT_TRUE(showsHand());
    moveTo(2 * w - 1, baseline + a);
    EXPECT_FALSE(document->getCursor());
    moveTo(w, baseline);
    moveTo(w, 2);
    EXPECT_FALSE(document->getCursor());
}

TEST_F(Pointing, APressOnALinkOpensItsAddressAndAPressElsewhereShowsTheArrow)
{
    pressAt(3 * w + 1, baseline);
    EXPECT_TRUE(fake.openedUrls.empty());
    EXPECT_FALSE(document->getCursor());
    pressAt(w, baseline);
    EXPECT_EQ(fake.openedUrls, (std::vector<std::string>{"http://x.org/a%20b"}));
}

}
