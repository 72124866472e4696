#include "gui/widgets/TileLayout.h"

#include "gui/toolkit/Container.h"

#include <algorithm>
#include <vector>

namespace kestrel
{

namespace
{

struct Cell
{
    int row;
    int column;
    int columnSpan;
    int rowSpan;
};

Cell unpack(int constraint)
{
    const auto packed = static_cast<std::uint32_t>(constraint);
    return Cell{static_cast<int>(packed >> 24), static_cast<int>(packed >> 16 & 0xFF),
                static_cast<int>(packed >> 8 & 0xFF), static_cast<int>(packed & 0xFF)};
}

// Running sums of (size + spacing) from 0, with one extra entry for the end.
std::vector<int> positions(const std::vector<int>& sizes, int spacing)
{
    std::vector<int> result(sizes.size() + 1, 0);
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        result[i + 1] = result[i] + sizes[i] + spacing;
    }
    return result;
}

}

class TileLayoutInternals
{
public:
    // Fills the row and column positions from the children's preferred sizes; false (and the
    // size the container should have without a grid) when there are no cells or the cells do
    // not match the children.
    bool computeGrid(Container& container, int& width, int& height);

    int horizontalSpacing = 2;
    int verticalSpacing = 2;
    bool equalRows = true;
    int verticalAlignment = 1;
    int horizontalAlignment = 0;
    int rowCount = 0;
    int columnCount = 0;
    std::vector<Cell> cells;
    std::vector<int> rowPositions;
    std::vector<int> columnPositions;
};

bool TileLayoutInternals::computeGrid(Container& container, int& width, int& height)
{
    const auto& children = container.getChildren();
    if (cells.empty()) {
        width = 10;
        height = 10;
        return false;
    }
    if (cells.size() != children.size()) {
        const ChildSizes sizes = measureChildren(container);
        width = sizes.widest;
        height = sizes.tallest;
        return false;
    }
    std::vector<int> rowHeights(rowCount, 0);
    std::vector<int> columnWidths(columnCount, 0);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const Cell& cell = cells[i];
        if (cell.columnSpan == 0 || cell.rowSpan == 0) {
            continue;
        }
        int w = 0;
        int h = 0;
        children[i]->getPreferredSize(w, h);
        for (int c = cell.column; c < cell.column + cell.columnSpan; ++c) {
            columnWidths[c] = std::max(columnWidths[c], w / cell.columnSpan);
        }
        for (int r = cell.row; r < cell.row + cell.rowSpan; ++r) {
            rowHeights[r] = std::max(rowHeights[r], h / cell.rowSpan);
        }
    }
    if (equalRows && !rowHeights.empty()) {
        std::fill(rowHeights.begin(), rowHeights.end(), *std::max_element(rowHeights.begin(), rowHeights.end()));
    }
    columnPositions = positions(columnWidths, horizontalSpacing);
    rowPositions = positions(rowHeights, verticalSpacing);
    const Insets insets = insetsOf(container);
    width = columnPositions.back() - horizontalSpacing + insets.left + insets.right;
    height = rowPositions.back() - verticalSpacing + insets.bottom + insets.top;
    return true;
}

TileLayout::TileLayout()
    : m_internals(std::make_unique<TileLayoutInternals>())
{
}

TileLayout::~TileLayout() = default;

void TileLayout::getPreferredSize(Container& container, int& width, int& height)
{
    static_cast<void>(m_internals->computeGrid(container, width, height));
}

void TileLayout::layoutContainer(Container& container)
{
    TileLayoutInternals& in = *m_internals;
    const Insets insets = insetsOf(container);
    const Rect bounds = container.getBounds();
    const auto& children = container.getChildren();
    int width = 0;
    int height = 0;
    const bool grid = in.computeGrid(container, width, height);
    for (std::size_t i = 0; i < children.size(); ++i) {
        int w = 0;
        int h = 0;
        children[i]->getPreferredSize(w, h);
        if (!grid) {
            children[i]->setBounds(bounds.x + insets.left, bounds.y + insets.bottom, w, h);
            continue;
        }
        const Cell& cell = in.cells[i];
        const int cellX = bounds.x + insets.left + in.columnPositions[cell.column];
        const int cellWidth = in.columnPositions[cell.column + cell.columnSpan] - in.columnPositions[cell.column] - in.horizontalSpacing;
        const int cellTop = bounds.y + bounds.height - insets.top - in.rowPositions[cell.row];
        const int cellHeight = in.rowPositions[cell.row + cell.rowSpan] - in.rowPositions[cell.row] - in.verticalSpacing;
        const int spareX = cellWidth - w;
        const int spareY = cellHeight - h;
        const int x = cellX + (in.horizontalAlignment == 0 ? 0 : in.horizontalAlignment == 1 ? spareX / 2 : spareX);
        const int y = cellTop - cellHeight + (in.verticalAlignment == 0 ? 0 : in.verticalAlignment == 1 ? spareY / 2 : spareY);
        children[i]->setBounds(x, y, w, h);
    }
}

void TileLayout::addComponent(Component* component, int constraint)
{
    TileLayoutInternals& in = *m_internals;
    // A negative constraint counts as the first cell; it leaves the grid at least one cell
    // large, never smaller than the cells already added.
    const Cell cell = constraint < 0 ? Cell{0, 0, 1, 1} : unpack(constraint);
    in.cells.push_back(cell);
    in.rowCount = std::max(in.rowCount, cell.row + cell.rowSpan);
    in.columnCount = std::max(in.columnCount, cell.column + cell.columnSpan);
}

void TileLayout::removeAll()
{
    m_internals->cells.clear();
    m_internals->rowCount = 0;
    m_internals->columnCount = 0;
}

void TileLayout::setSpacing(int horizontal, int vertical)
{
    m_internals->horizontalSpacing = horizontal;
    m_internals->verticalSpacing = vertical;
}

void TileLayout::setOption(bool equalRows)
{
    m_internals->equalRows = equalRows;
}

void TileLayout::setAlignment(int horizontal, int vertical)
{
    m_internals->horizontalAlignment = horizontal;
    m_internals->verticalAlignment = vertical;
}

}
