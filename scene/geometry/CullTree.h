#pragma once

#include "base/Streamable.h"
#include "scene/graph/LoadedGraph.h"
#include "scene/math/BoundingBox.h"

#include <memory>
#include <vector>

namespace finch
{

class GeoBunch;

// A stored binary tree of bunch bounds that travels with its geometry branch. The program builds
// none and consults none: a tree read from a stream is written back with its branch.
class CullTree : public heron::Streamable, public LoadedOwner
{
public:
    static constexpr const char* classIdentifier = "duskharbor::finch::CullTree";
    [[nodiscard]] static heron::Streamable* create();

    CullTree() = default;
    ~CullTree() override;
    CullTree(const CullTree&) = delete;
    CullTree& operator=(const CullTree&) = delete;

    // Drops the references to bunches the predicate refuses (bunches that left the branch). A
    // stored tree can be as deep as it is long: the walk keeps its own list rather than recurse.
    template <class Keeps>
    void keepBunches(const Keeps& keeps)
    {
        std::vector<CullTree*> pending{this};
        while (!pending.empty()) {
            CullTree* const node = pending.back();
            pending.pop_back();
            if (node->m_bunch != nullptr && !keeps(node->m_bunch)) {
                node->m_bunch = nullptr;
            }
            for (CullTree* child : {node->m_left, node->m_right}) {
                if (child != nullptr) {
                    pending.push_back(child);
                }
            }
        }
    }

    GeoBunch* bunch() const { return m_bunch; }
    const BoundingBox& box() const { return m_box; }
    CullTree* left() const { return m_left; }
    CullTree* right() const { return m_right; }

    const char* className() const override { return classIdentifier; }
    void read(heron::DataSource& source) override;
    void afterLoad() override;
    void write(heron::DataDest& dest) const override;
    void adoptLoaded(LoadClaims& claims) override;

private:
    void deleteChildren();

    GeoBunch* m_bunch = nullptr;
    BoundingBox m_box;
    CullTree* m_left = nullptr;
    CullTree* m_right = nullptr;
};

}
