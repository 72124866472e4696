#pragma once

#include "base/heron_string.h"

#include <cstdint>
#include <vector>

class Zone;

namespace pelican
{
class PelicanObject;
}

// Counts the zones the player has collected (rings, for one) and names a level to go to when its
// target count is reached. Main thread only.
class Counter
{
public:
    explicit Counter(const heron_string& counterName) : name(counterName) {}

    void clear();
    // Collects the zone when at least minimum are held; true when the count now equals the target.
    bool add(Zone* zone, std::int32_t minimum);
    // Takes the last collected zone back out.
    void removeLast();
    std::size_t count() const { return collected.size(); }
    // Hides the objects of the collected zones, and of the placed ones unless they reappear; an
    // object that was showing is logged as hidden.
    void hideHeldObjects() const;
    // Whether hideHeldObjects hides the object.
    bool keepsHidden(const pelican::PelicanObject& object) const;

    std::vector<Zone*> collected;
    std::vector<Zone*> placed;
    heron_string name;
    std::int32_t triggerAt = 1;
    // Index of the level to go to when the target is reached; -1 for none.
    std::int32_t level = -1;
    bool isRing = false;
    bool hideObjects = false;
    bool reappear = true;
    bool multi = false;

private:
    bool accepts(const Zone* zone) const;
    void hideCollected(const Zone* zone) const;
    // A ring counter's zone around an object that the content marks as a ring zone.
    bool isRingZone(const Zone* zone) const;
};
