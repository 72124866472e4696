#include "base/heron_string.h"
#include "gui/paint/Font.h"
#include "platform/FontFace.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/LogCapture.h"

using kestrel::Font;
using kestrel::FontKey;
using Metrics = std::vector<int>;

// Height, ascent, descent, external leading and average width.
static Metrics metricsOf(const Font& font)
{
    return {font.height(), font.ascent(), font.descent(), font.externalLeading(), font.averageWidth()};
}

// Values read once from FreeType for Liberation Sans and checked against the classic metrics
// of its metric-compatible counterpart (at 12 px: cell 14, internal leading 2, average 7).
TEST(FontTest, LiberationSansMetricsAndHintedWidthsAt12And16Pixels)
{
    const struct
    {
        int style, size, ascent, descent, externalLeading, averageWidth;
    } table[] = {
        {0, 12, 9, 3, 0, 7},          {Font::Bold, 12, 9, 3, 0, 7},     {Font::Italic, 12, 9, 3, 0, 7},
        {0, 16, 13, 3, 1, 9},         {Font::Bold, 16, 13, 3, 1, 10},   {Font::Italic, 16, 13, 3, 1, 9},
    };
    for (const auto& m : table) {
        SCOPED_TRACE(testing::Message() << "size " << m.size << " style " << m.style);
        const Font font(FontKey{125, m.size, m.style});
        ASSERT_TRUE(font.isLoaded());
        EXPECT_EQ(metricsOf(font), (Metrics{m.size, m.ascent, m.descent, m.externalLeading, m.averageWidth}));
    }
    const Font small(FontKey{125, 12, 0});
    const Font large(FontKey{125, 16, 0});
    EXPECT_EQ(small.textWidth("Hello, World!"), 70);
    EXPECT_EQ(large.textWidth("Hello, World!"), 92);
    const struct
    {
        char c;
        int at12, at16;
    } widths[] = {{'a', 7, 9}, {'W', 11, 15}, {'i', 3, 4}, {' ', 3, 4}, {'H', 9, 12}};
    for (const auto& w : widths) {
        EXPECT_EQ(std::pair(small.charWidth(w.c), large.charWidth(w.c)), std::pair(w.at12, w.at16)) << w.c;
    }
}

TEST(FontTest, EveryByteHasAWidthIncludingTheLastOneAndTextWidthsSumThem)
{
    const Font font(FontKey{125, 16, 0});
    // 0xFF is y with diaeresis, 0xE9 e acute, 0x80 the euro sign in Windows-1252.
    EXPECT_EQ(font.charWidth(static_cast<char>(0xFF)), font.charWidth('y'));
    EXPECT_EQ(font.charWidth(static_cast<char>(0xE9)), font.charWidth('e'));
    EXPECT_EQ(font.charWidth(static_cast<char>(0x80)), 9);
    EXPECT_EQ(font.textWidth("\xFF\xFF"), 2 * font.charWidth('y'));
    for (int c = 0; c < 32; ++c) {
        EXPECT_EQ(font.charWidth(static_cast<char>(c)), font.averageWidth()) << c;
    }
    EXPECT_EQ(font.textWidth(nullptr), 0);
    EXPECT_EQ(font.textWidth(""), 0);
    const heron_string withZero("a\0b", 3);
    EXPECT_EQ(font.textWidthOf(withZero), font.charWidth('a') + font.averageWidth() + font.charWidth('b'));
}

TEST(FontTest, EveryFaceHasAUsableDefaultSizeAndOneThatCannotLoadTakesTheFallbackMetrics)
{
    for (const int face : {123, 124, 125, 126, 127}) {
        const Font font(FontKey{face, 0, 0});
        EXPECT_TRUE(font.isLoaded()) << face;
        EXPECT_GT(font.ascent(), font.descent()) << face;
        EXPECT_GE(font.height(), 9) << face;
    }
    const Font mono(FontKey{123, 0, 0});
    EXPECT_EQ(mono.charWidth('i'), mono.charWidth('W'));
    // The menu and GUI faces are sans-serif, not monospaced.
    for (const int face : {126, 127}) {
        const Font font(FontKey{face, 0, 0});
        EXPECT_LT(font.charWidth('i'), font.charWidth('W')) << face;
    }

    const LogCapture log;
    const Font font(FontKey{125, 100000, 0});
    EXPECT_EQ(log.count("Font create failed!\n"), 1);
    EXPECT_FALSE(font.isLoaded());
    EXPECT_EQ(metricsOf(font), (Metrics{6, 5, 1, 0, 4}));
    for (int c = 0; c < 256; ++c) {
        EXPECT_EQ(font.charWidth(static_cast<char>(c)), 4);
    }
    EXPECT_EQ(font.glyph('a'), nullptr);
}

TEST(FontTest, CharactersBeyondTheCodePageHaveTheFacesOwnGlyphs)
{
    const Font font(FontKey{125, 16, 0});
    // A character of Windows-1252 takes its byte's width and glyph.
    const struct
    {
        char32_t code;
        char byte;
    } shared[] = {{U'a', 'a'}, {U'€', '\x80'}, {U'ó', '\xF3'}, {U'œ', '\x9C'}};
    for (const auto& s : shared) {
        EXPECT_EQ(font.codePointWidth(s.code), font.charWidth(s.byte)) << int{s.byte};
        EXPECT_EQ(font.codePointGlyph(s.code), font.glyph(s.byte)) << int{s.byte};
    }
    // Polish letters have their own glyphs, unlike their plain letters and the missing-glyph box
    // that a code point no face has gets.
    const plat::GlyphBitmap* box = font.codePointGlyph(0x0378);
    ASSERT_NE(box, nullptr);
    const std::pair<char32_t, char> letters[] = {{U'ł', 'l'}, {U'ś', 's'}, {U'Ż', 'Z'}, {U'ą', 'a'}};
    for (const auto& [polish, plain] : letters) {
        const plat::GlyphBitmap* glyph = font.codePointGlyph(polish);
        ASSERT_NE(glyph, nullptr) << int{plain};
        EXPECT_GT(font.codePointWidth(polish), 0) << int{plain};
        EXPECT_NE(glyph->coverage, font.glyph(plain)->coverage) << int{plain};
        EXPECT_NE(glyph->coverage, box->coverage) << int{plain};
    }
    const LogCapture log;
    const Font fallback(FontKey{125, 100000, 0});
    EXPECT_EQ(fallback.codePointWidth(U'ł'), fallback.averageWidth());
    EXPECT_EQ(fallback.codePointGlyph(U'ł'), nullptr);
}
