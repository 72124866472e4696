#include "game/Counter.h"

#include "game/Level.h"

#include <algorithm>

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

bool Counter::add(Zone* zone, std::int32_t minimum)
{
    if (static_cast<std::int64_t>(collected.size()) < minimum) {
        return false;
    }
    const bool accepted = accepts(zone);
    if (accepted) {
        collected.push_back(zone);
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
    placed.push_back(zone);
}
