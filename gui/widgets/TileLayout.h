#pragma once

#include "gui/toolkit/LayoutManager.h"

#include <cstdint>
#include <memory>

namespace kestrel
{

class TileLayoutInternals;

// A grid of cells. Each child, in the order added, takes the cell of its constraint (row 0 at
// the top) and keeps its preferred size inside it; cells may span several rows and columns.
class TileLayout : public LayoutManager
{
public:
    TileLayout();
    ~TileLayout() override;

    void getPreferredSize(Container& container, int& width, int& height) override;
    void layoutContainer(Container& container) override;
    // A negative constraint stands for cell(0, 0, 1, 1).
    void addComponent(Component* component, int constraint) override;
    // Forgets every cell.
    void removeAll() override;

    void setSpacing(int horizontal, int vertical);
    // Every row as tall as the tallest (the default).
    void setOption(bool equalRows);
    // Where a child sits in its cell: horizontal 0 left, 1 middle, 2 right; vertical 0 bottom,
    // 1 middle, 2 top.
    void setAlignment(int horizontal, int vertical);

    // The constraint of the cell at (row, column) spanning the given columns and rows.
    static int cell(int row, int column, int columnSpan, int rowSpan)
    {
        return static_cast<int>(static_cast<std::uint32_t>(row) << 24 | static_cast<std::uint32_t>(column) << 16 |
                                static_cast<std::uint32_t>(columnSpan) << 8 | static_cast<std::uint32_t>(rowSpan));
    }

private:
    std::unique_ptr<TileLayoutInternals> m_internals;
};

}
