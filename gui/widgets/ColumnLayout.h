#pragma once

#include "gui/toolkit/RowLayout.h"

namespace kestrel
{

// Children stacked from the top down. Takes the row layout's fields and setters; the vertical
// alignment starts at the top (alignEnd).
class ColumnLayout : public RowLayout
{
public:
    ColumnLayout();

    void getPreferredSize(Container& container, int& width, int& height) override;
    void layoutContainer(Container& container) override;

private:
    // With the mode flag a column leaves invisible children out.
    ChildFilter counted() const { return modeFlag ? ChildFilter::VisibleOnly : ChildFilter::All; }
};

}
