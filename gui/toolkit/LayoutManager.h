#pragma once

#include "base/Refcountable.h"

namespace kestrel
{

class Component;
class Container;

// Sizes and places the children of a container.
class LayoutManager : public heron::Refcountable
{
public:
    ~LayoutManager() override = default;
    // The size the container would like, insets included.
    virtual void getPreferredSize(Container& container, int& width, int& height) = 0;
    // Sets the bounds of the container's children.
    virtual void layoutContainer(Container& container) = 0;
    // A child was added with this constraint.
    virtual void addComponent(Component* component, int constraint) {}
    virtual void removeAll() {}
};

// While one lives, preferred sizes are asked as the least a component can do with: a window
// measures itself so to learn how small its user may size it. A component that shows part of a
// larger page through a view (a scroll pane) then asks for its bars and a line, not the page.
// Main thread only.
class MinimumMeasure
{
public:
    MinimumMeasure();
    ~MinimumMeasure();
    MinimumMeasure(const MinimumMeasure&) = delete;
    MinimumMeasure& operator=(const MinimumMeasure&) = delete;

private:
    bool m_outer;
};
bool measuringMinimum();

// A container's insets, read in one go.
struct Insets
{
    int left = 0;
    int bottom = 0;
    int right = 0;
    int top = 0;
};
Insets insetsOf(const Container& container);

// The preferred sizes of a container's children (with visibleOnly, of the visible ones alone):
// how many, their sums and the largest of each.
struct ChildSizes
{
    int count = 0;
    int sumWidth = 0;
    int sumHeight = 0;
    int widest = 0;
    int tallest = 0;
};
// Which children a layout counts.
enum class ChildFilter
{
    All,
    VisibleOnly,
};
ChildSizes measureChildren(Container& container, ChildFilter filter = ChildFilter::All);

}
