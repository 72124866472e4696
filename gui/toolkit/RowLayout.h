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

    // Alignments on either axis: the start is the left or the bottom, the end the right or the top.
    static constexpr int alignStart = 0;
    static constexpr int alignMiddle = 1;
    static constexpr int alignEnd = 2;

    void setGap(int pixels) { gap = pixels; }
    // Vertical: bottom (start), middle or top (end).
    void setCrossAlignment(int alignment) { verticalAlignment = alignment; }
    // Horizontal: left (start), middle or right (end).
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
    Frame frameOf(Container& container, ChildFilter filter) const;
    // Where a child of the size goes across the available space for the alignment; a size of 0
    // takes the whole space.
    static int crossOffset(int available, int& size, int alignment);
    // Moves every child the filter counts by (dx, dy).
    static void moveChildren(Container& container, int dx, int dy, ChildFilter filter);

    int gap = 4;
    bool equalWidths = false;
    bool equalHeights = false;
    bool modeFlag = false;
    int verticalAlignment = alignMiddle;
    int horizontalAlignment = alignStart;
};

}
