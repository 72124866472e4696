#pragma once

#include "gui/widgets/html/DocumentChunk.h"

#include <vector>

namespace kestrel
{

// A table: rows of cells, each a chunk list of its own, spanning columns and rows. Column widths
// share the width out by the cells' narrowest and widest contents; each row starts below the
// lowest cell that ended in the row before. A table sits beside the floats of the text before it
// when it fits between them, else below them. Outlined for its parts to be seen.
class TableChunk : public ChunkListFuncs
{
public:
    TableChunk(int padding, int spacing) : m_padding(padding), m_spacing(spacing) {}

    // Starts a row whose cells take the alignment unless they have their own (0 for none).
    void startRow(int alignment);
    // Adds a cell at the first column of the current row that no span from above covers;
    // returns its content, or null when the table has no room left for it.
    DocumentChunkList* addCell(bool header, int columnSpan, int rowSpan, int alignment);

    void layout(LayoutContext& context) override;
    void paint(Graphics& graphics, const HTMLInfo& info, const Rect& r) override;
    void computeWidths() override;
    // The cells' contents in their places.
    void visitChildren(const ChunkVisitor& visitor, const Rect& r) override;

    int width() const { return m_width; }
    int columnCount() const { return static_cast<int>(m_columns.size()); }
    int rowCount() const { return static_cast<int>(m_rows.size()); }

private:
    struct Cell
    {
        int row = 0;
        int column = 0;
        int columnSpan = 1;
        int rowSpan = 1;
        int alignment = 1;
        DocumentChunkList* content = nullptr;   // held in m_chunks
        Rect placed;                            // content, relative to the table's top-left
    };

    struct Column
    {
        int minimum = 0;
        int maximum = 0;
        int width = 0;
        int x = 0;
        int top = 0;            // where the column's next cell starts, while laying out
        int coveredUntil = -1;  // the last row a cell reaches into, while building and laying out
    };

    struct Row
    {
        int alignment = 0;
        int nextColumn = 0;
    };

    // Beside the floats when the table fits between them, else below them all (which then end);
    // returns the width it has.
    int placeAmongFloats(LayoutContext& context);
    void setColumnWidths(int width);
    // Lays out the cells that end in the row and moves the tops of the columns no cell reaches
    // past the row below them; returns the lowest cell bottom so far.
    int layoutRow(const std::vector<int>& ending, int row, int lowest);
    // The width of the columns a cell spans with the spacing between them, less its padding.
    int spannedWidth(const Cell& cell) const;
    // The last row the cell reaches into.
    int lastRow(const Cell& cell) const;

    int m_padding;
    int m_spacing;
    std::vector<Cell> m_cells;
    std::vector<Row> m_rows;
    std::vector<Column> m_columns;
    int m_width = 0;
    int m_left = 0;     // beside left floats: their indent
    int m_drop = 0;     // below floats: how far down from the chunk's top the table starts
};

}
