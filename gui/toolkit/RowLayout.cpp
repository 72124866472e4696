#include "gui/toolkit/RowLayout.h"

#include "gui/toolkit/Container.h"

#include <algorithm>

namespace kestrel
{

RowLayout::Frame RowLayout::frameOf(Container& container, ChildFilter filter) const
{
    const Insets insets = insetsOf(container);
    const Rect bounds = container.getBounds();
    return Frame{insets, bounds, bounds.width - insets.left - insets.right, bounds.height - insets.bottom - insets.top,
                 equalWidths || equalHeights ? measureChildren(container, filter) : ChildSizes()};
}

int RowLayout::crossOffset(int available, int& size, int alignment)
{
    if (size == 0) {
        size = available;
        return 0;
    }
    return alignment == alignMiddle ? (available - size) / 2 : alignment == alignEnd ? available - size : 0;
}

void RowLayout::moveChildren(Container& container, int dx, int dy, ChildFilter filter)
{
    for (const auto& child : container.getChildren()) {
        if (filter == ChildFilter::VisibleOnly && !child->isVisible()) {
            continue;
        }
        const Rect r = child->getBounds();
        child->setBounds(r.x + dx, r.y + dy, r.width, r.height);
    }
}

void RowLayout::getPreferredSize(Container& container, int& width, int& height)
{
    const ChildSizes sizes = measureChildren(container);
    const Insets insets = insetsOf(container);
    width = (equalWidths ? sizes.count * sizes.widest : sizes.sumWidth) + std::max(0, sizes.count - 1) * gap;
    width += insets.left + insets.right;
    height = sizes.tallest + insets.bottom + insets.top;
}

void RowLayout::layoutContainer(Container& container)
{
    const auto& children = container.getChildren();
    if (children.empty()) {
        return;
    }
    const auto [insets, bounds, availableWidth, availableHeight, largest] = frameOf(container, ChildFilter::All);
    int runningX = insets.left;
    for (const auto& child : children) {
        int w = 0;
        int h = 0;
        child->getPreferredSize(w, h);
        if (equalWidths && h != 0) {
            w = largest.widest;
        }
        if (modeFlag) {
            h = availableHeight;
        } else if (equalHeights && w != 0) {
            h = largest.tallest;
        }
        const int offset = crossOffset(availableHeight, h, verticalAlignment);
        child->setBounds(bounds.x + runningX, bounds.y + insets.bottom + offset, w, h);
        runningX += w + gap;
    }
    if (horizontalAlignment == alignStart) {
        return;
    }
    // The running x still holds the left inset and the trailing gap, so with a left inset the
    // right-aligned row ends that far short of the right inset; the forms are laid out with it.
    const int spare = gap - runningX + availableWidth;
    moveChildren(container, horizontalAlignment == alignMiddle ? spare / 2 : spare, 0, ChildFilter::All);
}

}
