#include "gui/widgets/html/GlyphHolder.h"

#include "gui/widgets/html/HTMLGlyph.h"

#include <algorithm>

namespace kestrel
{

namespace
{

constexpr int lineGap = 4;
constexpr int alignRight = 2;
constexpr int alignCentre = 3;
constexpr int alignJustify = 4;
constexpr int clearLeft = 1;
constexpr int clearRight = 2;

int highest(const std::vector<ActiveFloat>& floats)
{
    int reach = 0;
    for (const ActiveFloat& active : floats) {
        reach = std::max(reach, active.remaining);
    }
    return reach;
}

}

// Lays one paragraph's words into lines, y going down from 0.
class GlyphHolder::Flow
{
public:
    Flow(GlyphHolder& paragraph, LayoutContext& context, int alignment)
        : m_paragraph(paragraph), m_context(context), m_alignment(alignment)
    {
    }

    void add(int index);
    // Ends the last line and places the floats still queued.
    void finish();

    int y = 0;
    // How far below the paragraph's top its lowest float reaches.
    int floatBottom = 0;

private:
    // The last line of a paragraph is not justified.
    enum class LineEnd
    {
        Inner,
        Last,
    };

    void endLine(LineEnd end);
    void placeFloats();
    // Hangs a float from the top of the line with its left edge at x.
    void hang(GlyphEntry& e, int x);
    void clear(int mode);
    GlyphEntry& entry(int index) { return m_paragraph.m_entries[static_cast<std::size_t>(index)]; }
    const Word& word(int index) const { return m_paragraph.m_words[static_cast<std::size_t>(index)]; }

