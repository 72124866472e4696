#pragma once

#include "gui/toolkit/LayoutManager.h"

namespace kestrel
{

// One child at a time fills the container (less its insets); the others are made invisible.
class CardLayout : public LayoutManager
{
public:
    CardLayout() = default;

    void getPreferredSize(Container& container, int& width, int& height) override;
    void layoutContainer(Container& container) override;

    // Takes effect at the next layout; an index outside the children shows none.
    void showCard(int index) { m_visibleCard = index; }
    // Measure as wide as the widest card, as tall as the tallest.
    void setEqualWidth() { m_equalWidth = true; }
    void setEqualHeight() { m_equalHeight = true; }

private:
    bool m_equalWidth = false;
    bool m_equalHeight = false;
    int m_visibleCard = 0;
};

}
