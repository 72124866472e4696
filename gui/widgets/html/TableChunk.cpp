#include "gui/widgets/html/TableChunk.h"

#include "base/Limits.h"
#include "gui/paint/Graphics.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace kestrel
{

namespace
{

constexpr int alignLeft = 1;
constexpr int alignCentre = 3;
// Outlines that show the table's parts, packed 0x..BBGGRR.
constexpr std::uint32_t tableOutline = 0x008080;
constexpr std::uint32_t cellOutline = 0xFF0000;

}

void TableChunk::startRow(int alignment)
{
    if (static_cast<int>(m_rows.size()) < heron::limits::maxHtmlTableRows) {
        m_rows.push_back(Row{alignment, 0});
    }
}

DocumentChunkList* TableChunk::addCell(bool header, int columnSpan, int rowSpan, int alignment)
{
    if (m_rows.empty()) {
        startRow(0);
    }
    Row& row = m_rows.back();
    const int r = static_cast<int>(m_rows.size()) - 1;
    int c = row.nextColumn;
    while (c < static_cast<int>(m_columns.size()) && m_columns[static_cast<std::size_t>(c)].coveredUntil >= r) {
        ++c;
    }
    if (c >= heron::limits::maxHtmlTableColumns) {
        return nullptr;
    }
    Cell cell;
    cell.row = r;
    cell.column = c;
    cell.columnSpan = std::min(columnSpan, heron::limits::maxHtmlTableColumns - c);
    cell.rowSpan = std::min(rowSpan, heron::limits::maxHtmlTableRows - r);
    cell.alignment = alignment != 0 ? alignment : row.alignment != 0 ? row.alignment : header ? alignCentre : alignLeft;
    if (static_cast<int>(m_columns.size()) < c + cell.columnSpan) {
        m_columns.resize(static_cast<std::size_t>(c + cell.columnSpan));
    }
    for (int k = c; k < c + cell.columnSpan; ++k) {
        m_columns[static_cast<std::size_t>(k)].coveredUntil = r + cell.rowSpan - 1;
    }
    row.nextColumn = c + cell.columnSpan;
    auto* content = new DocumentChunkList;
    m_chunks.push_back(heron::counted_ptr<DocumentChunk>(content));
    cell.content = content;
    m_cells.push_back(cell);
    m_minWidth = -1;
    return content;
}

int TableChunk::lastRow(const Cell& cell) const
{
    return std::min(cell.row + cell.rowSpan, static_cast<int>(m_rows.size())) - 1;
}

int TableChunk::spannedWidth(const Cell& cell) const
{
    int width = (cell.columnSpan - 1) * m_spacing - 2 * m_padding;
    for (int k = cell.column; k < cell.column + cell.columnSpan; ++k) {
        width += m_columns[static_cast<std::size_t>(k)].width;
    }
    return width;
}

// A cell spanning several columns asks each of them for an equal share of its widths.
void TableChunk::computeWidths()
{
    for (Column& column : m_columns) {
        column.minimum = 0;
        column.maximum = 0;
    }
    for (const Cell& cell : m_cells) {
        cell.content->computeWidths();
        const int span = cell.columnSpan;
        const int minimum = (cell.content->minWidth() + 2 * m_padding) / span;
        const int maximum = (cell.content->maxWidth() + 2 * m_padding) / span;
        for (int k = cell.column; k < cell.column + span; ++k) {
            Column& column = m_columns[static_cast<std::size_t>(k)];
            column.minimum = std::max(column.minimum, minimum);
            column.maximum = std::max(column.maximum, maximum);
        }
    }
    m_minWidth = m_spacing;
    m_maxWidth = m_spacing;
    for (const Column& column : m_columns) {
        m_minWidth += column.minimum + m_spacing;
        m_maxWidth += column.maximum + m_spacing;
    }
}

// Columns that want less than a fair share get what they want; the others share the rest by
// how much more than their narrowest they could use, the last taking what is left. When even
// the narrowest widths do not fit, every column gets its narrowest.
void TableChunk::setColumnWidths(int width)
{
    const int count = static_cast<int>(m_columns.size());
    const int content = width - (count + 1) * m_spacing;
    const int fair = count > 0 ? content / count : 0;
    int fixed = 0;
    std::int64_t sumMinimum = 0;
    std::int64_t sumMaximum = 0;
    Column* last = nullptr;
    for (Column& column : m_columns) {
        if (column.maximum < fair) {
            column.width = column.maximum;
            fixed += column.maximum;
        } else {
            sumMinimum += column.minimum;
            sumMaximum += column.maximum;
            last = &column;
        }
    }
    if (fixed + sumMinimum > content) {
        for (Column& column : m_columns) {
            column.width = column.minimum;
        }
    } else if (last) {
        const std::int64_t extra = content - fixed - sumMinimum;
        const std::int64_t divisor = std::max<std::int64_t>(sumMaximum - sumMinimum, 1);
        int given = fixed;
        for (Column& column : m_columns) {
            if (column.maximum >= fair && &column != last) {
                column.width = static_cast<int>(column.minimum + (column.maximum - column.minimum) * extra / divisor);
                given += column.width;
            }
        }
        last->width = content - given;
    }
    int x = m_spacing;
    for (Column& column : m_columns) {
        column.x = x;
        x += column.width + m_spacing;
    }
    m_width = x;
}

int TableChunk::placeAmongFloats(LayoutContext& context)
{
    const int between = context.width - context.leftIndent - context.rightIndent;
    if (m_minWidth <= between) {
        m_left = context.leftIndent;
        m_drop = 0;
        return between;
    }
    m_left = 0;
    m_drop = context.overhang();
    context.leftFloats.clear();
    context.rightFloats.clear();
    context.leftIndent = 0;
    context.rightIndent = 0;
    return context.width;
}

void TableChunk::layout(LayoutContext& context)
{
    if (m_minWidth < 0) {
        computeWidths();
    }
    setColumnWidths(placeAmongFloats(context));
    std::vector<std::vector<int>> ending(m_rows.size());
    for (int i = 0; i < static_cast<int>(m_cells.size()); ++i) {
        ending[static_cast<std::size_t>(lastRow(m_cells[static_cast<std::size_t>(i)]))].push_back(i);
    }
    for (Column& column : m_columns) {
        column.top = 0;
        column.coveredUntil = -1;
    }
    int lowest = 0;
    std::size_t next = 0;
    for (int row = 0; row < static_cast<int>(m_rows.size()); ++row) {
        for (; next < m_cells.size() && m_cells[next].row == row; ++next) {
            const Cell& cell = m_cells[next];
            for (int k = cell.column; k < cell.column + cell.columnSpan; ++k) {
                int& until = m_columns[static_cast<std::size_t>(k)].coveredUntil;
                until = std::max(until, lastRow(cell));
            }
        }
        lowest = layoutRow(ending[static_cast<std::size_t>(row)], row, lowest);
    }
    const int tableHeight = 2 * m_spacing - lowest;
    m_height = m_drop + tableHeight;
    context.passFloats(tableHeight);
}

int TableChunk::layoutRow(const std::vector<int>& ending, int row, int lowest)
{
    int rowBottom = INT_MAX;
    for (const int index : ending) {
        Cell& cell = m_cells[static_cast<std::size_t>(index)];
        int top = 0;
        for (int k = cell.column; k < cell.column + cell.columnSpan; ++k) {
            top = std::min(top, m_columns[static_cast<std::size_t>(k)].top);
        }
        const int width = spannedWidth(cell);
        LayoutContext inner;
        inner.width = width;
        inner.alignment = cell.alignment;
        cell.content->layout(inner);
        const int height = cell.content->height();
        cell.placed = Rect{m_columns[static_cast<std::size_t>(cell.column)].x + m_padding,
                           top - m_spacing - m_padding - height, width, height};
        rowBottom = std::min(rowBottom, top - 2 * m_padding - height);
    }
    if (rowBottom == INT_MAX) {
        return lowest;
    }
    for (Column& column : m_columns) {
        if (column.coveredUntil <= row) {
            column.top = rowBottom - m_spacing;
        }
    }
    return std::min(lowest, rowBottom);
}

void TableChunk::visitChildren(const ChunkVisitor& visitor, const Rect& r)
{
    const int left = r.x + m_left;
    const int top = r.y + r.height - m_drop;
    for (const Cell& cell : m_cells) {
        const Rect& p = cell.placed;
        if (!visitor(*cell.content, Rect{left + p.x, top + p.y, p.width, p.height})) {
            return;
        }
    }
}

void TableChunk::paint(Graphics& graphics, const HTMLInfo& info, const Rect& r)
{
    ChunkListFuncs::paint(graphics, info, r);
    const int left = r.x + m_left;
    const int top = r.y + r.height - m_drop;
    const int tableHeight = m_height - m_drop;
    graphics.setRGB(tableOutline);
    graphics.drawRect(Rect{left, top - tableHeight, m_width, tableHeight});
    graphics.setRGB(cellOutline);
    for (const Cell& cell : m_cells) {
        const Rect& p = cell.placed;
        graphics.drawRect(Rect{left + p.x - m_padding, top + p.y - m_padding, p.width + 2 * m_padding,
                               p.height + 2 * m_padding});
    }
}

}
