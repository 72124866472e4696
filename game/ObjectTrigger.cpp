#include "game/ObjectTrigger.h"

#include "base/Debug.h"
#include "content/world/PelicanObject.h"
#include "game/Counter.h"
#include "game/Level.h"
#include "game/Look.h"

namespace
{

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

void logGoing(const Level* level)
{
    if (level != nullptr) {
        heron::debug("\n\n\n\n\n\nGoing to level %s\n", level->name.c_str());
    }
}

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
    for (const auto& [object, shown] : visibility) {
        object->setActive(shown);
    }
    for (const Counter& counter : world.counters()) {
        if (!counter.hideObjects) {
            continue;
        }
        for (const Zone* held : counter.collected) {
            if (held != nullptr && held->object != nullptr) {
                held->object->setActive(false);
            }
        }
    }
}
