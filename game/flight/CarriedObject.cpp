#include "game/flight/CarriedObject.h"

#include "content/world/PelicanObject.h"
#include "game/net/AvatarSlot.h"
#include "game/flight/BallPlay.h"
#include "game/EnvironmentTransitions.h"
#include "game/Look.h"
#include "game/LookLogic.h"
#include "game/Zone.h"
#include "scene/core/Clock.h"
#include "scene/math/BoundingBox.h"

#include <cmath>

namespace
{

// The glide into the carry place takes 1 / glideRate seconds.
constexpr double glideRate = 0.5;
// A seized object does not collide while it is carried.
constexpr int noCollisions = 1;
// A zone whose seize ended is forgotten once the eye is this many of its radii away.
constexpr double forgetRadii = 1.2;
// A flown object strikes balls this many of its radii from its centre.
constexpr double batReach = 1.2;
// The avatar let go last can be taken again once the eye is this many of its radii away.
constexpr double releaseRadii = 2.0;

finch::Vector3d centreOf(const pelican::PelicanObject& object)
{
    return object.boundingBox().centre();
}

}

finch::Matrix placeCarried(CarryRecord& carry, const finch::Matrix& objectPlacement, const finch::Matrix& camera,
                           double now)
{
    if (carry.justStarted) {
        finch::Matrix inverse;
        camera.getInverse(inverse);
        finch::Matrix relative;
        relative.multiply(objectPlacement, inverse);
        carry.startRelative = relative.getTransform();
        carry.startRelative.position = carry.startRelative.position - carry.offset;
        carry.justStarted = false;
        carry.easing = true;
    }
    if (carry.easing) {
        const double t = (now - carry.start) * glideRate;
        const double k = 1.0 - easeCos(t);
        finch::Transform gliding;
        gliding.position = carry.startRelative.position * k + carry.offset;
        gliding.pitch = carry.startRelative.pitch * k;
        gliding.roll = carry.startRelative.roll * k;
        gliding.heading = carry.startRelative.heading * k;
        carry.relative.setTransform(gliding);
        carry.easing = t < 1.0;
    }
    finch::Matrix placed;
    placed.multiply(carry.relative, camera);
    return placed;
}

finch::Matrix followView(const finch::Matrix& placement, const finch::Matrix& camera,
                         const finch::Transform& destination)
{
    finch::Matrix fromView;
    camera.getInverse(fromView);
    finch::Matrix relative;
    relative.multiply(placement, fromView);
    finch::Matrix to;
    to.setTransform(destination);
    finch::Matrix moved;
    moved.multiply(relative, to);
    return moved;
}

void LookLogic::seize(Zone& zone)
{
    if (&zone == m_seize.zone) {
        return;
    }
    pelican::PelicanObject* const object = zone.object;
    const bool takes = object != nullptr && object->isActive();
    // The object seized before goes back by the rules of the zone that gave it.
    if (takes) {
        endSeize();
    }
    m_seize.zone = &zone;
    m_seize.inView = zone.seize2d;
    if (!takes) {
        return;
    }
    const double now = finch::Clock::now();
    m_seize.object = object;
    m_seize.time = now;
    m_seize.savedBranchValue = object->branchValue();
    object->setBranchValue(noCollisions);
    m_seize.lastCentre = centreOf(*object);
    m_seize.velocity = finch::Vector3d();
    if (zone.seize2d) {
        CarryRecord& carry = m_seize.carry;
        carry = CarryRecord();
        carry.object = object;
        carry.start = now;
        carry.justStarted = true;
        carry.offset = finch::Vector3d(0.0, zone.radius, -zone.verticalOffset);
        carry.depth = zone.radius;
    } else if (m_flight && m_heldAvatar == nullptr) {
        m_flight->halt();
    }
}

void LookLogic::endSeize()
{
    pelican::PelicanObject* const object = m_seize.object;
    if (object == nullptr) {
        return;
    }
    if (m_flight && m_heldAvatar == nullptr) {
        m_flight->halt();
    }
    if (m_seize.carry.object != nullptr) {
        object->setDepthTweak(0, m_world.camera(), 0.0f, 0.0f);
    }
    object->setBranchValue(m_seize.savedBranchValue);
    Zone* const zone = m_seize.zone;
    if (zone != nullptr && !zone->isCenteredOnObject) {
        zone->object = nullptr;
    } else if (m_heldAvatar == nullptr && (zone == nullptr || !zone->canBeParked)) {
        object->resetTransform();
    }
    m_seize.object = nullptr;
    m_seize.carry = CarryRecord();
}

void LookLogic::endInactiveSeize()
{
    if (m_seize.object != nullptr && !m_seize.object->isActive()) {
        endSeize();
    }
}

