#include "scene/geometry/CullTree.h"

#include "base/DataDest.h"
#include "scene/core/TaggedBlock.h"
#include "scene/geometry/GeoBunch.h"

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
    delete m_left;
    delete m_right;
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
