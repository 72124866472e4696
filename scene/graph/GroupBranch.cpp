#include "scene/graph/GroupBranch.h"

#include "base/DataDest.h"
#include "base/DataSource.h"
#include "base/Debug.h"
#include "scene/core/TaggedBlock.h"
#include "scene/graph/LodBranch.h"
#include "scene/graph/Traverser.h"

#include <algorithm>
#include <stdexcept>

namespace finch
{

namespace
{

constexpr std::uint32_t childrenTag = 1;

}

heron::Streamable* GroupBranch::create()
{
    return new GroupBranch;
}

GroupBranch::~GroupBranch()
{
    deleteChildren();
}

void GroupBranch::deleteChildren()
{
    // A group's children are taken over before the group goes, so that however deep the tree,
    // no destructor recurses. A stream that failed before its references were set leaves null
    // children.
    std::vector<Branch*> doomed;
    doomed.swap(m_children);
    while (!doomed.empty()) {
        Branch* const last = doomed.back();
        doomed.pop_back();
        if (last == nullptr) {
            continue;
        }
        last->m_parent = nullptr;
        if (auto* const group = dynamic_cast<GroupBranch*>(last)) {
            doomed.insert(doomed.end(), group->m_children.begin(), group->m_children.end());
            group->m_children.clear();
        }
        delete last;
    }
}

Branch* GroupBranch::child(int i)
{
    if (i < 0 || std::size_t(i) >= m_children.size()) {
        throw std::out_of_range("invalid vector<T> subscript");
    }
    return m_children[std::size_t(i)];
}

bool GroupBranch::process(BranchProcessor& processor)
{
    if (!processor.process(*this)) {
        return false;
    }
    for (std::size_t i = 0; i < m_children.size(); ++i) {
        const std::size_t count = m_children.size();
        if (!m_children[i]->process(processor)) {
            return false;
        }
        // A processor that removed or replaced the child: the same index once more.
        if (m_children.size() != count && i < m_children.size()) {
            if (!m_children[i]->process(processor)) {
                return false;
            }
        }
    }
    return true;
}

void GroupBranch::clean()
{
    if (isDirty()) {
        cleanChildren();
        setDirtyFlag(false);
    }
}

void GroupBranch::cleanChildren()
{
    ownBox().clear();
    for (Branch* child : m_children) {
        if (child->isDirty()) {
            child->clean();
        }
        ownBox().merge(child->box());
    }
}

void GroupBranch::traverse(Traverser& traverser)
{
    traverseGroup(traverser);
}

void GroupBranch::traverseGroup(Traverser& traverser, Branch* only, Children children, const Motion* motion)
{
    ++cullStatistics.groupVisits;
    const bool masked = traverser.cullingActive();
    // The group's box lies in its parent's frame: it is culled before a motion moves the walk
    // into the children's.
    if (masked) {
        if (traverser.isCulled(*this)) {
            return;
        }
        traverser.pushPlaneMask();
    }
    if (motion != nullptr) {
        traverser.pushMatrix(motion->matrix, motion->inverse);
    }
    const heron::counted_ptr<TraversalCallback> callback = traversalCallback();
    if (!callback || callback->preTraverse(traverser, *this)) {
        traverser.visit(*this);
        if (children == Children::All) {
            for (std::size_t i = 0; i < m_children.size(); ++i) {
                m_children[i]->traverse(traverser);
            }
        } else if (only != nullptr) {
            only->traverse(traverser);
        }
        if (callback) {
            callback->postTraverse(traverser, *this);
        }
    }
    if (motion != nullptr) {
        traverser.popMatrix();
    }
    if (masked) {
        traverser.popPlaneMask();
    }
}

void GroupBranch::compileGraphics()
{
    for (Branch* child : m_children) {
        child->compileGraphics();
    }
}

void GroupBranch::setObject(Object* object)
{
    Branch::setObject(object);
    for (Branch* child : m_children) {
        child->setObject(object);
    }
}

void GroupBranch::addChild(std::unique_ptr<Branch>& holder)
{
    if (!holder) {
        throw std::logic_error("finch::GroupBranch::addChild() - Can't add null branches");
    }
    Branch* const child = holder.release();
    child->m_parent = this;
    child->setObject(object());
    m_children.push_back(child);
    relinkLodChains();
    makeDirty();
}

void GroupBranch::moveChildrenTo(GroupBranch& target)
{
    if (&target != this) {
        std::vector<Branch*> moved;
        moved.swap(m_children);
        for (Branch* child : moved) {
            child->m_parent = nullptr;
        }
        while (!target.m_children.empty()) {
            delete target.m_children.back();
        }
        target.m_children = std::move(moved);
    }
    for (Branch* child : target.m_children) {
        child->m_parent = &target;
        child->setObject(target.object());
    }
    makeDirty();
}

std::unique_ptr<Branch> GroupBranch::removeChild(Branch& child)
{
    if (child.m_parent != this) {
        return {};
    }
    detachChild(child);
    return std::unique_ptr<Branch>(&child);
}

void GroupBranch::detachChild(Branch& child)
{
    const auto found = std::find(m_children.begin(), m_children.end(), &child);
    if (found != m_children.end()) {
        m_children.erase(found);
    }
    child.m_parent = nullptr;
    child.setObject(nullptr);
    relinkLodChains();
    makeDirty();
}

void GroupBranch::replaceChild(Branch& child, std::unique_ptr<Branch>& holder)
{
    const auto found = std::find(m_children.begin(), m_children.end(), &child);
    if (found == m_children.end()) {
        return;
    }
    Branch* const replacement = holder.release();
    *found = replacement;
    replacement->m_parent = this;
    replacement->setObject(object());
    child.m_parent = nullptr;
    child.setObject(nullptr);
    relinkLodChains();
    makeDirty();
}

void GroupBranch::relinkLodChains()
{
    LodBranch* previous = nullptr;
    for (Branch* child : m_children) {
        auto* const lod = dynamic_cast<LodBranch*>(child);
        if (lod != nullptr) {
            lod->setChainLinks(previous, nullptr);
            if (previous != nullptr) {
                previous->setChainLinks(previous->previous(), lod);
            }
        }
        previous = lod;
    }
}

void GroupBranch::read(heron::DataSource& source)
{
    Branch::read(source);
    bool childrenRead = false;
    readTaggedBlock(source, [&](std::uint32_t tag) {
        if (tag == childrenTag) {
            readRefList(source, m_children, childrenRead, heron::StreamReader::Hold::Keeps);
        }
    });
}

void GroupBranch::write(heron::DataDest& dest) const
{
    Branch::write(dest);
    dest.writeTag(childrenTag).writeTag(std::uint32_t(m_children.size()));
    for (const Branch* child : m_children) {
        dest.writeObjectRef(child);
    }
    dest.writeTag(0);
}

void GroupBranch::adoptLoaded(LoadClaims& claims)
{
    if (claims.atDepthLimit() && !m_children.empty()) {
        claims.cutAfterSettling([this] { deleteChildren(); });
    }
    std::erase_if(m_children, [&](Branch* child) {
        if (child == nullptr) {
            heron::debug("GroupBranch - a stored child that is no branch is left out!\n");
            return true;
        }
        if (!claims.claim(child, "a child branch")) {
            return true;
        }
        child->m_parent = this;
        child->m_object = object();
        claims.queue(*child);
        return false;
    });
    relinkLodChains();
}

}
