#pragma once

#include "scene/graph/TraversalCallback.h"

namespace finch
{
class GroupBranch;
}

namespace pelican_specials
{

// Draws its group's children from the last to the first, all but the first in the ordered list
// without depth writes, so that later children lie over earlier ones as layers. The walk is of
// the branch the traverser is at; the stored group is kept only for the stream (tag 1).
class LayerSpecial : public finch::TraversalCallback
{
public:
    static constexpr const char* classIdentifier = "duskharbor::pelican::LayerSpecial";
    [[nodiscard]] static heron::Streamable* create();

    LayerSpecial() = default;
    explicit LayerSpecial(finch::GroupBranch* group) : m_group(group) {}

    finch::GroupBranch* group() const { return m_group; }

    bool preTraverse(finch::Traverser& traverser, finch::Branch& branch) override;
    const char* className() const override { return classIdentifier; }
    void read(heron::DataSource& source) override;
    void write(heron::DataDest& dest) const override;

private:
    finch::GroupBranch* m_group = nullptr;
};

}
