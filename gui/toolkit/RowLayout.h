#pragma once

#include "gui/paint/Rect.h"
#include "gui/toolkit/LayoutManager.h"

namespace kestrel
{

// Children side by side, left to right. Every container without a layout of its own is measured
// and laid out by one of these; the column layout shares its fields and setters, which mean the
// same there whatever the direction.
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
    // Every child as wide as the widest.
    void setFill() { equalWidths = true; }
    // Every child as tall as the tallest.
    void setEqualHeights() { equalHeights = true; }
    // A row stretches every child to the available height; a column leaves invisible children out.
    void setModeFlag() { modeFlag = true; }

protected:
    // What a layout pass starts from: the insets, the bounds, the space inside the insets and,
    // when equal widths or heights are asked for, the largest child.
    struct Frame
    {
        Insets insets;
        Rect bounds;
        int availableWidth;
        int availableHeight;
        ChildSizes largest;
    };
    Frame frameOf(Container& container, bool visibleOnly) const;
    // Where a child of the size goes across the available space for the alignment (0 start,
    // 1 middle, 2 end); a size of 0 takes the whole space.
    static int crossOffset(int available, int& size, int alignment);
    // Moves every child (with visibleOnly, every visible one) by (dx, dy).
    static void moveChildren(Container& container, int dx, int dy, bool visibleOnly);

    int gap = 4;
    bool equalWidths = false;
    bool equalHeights = false;
    bool modeFlag = false;
    int verticalAlignment = 1;
    int horizontalAlignment = 0;
};

}
