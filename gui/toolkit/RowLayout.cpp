#include "gui/toolkit/RowLayout.h"

#include "gui/toolkit/Container.h"

#include <algorithm>

namespace kestrel
{

namespace
{

struct Largest
{
    int width = 0;
    int height = 0;
};

Largest largestChild(Container& container)
{
    Largest largest;
    for (const auto& child : container.getChildren()) {
        int width = 0;
        int height = 0;
        child->getPreferredSize(width, height);
        largest.width = std::max(largest.width, width);
        largest.height = std::max(largest.height, height);
    }
    return largest;
}

}

void RowLayout::getPreferredSize(Container& container, int& width, int& height)
{
    const auto& children = container.getChildren();
    const int count = static_cast<int>(children.size());
    int sum = 0;
    for (const auto& child : children) {
        int w = 0;
        int h = 0;
        child->getPreferredSize(w, h);
        sum += w;
    }
    const Largest largest = largestChild(container);
    const int gaps = std::max(0, count - 1) * gap;
    width = (equalWidths ? count * largest.width : sum) + gaps;
    height = largest.height;
    int left = 0;
    int bottom = 0;
    int right = 0;
    int top = 0;
    container.getInsets(left, bottom, right, top);
    width += left + right;
    height += bottom + top;
}

void RowLayout::layoutContainer(Container& container)
{
    const auto& children = container.getChildren();
    if (children.empty()) {
        return;
    }
    int left = 0;
    int bottom = 0;
    int right = 0;
    int top = 0;
    container.getInsets(left, bottom, right, top);
    const Rect bounds = container.getBounds();
    const int availableWidth = bounds.width - left - right;
    const int availableHeight = bounds.height - bottom - top;
    const Largest largest = equalWidths || equalHeights ? largestChild(container) : Largest();
    int runningX = left;
    for (const auto& child : children) {
        int w = 0;
        int h = 0;
        child->getPreferredSize(w, h);
        if (equalWidths && h != 0) {
            w = largest.width;
        }
        if (modeFlag) {
            h = availableHeight;
        } else if (equalHeights && w != 0) {
            h = largest.height;
        }
        int offset = 0;
        if (h == 0) {
            h = availableHeight;
        } else if (verticalAlignment == 1) {
            offset = (availableHeight - h) / 2;
        } else if (verticalAlignment == 2) {
            offset = availableHeight - h;
        }
        child->setBounds(bounds.x + runningX, bounds.y + bottom + offset, w, h);
        runningX += w + gap;
    }
    if (horizontalAlignment == 0) {
        return;
    }
    int spare = gap - runningX + availableWidth;
    if (horizontalAlignment == 1) {
        spare /= 2;
    }
    for (const auto& child : children) {
        const Rect r = child->getBounds();
        child->setBounds(r.x + spare, r.y, r.width, r.height);
    }
}

}
