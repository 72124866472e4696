#include "game/ObjectTrigger.h"

#include "base/Debug.h"
#include "content/world/PelicanDB.h"
#include "content/world/PelicanObject.h"
#include "game/Counter.h"
#include "game/Level.h"
#include "game/Look.h"
#include "game/LookLogic.h"
#include "scene/graph/SwitchBranch.h"

#include <algorithm>

namespace
{

// Whether a counter of the world keeps the object hidden while it holds it.
bool keptHidden(const Look& world, const pelican::PelicanObject& object)
{
    return std::any_of(world.counters().begin(), world.counters().end(),
                       [&](const Counter& counter) { return counter.keepsHidden(object); });
}

// Shows the records that wrap branches of the model, except those a counter keeps hidden, and hides
// the empty ones.
class ObjectHider : public pelican::ObjectRefProcessor
{
public:
    explicit ObjectHider(const Look& world) : m_world(world) {}

    void process(pelican::PelicanObject& record) override
    {
        const finch::SwitchBranch* const wrapper = record.switchBranch();
        record.setActive(wrapper != nullptr && wrapper->childCount() > 0 && !keptHidden(m_world, record));
    }

private:
    const Look& m_world;
};

bool holdsZoneNear(const std::vector<Zone*>& zones, const finch::Vector3d& point)
{
    return std::any_of(zones.begin(), zones.end(), [&](Zone* held) {
        return held != nullptr && squaredDistance(held->position(), point) < held->radius * held->radius;
    });
}

void logGoing(const Level* level)
{
    if (level != nullptr) {
        heron::debug("\n\n\n\n\n\nGoing to level %s\n", level->name.c_str());
    }
}

}

Counter* counterAt(Look& world, std::int32_t index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= world.counters().size()) {
        return nullptr;
    }
    return &world.counters()[static_cast<std::size_t>(index)];
}

Level* levelAt(Look& world, std::int32_t index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= world.levels().size()) {
        return nullptr;
    }
    return world.levels()[static_cast<std::size_t>(index)].get();
}

bool ObjectTrigger::ringCountHolds(Look& world) const
{
    const Counter* const rings = world.ringCounter();
    if (rings == nullptr) {
        return false;
    }
    const auto held = static_cast<std::int64_t>(rings->count());
    switch (changeIfType) {
    case 0: return held == numRings;
    case 1: return held < numRings;
    case 2: return held > numRings;
    case 3: return held != numRings;
    default: return false;
    }
}

bool ObjectTrigger::ringZoneHeld(Look& world) const
{
    pelican::PelicanDB* const database = world.database();
    if (database == nullptr) {
        return false;
    }
    const pelican::RingZone* const ring = database->ringZone(notRingName);
    // A name no ring zone carries holds nothing.
    if (ring == nullptr || ring->record == nullptr) {
        return false;
    }
    const finch::Vector3d point = objectPosition(*ring->record);
    return std::any_of(world.counters().begin(), world.counters().end(), [&](const Counter& counter) {
        return counter.isRing && (holdsZoneNear(counter.collected, point) || holdsZoneNear(counter.placed, point));
    });
}

Level* ObjectTrigger::destination(Look& world, Zone* zone)
{
    Level* counted = nullptr;
    if (Counter* const counter = incCounter ? counterAt(world, counterToInc) : nullptr) {
        if (counter->add(zone, incLimit)) {
            counted = levelAt(world, counter->level);
        }
    }
    if (Counter* const counter = decCounter ? counterAt(world, counterToDec) : nullptr) {
        counter->removeLast();
    }
    if (counted != nullptr) {
        return counted;
    }
    if (changeLevelIf) {
        return ringCountHolds(world) ? targetLevel : nullptr;
    }
    if (ifNotRing) {
        return ringZoneHeld(world) ? nullptr : targetLevel;
    }
    return targetLevel;
}

bool ObjectTrigger::fire(Look& world, Zone* zone, LookLogic* logic)
{
    if (Counter* const counter = resetCounter ? counterAt(world, counterToReset) : nullptr) {
        counter->clear();
    }
    Level* const level = destination(world, zone);
    logGoing(level);
    const bool changed = level != nullptr && level != world.currentLevel();
    world.changeLevel(level, logic);
    applyVisibility(world);
    heron::debug("Arrived...\n");
    return changed;
}

void ObjectTrigger::applyVisibility(Look& world) const
{
    bool touched = false;
    pelican::PelicanDB* const database = world.database();
    if (hideAll && database != nullptr && database->rootObject() != nullptr) {
        ObjectHider hider(world);
        database->rootObject()->visit(hider);
        touched = true;
    }
    // An object a counter holds is not shown even for a moment: hiding it again would log it.
    for (const auto& [object, shown] : visibility) {
        object->setActive(shown && !keptHidden(world, *object));
        touched = true;
    }
    for (const Counter& counter : world.counters()) {
        if (!counter.hideObjects) {
            continue;
        }
        counter.hideHeldObjects();
        touched = true;
    }
    world.logic().endInactiveSeize();
    if (touched && database != nullptr) {
        database->updateAnimation();
    }
}
