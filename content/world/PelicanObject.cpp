#include "content/world/PelicanObject.h"

#include "content/world/DepthTweakSpecial.h"
#include "content/world/EngineKinds.h"
#include "content/world/PelicanDB.h"
#include "content/world/ScaleSpecial.h"
#include "scene/core/Clock.h"
#include "scene/graph/InstanceBranch.h"
#include "scene/graph/Object.h"
#include "scene/graph/SwitchBranch.h"

#include <algorithm>
#include <string>

namespace pelican
{

namespace
{

// The switch's first child when every child is an instance branch.
finch::InstanceBranch* placementOf(finch::SwitchBranch& switchBranch)
{
    const std::vector<finch::Branch*>& children = switchBranch.children();
    const bool allInstances = std::all_of(children.begin(), children.end(), [](finch::Branch* child) {
        return dynamic_cast<finch::InstanceBranch*>(child) != nullptr;
    });
    return allInstances && !children.empty() ? static_cast<finch::InstanceBranch*>(children.front()) : nullptr;
}

const finch::BoundingBox& emptyBox()
{
    static const finch::BoundingBox box;
    return box;
}

const finch::Matrix& identity()
{
    static const finch::Matrix matrix;
    return matrix;
}

}

PelicanObject::PelicanObject(PelicanDB* database, finch::SwitchBranch* switchBranch)
    : m_database(database)
    , m_switch(switchBranch)
    , m_instance(placementOf(*switchBranch))
{
}

PelicanObject::~PelicanObject() = default;

PelicanObject* PelicanObject::addChild(std::unique_ptr<PelicanObject> child)
{
    const heron_string& childName = child->m_switch->name();
    const auto sameName = std::count_if(m_children.begin(), m_children.end(), [&](const auto& sibling) {
        return sibling->m_switch->name() == childName;
    });
    if (m_name.empty()) {
        m_name = heron_string("/") + m_switch->name();
    }
    child->m_name = m_name + "/" + childName + "$" + std::to_string(sameName).c_str();
    child->m_parent = this;
    m_children.push_back(std::move(child));
    return m_children.back().get();
}

void PelicanObject::visit(ObjectRefProcessor& processor)
{
    processor.process(*this);
    for (const std::unique_ptr<PelicanObject>& child : m_children) {
        child->visit(processor);
    }
}

const finch::BoundingBox& PelicanObject::boundingBox() const
{
    return m_instance != nullptr && m_instance->instance() != nullptr ? m_instance->box() : emptyBox();
}

const finch::Matrix& PelicanObject::transform() const
{
    return m_instance != nullptr ? m_instance->matrix() : identity();
}

void PelicanObject::setTransform(const finch::Matrix& matrix)
{
    if (m_instance != nullptr) {
        if (!m_transformSaved) {
            m_savedTransform = m_instance->matrix();
            m_transformSaved = true;
        }
        m_instance->setMatrix(matrix);
    }
    m_transformTime = finch::Clock::now();
}

void PelicanObject::resetTransform()
{
    if (m_pathDriver != nullptr && m_path != nullptr) {
        m_path->apply(0.0);
    } else if (m_transformSaved && m_instance != nullptr) {
        m_instance->setMatrix(m_savedTransform);
    }
}

void PelicanObject::setActive(bool on)
{
    m_switch->setOn(on);
    if (m_pathDriver != nullptr) {
        m_pathDriver->setEnabled(on);
    }
    if (m_path != nullptr) {
        m_path->setEnabled(on);
    }
}

bool PelicanObject::isActive() const
{
    return m_switch->isOn();
}

void PelicanObject::setPathHold(bool hold)
{
    if (m_pathDriver != nullptr) {
        m_pathDriver->setMode(hold ? LinearEngine::holds : LinearEngine::runs);
    }
}

double PelicanObject::pathSpeed() const
{
    return m_pathDriver != nullptr ? m_pathDriver->p(1) : 0.0;
}

double PelicanObject::pathLength() const
{
    return m_path != nullptr ? m_path->path().length() : 0.0;
}

void PelicanObject::setPathPosition(double distance)
{
    if (m_pathDriver != nullptr) {
        m_pathDriver->setHeldValue(distance);
    }
}

int PelicanObject::animationCount() const
{
    return m_animationSwitch != nullptr ? m_animationSwitch->childCount() : 0;
}

heron_string PelicanObject::animationName(int i) const
{
    if (i < 0 || i >= animationCount()) {
        return noAnimationName;
    }
    return m_animationSwitch->child(i)->name();
}

void PelicanObject::setAnimation(int i, double value)
{
    if (m_sequenceController == nullptr || i < 0 || i >= animationCount()) {
        return;
    }
    m_animationSwitch->setSelected(i);
    m_sequenceController->setCurrent(i, float(value));
}

void PelicanObject::setScale(double factor)
{
    if (m_scaleSpecial != nullptr) {
        m_scaleSpecial->setFactor(factor);
    }
}

void PelicanObject::setDepthTweak(std::int32_t flag, const finch::Viewer& view, float near, float far)
{
    if (m_depthTweak == nullptr) {
        m_depthTweak = new DepthTweakSpecial;
        wrap(heron::counted_ptr<finch::TraversalCallback>(m_depthTweak));
    }
    m_depthTweak->set(flag, view, near, far);
    if (m_database != nullptr) {
        m_database->setDepthTweakFlag(std::uint8_t(flag));
    }
}

void PelicanObject::setBranchValue(int mode)
{
    m_switch->setCollisionMode(mode);
}

int PelicanObject::branchValue() const
{
    return m_switch->collisionMode();
}

void PelicanObject::attachAnimation(const AnimationEntry& entry)
{
    if (entry.object == nullptr) {
        return;
    }
    if (m_animationController == nullptr) {
        m_animationController = new AnimationController;
        wrap(heron::counted_ptr<finch::TraversalCallback>(m_animationController));
    }
    m_animationController->add(entry);
}

void PelicanObject::addScaleSpecial()
{
    if (m_scaleSpecial == nullptr) {
        m_scaleSpecial = new ScaleSpecial(this);
        wrap(heron::counted_ptr<finch::TraversalCallback>(m_scaleSpecial));
    }
}

void PelicanObject::addSequenceStep(int step, const AnimationEntry& entry)
{
    if (m_sequenceController == nullptr) {
        m_sequenceController = new SequenceController(this);
        wrap(heron::counted_ptr<finch::TraversalCallback>(m_sequenceController));
    }
    if (step >= 0) {
        m_sequenceController->addStep(std::size_t(step), entry);
    }
}

void PelicanObject::wrap(const heron::counted_ptr<finch::TraversalCallback>& callback)
{
    auto group = std::make_unique<finch::GroupBranch>();
    group->setName(m_switch->name());
    group->setTraversalCallback(callback);
    m_switch->moveChildrenTo(*group);
    std::unique_ptr<finch::Branch> holder(group.release());
    m_switch->addChild(holder);
}

}
