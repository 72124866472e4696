#include "scene/graph/TraversalCallback.h"

#include "base/DataDest.h"

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

void TraversalCallback::read(heron::DataSource& source)
{
}

void TraversalCallback::write(heron::DataDest& dest) const
{
    dest.writeTag(0);
}

}
