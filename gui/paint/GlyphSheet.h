#pragma once

#include "gui/paint/Rect.h"

#include <cstdint>
#include <vector>

namespace plat
{
struct GlyphBitmap;
}

namespace kestrel
{

// An 8-bit coverage atlas of a run of characters for the OpenGL text layer, rows bottom first.
// Cells are packed left to right in rows from the top of the sheet down; the sheet starts at
// 64 x 64 and doubles (the width when square, else the height) until every cell fits.
class GlyphSheet
{
public:
    // Largest side a sheet may grow to.
    static constexpr int maxSide = 4096;
    static constexpr int startSide = 64;

    // An empty sheet.
    GlyphSheet() = default;
    // Lays out one cell per advance for the characters first, first + 1, ...: each cell is its
    // advance wide and rowHeight high, plus a margin of pad pixels on every side, with 2 more
    // pixels to the left of 'j'. Empty when the cells do not fit in maxSide x maxSide.
    GlyphSheet(int first, const std::vector<int>& advances, int rowHeight, int pad);

    bool empty() const { return m_width == 0; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    int first() const { return m_first; }
    int count() const { return static_cast<int>(m_cells.size()); }
    int pad() const { return m_pad; }
    // Glyph rectangle of the i-th character (without the margin), bottom-left origin.
    const Rect& cell(int i) const { return m_cells[static_cast<std::size_t>(i)]; }
    // Coverage at (x, y), bottom-left origin; 0 outside the sheet.
    std::uint8_t coverageAt(int x, int y) const;
    // All coverage bytes, width x height, bottom row first.
    const std::vector<std::uint8_t>& coverage() const { return m_coverage; }

    // Draws a glyph with its pen at (x, baseline y): the glyph's rows above the baseline go to
    // rows y + 1 and up. Pixels outside the sheet are dropped; overlaps keep the larger coverage.
    void drawGlyph(const plat::GlyphBitmap& glyph, int x, int y);

private:
    bool tryLayout(const std::vector<int>& advances, int rowHeight);

    int m_width = 0;
    int m_height = 0;
    int m_first = 0;
    int m_pad = 0;
    std::vector<Rect> m_cells;
    std::vector<std::uint8_t> m_coverage;
};

}
