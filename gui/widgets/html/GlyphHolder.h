#pragma once

#include "gui/widgets/html/DocumentChunk.h"

#include <vector>

namespace kestrel
{

// A glyph of a paragraph, placed at (x, y): y is its baseline, relative to the paragraph's top
// and going down negative; link is an index into the document's links, -1 for none.
struct GlyphEntry
{
    heron::counted_ptr<HTMLGlyph> glyph;
    int x = 0;
    int y = 0;
    int link = -1;
};

// A paragraph: glyphs flowed into lines at the width, around floating images. Runs of space
// collapse to one; words break at spaces; a word wider than the width has a line of its own.
class GlyphHolder : public DocumentChunk
{
public:
    // 1 left, 2 right, 3 centre, 4 justify; 0 takes the container's.
    explicit GlyphHolder(int alignment) : m_alignment(alignment) {}

    // Drops a space at the start or after a space or line break; a line break first drops the
    // spaces before it.
    void add(const heron::counted_ptr<HTMLGlyph>& glyph, int link);
    const std::vector<GlyphEntry>& entries() const { return m_entries; }

    void layout(LayoutContext& context) override;
    void paint(Graphics& graphics, const HTMLInfo& info, const Rect& r) override;
    bool findGlyph(GlyphHit& hit, const Rect& r, int x, int y) override;
    void computeWidths() override;

private:
    // Entries [first, end) without their spaces; the trailing space entry (or -1) and its width.
    struct Word
    {
        int first = 0;
        int end = 0;
        bool isFloat = false;
        bool isLineBreak = false;
        int width = 0;
        int ascent = 0;
        int descent = 0;
        int space = -1;
        int spaceWidth = 0;
    };

    // The words of the line being built.
    struct Line
    {
        std::vector<int> words;
        int ascent = 0;
        int descent = 0;
        int width = 0;      // of the words alone
        int spaces = 0;     // their trailing spaces
    };

    class Flow;

    void buildWords();

    int m_alignment;
    std::vector<GlyphEntry> m_entries;
    std::vector<Word> m_words;
    bool m_wordsBuilt = false;
};

}
