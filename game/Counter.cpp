#include "game/Counter.h"

#include "base/Debug.h"
#include "content/world/PelicanDB.h"
#include "content/world/PelicanObject.h"
#include "game/Level.h"

#include <algorithm>

namespace
{

// Hides the object; the line is logged only when it was showing, since every zone entered hides the
// held objects again.
void hide(pelican::PelicanObject& object)
{
    const bool shown = object.isActive();
    object.setActive(false);
    if (shown) {
        heron::debug("hide %s\n", object.name().c_str());
    }
}

void hideObjectsOf(const std::vector<Zone*>& zones)
{
    for (const Zone* held : zones) {
        if (held != nullptr && held->object != nullptr) {
            hide(*held->object);
        }
    }
}

bool holdsObject(const std::vector<Zone*>& zones, const pelican::PelicanObject& object)
{
    return std::any_of(zones.begin(), zones.end(),
                       [&](const Zone* held) { return held != nullptr && held->object == &object; });
}

}

void Counter::clear()
{
    collected.clear();
    placed.clear();
}

bool Counter::accepts(const Zone* zone) const
{
    if (isRing) {
        if (zone == nullptr) {
            return true;
        }
        if (zone->object == nullptr) {
            return false;
        }
        return std::none_of(collected.begin(), collected.end(),
                            [&](const Zone* held) { return held != nullptr && held->object == zone->object; });
    }
    return multi || std::find(collected.begin(), collected.end(), zone) == collected.end();
}

void Counter::hideCollected(const Zone* zone) const
{
    if (hideObjects && zone != nullptr && zone->isCenteredOnObject && zone->object != nullptr) {
        hide(*zone->object);
    }
}

void Counter::hideHeldObjects() const
{
    hideObjectsOf(collected);
    if (!reappear) {
        hideObjectsOf(placed);
    }
}

bool Counter::keepsHidden(const pelican::PelicanObject& object) const
{
    return hideObjects && (holdsObject(collected, object) || (!reappear && holdsObject(placed, object)));
}

bool Counter::isRingZone(const Zone* zone) const
{
    if (!isRing || !zone->isCenteredOnObject || zone->object == nullptr || zone->object->database() == nullptr) {
        return false;
    }
    const std::vector<pelican::RingZone>& rings = zone->object->database()->ringZones();
    return std::any_of(rings.begin(), rings.end(),
                       [&](const pelican::RingZone& ring) { return ring.record == zone->object; });
}

bool Counter::add(Zone* zone, std::int32_t minimum)
{
    if (static_cast<std::int64_t>(collected.size()) < minimum) {
        return false;
    }
    const bool accepted = accepts(zone);
    if (accepted) {
        collected.push_back(zone);
        hideCollected(zone);
    }
    if (accepted && static_cast<std::int64_t>(collected.size()) == triggerAt) {
        return true;
    }
    std::erase(placed, zone);
    return false;
}

void Counter::removeLast()
{
    if (collected.empty()) {
        return;
    }
    Zone* const zone = collected.back();
    collected.pop_back();
    if (zone == nullptr || std::find(placed.begin(), placed.end(), zone) != placed.end()) {
        return;
    }
    // A ring taken back out of a ring zone shows again in its place instead of being placed.
    if (isRingZone(zone)) {
        zone->object->setActive(true);
        return;
    }
    placed.push_back(zone);
}
