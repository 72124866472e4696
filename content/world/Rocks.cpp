#include "content/world/Rocks.h"

#include "content/world/BranchWalks.h"
#include "content/world/PelicanDB.h"
#include "scene/graph/GroupBranch.h"
#include "scene/graph/InstanceBranch.h"
#include "scene/graph/Object.h"
#include "scene/graph/Traverser.h"

#include <algorithm>
#include <cmath>

namespace pelican
{

bool RockTweakSpecial::preTraverse(finch::Traverser& traverser, finch::Branch&)
{
    m_savedScale = traverser.lodScale();
    traverser.setLodScale(m_database.rockLodScale());
    return true;
}

void RockTweakSpecial::postTraverse(finch::Traverser& traverser, finch::Branch&)
{
    traverser.setLodScale(m_savedScale);
}

void RockAnimator::set(float position, const std::vector<finch::Object*>& objects)
{
    m_position = position;
    m_objects = objects;
}

bool RockAnimator::preTraverse(finch::Traverser&, finch::Branch&)
{
    for (finch::Object* object : m_objects) {
        object->setAnimation(m_position);
    }
    return true;
}

finch::InstanceBranch* PelicanDB::buildRocks(finch::Object* object)
{
    makeRocksGroup();
    if (object == nullptr || m_rocks == nullptr) {
        return nullptr;
    }
    auto made = std::make_unique<finch::InstanceBranch>();
    finch::InstanceBranch* const rock = made.get();
    rock->setName(object->name());
    rock->setInstance(object);
    finch::Object* shown = object;
    const finch::Database* const referenced = referencedDatabase(*object);
    if (referenced != nullptr && referenced->mainObject() != nullptr) {
        shown = referenced->mainObject();
    }
    std::vector<finch::Object*>& animated = m_rockAnimations[rock];
    if (shown->animationFrames() == nullptr) {
        animated.push_back(shown);
    } else {
        for (const finch::InstanceBranch* instance : instancesUnder(*shown)) {
            if (instance->instance() != nullptr) {
                animated.push_back(instance->instance());
            }
        }
    }
    std::unique_ptr<finch::Branch> holder(made.release());
    if (!animated.empty()) {
        auto group = std::make_unique<finch::GroupBranch>();
        group->setName(rock->name());
        group->addChild(holder);
        group->setTraversalCallback(heron::counted_ptr<finch::TraversalCallback>(new RockAnimator(rock)));
        holder.reset(group.release());
    }
    m_rocks->addChild(holder);
    return rock;
}

void PelicanDB::makeRocksGroup()
{
    if (m_rocks != nullptr || mainObject() == nullptr) {
        return;
    }
    auto* const root = dynamic_cast<finch::GroupBranch*>(mainObject()->root());
    if (root == nullptr) {
        return;
    }
    auto outer = std::make_unique<finch::GroupBranch>();
    outer->setName("Rocks");
    outer->setTraversalCallback(heron::counted_ptr<finch::TraversalCallback>(new RockTweakSpecial(*this)));
    auto inner = std::make_unique<finch::GroupBranch>();
    inner->setName("Rocks");
    inner->setCollisionMode(finch::Branch::neverCollides);
    m_rocks = inner.get();
    std::unique_ptr<finch::Branch> holder(inner.release());
    outer->addChild(holder);
    holder.reset(outer.release());
    root->addChild(holder);
}

void PelicanDB::removeRockAnimation(finch::InstanceBranch* rock)
{
    const auto entry = m_rockAnimations.find(rock);
    const bool animated = entry != m_rockAnimations.end() && !entry->second.empty();
    if (entry != m_rockAnimations.end()) {
        m_rockAnimations.erase(entry);
    }
    finch::Branch* const top = animated ? static_cast<finch::Branch*>(rock->parent()) : rock;
    if (top != nullptr && m_rocks != nullptr && top->parent() == m_rocks) {
        delete top;
    }
}

void PelicanDB::setRockAnimationPosition(finch::InstanceBranch* rock, double position)
{
    const auto entry = m_rockAnimations.find(rock);
    if (entry == m_rockAnimations.end() || entry->second.empty() || rock->parent() == nullptr) {
        return;
    }
    auto* const animator = dynamic_cast<RockAnimator*>(rock->parent()->traversalCallback().get());
    if (animator != nullptr) {
        animator->set(float(std::clamp(std::isnan(position) ? 0.0 : position, 0.0, 1.0)), entry->second);
    }
}

const finch::Matrix& PelicanDB::branchTransform(const finch::InstanceBranch& branch)
{
    return branch.matrix();
}

void PelicanDB::setBranchTransform(finch::InstanceBranch& branch, const finch::Matrix& matrix)
{
    branch.setMatrix(matrix);
}

bool PelicanDB::sameBranchKey(const PelicanObject& record, const finch::InstanceBranch& branch)
{
    return record.instance() != nullptr && record.instance()->instance() == branch.instance();
}

}
