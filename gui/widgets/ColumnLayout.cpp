#include "gui/widgets/ColumnLayout.h"

#include "gui/toolkit/Container.h"

#include <algorithm>

namespace kestrel
{

ColumnLayout::ColumnLayout()
{
    verticalAlignment = alignEnd;
}

void ColumnLayout::getPreferredSize(Container& container, int& width, int& height)
{
    const ChildSizes sizes = measureChildren(container, counted());
    // Equal heights count every child, the invisible ones too.
    const int all = static_cast<int>(container.getChildren().size());
    const Insets insets = insetsOf(container);
    height = equalHeights ? all * sizes.tallest + std::max(0, all - 1) * gap
                          : sizes.sumHeight + std::max(0, sizes.count - 1) * gap;
    height += insets.bottom + insets.top;
    width = sizes.widest + insets.left + insets.right;
}

void ColumnLayout::layoutContainer(Container& container)
{
    const auto& children = container.getChildren();
    if (children.empty()) {
        return;
    }
    const auto [insets, bounds, availableWidth, availableHeight, largest] = frameOf(container, counted());
    // The running top is the inner top row; each child ends one row below it.
    int runningTop = bounds.height - insets.top - 1;
    for (const auto& child : children) {
        if (modeFlag && !child->isVisible()) {
            continue;
        }
        int w = 0;
        int h = 0;
        child->getPreferredSize(w, h);
        if (equalWidths && h != 0) {
            w = largest.widest;
        }
        if (equalHeights && w != 0) {
            h = largest.tallest;
        }
        const int offset = crossOffset(availableWidth, w, horizontalAlignment);
        child->setBounds(bounds.x + insets.left + offset, bounds.y + runningTop - h, w, h);
        runningTop -= h + gap;
    }
    if (verticalAlignment == alignEnd) {
        return;
    }
    // Bottom alignment brings the last child's bottom to the container's bottom edge.
    const int spare = gap + runningTop;
    moveChildren(container, 0, -(verticalAlignment == alignMiddle ? spare / 2 : spare), counted());
}

}
