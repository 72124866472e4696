#pragma once

#include "scene/graph/TraversalCallback.h"

#include <vector>

namespace finch
{
class InstanceBranch;
class Object;
}

namespace pelican
{

class PelicanDB;

// Draws the rocks group at the database's rock level-of-detail scale, restoring the traverser's
// own after it. Never stored.
class RockTweakSpecial : public finch::TraversalCallback
{
public:
    explicit RockTweakSpecial(const PelicanDB& database) : m_database(database) {}

    bool preTraverse(finch::Traverser& traverser, finch::Branch& branch) override;
    void postTraverse(finch::Traverser& traverser, finch::Branch& branch) override;

private:
    const PelicanDB& m_database;
    float m_savedScale = 1.0f;
};

// Before a rock is drawn, gives each of its animated objects the rock's animation position.
// Never stored.
class RockAnimator : public finch::TraversalCallback
{
public:
    explicit RockAnimator(finch::InstanceBranch* rock) : m_rock(rock) {}

    // The position, 0 to 1, and the objects it animates.
    void set(float position, const std::vector<finch::Object*>& objects);
    float position() const { return m_position; }
    finch::InstanceBranch* rock() const { return m_rock; }

    bool preTraverse(finch::Traverser& traverser, finch::Branch& branch) override;

private:
    float m_position = 0.0f;
    finch::InstanceBranch* m_rock;
    std::vector<finch::Object*> m_objects;
};

}
