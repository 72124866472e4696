#include "scene/graph/InstanceBranch.h"

#include "base/DataDest.h"
#include "base/Debug.h"
#include "base/Limits.h"
#include "scene/core/Clock.h"
#include "scene/core/TaggedBlock.h"
#include "scene/graph/Object.h"
#include "scene/graph/Traverser.h"

#include <algorithm>
#include <stdexcept>

namespace finch
{

namespace
{

enum InstanceTag : std::uint32_t
{
    flagTag = 1,
    instanceTag = 2,
    matrixTag = 3,
};

// Boxes handed up through instances nested as deep as a walk may go stop: only a cycle of
// instances gets there.
int handUpDepth = 0;

}

heron::Streamable* InstanceBranch::create()
{
    return new InstanceBranch;
}

InstanceBranch::~InstanceBranch()
{
    if (m_instance != nullptr && !m_instance->removeInstance(*this)) {
        heron::debug("%s\n", tableMessage);
    }
}

void InstanceBranch::setInstance(Object* object)
{
    if (object == m_instance) {
        return;
    }
    if (m_instance != nullptr && !m_instance->removeInstance(*this)) {
        throw std::logic_error(tableMessage);
    }
    m_instance = object;
    if (object != nullptr) {
        object->addInstance(*this);
    }
}

void InstanceBranch::setMatrix(const Matrix& m)
{
    m_matrix = m;
    m.getInverse(m_inverse);
    if (m_instance != nullptr) {
        ownBox().transform(m_instance->box(), m_matrix);
        handBoxUp();
    }
    m_stamp = Clock::frameTime();
}

void InstanceBranch::extendBox(const BoundingBox& childBox)
{
    BoundingBox moved;
    moved.transform(childBox, m_matrix);
    ownBox().extend(moved, BoundingBox::noMargin);
    handBoxUp();
}

void InstanceBranch::handBoxUp()
{
    if (handUpDepth >= heron::limits::maxInstanceNesting) {
        return;
    }
    ++handUpDepth;
    passBoxUp();
    --handUpDepth;
}

void InstanceBranch::clean()
{
    if (m_instance != nullptr) {
        m_instance->clean();
        ownBox().transform(m_instance->box(), m_matrix);
    }
    setDirtyFlag(false);
}

void InstanceBranch::traverse(Traverser& traverser)
{
    const heron::counted_ptr<TraversalCallback> callback = traversalCallback();
    if (callback && !callback->preTraverse(traverser, *this)) {
        return;
    }
    traverser.countInstanceVisit();
    traverser.visit(*this);
    const bool masked = traverser.cullingActive();
    if (m_instance != nullptr && !(masked && traverser.isCulled(*this)) && traverser.enterInstance(this)) {
        if (masked) {
            traverser.pushPlaneMask();
        }
        traverser.pushMatrix(m_matrix, m_inverse);
        m_instance->traverse(traverser);
        traverser.popMatrix();
        if (masked) {
            traverser.popPlaneMask();
        }
        traverser.leaveInstance();
    }
    if (callback) {
        callback->postTraverse(traverser, *this);
    }
}

void InstanceBranch::read(heron::DataSource& source)
{
    Branch::read(source);
    readTaggedBlock(source, [&](std::uint32_t tag) {
        switch (tag) {
        case flagTag: readBoolField(source, m_flag); break;
        // The object is owned by its database: the reference only borrows it.
        case instanceTag: readBorrowedRef(source, m_instance); break;
        case matrixTag:
            readMatrix(source, m_matrix);
            m_matrix.getInverse(m_inverse);
            break;
        default: break;
        }
    });
}

void InstanceBranch::write(heron::DataDest& dest) const
{
    Branch::write(dest);
    dest.writeTag(flagTag).writeBool(m_flag);
    dest.writeTag(instanceTag).writeObjectRef(m_instance);
    dest.writeTag(matrixTag);
    writeMatrix(dest, m_matrix);
    dest.writeTag(0);
}

void InstanceBranch::adoptLoaded(LoadClaims& claims)
{
    claims.noteInstance(*this);
}

}
