#pragma once

#include "base/counted_ptr.h"

namespace kestrel
{

class Component;

// A hierarchy a tree view can walk: whether a node has children, how many, each child, and the
// component that shows the node.
class TreeViewable
{
public:
    virtual bool hasChildren() const = 0;
    virtual int childCount() const = 0;
    virtual TreeViewable* child(int i) = 0;
    virtual heron::counted_ptr<Component> treeItem() = 0;

protected:
    ~TreeViewable() = default;
};

}
