#include "content/specials/PianoSpecial.h"

#include "base/DataDest.h"
#include "scene/core/Clock.h"
#include "scene/core/TaggedBlock.h"
#include "scene/graph/JointBranch.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace pelican_specials
{

namespace
{

enum PianoTag : std::uint32_t
{
    turnTag = 1,
    jointTag = 2,
};

constexpr double fullTurn = 360.0;

}

heron::Streamable* PianoSpecial::create()
{
    return new PianoSpecial;
}

PianoSpecial::PianoSpecial(finch::GroupBranch& group, float period) : m_rate(period != 0.0f ? 1.0f / period : 0.0f)
{
    auto made = std::make_unique<finch::JointBranch>();
    m_joint = made.get();
    group.moveChildrenTo(*m_joint);
    std::unique_ptr<finch::Branch> holder(made.release());
    group.addChild(holder);
}

bool PianoSpecial::preTraverse(finch::Traverser&, finch::Branch&)
{
    const double now = finch::Clock::now();
    if (m_pending) {
        start(now);
    }
    if (m_ready) {
        turn(now);
    }
    return true;
}

void PianoSpecial::start(double now)
{
    m_pending = false;
    if (m_joint == nullptr || m_joint->children().empty()) {
        return;
    }
    m_ready = true;
    const finch::BoundingBox& box = m_joint->children().front()->box();
    const finch::Vector3d centre = box.centre();
    const finch::Vector3d reach = box.max() - centre;
    finch::Matrix pivot;
    pivot.setTranslation(centre);
    m_joint->setPivotMatrix(pivot);
    m_cornerA = reach;
    m_cornerB = finch::Vector3d(reach.x, reach.y, -reach.z);
    m_lastTime = now;
}

void PianoSpecial::turn(double now)
{
    double angle = std::fmod(m_angle + (now - m_lastTime) * m_rate * fullTurn, fullTurn);
    if (!std::isfinite(angle)) {
        angle = 0.0;
    } else if (angle < 0.0) {
        angle += fullTurn;
    }
    m_angle = float(angle);
    finch::Matrix motion;
    motion.setAxisRotation(m_angle, finch::Vector3d(0.0, -1.0, 0.0));
    finch::Vector3d a;
    finch::Vector3d b;
    motion.transformPoint(a, m_cornerA);
    motion.transformPoint(b, m_cornerB);
    const double lowest = std::max(std::fabs(a.z), std::fabs(b.z));
    motion.translateLocal(finch::Vector3d(0.0, 0.0, m_cornerA.z - lowest));
    m_joint->setMatrix(motion);
    m_lastTime = now;
}

void PianoSpecial::read(heron::DataSource& source)
{
    TraversalCallback::read(source);
    finch::readTaggedBlock(source, [&](std::uint32_t tag) {
        switch (tag) {
        case turnTag:
            finch::readFiniteFloat(source, m_rate, "PianoSpecial");
            finch::readFiniteFloat(source, m_angle, "PianoSpecial");
            break;
        case jointTag: finch::readBorrowedRef(source, m_joint); break;
        default: break;
        }
    });
}

void PianoSpecial::write(heron::DataDest& dest) const
{
    TraversalCallback::write(dest);
    dest.writeTag(turnTag);
    finch::writeFloat(dest, m_rate);
    finch::writeFloat(dest, m_angle);
    dest.writeTag(jointTag).writeObjectRef(m_joint);
    dest.writeTag(0);
}

}
