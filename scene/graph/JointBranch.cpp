#include "scene/graph/JointBranch.h"

#include "base/DataDest.h"
#include "scene/core/TaggedBlock.h"
#include "scene/graph/Traverser.h"

namespace finch
{

namespace
{

enum JointTag : std::uint32_t
{
    hasPivotTag = 1,
    pivotTag = 2,
    motionTag = 3,
};

}

heron::Streamable* JointBranch::create()
{
    return new JointBranch;
}

void JointBranch::setPivotMatrix(const Matrix& pivot)
{
    if (pivot.isIdentity()) {
        m_hasPivot = false;
        return;
    }
    m_pivot = pivot;
    pivot.getInverse(m_pivotInverse);
    m_hasPivot = true;
}

void JointBranch::setMatrix(const Matrix& m)
{
    if (m_hasPivot) {
        Matrix intoPivot;
        intoPivot.multiply(m_pivotInverse, m);
        m_motion.multiply(intoPivot, m_pivot);
    } else {
        m_motion = m;
    }
    m_motion.getInverse(m_motionInverse);
    ownBox().transform(m_localBox, m_motionInverse);
    passBoxUp();
}

void JointBranch::traverse(Traverser& traverser)
{
    const Motion motion{m_motionInverse, m_motion};
    traverseGroup(traverser, nullptr, Children::All, &motion);
}

void JointBranch::clean()
{
    if (!isDirty()) {
        return;
    }
    cleanChildren();
    m_localBox = box();
    ownBox().transform(m_localBox, m_motionInverse);
    setDirtyFlag(false);
}

void JointBranch::extendBox(const BoundingBox& childBox)
{
    ownBox().extend(childBox, BoundingBox::noMargin);
    passBoxUp();
}

void JointBranch::read(heron::DataSource& source)
{
    GroupBranch::read(source);
    readTaggedBlock(source, [&](std::uint32_t tag) {
        switch (tag) {
        case hasPivotTag: readBoolField(source, m_hasPivot); break;
        case pivotTag:
            readMatrix(source, m_pivot);
            readMatrix(source, m_pivotInverse);
            break;
        case motionTag:
            readMatrix(source, m_motion);
            readMatrix(source, m_motionInverse);
            break;
        default: break;
        }
    });
}

void JointBranch::write(heron::DataDest& dest) const
{
    GroupBranch::write(dest);
    dest.writeTag(hasPivotTag).writeBool(m_hasPivot);
    dest.writeTag(pivotTag);
    writeMatrix(dest, m_pivot);
    writeMatrix(dest, m_pivotInverse);
    dest.writeTag(motionTag);
    writeMatrix(dest, m_motion);
    writeMatrix(dest, m_motionInverse);
    dest.writeTag(0);
}

}