void LookLogic::updateCarry(const finch::Viewer& viewer)
{
    CarryRecord& carry = m_seize.carry;
    pelican::PelicanObject* const object = carry.object;
    if (object == nullptr) {
        return;
    }
    const finch::Vector3d before = centreOf(*object);
    const finch::Matrix placed = placeCarried(carry, object->transform(), viewer.camera(), finch::Clock::now());
    const finch::BoundingBox& box = object->boundingBox();
    if (box.isValid()) {
        const double r = box.radius();
        object->setDepthTweak(1, viewer, static_cast<float>(carry.depth - r), static_cast<float>(carry.depth + r));
    }
    object->setTransform(placed);
    const double dt = finch::Clock::frameDelta();
    carry.velocity = dt > 0.0 ? (centreOf(*object) - before) * (1.0 / dt) : finch::Vector3d();
}

Zone* LookLogic::findCarriedZone(Zone*& target)
{
    pelican::PelicanObject* const carried = m_seize.object;
    const finch::Vector3d at = m_seize.inView ? m_world.camera().eye() : centreOf(*carried);
    Zone* const found = m_world.nearestObject(m_world.currentLevel(), at, carried);
    const pelican::PelicanObject* const avatar = m_heldAvatar != nullptr ? &m_heldAvatar->object() : nullptr;
    if (found != nullptr && found->isATarget &&
        (found->targetObject == nullptr || found->targetObject == carried || found->targetObject == avatar)) {
        target = found;
    }
    return found;
}

void LookLogic::trackCarried()
{
    pelican::PelicanObject* const carried = m_seize.object;
    if (carried != nullptr) {
        const double dt = finch::Clock::frameDelta();
        if (dt > 0.0) {
            const finch::Vector3d centre = centreOf(*carried);
            m_seize.velocity = (centre - m_seize.lastCentre) * (1.0 / dt);
            m_seize.lastCentre = centre;
        }
        return;
    }
    Zone* const zone = m_seize.zone;
    if (zone != nullptr &&
        squaredDistance(m_world.camera().eye(), zone->position()) > std::pow(forgetRadii * zone->radius, 2)) {
        m_seize.zone = nullptr;
    }
}

std::optional<Bat> LookLogic::bat()
{
    const pelican::PelicanObject* const carried = m_seize.object;
    if (carried == nullptr || carried->instance() == nullptr) {
        return std::nullopt;
    }
    const finch::BoundingBox& box = carried->boundingBox();
    if (m_seize.inView) {
        return Bat{m_world.camera().eye(), box.radius(), m_seize.velocity};
    }
    return Bat{box.centre(), batReach * box.radius(), m_seize.velocity};
}

pelican::PelicanObject* LookLogic::throwTarget() const
{
    return m_projectileZone != nullptr ? m_projectileZone->projectile.object : nullptr;
}

bool LookLogic::holdAvatar(AvatarSlot* slot)
{
    const bool refused =
        !m_flight || m_seize.object != nullptr || !m_playingActs.empty() || slot == m_releasedAvatar;
    if (slot != nullptr && refused) {
        return false;
    }
    if (m_heldAvatar != nullptr) {
        // Let go while it waited out of sight, it is let go where the player is.
        if (m_heldAvatar->isHeld()) {
            showHeldAvatarAhead(*m_heldAvatar);
        }
        forgetReleasedAvatar();
        m_releasedAvatar = m_heldAvatar;
        m_releasedAside.emplace(&m_releasedAvatar->object());
    }
    m_heldAvatar = slot;
    if (slot != nullptr) {
        m_flight->halt();
        m_seize.time = finch::Clock::now();
    }
    return true;
}

void LookLogic::updateHeldAvatar()
{
    const finch::Viewer& viewer = m_world.camera();
    if (m_releasedAvatar != nullptr &&
        squaredDistance(viewer.eye(), objectPosition(m_releasedAvatar->object())) >
            std::pow(releaseRadii * m_releasedAvatar->radius(), 2)) {
        forgetReleasedAvatar();
    }
    AvatarSlot* const held = m_heldAvatar;
    if (held == nullptr) {
        return;
    }
    held->setLevel(m_world.currentLevel());
    const bool busy = isBusy();
    if (busy == held->isHeld()) {
        return;
    }
    if (busy) {
        held->markTaken();
        return;
    }
    showHeldAvatarAhead(*held);
}

void LookLogic::showHeldAvatarAhead(AvatarSlot& held)
{
    held.markFree();
    // The avatar reappears ahead of the eye at its zone's distance.
    finch::Matrix ahead;
    ahead.setTranslation(finch::Vector3d(0.0, held.radius(), -held.zone().verticalOffset));
    finch::Matrix placed;
    placed.multiply(ahead, m_world.camera().camera());
    held.object().setTransform(placed);
}

bool LookLogic::isBusy() const
{
    const AvatarSlot* const held = m_heldAvatar;
    const bool seizedOther = m_seize.object != nullptr && (held == nullptr || m_seize.object != &held->object());
    return seizedOther || !m_playingActs.empty();
}

void LookLogic::forgetReleasedAvatar()
{
    m_releasedAside.reset();
    m_releasedAvatar = nullptr;
}

void LookLogic::forgetAvatars()
{
    if (m_heldAvatar != nullptr) {
        m_heldAvatar->markFree();
    }
    m_heldAvatar = nullptr;
    forgetReleasedAvatar();
}
