#include "scene/geometry/CullTree.h"

#include "base/DataDest.h"
#include "scene/core/TaggedBlock.h"
#include "scene/geometry/GeoBunch.h"

#include <utility>
#include <vector>

namespace finch
{

namespace
{

enum CullTreeTag : std::uint32_t
{
    bunchTag = 1,
    boxTag = 2,
    childrenTag = 3,
};

}

heron::Streamable* CullTree::create()
{
    return new CullTree;
}

CullTree::~CullTree()
{
    deleteChildren();
}

void CullTree::deleteChildren()
{
    // A node's children are taken over before the node goes, so that no destructor recurses.
    std::vector<CullTree*> doomed{m_left, m_right};
    m_left = nullptr;
    m_right = nullptr;
    while (!doomed.empty()) {
        CullTree* const last = doomed.back();
        doomed.pop_back();
        if (last == nullptr) {
            continue;
        }
        doomed.push_back(std::exchange(last->m_left, nullptr));
        doomed.push_back(std::exchange(last->m_right, nullptr));
        delete last;
    }
}

void CullTree::read(heron::DataSource& source)
{
    readTaggedBlock(source, [&](std::uint32_t tag) {
        switch (tag) {
        // The bunch belongs to the branch: the tree only borrows it.
        case bunchTag: readBorrowedRef(source, m_bunch); break;
        case boxTag: m_box.read(source); break;
        case childrenTag:
            readKeptRef(source, m_left);
            readKeptRef(source, m_right);
            break;
        default: break;
        }
    });
}

void CullTree::afterLoad()
{
    settleLoadedGraph();
}

void CullTree::write(heron::DataDest& dest) const
{
    dest.writeTag(bunchTag).writeObjectRef(m_bunch);
    dest.writeTag(boxTag);
    m_box.write(dest);
    dest.writeTag(childrenTag).writeObjectRef(m_left).writeObjectRef(m_right);
    dest.writeTag(0);
}

void CullTree::adoptLoaded(LoadClaims& claims)
{
    for (CullTree** child : {&m_left, &m_right}) {
        if (*child == nullptr) {
            continue;
        }
        if (claims.claim(*child, "a cull tree node")) {
            claims.queue(**child);
        } else {
            *child = nullptr;
        }
    }
}

}
