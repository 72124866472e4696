#pragma once

#include "gui/Container.h"
#include "gui/LayoutManager.h"

namespace testing_gui
{

// Leaves every child where the test put it.
class FixedLayout : public kestrel::LayoutManager
{
public:
    void getPreferredSize(kestrel::Container& container, int& width, int& height) override
    {
        width = container.getBounds().width;
        height = container.getBounds().height;
    }
    void layoutContainer(kestrel::Container&) override {}
};

}
