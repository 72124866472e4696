#pragma once

#include "gui/toolkit/LayoutManager.h"

namespace kestrel
{

// Children side by side, left to right.
class RowLayout : public LayoutManager
{
public:
    void getPreferredSize(Container& container, int& width, int& height) override;
    void layoutContainer(Container& container) override;

    void setGap(int pixels) { gap = pixels; }
    // 0 bottom, 1 middle, 2 top.
    void setCrossAlignment(int alignment) { verticalAlignment = alignment; }
    // 0 left, 1 middle, 2 right.
    void setMainAlignment(int alignment) { horizontalAlignment = alignment; }
    void setFill() { equalWidths = true; }

private:
    int gap = 4;
    bool equalWidths = false;
    bool equalHeights = false;
    bool modeFlag = false;
    int verticalAlignment = 1;
    int horizontalAlignment = 0;
};

}
