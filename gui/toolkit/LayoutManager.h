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

}
