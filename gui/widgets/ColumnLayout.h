#pragma once

#include "gui/toolkit/RowLayout.h"

namespace kestrel
{

// Children stacked from the top down. Takes the row layout's fields and setters; the vertical
// alignment starts at 2 (top).
class ColumnLayout : public RowLayout
{
public:
    ColumnLayout();

    void getPreferredSize(Container& container, int& width, int& height) override;
    void layoutContainer(Container& container) override;
};

}
