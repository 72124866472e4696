// Lines of mixed sizes: a line is as high as the characters it holds, not those that wrap on.
#include "launcher/document/GlyphCache.h"
#include "launcher/document/ParagraphInternals.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

using old_document::Glyph;
using old_document::Line;

const kestrel::FontKey small{125, 10, 0};
const kestrel::FontKey large{125, 30, 0};

}

TEST(LineHeight, AWordThatWrapsCountsOnTheLineItMovesTo)
{
    // "aaa " small, "B" large, "b" small: the line ends where "b" would overflow.
    const std::vector<const Glyph*> glyphs = {
        &old_document::glyphFor(small, 'a'), &old_document::glyphFor(small, 'a'), &old_document::glyphFor(small, 'a'),
        &old_document::glyphFor(small, ' '), &old_document::glyphFor(large, 'B'), &old_document::glyphFor(small, 'b'),
    };
    const int smallAscent = glyphs[0]->ascent;
    const int largeAscent = glyphs[4]->ascent;
    ASSERT_GT(largeAscent, smallAscent);
    int width = 0;
    for (const Glyph* glyph : glyphs) {
        width += glyph->advance;
    }
    old_document::ParagraphInternals paragraph;
    for (const Glyph* glyph : glyphs) {
        paragraph.chars.push_back({glyph, 0, nullptr});
    }
    paragraph.layout(width - 1);

    const int first = 3 * glyphs[0]->advance;
    const int second = width - first;
    EXPECT_EQ(paragraph.lines, (std::vector<Line>{{1, 3, first, smallAscent, smallAscent},
                                                  {1, 3, second, largeAscent, largeAscent}}));
    EXPECT_EQ(paragraph.height, 2 * (smallAscent + largeAscent));
}
