#include "scene/graph/TraversalCallback.h"

#include "base/DataDest.h"
#include "scene/core/TaggedBlock.h"

namespace finch
{

heron::Streamable* TraversalCallback::create()
{
    return new TraversalCallback;
}

bool TraversalCallback::preTraverse(Traverser& traverser, Branch& branch)
{
    return true;
}

void TraversalCallback::postTraverse(Traverser& traverser, Branch& branch)
{
}

// The block is empty; it is read to its end so that a derived class's block follows.
void TraversalCallback::read(heron::DataSource& source)
{
    readTaggedBlock(source, [](std::uint32_t) {});
}

void TraversalCallback::write(heron::DataDest& dest) const
{
    dest.writeTag(0);
}

}
