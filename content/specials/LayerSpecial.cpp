#include "content/specials/LayerSpecial.h"

#include "base/DataDest.h"
#include "content/specials/Rendering.h"
#include "scene/core/TaggedBlock.h"
#include "scene/graph/GroupBranch.h"

namespace pelican_specials
{

namespace
{

constexpr std::uint32_t groupTag = 1;

}

heron::Streamable* LayerSpecial::create()
{
    return new LayerSpecial;
}

bool LayerSpecial::preTraverse(finch::Traverser& traverser, finch::Branch& branch)
{
    if (!isRendering(traverser)) {
        return true;
    }
    auto* const group = dynamic_cast<finch::GroupBranch*>(&branch);
    if (group == nullptr || group->children().empty()) {
        return false;
    }
    finch::RenderAccumulator& accumulator = traverser.accumulator();
    accumulator.pushOverrideState(finch::RenderAccumulator::orderedFlag);
    accumulator.pushOverrideState(finch::RenderAccumulator::noDepthWritesFlag);
    // A copy: a child's traversal may change the group's children.
    const std::vector<finch::Branch*> children = group->children();
    for (std::size_t i = children.size(); i-- > 0;) {
        if (i == 0) {
            accumulator.popOverrideState();
        }
        children[i]->traverse(traverser);
    }
    accumulator.popOverrideState();
    return false;
}

void LayerSpecial::read(heron::DataSource& source)
{
    TraversalCallback::read(source);
    finch::readTaggedBlock(source, [&](std::uint32_t tag) {
        if (tag == groupTag) {
            finch::readBorrowedRef(source, m_group);
        }
    });
}

void LayerSpecial::write(heron::DataDest& dest) const
{
    TraversalCallback::write(dest);
    dest.writeTag(groupTag).writeObjectRef(m_group);
    dest.writeTag(0);
}

}
