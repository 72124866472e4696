#pragma once

#include "base/heron_string.h"
#include "net/Packets.h"
#include "scene/math/Matrix.h"

#include <cstdint>
#include <memory>
#include <vector>

class Level;
class Look;
class Zone;

namespace pelican
{
class PelicanObject;
}

// One avatar of the world: a zone object flagged "isAnAvatar" that a player can hold, seen by the
// other players as that object moving through the world. Main thread only.
class AvatarSlot
{
public:
    AvatarSlot(Look& world, Level& homeLevel, Zone& zone, std::uint8_t index);

    // Back home on its level, nobody holding it, available and visible.
    void reset();
    void markTaken() { m_held = true; }
    void markFree() { m_held = false; }
    void setLevel(Level* level) { m_level = level; }
    void setAvailable(bool available) { m_available = available; }
    // The name of the player who held the avatar last, as the others know it; empty since the
    // avatar was last sent home.
    void setCarrier(const heron_string& name) { m_carrier = name; }
    const heron_string& carrier() const { return m_carrier; }
    // Shown when not held here and on the world's current level.
    void updateVisibility();
    // Puts the object where the sample says, keeping its home scale.
    void placeFromSample(const MotionSample& sample);
    // The object's placement now, with dt 0.
    MotionSample sample() const;

    const heron_string& name() const;
    pelican::PelicanObject& object() const { return *m_object; }
    Zone& zone() const { return m_zone; }
    std::uint8_t index() const { return m_index; }
    double radius() const { return m_radius; }
    bool isHeld() const { return m_held; }
    bool isGravatar() const { return m_gravatar; }
    bool isVisible() const { return m_visible; }
    bool isAvailable() const { return m_available; }
    Level* level() const { return m_level; }

private:
    Look& m_world;
    Level& m_homeLevel;
    Zone& m_zone;
    finch::Matrix m_homeTransform;
    finch::Vector3d m_homeScale;
    double m_radius;
    pelican::PelicanObject* m_object;
    std::uint8_t m_index;
    bool m_held = false;
    bool m_gravatar;
    bool m_visible = true;
    Level* m_level;
    bool m_available = true;
    heron_string m_carrier;
};

// The avatars of a world, in the order they were found. Main thread only.
class AvatarSlots
{
public:
    // Empties the list, then adds every zone of every level, in order, that is flagged as an
    // avatar and has an object (at most one byte's worth of indices); such a zone no longer seizes
    // its object.
    void buildAvatarSlots(Look& world);
    void resetAvatarSlots();
    std::size_t size() const { return m_slots.size(); }
    bool empty() const { return m_slots.empty(); }
    AvatarSlot& operator[](std::size_t index) const { return *m_slots[index]; }
    // The slot of that index; null past the last.
    AvatarSlot* at(std::size_t index) const;
    // The first slot whose object's name is name as names cross the network (netName), so that a
    // name cut on the way still finds its slot; null for none.
    AvatarSlot* named(const heron_string& name) const;
    // Of the available slots on level not held here, other than passedBy (null: none), the one
    // whose object is nearest point within its radius; the first of equals; null for none.
    AvatarSlot* nearestAvatar(const Level* level, const finch::Vector3d& point,
                              const AvatarSlot* passedBy = nullptr) const;

    auto begin() const { return m_slots.begin(); }
    auto end() const { return m_slots.end(); }

private:
    std::vector<std::unique_ptr<AvatarSlot>> m_slots;
};
