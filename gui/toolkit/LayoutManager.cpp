#include "gui/toolkit/LayoutManager.h"

#include "gui/toolkit/Container.h"

#include <algorithm>

namespace kestrel
{

namespace
{

bool minimumMeasure = false;

}

MinimumMeasure::MinimumMeasure()
    : m_outer(minimumMeasure)
{
    minimumMeasure = true;
}

MinimumMeasure::~MinimumMeasure()
{
    minimumMeasure = m_outer;
}

bool measuringMinimum()
{
    return minimumMeasure;
}

Insets insetsOf(const Container& container)
{
    Insets insets;
    container.getInsets(insets.left, insets.bottom, insets.right, insets.top);
    return insets;
}

ChildSizes measureChildren(Container& container, ChildFilter filter)
{
    ChildSizes sizes;
    for (const auto& child : container.getChildren()) {
        if (filter == ChildFilter::VisibleOnly && !child->isVisible()) {
            continue;
        }
        int width = 0;
        int height = 0;
        child->getPreferredSize(width, height);
        ++sizes.count;
        sizes.sumWidth += width;
        sizes.sumHeight += height;
        sizes.widest = std::max(sizes.widest, width);
        sizes.tallest = std::max(sizes.tallest, height);
    }
    return sizes;
}

}