    GlyphHolder& m_paragraph;
    LayoutContext& m_context;
    int m_alignment;
    Line m_line;
    std::vector<int> m_leftQueue;
    std::vector<int> m_rightQueue;
};

void GlyphHolder::Flow::add(int index)
{
    const Word& w = word(index);
    const HTMLGlyph& glyph = *entry(w.first).glyph;
    if (w.isFloat) {
        (glyph.floatSide() == 0 ? m_leftQueue : m_rightQueue).push_back(w.first);
        return;
    }
    if (w.isLineBreak) {
        endLine(LineEnd::Inner);
        clear(glyph.clearMode());
        return;
    }
    const int used = m_context.leftIndent + m_line.width + m_line.spaces + w.width;
    if (!m_line.words.empty() && used > m_context.width - m_context.rightIndent) {
        endLine(LineEnd::Inner);
    }
    if (m_line.words.empty()) {
        placeFloats();
    }
    m_line.words.push_back(index);
    m_line.ascent = std::max(m_line.ascent, w.ascent);
    m_line.descent = std::max(m_line.descent, w.descent);
    m_line.width += w.width;
    m_line.spaces += w.spaceWidth;
}

void GlyphHolder::Flow::finish()
{
    endLine(LineEnd::Last);
    placeFloats();
}

// Justified lines share the spare room out between the gaps, the remainder going to the last
// gaps; a line of one word (and the last word of any line) has no gap after it to widen.
void GlyphHolder::Flow::endLine(LineEnd end)
{
    const bool last = end == LineEnd::Last;
    const int baseline = y - m_line.ascent;
    const int count = static_cast<int>(m_line.words.size());
    const int spaces = m_line.spaces - (count > 0 ? word(m_line.words.back()).spaceWidth : 0);
    int spare = m_context.width - m_context.rightIndent - m_line.width - spaces - m_context.leftIndent;
    int x = m_context.leftIndent;
    if (m_alignment == alignRight) {
        x += spare;
    } else if (m_alignment == alignCentre) {
        x += spare / 2;
    }
    const bool justify = m_alignment == alignJustify && !last && spare > 0;
    for (int k = 0; k < count; ++k) {
        const Word& w = word(m_line.words[static_cast<std::size_t>(k)]);
        for (int e = w.first; e < w.end; ++e) {
            entry(e).x = x;
            entry(e).y = baseline;
            x += entry(e).glyph->width();
        }
        if (w.space >= 0) {
            entry(w.space).x = x;
            entry(w.space).y = baseline;
        }
        x += w.spaceWidth;
        const int gaps = count - 1 - k;
        if (justify && gaps > 0) {
            const int share = spare / gaps;
            x += share;
            spare -= share;
        }
    }
    y = baseline - m_line.descent - lineGap;
    m_context.passFloats(m_line.ascent + m_line.descent + lineGap);
    m_line = Line();
}

// Each queued float hangs from the top of the line at the current indent of its side.
void GlyphHolder::Flow::placeFloats()
{
    for (const int index : m_leftQueue) {
        GlyphEntry& e = entry(index);
        m_context.leftIndent += e.glyph->width();
        m_context.leftFloats.push_back(ActiveFloat{m_context.leftIndent, e.glyph->ascent() + e.glyph->descent()});
        hang(e, m_context.leftIndent - e.glyph->width());
    }
    for (const int index : m_rightQueue) {
        GlyphEntry& e = entry(index);
        m_context.rightIndent += e.glyph->width();
        m_context.rightFloats.push_back(ActiveFloat{m_context.rightIndent, e.glyph->ascent() + e.glyph->descent()});
        hang(e, m_context.width - m_context.rightIndent);
    }
    m_leftQueue.clear();
    m_rightQueue.clear();
}

void GlyphHolder::Flow::hang(GlyphEntry& e, int x)
{
    e.x = x;
    e.y = y - e.glyph->ascent();
    floatBottom = std::max(floatBottom, e.glyph->descent() - e.y);
}

// Moves below the floats of the cleared sides; the other side's floats reach that much less.
void GlyphHolder::Flow::clear(int mode)
{
    const bool left = (mode & clearLeft) != 0;
    const bool right = (mode & clearRight) != 0;
    if (!left && !right) {
        return;
    }
    const int distance = std::max(left ? highest(m_context.leftFloats) : 0, right ? highest(m_context.rightFloats) : 0);
    y -= distance;
    const auto settle = [distance](bool cleared, std::vector<ActiveFloat>& floats, int& indent) {
        if (cleared) {
            floats.clear();
            indent = 0;
        } else {
            shrinkFloats(floats, indent, distance);
        }
    };
    settle(left, m_context.leftFloats, m_context.leftIndent);
    settle(right, m_context.rightFloats, m_context.rightIndent);
}

void GlyphHolder::add(const heron::counted_ptr<HTMLGlyph>& glyph, int link)
{
    if (glyph->isSpace()) {
        if (m_entries.empty() || m_entries.back().glyph->isSpace() || m_entries.back().glyph->isLineBreak()) {
            return;
        }
    } else if (glyph->isLineBreak()) {
        while (!m_entries.empty() && m_entries.back().glyph->isSpace()) {
            m_entries.pop_back();
        }
    }
    m_entries.push_back(GlyphEntry{glyph, 0, 0, link});
    m_wordsBuilt = false;
}

// Spaces between words are no words; a float or a line break is a word by itself; otherwise a
// run of glyphs of one kind is a word, followed by the width of the space after it.
void GlyphHolder::buildWords()
{
    m_words.clear();
    const auto glyphAt = [this](int i) -> const HTMLGlyph& { return *m_entries[static_cast<std::size_t>(i)].glyph; };
    const auto addPart = [](Word& w, const HTMLGlyph& part) {
        w.width += part.width();
        w.ascent = std::max(w.ascent, part.ascent());
        w.descent = std::max(w.descent, part.descent());
    };
    const int count = static_cast<int>(m_entries.size());
    int i = 0;
    while (i < count) {
        const HTMLGlyph& first = glyphAt(i);
        if (first.isSpace()) {
            ++i;
            continue;
        }
        Word w;
        w.first = i;
        w.isFloat = first.isFloat();
        w.isLineBreak = first.isLineBreak();
        addPart(w, first);
        ++i;
        const bool alone = w.isFloat || w.isLineBreak;
        for (; !alone && i < count; ++i) {
            const HTMLGlyph& part = glyphAt(i);
            if (part.isSpace() || part.isFloat() || part.isLineBreak() || part.kindId() != first.kindId()) {
                break;
            }
            addPart(w, part);
        }
        w.end = i;
        if (!alone && i < count && glyphAt(i).isSpace()) {
            w.space = i;
            w.spaceWidth = glyphAt(i).width();
        }
        m_words.push_back(w);
    }
    m_wordsBuilt = true;
}

void GlyphHolder::layout(LayoutContext& context)
{
    if (!m_wordsBuilt) {
        buildWords();
    }
    const int alignment = m_alignment >= 1 && m_alignment <= 4 ? m_alignment : context.alignment;
    Flow flow(*this, context, alignment);
    for (int i = 0; i < static_cast<int>(m_words.size()); ++i) {
        flow.add(i);
    }
    flow.finish();
    m_height = -flow.y;
    m_extent = flow.floatBottom;
}

void GlyphHolder::paint(Graphics& graphics, const HTMLInfo& info, const Rect& r)
{
    const int top = r.y + r.height;
    for (const GlyphEntry& e : m_entries) {
        e.glyph->paint(graphics, info, r.x + e.x, top + e.y, e.link >= 0);
    }
}

bool GlyphHolder::findGlyph(GlyphHit& hit, const Rect& r, int x, int y)
{
    const int top = r.y + r.height;
    for (const GlyphEntry& e : m_entries) {
        const int left = r.x + e.x;
        const int baseline = top + e.y;
        if (x < left || x >= left + e.glyph->width() || y < baseline || y >= baseline + e.glyph->ascent()) {
            continue;
        }
        if (e.glyph->hitTest(x - left, y - baseline)) {
            hit = GlyphHit{e.glyph.get(), e.link};
        }
        return true;
    }
    return false;
}

// The narrowest: the widest word with its space (none after the last word); the widest: the
// longest run of words between line breaks.
void GlyphHolder::computeWidths()
{
    if (!m_wordsBuilt) {
        buildWords();
    }
    m_minWidth = 0;
    m_maxWidth = 0;
    int run = 0;
    int lastSpace = 0;
    const std::size_t count = m_words.size();
    for (std::size_t k = 0; k < count; ++k) {
        const Word& w = m_words[k];
        const bool lastWord = k + 1 == count;
        m_minWidth = std::max(m_minWidth, w.width + (lastWord ? 0 : w.spaceWidth));
        if (w.isLineBreak) {
            m_maxWidth = std::max(m_maxWidth, run - lastSpace);
            run = 0;
            lastSpace = 0;
            continue;
        }
        run += w.width + w.spaceWidth;
        lastSpace = w.spaceWidth;
    }
    m_maxWidth = std::max(m_maxWidth, run - lastSpace);
}

}
