#pragma once

#include "scene/graph/TraversalCallback.h"

#include <cstdint>
#include <vector>

namespace finch
{
class Object;
}

namespace pelican
{

class PelicanObject;

// An animated object and the period of its animation in seconds.
struct AnimationEntry
{
    finch::Object* object = nullptr;
    float period = 1.0f;
};

// Runs its objects' animations by themselves: before its group is drawn each object gets the
// phase -fmod(now / period, 1). A period of 0 or one that is not finite holds phase 0. Never
// stored. Main thread only.
class AnimationController : public finch::TraversalCallback
{
public:
    void add(const AnimationEntry& entry) { m_entries.push_back(entry); }
    const std::vector<AnimationEntry>& entries() const { return m_entries; }

    bool preTraverse(finch::Traverser& traverser, finch::Branch& branch) override;

private:
    std::vector<AnimationEntry> m_entries;
};

// Plays one of a record's animations at a value the game sets: step i belongs to child i of the
// record's animation switch; before the group is drawn the objects of the current step get the
// value. Never stored. Main thread only.
class SequenceController : public finch::TraversalCallback
{
public:
    explicit SequenceController(PelicanObject* record) : m_record(record) {}

    // Appends the entry to step `step`, adding empty steps up to it.
    void addStep(std::size_t step, const AnimationEntry& entry);
    void setCurrent(std::int32_t step, float value)
    {
        m_current = step;
        m_value = value;
    }

    PelicanObject* record() const { return m_record; }
    std::int32_t current() const { return m_current; }
    float value() const { return m_value; }
    const std::vector<std::vector<AnimationEntry>>& steps() const { return m_steps; }

    bool preTraverse(finch::Traverser& traverser, finch::Branch& branch) override;

private:
    PelicanObject* m_record;
    std::int32_t m_current = -1;
    float m_value = 0.0f;
    std::vector<std::vector<AnimationEntry>> m_steps;
};

}
