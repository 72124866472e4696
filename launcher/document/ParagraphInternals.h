#pragma once

#include "gui/paint/Rect.h"
#include "launcher/document/Paragraph.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace kestrel
{
class Graphics;
}

namespace old_document
{

// The state of a Paragraph and the walk over its laid-out characters that drawing and
// hit-testing share.
class ParagraphInternals
{
public:
    // Called for every character a walk places, at its pen position and baseline (y upwards).
    class CharProcessor
    {
    public:
        virtual void process(const PlacedChar& placed, int x, int baseline) = 0;

    protected:
        ~CharProcessor() = default;
    };

    // Draws each character in its colour: the link colour for links, else its own colour, else the
    // document's text colour.
    class CharRenderer final : public CharProcessor
    {
    public:
        CharRenderer(kestrel::Graphics& graphics, std::uint32_t textColour, std::uint32_t linkColour);
        void process(const PlacedChar& placed, int x, int baseline) override;

    private:
        kestrel::Graphics& m_graphics;
        const std::uint32_t m_textColour;
        const std::uint32_t m_linkColour;
    };

    // Finds the character under a point: the last one whose advance and ascent above and below
    // its baseline hold it.
    class CharFinder final : public CharProcessor
    {
    public:
        CharFinder(int x, int y) : m_x(x), m_y(y) {}
        void process(const PlacedChar& placed, int x, int baseline) override;
        // Null when no character holds the point.
        const PlacedChar* hit() const { return m_hit; }

    private:
        const int m_x;
        const int m_y;
        const PlacedChar* m_hit = nullptr;
    };

    // Lays the characters out for the width unless that is the width of the last layout.
    void layout(int width);
    // Places every character of the lines laid out for the area's width inside the area, top line
    // at its top edge; a centred paragraph centres each line.
    void walk(const kestrel::Rect& area, CharProcessor& processor);

    std::vector<PlacedChar> chars;
    Paragraph::Alignment alignment = Paragraph::Alignment::Left;
    std::optional<int> laidOutWidth;    // none: not laid out since the last change
    int height = 0;                 // of the lines, 0 without lines
    std::vector<Line> lines;

private:
    void placeLine(const Line& line, std::size_t first, bool firstLine, const kestrel::Rect& area,
                   std::int64_t baseline, CharProcessor& processor) const;
};

}
