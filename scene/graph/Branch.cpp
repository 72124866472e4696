#include "scene/graph/Branch.h"

#include "base/DataDest.h"
#include "base/DataSource.h"
#include "gui/toolkit/Component.h"
#include "scene/core/TaggedBlock.h"
#include "scene/graph/GroupBranch.h"
#include "scene/graph/Object.h"
#include "scene/graph/Traverser.h"

#include <vector>

namespace finch
{

namespace
{

enum BranchTag : std::uint32_t
{
    nameTag = 1,
    objectTag = 2,
    parentTag = 3,
    dirtyTag = 4,
    boxTag = 5,
    collisionModeTag = 6,
    olderCallbackTag = 7,
    droppedValueTag = 8,
    userValueTag = 10,
    callbackTag = 11,
};

// Branches whose callback is to be taken off at the next release.
std::vector<Branch*>& scheduledRemovals()
{
    static std::vector<Branch*> branches;
    return branches;
}

}

Branch::Branch() = default;

Branch::~Branch()
{
    if (m_callbackRemovalScheduled) {
        std::erase(scheduledRemovals(), this);
    }
    if (m_parent != nullptr) {
        m_parent->detachChild(*this);
    }
}

void Branch::scheduleCallbackRemoval()
{
    if (m_callbackRemovalScheduled) {
        return;
    }
    m_callbackRemovalScheduled = true;
    scheduledRemovals().push_back(this);
}

void Branch::releaseScheduledCallbacks()
{
    std::vector<Branch*>& branches = scheduledRemovals();
    while (!branches.empty()) {
        Branch* const branch = branches.back();
        branches.pop_back();
        branch->m_callbackRemovalScheduled = false;
        branch->setTraversalCallback(heron::counted_ptr<TraversalCallback>());
    }
}

heron::counted_ptr<kestrel::Component> Branch::treeItem()
{
    if (!m_treeItem) {
        m_treeItem.reset(new kestrel::Component);
        m_treeItem->setText(m_name.c_str());
    }
    return m_treeItem;
}

void Branch::extendBox(const BoundingBox& childBox)
{
    if (m_box.extend(childBox, BoundingBox::noMargin)) {
        passBoxUp();
    }
}

void Branch::passBoxUp()
{
    if (m_parent != nullptr) {
        m_parent->extendBox(m_box);
    } else if (m_object != nullptr) {
        m_object->rootBoxGrew(m_box);
    }
}

void Branch::makeDirty()
{
    if (m_dirty) {
        return;
    }
    m_dirty = true;
    if (m_parent != nullptr) {
        m_parent->makeDirty();
    } else if (m_object != nullptr) {
        m_object->markChanged();
    }
}

bool Branch::preTraverse(Traverser& traverser)
{
    return !m_callback || m_callback->preTraverse(traverser, *this);
}

void Branch::postTraverse(Traverser& traverser)
{
    if (m_callback) {
        m_callback->postTraverse(traverser, *this);
    }
}

void Branch::traverse(Traverser& traverser)
{
    if (traverser.cullingActive() && traverser.isCulled(*this)) {
        return;
    }
    // The callback may drop itself from the branch while it runs.
    const heron::counted_ptr<TraversalCallback> callback = m_callback;
    if (callback && !callback->preTraverse(traverser, *this)) {
        return;
    }
    traverser.visit(*this);
    if (callback) {
        callback->postTraverse(traverser, *this);
    }
}

void Branch::compileGraphics()
{
    if (m_renderable != nullptr) {
        m_renderable->compile();
    }
}

void Branch::transformBox(const Matrix& matrix)
{
    m_box.transform(m_box, matrix);
}

void Branch::setTraversalCallback(const heron::counted_ptr<TraversalCallback>& callback)
{
    if (callback != m_callback) {
        m_callback = callback;
    }
}

void Branch::replaceWith(std::unique_ptr<Branch>& holder)
{
    if (m_parent == nullptr || !holder) {
        return;
    }
    m_parent->replaceChild(*this, holder);
}

void Branch::read(heron::DataSource& source)
{
    readTaggedBlock(source, [&](std::uint32_t tag) {
        switch (tag) {
        case nameTag: source.readString(m_name); break;
        // The object and parent are worked out from the owners when the stream is settled.
        case objectTag:
        case parentTag: skipRef(source); break;
        case dirtyTag: readBoolField(source, m_dirty); break;
        case boxTag: m_box.read(source); break;
        case collisionModeTag: readInt32Field(source, m_collisionMode); break;
        case olderCallbackTag: heron::StreamReader::readCheckedRef(source, m_olderCallback); break;
        case droppedValueTag: {
            std::int32_t dropped = 0;
            source.readInt32(dropped);
            break;
        }
        case userValueTag: readInt32Field(source, m_userValue); break;
        case callbackTag: heron::StreamReader::readCheckedRef(source, m_callback); break;
        default: break;
        }
    });
}

void Branch::afterLoad()
{
    settleLoadedGraph();
    // An older block kept its callback behind a shared pointer of its own: it becomes the
    // branch's callback when nothing else shares it.
    if (m_olderCallback && !m_callback && m_olderCallback.refCount() == 1) {
        m_callback = m_olderCallback;
    }
    m_olderCallback = heron::counted_ptr<TraversalCallback>();
}

void Branch::write(heron::DataDest& dest) const
{
    dest.writeTag(nameTag).writeString(m_name);
    dest.writeTag(objectTag).writeObjectRef(m_object);
    dest.writeTag(parentTag).writeObjectRef(m_parent);
    dest.writeTag(dirtyTag).writeBool(m_dirty);
    dest.writeTag(boxTag);
    m_box.write(dest);
    dest.writeTag(collisionModeTag).writeInt32(m_collisionMode);
    dest.writeTag(userValueTag).writeInt32(m_userValue);
    dest.writeTag(callbackTag).writeObjectRef(m_callback);
    dest.writeTag(0);
}

}
