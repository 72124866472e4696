#pragma once

#include "gui/toolkit/LayoutManager.h"

#include <array>

namespace kestrel
{

// Four edges and a centre. Each region holds one component (not owned); only visible ones take
// part. The edges take their preferred thickness, the centre what is left.
class BorderLayout : public LayoutManager
{
public:
    enum Region
    {
        North = 0,
        South = 1,
        West = 2,
        East = 3,
        Centre = 4,
    };

    BorderLayout() = default;

    void getPreferredSize(Container& container, int& width, int& height) override;
    void layoutContainer(Container& container) override;
    // Puts the component in the region; other constraints are ignored.
    void addComponent(Component* component, int region) override;
    void removeAll() override;

    void setGaps(int horizontal, int vertical);
    // West and east run the full inner height, north and south fit between them.
    void setWestEastFirst() { m_westEastFirst = true; }

private:
    // The region's component when it is there and visible, else null.
    Component* present(Region region) const;

    int m_horizontalGap = 0;
    int m_verticalGap = 0;
    bool m_westEastFirst = false;
    std::array<Component*, 5> m_regions{};
};

}
