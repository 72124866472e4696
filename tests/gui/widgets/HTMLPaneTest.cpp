#include "support/FakeDesktop.h"
#include "support/LogCapture.h"

#include "base/Limits.h"
#include "gui/paint/ImageReader.h"
#include "gui/widgets/html/GlyphHolder.h"
#include "gui/widgets/html/HTMLGlyph.h"
#include "gui/widgets/html/HTMLPane.h"
#include "gui/widgets/html/HTMLPaneInternals.h"
#include "gui/widgets/html/HtmlTokenizer.h"
#include "gui/widgets/html/TableChunk.h"
#include "gui/widgets/ScrollPane.h"

#include <functional>
#include <map>
#include <string>

namespace
{

using kestrel::Character2;
using kestrel::FontKey;
using kestrel::GlyphEntry;
using kestrel::GlyphHolder;
using kestrel::HTMLPane;
using kestrel::TableChunk;

// Fonts that load no face: every character 4 wide, ascent 5, descent 1. The key asked for is
// kept with its size raised by 10000 (beyond any face).
heron::counted_ptr<kestrel::Font> fixedFont(const FontKey& key)
{
    return heron::counted_ptr<kestrel::Font>(new kestrel::Font(FontKey{key.face, key.size + 10000, key.style}));
}

// Images by name: "w x h" names give an image of that size; the reads are counted.
class Pictures : public kestrel::ImageReader
{
public:
    void readImage(const heron_string& name, kestrel::Image& image) override
    {
        ++reads[name.c_str()];
        int width = 0;
        int height = 0;
        if (std::sscanf(name.c_str(), "%dx%d", &width, &height) == 2) {
            image = kestrel::Image(width, height);
        }
    }
    std::map<std::string, int> reads;
};

// What a paragraph holds: characters as themselves, images as '#', line breaks as '|'.
std::string textOf(const GlyphHolder& paragraph)
{
    std::string text;
    for (const GlyphEntry& e : paragraph.entries()) {
        if (const auto* c = dynamic_cast<const Character2*>(e.glyph.get())) {
            text += static_cast<char>(c->code());
        } else {
            text += e.glyph->isLineBreak() ? '|' : '#';
        }
    }
    return text;
}

FontKey keyOf(const GlyphEntry& e)
{
    const FontKey key = dynamic_cast<const Character2&>(*e.glyph).font().key();
    return FontKey{key.face, key.size - 10000, key.style};
}

std::vector<std::pair<int, int>> positions(const GlyphHolder& paragraph)
{
    std::vector<std::pair<int, int>> out;
    for (const GlyphEntry& e : paragraph.entries()) {
        out.emplace_back(e.x, e.y);
    }
    return out;
}

class Html : public testing_gui::FakeDesktop
{
protected:
    void SetUp() override
    {
        FakeDesktop::SetUp();
        Character2::setFontMaker(&fixedFont);
    }

    void TearDown() override
    {
        Character2::setFontMaker(nullptr);
        FakeDesktop::TearDown();
    }

    // Reads the text at a layout width (the margins of 5 aside).
    void load(const char* text, int width = 240)
    {
        pane->setPageWidth(width + 10);
        pane->setText(text, &pictures);
    }

    const std::vector<heron::counted_ptr<kestrel::DocumentChunk>>& chunks()
    {
        return pane->internals().root().chunks();
    }

    const GlyphHolder& paragraph(std::size_t i = 0) { return dynamic_cast<const GlyphHolder&>(*chunks().at(i)); }
    TableChunk& table(std::size_t i = 0) { return dynamic_cast<TableChunk&>(*chunks().at(i)); }

