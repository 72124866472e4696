#pragma once

#include "base/heron_string.h"

#include <cstdint>
#include <map>

class Counter;
class Level;
class Look;
class LookLogic;
class Zone;

namespace pelican
{
class PelicanObject;
}

// A zone's condition: when the logic fires it, it resets, increments or decrements counters,
// tests what the ring counter holds, switches the level, and shows or hides content objects.
// Main thread only.
class ObjectTrigger
{
public:
    // Runs the condition for zone (may be null); true when the world changed level.
    bool fire(Look& world, Zone* zone, LookLogic* logic);
    // Shows and hides the objects the condition names.
    void applyVisibility(Look& world) const;

    double delay = 0.0;
    bool instantVis = false;
    // Resolved from the level name once the whole look file is read; null for none.
    Level* targetLevel = nullptr;
    bool changeLevelIf = false;
    std::int32_t changeIfType = 1;
    std::int32_t numRings = 10;
    bool ifNotRing = false;
    heron_string notRingName;
    bool resetCounter = false;
    std::int32_t counterToReset = -1;
    bool incCounter = false;
    std::int32_t counterToInc = -1;
    std::int32_t incLimit = 0;
    bool decCounter = false;
    std::int32_t counterToDec = -1;
    std::int32_t decLimit = 0;
    bool hideAll = false;
    std::map<pelican::PelicanObject*, bool> visibility;

private:
    Level* destination(Look& world, Zone* zone);
    bool ringCountHolds(Look& world) const;
    // Whether a ring counter holds a zone around the ring zone named notRingName.
    bool ringZoneHeld(Look& world) const;
};

// The world's counter and level at index; null for an index outside the table.
Counter* counterAt(Look& world, std::int32_t index);
Level* levelAt(Look& world, std::int32_t index);
