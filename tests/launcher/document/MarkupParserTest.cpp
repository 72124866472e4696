#include "launcher/document/CodePage.h"
#include "launcher/document/GlyphCache.h"
#include "launcher/document/MarkupParser.h"
#include "launcher/document/OldDocument.h"

#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

using old_document::CharacterStyle;
using old_document::OldDocument;
using old_document::Paragraph;
using old_document::PlacedChar;

// How a character looks: b, i, u for its font's style bits (links add u), t for the monospace
// face, then @ and the link target.
std::string lookOf(const PlacedChar& placed)
{
    const kestrel::FontKey& key = placed.glyph->font->key();
    std::string look;
    look += (key.style & kestrel::Font::Bold) ? "b" : "";
    look += (key.style & kestrel::Font::Italic) ? "i" : "";
    look += (key.style & kestrel::Font::Underline) ? "u" : "";
    look += key.face == 123 ? "t" : "";
    return placed.link ? look + "@" + *placed.link : look;
}

// Each paragraph as {text}, preceded by C when centred; [look] wherever the look changes.
std::string describe(const OldDocument& document)
{
    std::string out;
    for (const auto& paragraph : document.paragraphs()) {
        out += paragraph->alignment() == Paragraph::Alignment::Centred ? "C{" : "{";
        std::string look;
        for (const PlacedChar& placed : paragraph->chars()) {
            if (lookOf(placed) != look) {
                look = lookOf(placed);
                out += "[" + look + "]";
            }
            out += static_cast<char>(placed.glyph->code);
        }
        out += "}";
    }
    return out;
}

std::string parsed(const std::string& markup)
{
    OldDocument document;
    old_document::parseMarkup(document, markup, CharacterStyle{125, 12, 0, 0, nullptr});
    return describe(document);
}

TEST(MarkupParserTest, MarkupBecomesParagraphsOfStyledCharacters)
{
    const struct
    {
        const char* markup;
        const char* expected;
    } cases[] = {
        {"", "{}"},
        {"plain text", "{plain text}"},
        {"x<p>y</p>z", "{x}{y}{z}"},
        {"a<b>b</b>c", "{a[b]b[]c}"},
        {"<b><b>x</b>y</b>z", "{[b]xy[]z}"},
        {"<i><u>x</i>y", "{[iu]x[u]y}"},
        {"<tt>m<tt>n</tt>o</tt>p", "{[t]mno[]p}"},
        {"</b>x</tt>y</a>", "{xy}"},
        {"< b>a", "{< b>a}"},
        {"<>a</>", "{<>a</>}"},
        {"a<b", "{a<b}"},
        {"a<<b>c", "{a<[b]c}"},
        {"<br>x", "{[b]x}"},
        {"<pre>x<p/>y", "{}{x}{y}"},
        {"<B>x<I >y<Center>z", "{xyz}"},
        {"<a href=\"a b\">l</a>m", "{[u@a b]l[]m}"},
        {"<a href=x href=\"y\">l<a>m", "{[u@y]lm}"},
        {"<a  href=q>l<a name=n>m", "{[u@q]lm}"},
        {"<b><a href=q>l</b>m", "{[bu@q]l[u@q]m}"},
        {"<center>c</center>d<p><center>e", "{cd}C{e}"},
        {"</ b>x", "{x}"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parsed(c.markup), c.expected) << c.markup;
    }
}

TEST(MarkupParserTest, BytesAboveTheAsciiRangeHaveGlyphsOfTheirOwn)
{
    OldDocument document;
    old_document::parseMarkup(document, "\xE9\xFF", CharacterStyle{125, 12, 0, 0, nullptr});
    const auto& chars = document.paragraphs().front()->chars();
    ASSERT_EQ(chars.size(), 2u);
    EXPECT_EQ(chars[1].glyph->code, 0xFF);
    EXPECT_EQ(chars[1].glyph->advance, chars[1].glyph->font->charWidth('\xFF'));
}

TEST(MarkupParserTest, TheDocumentsCodePageDecidesWhichCharacterAByteDraws)
{
    std::array<char32_t, 256> table{};
    for (unsigned i = 0; i < table.size(); ++i) {
        table[i] = i == 0xB9 ? U'a' : i;
    }
    const old_document::CodePage codePage(table);
    OldDocument document;
    document.setCodePage(codePage);
    old_document::parseMarkup(document, "<b>\xB9</b>", CharacterStyle{125, 12, 0, 0, nullptr});
    EXPECT_EQ(describe(document), "{[b]a}");
}

TEST(MarkupParserTest, LinksAreInternedOnceAndOutliveAClear)
{
    OldDocument document;
    old_document::parseMarkup(document, "<a href=t>x</a><a href=t>y", CharacterStyle{});
    const std::string* link = document.paragraphs().front()->chars()[0].link;
    EXPECT_EQ(document.paragraphs().front()->chars()[1].link, link);
    document.clear();
    EXPECT_TRUE(document.paragraphs().empty());
    EXPECT_EQ(document.internLink("t"), link);
}

TEST(MarkupParserTest, AnOverlongTextIsCutAndLogged)
{
    const LogCapture log;
    OldDocument document;
    const std::string text(old_document::maxMarkupBytes + 5, 'a');
    old_document::parseMarkup(document, text, CharacterStyle{});
    EXPECT_EQ(document.paragraphs().front()->chars().size(), old_document::maxMarkupBytes);
    EXPECT_TRUE(log.contains("parseMarkup() - text of 262149 bytes cut to 262144\n"));
}

}