    heron::counted_ptr<HTMLPane> pane{new HTMLPane};
    Pictures pictures;
};

TEST_F(Html, FontTagsNestAndTheirEndsReturnToTheEnclosingFont)
{
    load("<font size=+2>A<font size=9>B</font><font size=1 face=monospace>C</font></font>D"
         "<tt>E</tt><b><i>F</b></i><u>G</u></font></font>H<font face=SansSerif size=-1>I");
    const std::vector<GlyphEntry>& e = paragraph().entries();
    ASSERT_EQ(textOf(paragraph()), "ABCDEFGHI");
    const FontKey expected[] = {{124, 21, 0}, {124, 21, 0}, {123, 7, 0}, {124, 14, 0}, {123, 14, 0},
                                {124, 14, 3},  {124, 14, 4}, {124, 14, 0}, {125, 12, 0}};
    for (std::size_t i = 0; i < e.size(); ++i) {
        EXPECT_EQ(keyOf(e[i]), expected[i]) << textOf(paragraph())[i];
    }
}

TEST_F(Html, HeadingsAreBoldSerifParagraphsOfTheirOwn)
{
    load("a<h1 align=center>B</h1>c<h6>D<h2>E</h2></h6>f");
    ASSERT_EQ(chunks().size(), 5u);
    EXPECT_EQ(textOf(paragraph(1)), "B");
    EXPECT_EQ(keyOf(paragraph(1).entries()[0]), (FontKey{124, 28, 1}));
    // A heading does not open inside another, and its end tag leaves the open one alone.
    EXPECT_EQ(textOf(paragraph(3)), "DE");
    EXPECT_EQ(keyOf(paragraph(3).entries()[1]), (FontKey{124, 9, 1}));
    EXPECT_EQ(keyOf(paragraph(4).entries()[0]), (FontKey{124, 14, 0}));
    // Centred: "B" (4 wide) in 240.
    EXPECT_EQ(paragraph(1).entries()[0].x, 118);
}

TEST_F(Html, WhatIsNoTagIsText)
{
    const struct
    {
        const char* html;
        const char* text;
    } cases[] = {
        {"a < b", "a < b"},
        {"x<unclosed and more", "x<unclosed and more"},
        {"&amp; &lt;", "&amp; &lt;"},
        {"1<2>3</ x>", "1<2>3</ x>"},
        {"<<<b>x", "<<x"},
        {"<b title=\">\">y", "y"},
        {"<b \">z", "<b \">z"},
        {"\xFF<b>\xFF", "\xFF\xFF"},
        {"<td>cell</td><tr>row", "cellrow"},
        {"<center>in</center><blink>x</blink>", "inx"},
        {"pre<head><b>title</b><p>t2<body>post", "pretitlet2post"},
    };
    for (const auto& c : cases) {
        load(c.html);
        ASSERT_EQ(chunks().size(), 1u) << c.html;
        EXPECT_EQ(textOf(paragraph()), c.text) << c.html;
    }
    load("pre<head><b>title");
    EXPECT_EQ(keyOf(paragraph().entries()[3]).style, 0);
}

TEST_F(Html, ATagLongerThanTheLimitIsText)
{
    const std::string attribute(heron::limits::maxHtmlTagLength, 'x');
    load(("<b " + attribute + ">a<b>b").c_str());
    const std::string text = textOf(paragraph());
    EXPECT_EQ(text.size(), attribute.size() + 6);
    EXPECT_EQ(keyOf(paragraph().entries().back()).style, 1);
}

TEST_F(Html, LinksMarkTheirGlyphsAndAPressReportsTheTarget)
{
    load("<a href=\"Page.html\">ab</a> c <a href=outer>d<a href=inner>e</a>f</a>");
    const std::vector<GlyphEntry>& e = paragraph().entries();
    ASSERT_EQ(textOf(paragraph()), "ab c def");
    const int links[] = {0, 0, -1, -1, -1, 1, 2, 1};
    for (std::size_t i = 0; i < e.size(); ++i) {
        EXPECT_EQ(e[i].link, links[i]) << i;
    }
    EXPECT_EQ(keyOf(e[0]).style, 4);
    EXPECT_EQ(keyOf(e[3]).style, 0);
    EXPECT_EQ(pane->internals().link(0), "Page.html");

    // A press on the 'b' tells the listener; the target is readable only meanwhile.
    struct Reader : kestrel::MessageDest
    {
        void handleMessage(const kestrel::ComponentMessage& m) override
        {
            seen.push_back(std::string(static_cast<HTMLPane*>(m.source)->activeLink().c_str()) + ":" +
                           std::to_string(m.argument));
        }
        std::vector<std::string> seen;
    } reader;
    pane->setActionListener(&reader, 9);
    pane->setBounds(0, 0, 250, 100);
    kestrel::Event press(kestrel::Event::LeftPress);
    press.x = 5 + e[1].x + 1;
    press.y = 100 - 5 + e[1].y + 2;
    pane->handleMouse(press);
    press.x = 5 + e[3].x + 1;     // 'c' is no link
    pane->handleMouse(press);
    EXPECT_EQ(reader.seen, std::vector<std::string>{"Page.html:0"});
    EXPECT_TRUE(pane->activeLink().empty());
}

TEST_F(Html, ImagesAreReadOnceAndSizedWithTheirRoom)
{
    load("<img src=10x8 hspace=3 vspace=-2><img src=10x8><a href=x><img src=10x8 align=left></a>"
         "<img src=3000x1><img src=missing>");
    const std::vector<GlyphEntry>& e = paragraph().entries();
    ASSERT_EQ(e.size(), 5u);
    EXPECT_EQ(pictures.reads, (std::map<std::string, int>{{"10x8", 1}, {"3000x1", 1}, {"missing", 1}}));
    EXPECT_EQ(e[0].glyph->width(), 16);
    EXPECT_EQ(e[0].glyph->ascent(), 8);
    EXPECT_EQ(e[1].glyph->width(), 10);
    // Inside a link: 2 more room on each side for the outline, and floating.
    EXPECT_EQ(e[2].glyph->width(), 14);
    EXPECT_EQ(e[2].glyph->ascent(), 12);
    EXPECT_TRUE(e[2].glyph->isFloat());
    EXPECT_EQ(e[3].glyph->width(), 0);
    EXPECT_EQ(e[4].glyph->width(), 0);
}

TEST_F(Html, WithoutAReaderImagesShowAPlaceholder)
{
    pane->setText("<img src=anything.gif>", nullptr);
    const GlyphHolder& holder = paragraph();
    EXPECT_EQ(holder.entries().at(0).glyph->width(), 32);
    EXPECT_EQ(holder.entries().at(0).glyph->ascent(), 32);
}

TEST_F(Html, BodyAttributesSetTheBackgroundAndTheWidthHint)
{
    struct Case
    {
        const char* html;
        std::uint32_t background;
        int hint;
    };
    const Case cases[] = {
        {"<body bgcolor=\"#102030\" widthhint=120>", 0xFF302010, 120},
        {"<body bgcolor=102030 widthhint=wide>", 0, -1},
        {"<body bgcolor=#zz widthhint=99999>", 0, -1},
        {"<body bgcolor=#12>", 0xFF120000, -1},
    };
    for (const Case& c : cases) {
        pane = heron::counted_ptr<HTMLPane>(new HTMLPane);
        load(c.html);
        EXPECT_EQ(pane->internals().backgroundColour(), c.background) << c.html;
        EXPECT_EQ(pane->widthHint(), c.hint) << c.html;
    }
}

TEST_F(Html, LinesBreakBetweenWordsAndSpacesCollapse)
{
    load("  aaaa  bbbb cccc<br>  dd", 40);
    ASSERT_EQ(textOf(paragraph()), "aaaa bbbb cccc|dd");
    const std::vector<std::pair<int, int>> expected = {
        {0, -5}, {4, -5}, {8, -5}, {12, -5}, {16, -5},              // "aaaa "
        {20, -5}, {24, -5}, {28, -5}, {32, -5}, {36, -5},           // "bbbb " (its space at 36)
        {0, -15}, {4, -15}, {8, -15}, {12, -15}, {0, 0},            // "cccc", the break unplaced
        {0, -25}, {4, -25}};
    EXPECT_EQ(positions(paragraph()), expected);
    EXPECT_EQ(paragraph().height(), 30);
    EXPECT_EQ(pane->pageHeight(), 40);
}

TEST_F(Html, AWordWiderThanTheWidthHasALineOfItsOwn)
{
    load("ab abcdefghijkl cd", 40);
    const std::vector<GlyphEntry>& e = paragraph().entries();
    EXPECT_EQ(e[3].y, -15);
    EXPECT_EQ(e[3 + 11].x, 44);     // overflows
    EXPECT_EQ(e[16].y, -25);
}

TEST_F(Html, ParagraphsAlignTheirLinesAndJustifyAllButTheLast)
{
    load("<p align=right>ab</p><p align=center>abc</p><p align=justify>a b c ddddddd e</p>"
         "<p align=justify>wordonitsown next</p>", 40);
    EXPECT_EQ(paragraph(0).entries()[0].x, 32);
    EXPECT_EQ(paragraph(1).entries()[0].x, 14);
    // "a b c" then "ddddddd" would not fit: 5 words' widths 12, spaces 8, spare 20 over 2 gaps.
    const std::vector<GlyphEntry>& justified = paragraph(2).entries();
    EXPECT_EQ(justified[0].x, 0);
    EXPECT_EQ(justified[2].x, 18);
    EXPECT_EQ(justified[4].x, 36);
    EXPECT_EQ(justified[6].x, 0);
    EXPECT_EQ(justified[14].x, 32);     // the last line is not spread
    // A line of one word has no gap to widen.
    EXPECT_EQ(paragraph(3).entries()[0].x, 0);
    EXPECT_EQ(paragraph(3).entries()[13].y, -15);
}

TEST_F(Html, TextFlowsBesideFloatingImagesAndBreaksClearThem)
{
    load("<img src=12x22 align=left>aa bb<br clear=left>cc<img src=8x3 align=right>dd", 40);
    const std::vector<GlyphEntry>& e = paragraph().entries();
    ASSERT_EQ(textOf(paragraph()), "#aa bb|cc#dd");
    EXPECT_EQ(e[0].x, 0);
    EXPECT_EQ(e[0].y, -22);
    EXPECT_EQ(e[1].x, 12);
    EXPECT_EQ(e[4].x, 24);
    EXPECT_EQ(e[4].y, -5);
    // The float reaches 22 down; the first line took 10: the break moves 12 further.
    EXPECT_EQ(e[7].y, -10 - 12 - 5);
    EXPECT_EQ(e[7].x, 0);
    // A float met within a line waits for the next line; after the last one it hangs below it.
    EXPECT_EQ(e[10].x, 8);
    EXPECT_EQ(e[10].y, -27);
    EXPECT_EQ(e[9].x, 32);
    EXPECT_EQ(e[9].y, -32 - 3);
}

TEST_F(Html, AFloatTallerThanItsTextMakesTheDocumentTaller)
{
    load("<img src=10x50 align=left>short", 100);
    EXPECT_EQ(paragraph().height(), 10);
    EXPECT_EQ(pane->pageHeight(), 50 + 10);
}

// Counts the images a paint draws.
class ImageCounter : public kestrel::Graphics
{
public:
    void setRGB(std::uint32_t) override {}
    void drawPoint(int, int) override {}
    void drawLine(int, int, int, int) override {}
    void fillRect(const kestrel::Rect&) override {}
    void drawChar(char, const kestrel::Font&, int, int) override {}
    void drawImage(const kestrel::Image&, int, int) override { ++images; }
    void setClip(const kestrel::Rect&) override {}

