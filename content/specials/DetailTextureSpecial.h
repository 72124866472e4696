#pragma once

#include "base/heron_string.h"
#include "scene/graph/TraversalCallback.h"

namespace finch
{
class Branch;
}

namespace pelican_specials
{

// A detail texture laid over the polygons of its group when it is made (texture slot 1,
// coordinates 1 = coordinates 0 / scale); at its first traversal it takes itself off. Stored as
// an empty block.
class DetailTextureSpecial : public finch::TraversalCallback
{
public:
    static constexpr const char* classIdentifier = "duskharbor::pelican::DetailTextureSpecial";
    [[nodiscard]] static heron::Streamable* create();

    DetailTextureSpecial() = default;
    DetailTextureSpecial(finch::Branch& group, const heron_string& file, float scale);

    bool preTraverse(finch::Traverser& traverser, finch::Branch& branch) override;
    const char* className() const override { return classIdentifier; }
};

}
