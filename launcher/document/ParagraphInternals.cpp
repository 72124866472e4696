#include "launcher/document/ParagraphInternals.h"

#include "gui/paint/Graphics.h"
#include "launcher/document/GlyphCache.h"

#include <algorithm>
#include <limits>

namespace old_document
{

namespace
{

int saturated(std::int64_t value)
{
    return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

// Consecutive characters of a line: how many, their width and the largest ascent among them.
struct Run
{
    int chars = 0;
    std::int64_t width = 0;
    int ascent = 0;

    bool isEmpty() const { return chars == 0; }
    void add(const Glyph& glyph)
    {
        ++chars;
        width += glyph.advance;
        ascent = std::max(ascent, glyph.ascent);
    }
    void add(const Run& other)
    {
        chars += other.chars;
        width += other.width;
        ascent = std::max(ascent, other.ascent);
    }
};

// Breaks a paragraph into lines no wider than the width where that can be done: at the blank
// before a word that would overflow, or inside a word longer than the line. The characters since
// the last blank are pending; those before it are committed to the line.
class LineBreaker
{
public:
    LineBreaker(std::vector<Line>& lines, int width) : m_lines(lines), m_width(width) {}

    void take(const Glyph& glyph)
    {
        if (glyph.blank) {
            m_committed.add(m_pending);
            m_pending = Run();
            ++m_breaks;
        }
        // Past the width the line ends before the pending word, or inside it when the word alone
        // is too wide; a character too wide for any line stands alone, so no line is ever empty.
        if (overflows(glyph) && !m_committed.isEmpty()) {
            close(m_committed);
            m_committed = Run();
        }
        if (overflows(glyph) && !m_pending.isEmpty()) {
            close(m_pending);
            m_pending = Run();
        }
        m_pending.add(glyph);
    }

    void finish()
    {
        if (m_committed.isEmpty() && m_pending.isEmpty()) {
            return;
        }
        if (!m_pending.isEmpty()) {
            ++m_breaks;
        }
        m_committed.add(m_pending);
        close(m_committed);
    }

private:
    bool overflows(const Glyph& glyph) const
    {
        return glyph.advance + m_committed.width + m_pending.width > m_width;
    }

    // A line is as high as its own characters: those that move on to the next line count there.
    void close(const Run& run)
    {
        m_lines.push_back(Line{m_breaks, run.chars, saturated(run.width), run.ascent, run.ascent});
        m_breaks = 0;
    }

    std::vector<Line>& m_lines;
    const int m_width;
    Run m_committed;
    Run m_pending;
    int m_breaks = 0;
};

}

ParagraphInternals::CharRenderer::CharRenderer(kestrel::Graphics& graphics, std::uint32_t textColour,
                                               std::uint32_t linkColour)
    : m_graphics(graphics), m_textColour(textColour), m_linkColour(linkColour)
{
}

void ParagraphInternals::CharRenderer::process(const PlacedChar& placed, int x, int baseline)
{
    const std::uint32_t own = placed.colour != 0 ? placed.colour : m_textColour;
    m_graphics.setRGB(placed.link ? m_linkColour : own);
    m_graphics.drawCodePoint(placed.glyph->code, *placed.glyph->font, x, baseline);
}

void ParagraphInternals::CharFinder::process(const PlacedChar& placed, int x, int baseline)
{
    const Glyph& glyph = *placed.glyph;
    const std::int64_t px = m_x;
    const std::int64_t py = m_y;
    if (x <= px && px < std::int64_t{x} + glyph.advance && std::int64_t{baseline} - glyph.ascent <= py &&
        py < std::int64_t{baseline} + glyph.ascent) {
        m_hit = &placed;
    }
}

void ParagraphInternals::layout(int width)
{
    if (width == laidOutWidth) {
        return;
    }
    laidOutWidth = width;
    lines.clear();
    LineBreaker breaker(lines, width);
    for (const PlacedChar& placed : chars) {
        breaker.take(*placed.glyph);
    }
    breaker.finish();
    std::int64_t total = 0;
    for (const Line& line : lines) {
        total += std::int64_t{line.above} + line.below;
    }
    height = saturated(total);
}

void ParagraphInternals::walk(const kestrel::Rect& area, CharProcessor& processor)
{
    layout(area.width);
    std::int64_t top = std::int64_t{area.y} + area.height - 1;
    std::size_t first = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::int64_t baseline = top - lines[i].above;
        placeLine(lines[i], first, i == 0, area, baseline, processor);
        first += static_cast<std::size_t>(lines[i].chars);
        top = baseline - lines[i].below;
    }
}

// A wrapped line does not show the blank it was broken at, and is centred without it.
void ParagraphInternals::placeLine(const Line& line, std::size_t first, bool firstLine, const kestrel::Rect& area,
                                   std::int64_t baseline, CharProcessor& processor) const
{
    std::size_t at = first;
    const std::size_t end = first + static_cast<std::size_t>(line.chars);
    std::int64_t width = line.width;
    if (!firstLine && at < end && chars[at].glyph->blank) {
        width -= chars[at].glyph->advance;
        ++at;
    }
    std::int64_t x = area.x;
    if (alignment == Paragraph::Alignment::Centred) {
        x += (std::int64_t{area.width} - width) / 2;
    }
    for (; at < end; ++at) {
        processor.process(chars[at], saturated(x), saturated(baseline));
        x += chars[at].glyph->advance;
    }
}

}
