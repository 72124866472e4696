#include "gui/paint/GlyphSheet.h"

#include "platform/FontFace.h"

#include <algorithm>

namespace kestrel
{

namespace
{

// 'j' reaches left of its pen position; its cell gets room for that.
constexpr int kJ = 'j';
constexpr int kRoomBeforeJ = 2;

}

GlyphSheet::GlyphSheet(int first, const std::vector<int>& advances, int rowHeight, int pad)
    : m_first(first), m_pad(pad)
{
    m_width = startSide;
    m_height = startSide;
    while (!tryLayout(advances, rowHeight)) {
        if (m_width == m_height) {
            m_width *= 2;
        } else {
            m_height *= 2;
        }
        if (m_width > maxSide || m_height > maxSide) {
            m_width = m_height = 0;
            m_cells.clear();
            return;
        }
    }
    m_coverage.assign(static_cast<std::size_t>(m_width) * m_height, 0);
}

bool GlyphSheet::tryLayout(const std::vector<int>& advances, int rowHeight)
{
    const int cellHeight = rowHeight + 2 * m_pad;
    m_cells.clear();
    int x = 0;
    int top = 0;
    for (std::size_t i = 0; i < advances.size(); ++i) {
        const int cellWidth = std::max(0, advances[i]) + 2 * m_pad;
        const int before = m_first + static_cast<int>(i) == kJ ? kRoomBeforeJ : 0;
        if (x + before + cellWidth > m_width) {
            x = 0;
            top += cellHeight;
        }
        if (before + cellWidth > m_width || top + cellHeight > m_height) {
            return false;
        }
        x += before;
        const int bottom = m_height - top - cellHeight;
        m_cells.push_back(Rect{x + m_pad, bottom + m_pad, cellWidth - 2 * m_pad, rowHeight});
        x += cellWidth;
    }
    return true;
}

std::uint8_t GlyphSheet::coverageAt(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) {
        return 0;
    }
    return m_coverage[static_cast<std::size_t>(y) * m_width + x];
}

void GlyphSheet::drawGlyph(const plat::GlyphBitmap& glyph, int x, int y)
{
    for (int row = 0; row < glyph.height; ++row) {
        const int sheetY = y + glyph.top - row;
        if (sheetY < 0 || sheetY >= m_height) {
            continue;
        }
        for (int column = 0; column < glyph.width; ++column) {
            const int sheetX = x + glyph.left + column;
            if (sheetX < 0 || sheetX >= m_width) {
                continue;
            }
            std::uint8_t& target = m_coverage[static_cast<std::size_t>(sheetY) * m_width + sheetX];
            target = std::max(target, glyph.coverage[static_cast<std::size_t>(row) * glyph.width + column]);
        }
    }
}

}