    int images = 0;
};

// A linked float 54 high (the link's outline room included) beside a line 10 high, in a pane
// 64 high: the paragraph's own rectangle covers only the top 10 of the float, from y 49 to 59.
class HangingFloat : public Html
{
protected:
    void SetUp() override
    {
        Html::SetUp();
        load("<a href=pic><img src=10x50 align=left></a>short", 100);
        pane->setBounds(0, 0, 110, 64);
    }
};

TEST_F(HangingFloat, IsRepaintedWhereItHangsBelowItsParagraph)
{
    ASSERT_EQ(paragraph().height(), 10);
    ImageCounter graphics;
    graphics.begin(nullptr, kestrel::Rect{0, 0, 110, 64});
    const kestrel::ScopedClip strip(graphics, kestrel::Rect{0, 20, 110, 10});
    pane->draw(graphics);
    EXPECT_EQ(graphics.images, 1);
}

TEST_F(HangingFloat, AnswersPressesOverItsWholeHeight)
{
    testing_gui::MessageRecorder recorder;
    pane->setActionListener(&recorder, 9);
    for (const int y : {56, 30, 8}) {
        kestrel::Event press(kestrel::Event::LeftPress);
        press.x = 10;
        press.y = y;
        pane->handleMouse(press);
        EXPECT_EQ(recorder.messages.size(), 1u) << y;
        recorder.messages.clear();
    }
}

TEST_F(Html, TablesPlaceTheirCellsByColumnsAndSpans)
{
    load("<table cellpadding=2 cellspacing=3><tr><td>ab</td><th colspan=2>c</th></tr>"
         "<tr align=right><td rowspan=2>d</td><td>e</td><td>f</td><tr><td>g</td></table>after", 200);
    ASSERT_EQ(chunks().size(), 2u);
    TableChunk& t = table();
    EXPECT_EQ(t.columnCount(), 3);
    EXPECT_EQ(t.rowCount(), 3);
    EXPECT_EQ(textOf(paragraph(1)), "after");
    // Columns of 12, 8 and 8 (text and two paddings; "c" asks 4 of each column it spans), all
    // below a fair share, with spacings of 3: x = 3, 18 and 29, 40 wide.
    EXPECT_EQ(t.width(), 40);
    std::vector<kestrel::Rect> cells;
    std::vector<int> firstX;
    t.visitChildren(
        [&](kestrel::DocumentChunk& chunk, const kestrel::Rect& r) {
            cells.push_back(r);
            const auto& content = dynamic_cast<kestrel::DocumentChunkList&>(chunk);
            firstX.push_back(dynamic_cast<const GlyphHolder&>(*content.chunks().at(0)).entries().at(0).x);
            return true;
        },
        kestrel::Rect{0, -100, 200, 100});
    // Rows of one 10-pixel line: a cell starts a spacing and a padding below its column's top;
    // "d" spans two rows from the second, so "g" takes the second column of the third.
    const std::vector<kestrel::Rect> expected = {{5, -15, 8, 10}, {20, -15, 15, 10}, {5, -32, 8, 10},
                                                 {20, -32, 4, 10}, {31, -32, 4, 10}, {20, -49, 4, 10}};
    EXPECT_EQ(cells, expected);
    EXPECT_EQ(t.height(), 2 * 3 + 48);
    // Header cells centre, a row's alignment applies to its cells.
    EXPECT_EQ(firstX, (std::vector<int>{0, 5, 4, 0, 0, 0}));
}

// A float 20 high beside a line of 10; a table 14 high after it. A table that fits beside the
// float sits there and uses up the rest of its reach; one too wide starts below it. Either way
// the text after the table is not indented.
TEST_F(Html, ATableAfterAFloatSitsBesideItOrBelowIt)
{
    struct Case
    {
        const char* what;
        std::string cell;
        kestrel::Rect placed;   // the cell's content in a document whose top is at 0
        int tableHeight;
    };
    const Case cases[] = {
        {"beside", "ab", {30 + 2, -12, 8, 10}, 14},
        {"below", std::string(44, 'w'), {2, -10 - 12, 176, 10}, 10 + 14},
    };
    for (const Case& c : cases) {
        load(("<img src=30x20 align=left>x<table><tr><td>" + c.cell + "</table>after").c_str(), 200);
        ASSERT_EQ(chunks().size(), 3u) << c.what;
        std::vector<kestrel::Rect> cells;
        table(1).visitChildren(
            [&](kestrel::DocumentChunk&, const kestrel::Rect& r) {
                cells.push_back(r);
                return true;
            },
            kestrel::Rect{0, -100, 200, 100});
        EXPECT_EQ(cells, std::vector<kestrel::Rect>{c.placed}) << c.what;
        EXPECT_EQ(table(1).height(), c.tableHeight) << c.what;
        EXPECT_EQ(textOf(paragraph(2)), "after");
        EXPECT_EQ(paragraph(2).entries()[0].x, 0) << c.what;
    }
}

// A paragraph's or heading's alignment ends with it: neither the cells of a table inside it
// nor the text after the table take it.
TEST_F(Html, AlignmentEndsWithItsParagraphOrHeading)
{
    load("<p align=right>ab<table><tr><td>cd</td></tr><tr><td>cdcdcdcd</td></table>ef"
         "<h2 align=right>T<table><tr><td>gh</td></tr><tr><td>ghghghgh</td></table>ij",
         100);
    ASSERT_EQ(chunks().size(), 6u);
    EXPECT_EQ(paragraph(0).entries()[0].x, 100 - 8);
    for (const std::size_t t : {1u, 4u}) {
        std::vector<int> firstX;
        table(t).visitChildren(
            [&](kestrel::DocumentChunk& chunk, const kestrel::Rect&) {
                const auto& content = dynamic_cast<kestrel::DocumentChunkList&>(chunk);
                firstX.push_back(dynamic_cast<const GlyphHolder&>(*content.chunks().at(0)).entries().at(0).x);
                return true;
            },
            kestrel::Rect{0, -100, 100, 100});
        EXPECT_EQ(firstX, (std::vector<int>{0, 0})) << t;
    }
    EXPECT_EQ(textOf(paragraph(2)), "ef");
    EXPECT_EQ(paragraph(2).entries()[0].x, 0);
    EXPECT_EQ(textOf(paragraph(5)), "ij");
    EXPECT_EQ(paragraph(5).entries()[0].x, 0);
}

TEST_F(Html, TableLimitsHoldAndNarrowestWidthsWinWhenTheyDoNotFit)
{
    load("<table cellpadding=100 cellspacing=0><tr><td colspan=0>aaaaaaaaaa</td>"
         "<td colspan=2000>bbbbbbbbbb</td></table>", 50);
    EXPECT_EQ(table().columnCount(), 2);
    EXPECT_EQ(table().width(), 2 * (40 + 2));
    // Cells past the last column a table takes stay outside it, their text kept after it.
    std::string wide = "<table><tr>";
    for (int i = 0; i <= heron::limits::maxHtmlTableColumns; ++i) {
        wide += "<td>" + std::string(i < heron::limits::maxHtmlTableColumns ? "" : "beyond");
    }
    load(wide.c_str());
    EXPECT_EQ(table().columnCount(), heron::limits::maxHtmlTableColumns);
    EXPECT_EQ(textOf(paragraph(1)), "beyond");
}

// The page takes the view's width, less the vertical bar when it shows, but no less than the
// document can be laid out at, which a horizontal bar then scrolls.
TEST_F(Html, APageInAScrollPaneFlowsToTheWidthOfTheView)
{
    std::string words;
    for (int i = 0; i < 100; ++i) {
        words += "word ";
    }
    load(words.c_str());
    const heron::counted_ptr<kestrel::ScrollPane> scroll(new kestrel::ScrollPane(pane.get()));
    struct Case
    {
        const char* text;
        int width;
        int pageWidth;
        bool horizontalBar;
    };
    const Case cases[] = {
        {words.c_str(), 204, 200 - 16, false},
        {words.c_str(), 304, 300 - 16, false},
        {"<img src=250x10>", 204, 250 + 10, true},
    };
    for (const Case& c : cases) {
        pane->setText(c.text, &pictures);
        scroll->setBounds(0, 0, c.width, 60);
        scroll->doLayout();
        EXPECT_EQ(pane->pageWidth(), c.pageWidth) << c.width;
        EXPECT_EQ(pane->getBounds().width, c.pageWidth) << c.width;
        EXPECT_EQ(scroll->horizontalBar().isVisible(), c.horizontalBar) << c.width;
    }
}

TEST_F(Html, DumpsWriteTheirDebugTexts)
{
    using kestrel::DocumentChunkList;
    // Made before the log is captured: making a font logs.
    const auto letter = Character2::get(FontKey{124, 14, 0}, 'a');
    const auto space = Character2::get(FontKey{124, 14, 0}, ' ');
    const auto high = Character2::get(FontKey{124, 14, 0}, 0xFF);
    const kestrel::Image picture(10, 8);
    const heron::counted_ptr<DocumentChunkList> nested(new DocumentChunkList);
    nested->add(heron::counted_ptr<kestrel::DocumentChunk>(new DocumentChunkList));
    const struct
    {
        const char* what;
        std::function<void()> dump;
        std::string text;
    } cases[] = {
        {"letter", [&] { letter->logText(); }, "a"},
        {"space", [&] { space->logText(); }, " "},
        {"byte 0xFF", [&] { high->logText(); }, "\xFF"},
        {"image", [&] { kestrel::ImageGlyph(picture, kestrel::ImageGlyph::Placement::FloatLeft, 2, 2).logText(); },
         "<img>"},
        {"line break", [] { kestrel::LineBreakGlyph(3).logText(); }, "<br>"},
        {"empty document", [&] { load(""); pane->internals().root().dump(); }, "<empty>"},
        {"list whose first chunk is an empty list", [&] { nested->dump(); }, "<empty>"},
        {"document opening with a paragraph", [&] { load("ab<br>c"); pane->internals().root().dump(); }, ""},
    };
    for (const auto& c : cases) {
        const LogCapture log;
        c.dump();
        EXPECT_EQ(log.text(), c.text) << c.what;
    }
}

TEST_F(Html, ATextBeyondTheLongestIsCut)
{
    const LogCapture log;
    load((std::string(heron::limits::maxHtmlTextLength, ' ') + "lost").c_str());
    ASSERT_EQ(chunks().size(), 1u);
    EXPECT_TRUE(paragraph().entries().empty());
    EXPECT_NE(log.text().find("HTMLPane: a text of 1048580 bytes is cut to 1048576"), std::string::npos);
}

TEST_F(Html, NestingOfTablesIsBounded)
{
    const LogCapture log;
    std::string html;
    for (int i = 0; i < 40; ++i) {
        html += "<table><tr><td>";
    }
    html += "deep";
    load(html.c_str());
    // Follow the first table inside each table's first cell.
    int depth = 0;
    for (kestrel::DocumentChunk* chunk = chunks().at(0).get(); auto* inner = dynamic_cast<TableChunk*>(chunk);) {
        ++depth;
        chunk = nullptr;
        inner->visitChildren(
            [&](kestrel::DocumentChunk& content, const kestrel::Rect&) {
                const auto& list = dynamic_cast<kestrel::DocumentChunkList&>(content).chunks();
                chunk = list.empty() ? nullptr : list.front().get();
                return false;
            },
            kestrel::Rect{});
    }
    EXPECT_EQ(depth, static_cast<int>(heron::limits::maxHtmlTableDepth));
    EXPECT_NE(log.text().find("tables nested deeper than 16 are left out"), std::string::npos);
}

}
