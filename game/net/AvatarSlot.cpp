#include "game/net/AvatarSlot.h"

#include "base/Debug.h"
#include "content/world/PelicanObject.h"
#include "game/Level.h"
#include "game/Look.h"

#include <algorithm>
#include <limits>

AvatarSlot::AvatarSlot(Look& world, Level& homeLevel, Zone& zone, std::uint8_t index)
    : m_world(world)
    , m_homeLevel(homeLevel)
    , m_zone(zone)
    , m_homeTransform(zone.object->transform())
    , m_homeScale(m_homeTransform.getScale())
    , m_radius(zone.radius)
    , m_object(zone.object)
    , m_index(index)
    , m_gravatar(zone.isAGravatar)
    , m_level(&homeLevel)
{
}

void AvatarSlot::reset()
{
    m_level = &m_homeLevel;
    m_object->setTransform(m_homeTransform);
    m_held = false;
    m_available = true;
    m_visible = true;
    m_carrier = heron_string();
}

void AvatarSlot::updateVisibility()
{
    m_visible = !m_held && m_level == m_world.currentLevel();
    m_object->setActive(m_visible);
}

void AvatarSlot::placeFromSample(const MotionSample& sample)
{
    finch::Matrix placed;
    placed.setRotation(sample.roll, sample.pitch, sample.heading);
    if (m_homeScale != finch::Vector3d(1.0, 1.0, 1.0)) {
        placed.preScale(m_homeScale);
    }
    placed.translate(finch::Vector3d(sample.x, sample.y, sample.z));
    m_object->setTransform(placed);
}

MotionSample AvatarSlot::sample() const
{
    const finch::Transform placement = m_object->transform().getTransform();
    MotionSample sample;
    sample.index = m_index;
    sample.x = float(placement.position.x);
    sample.y = float(placement.position.y);
    sample.z = float(placement.position.z);
    sample.roll = float(placement.roll);
    sample.pitch = float(placement.pitch);
    sample.heading = float(placement.heading);
    return sample;
}

const heron_string& AvatarSlot::name() const
{
    return m_object->name();
}

void AvatarSlots::buildAvatarSlots(Look& world)
{
    m_slots.clear();
    for (const auto& level : world.levels()) {
        for (const auto& zone : level->zones()) {
            if (!zone->isAnAvatar || zone->object == nullptr) {
                continue;
            }
            if (m_slots.size() > std::numeric_limits<std::uint8_t>::max()) {
                heron::debug("Avatar %s left out: more avatars than the wire can number\n", zone->object->name().c_str());
                continue;
            }
            zone->seizeObject = false;
            heron::debug("Avatar: %s\n", zone->object->name().c_str());
            m_slots.push_back(std::make_unique<AvatarSlot>(world, *level, *zone, std::uint8_t(m_slots.size())));
        }
    }
}

void AvatarSlots::resetAvatarSlots()
{
    for (const auto& slot : m_slots) {
        slot->reset();
    }
}

AvatarSlot* AvatarSlots::at(std::size_t index) const
{
    return index < m_slots.size() ? m_slots[index].get() : nullptr;
}

AvatarSlot* AvatarSlots::named(const heron_string& name) const
{
    const heron_string wanted = netName(name);
    const auto found =
        std::find_if(m_slots.begin(), m_slots.end(), [&](const auto& slot) { return netName(slot->name()) == wanted; });
    return found != m_slots.end() ? found->get() : nullptr;
}

AvatarSlot* AvatarSlots::nearestAvatar(const Level* level, const finch::Vector3d& point,
                                       const AvatarSlot* passedBy) const
{
    AvatarSlot* best = nullptr;
    double bestDistance = std::numeric_limits<double>::max();
    for (const auto& slot : m_slots) {
        if (!slot->isAvailable() || slot->isHeld() || slot->level() != level || slot.get() == passedBy) {
            continue;
        }
        const double distance = squaredDistance(objectPosition(slot->object()), point);
        if (distance < slot->radius() * slot->radius() && distance < bestDistance) {
            best = slot.get();
            bestDistance = distance;
        }
    }
    return best;
}
