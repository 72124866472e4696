#pragma once

#include "scene/graph/TraversalCallback.h"
#include "scene/math/Vector3d.h"

namespace finch
{
class GroupBranch;
class JointBranch;
}

namespace pelican_specials
{

// Rolls its group like a piano key or a barrel: a joint put between the group and its children
// turns them about the axis (0, -1, 0) through the centre of the first child's box at rate turns a
// second, lifted so that the lowest of two opposite box corners keeps its height.
class PianoSpecial : public finch::TraversalCallback
{
public:
    static constexpr const char* classIdentifier = "duskharbor::pelican::PianoSpecial";
    [[nodiscard]] static heron::Streamable* create();

    PianoSpecial() = default;
    // Puts a new joint under the group holding the group's children; the rate is 1 / period, 0
    // for a period of 0.
    PianoSpecial(finch::GroupBranch& group, float period);

    float rate() const { return m_rate; }
    float angle() const { return m_angle; }
    finch::JointBranch* joint() const { return m_joint; }

    bool preTraverse(finch::Traverser& traverser, finch::Branch& branch) override;
    const char* className() const override { return classIdentifier; }
    void read(heron::DataSource& source) override;
    void write(heron::DataDest& dest) const override;

private:
    void start(double now);
    void turn(double now);

    double m_lastTime = 0.0;
    float m_rate = 0.0f;
    float m_angle = 0.0f;
    finch::JointBranch* m_joint = nullptr;
    bool m_pending = true;
    bool m_ready = false;
    finch::Vector3d m_cornerA;
    finch::Vector3d m_cornerB;
};

}
