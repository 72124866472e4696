#include "gui/widgets/BorderLayout.h"

#include "gui/toolkit/Container.h"

#include <algorithm>

namespace kestrel
{

namespace
{

struct Size
{
    int width = 0;
    int height = 0;
};

Size preferredOf(Component& component)
{
    Size size;
    component.getPreferredSize(size.width, size.height);
    return size;
}

// The free part of the container, as edges: left and bottom included, right and top excluded.
struct Free
{
    int left;
    int bottom;
    int right;
    int top;
};

}

void BorderLayout::addComponent(Component* component, int region)
{
    if (region >= North && region <= Centre) {
        m_regions[region] = component;
    }
}

void BorderLayout::removeAll()
{
    m_regions.fill(nullptr);
}

void BorderLayout::setGaps(int horizontal, int vertical)
{
    m_horizontalGap = horizontal;
    m_verticalGap = vertical;
}

Component* BorderLayout::present(Region region) const
{
    Component* const component = m_regions[region];
    return component && component->isVisible() ? component : nullptr;
}

// The regions are measured without the insets, which are added last: an edge wider or taller
// than the rest still gets its whole preferred size inside them.
void BorderLayout::getPreferredSize(Container& container, int& width, int& height)
{
    width = 0;
    height = 0;
    if (Component* centre = present(Centre)) {
        const Size size = preferredOf(*centre);
        width = size.width;
        height = size.height;
    }
    const auto addNorthSouth = [&] {
        for (Region region : {North, South}) {
            if (Component* edge = present(region)) {
                const Size size = preferredOf(*edge);
                width = std::max(width, size.width);
                height += m_verticalGap + size.height;
            }
        }
    };
    const auto addWestEast = [&] {
        for (Region region : {West, East}) {
            if (Component* edge = present(region)) {
                const Size size = preferredOf(*edge);
                width += m_horizontalGap + size.width;
                height = std::max(height, size.height);
            }
        }
    };
    if (m_westEastFirst) {
        addNorthSouth();
        addWestEast();
    } else {
        addWestEast();
        addNorthSouth();
    }
    const Insets insets = insetsOf(container);
    width += insets.left + insets.right;
    height += insets.bottom + insets.top;
}

void BorderLayout::layoutContainer(Container& container)
{
    const Insets insets = insetsOf(container);
    const Rect bounds = container.getBounds();
    Free free{bounds.x + insets.left, bounds.y + insets.bottom, bounds.x + bounds.width - insets.right,
              bounds.y + bounds.height - insets.top};
    const auto placeNorthSouth = [&] {
        if (Component* north = present(North)) {
            const int h = preferredOf(*north).height;
            north->setBounds(free.left, free.top - h, free.right - free.left, h);
            free.top -= h + m_verticalGap;
        }
        if (Component* south = present(South)) {
            const int h = preferredOf(*south).height;
            south->setBounds(free.left, free.bottom, free.right - free.left, h);
            free.bottom += h + m_verticalGap;
        }
    };
    const auto placeWestEast = [&] {
        if (Component* west = present(West)) {
            const int w = preferredOf(*west).width;
            west->setBounds(free.left, free.bottom, w, free.top - free.bottom);
            free.left += w + m_horizontalGap;
        }
        if (Component* east = present(East)) {
            const int w = preferredOf(*east).width;
            east->setBounds(free.right - w, free.bottom, w, free.top - free.bottom);
            free.right -= w + m_horizontalGap;
        }
    };
    if (m_westEastFirst) {
        placeWestEast();
        placeNorthSouth();
    } else {
        placeNorthSouth();
        placeWestEast();
    }
    if (Component* centre = present(Centre)) {
        centre->setBounds(free.left, free.bottom, free.right - free.left, free.top - free.bottom);
    }
}

}
