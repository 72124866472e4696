#pragma once

#include "scene/graph/GroupBranch.h"
#include "scene/math/Matrix.h"

namespace finch
{

// A group that moves its children by a motion matrix about an optional pivot frame; the box is
// the children's bounds (kept as the local box) carried by the motion.
class JointBranch : public GroupBranch
{
public:
    static constexpr const char* classIdentifier = "duskharbor::finch::JointBranch";
    [[nodiscard]] static heron::Streamable* create();

    JointBranch() = default;

    // The identity clears the pivot.
    void setPivotMatrix(const Matrix& pivot);
    // With a pivot the motion is pivot^-1 m pivot, else m; the box follows at once.
    void setMatrix(const Matrix& m);

    void traverse(Traverser& traverser) override;
    void clean() override;
    // Merges the child's box untransformed and always hands the box up.
    void extendBox(const BoundingBox& childBox) override;

    bool hasPivot() const { return m_hasPivot; }
    const Matrix& motion() const { return m_motion; }
    const Matrix& motionInverse() const { return m_motionInverse; }
    const BoundingBox& localBox() const { return m_localBox; }

    const char* className() const override { return classIdentifier; }
    void read(heron::DataSource& source) override;
    void write(heron::DataDest& dest) const override;

private:
    bool m_hasPivot = false;
    Matrix m_pivot;
    Matrix m_pivotInverse;
    Matrix m_motion;
    Matrix m_motionInverse;
    BoundingBox m_localBox;
};

}
