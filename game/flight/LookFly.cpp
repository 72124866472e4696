#include "game/flight/LookFly.h"

#include "content/world/PelicanDB.h"
#include "content/world/PelicanObject.h"
#include "game/Act.h"
#include "game/net/AvatarSlot.h"
#include "game/flight/CollisionsOff.h"
#include "game/EnvironmentTransitions.h"
#include "game/Level.h"
#include "game/Look.h"
#include "game/LookLogic.h"
#include "game/flight/Rock.h"
#include "game/Zone.h"
#include "gui/toolkit/Event.h"
#include "gui/toolkit/Window.h"
#include "music/Motor.h"
#include "scene/collide/DatabaseCollider.h"
#include "scene/core/Clock.h"
#include "scene/graph/Database.h"
#include "scene/graph/InstanceBranch.h"
#include "scene/graph/LodBranch.h"
#include "scene/graph/Object.h"
#include "scene/math/BoundingBox.h"
#include "sound/SoundEnvironment.h"

#include <algorithm>
#include <cmath>
#include <limits>

float LookFly::speedSetting = 5.0f;
bool LookFly::gravityOn = true;
double LookFly::currentSpeed = 0.0;
finch::Vector3d LookFly::lastContactPoint;
finch::Vector3d LookFly::lastContactNormal;

namespace
{

using finch::Vector3d;
using kestrel::Event;
namespace keycodes = kestrel::keycodes;

constexpr double pitchLimit = 85.0;
constexpr double rollLimit = 25.0;
// Steering: degrees per second per squared pixel of the mouse's offset from the centre, over the
// window's width.
constexpr double steerGain = 0.4;
// A bounce throws the player back at this many units per second.
constexpr double bounceSpeed = 40.0;
// Seconds between two bounce sounds at the least.
constexpr double bounceSoundGap = 1.0;
constexpr double noHit = 1e300;
// A sweep that goes less than this share of the speed short along the way flown is not held up: a
// sphere sliding along the floor loses about that much to the sweep's clearance and rounding, and
// shows its speed unchanged.
constexpr double heldUpShare = 1e-3;
// A seized object's pitch stays within this many degrees when the mouse's height sets it.
constexpr double seizedPitchLimit = 60.0;
// The stiffest a seized object's zone may be; at it the view eases in over the first two seconds.
constexpr double maxStiffness = 10.0;
// The player follows a seized object in this many sub-steps a frame.
constexpr int followSubSteps = 12;
// A tethered view's new limits ease in over 1 / clampEaseRate seconds.
constexpr double clampEaseRate = 0.125;
constexpr int f4 = keycodes::f1 + 3;

// Wrapped into [-180, 180).
double wrapSigned(double degrees)
{
    return wrapHeading(degrees + 180.0) - 180.0;
}

// The heading and pitch, in degrees, of the direction v.
void headingPitchOf(const Vector3d& v, double& heading, double& pitch)
{
    heading = std::atan2(-v.x, v.y) * finch::radiansToDegrees;
    pitch = std::atan2(v.z, std::sqrt(v.x * v.x + v.y * v.y)) * finch::radiansToDegrees;
}

Vector3d forwardOf(double pitch, double heading)
{
    finch::Transform placement;
    placement.pitch = pitch;
    placement.heading = heading;
    return placement.forward();
}

// v mirrored about the line of the normal.
Vector3d reflect(const Vector3d& v, const Vector3d& normal)
{
    return normal * (2.0 * finch::dot(v, normal)) - v;
}

// The radius of the object's bounds; 0 for an object without a shape.
double radiusOf(const pelican::PelicanObject& object)
{
    const finch::BoundingBox& box = object.boundingBox();
    return box.isValid() ? box.radius() : 0.0;
}

// The object's placement without its scale.
finch::Transform unscaledPlacement(const pelican::PelicanObject& object)
{
    finch::Transform placement = object.transform().getTransform();
    placement.scale = Vector3d(1.0, 1.0, 1.0);
    return placement;
}

pelican::PelicanObject* heldAvatarObject(const LookLogic& logic)
{
    AvatarSlot* const held = logic.heldAvatar();
    return held != nullptr ? &held->object() : nullptr;
}

}

double wrapHeading(double degrees)
{
    if (!std::isfinite(degrees)) {
        return 0.0;
    }
    const double wrapped = std::fmod(degrees, 360.0);
    // fmod keeps the sign; -1e-20 + 360 rounds to 360, which is 0 again.
    const double positive = wrapped < 0.0 ? wrapped + 360.0 : wrapped;
    return positive >= 360.0 ? 0.0 : positive;
}

LookFly::LookFly(Look& world, kestrel::Window* window) : m_world(world)
{
    if (window != nullptr) {
        m_width = std::max(window->getBounds().width, 0);
        m_height = std::max(window->getBounds().height, 0);
    }
    m_mouseX = m_width / 2;
    m_mouseY = m_height / 2;
    reset();
}

void LookFly::reset()
{
    m_transform = m_world.camera().getTransform();
    m_lastEye = m_world.camera().eye();
    m_stopLock = false;
    m_orbiting = true;
    release();
    m_lastZoneSeen = nullptr;
    m_steered = nullptr;
    m_seizeSweep = false;
    m_seizedDrift = Vector3d();
}

void LookFly::release()
{
    if (m_orbiting || m_onPath) {
        m_speed = 0.0;
    }
    m_orbiting = false;
    m_orbitZone = nullptr;
    m_onPath = false;
    m_pathAct = nullptr;
    m_transform.pitch += m_viewOffset.pitch;
    m_transform.roll += m_viewOffset.roll;
    m_transform.heading = wrapHeading(m_transform.heading + m_viewOffset.heading);
    m_viewOffset = Angles();
}

void LookFly::halt()
{
    if (m_orbiting || m_onPath) {
        return;
    }
    m_stopLock = true;
    m_speed = 0.0;
}

void LookFly::teleport(const finch::Transform& placement)
{
    release();
    m_speed = 0.0;
    // An object flown along was turned with the player: it is steered on from the way it faces now.
    m_steered = nullptr;
    m_transform = placement;
    m_world.camera().setTransform(placement);
    m_lastEye = m_world.camera().eye();
}

void LookFly::record(const Event& event)
{
    if (m_quit) {
        return;
    }
    if (event.window != nullptr) {
        const kestrel::Rect& frame = event.window->getBounds();
        m_width = std::max(frame.width, 0);
        m_height = std::max(frame.height, 0);
    }
    m_mouseX = event.x;
    m_mouseY = event.y;
    m_left = event.leftButton != 0;
    m_right = event.rightButton != 0;
}

bool LookFly::handleEvent(const Event& event)
{
    switch (event.type) {
    case Event::LeftPress:
        if (m_orbiting) {
            release();
        }
        m_stopLock = false;
        record(event);
        break;
    case Event::LeftRelease:
    case Event::RightRelease:
        m_stopLock = false;
        record(event);
        break;
    case Event::RightPress:
        pressRight();
        record(event);
        break;
    case Event::MouseMove:
    case Event::MiddlePress:
    case Event::Wheel:
        record(event);
        break;
    case Event::Key:
        handleKey(event.key);
        break;
    default:
        break;
    }
    return !m_quit;
}

void LookFly::pressRight()
{
    if (m_orbiting) {
        release();
    } else if (m_speed >= 0.0) {
        // Braking at this rate stops the player in half a second.
        m_brakeRate = 2.0 * m_speed;
    } else {
        halt();
    }
}

void LookFly::handleKey(int key)
{
    LookLogic& logic = m_world.logic();
    switch (key) {
    case keycodes::escape:
        logic.setPaused(!logic.isPaused());
        if (logic.isPaused()) {
            finch::Clock::pause();
        } else {
            finch::Clock::resume();
        }
        break;
    case '1':
        speedSetting = 2.0f;
        break;
    case '2':
        speedSetting = 5.0f;
        break;
    case '3':
        speedSetting = 15.0f;
        break;
    case 'g':
        gravityOn = !gravityOn;
        break;
    case 'l':
        finch::lodFadeEnabled = !finch::lodFadeEnabled;
        break;
    case 't':
        Motor::volumeSwitchOn = !Motor::volumeSwitchOn;
        break;
    case keycodes::f1:
        m_world.resetGame(true);
        break;
    case f4:
        m_quit = true;
        break;
    case ' ':
        throwProjectile();
        if (m_right) {
            letGo();
        }
        break;
    case keycodes::enter:
        letGo();
        break;
    case 'r':
        throwCollected();
        break;
    default:
        break;
    }
}

void LookFly::throwProjectile()
{
    Zone* const zone = m_world.logic().projectileZone();
    pelican::PelicanObject* const object = zone != nullptr ? zone->projectile.object : nullptr;
    if (object != nullptr && object->instance() != nullptr) {
        static_cast<void>(launch(zone->projectile, zone, object->instance()->instance()));
    }
}

// The shape a thrown collected ring shows: the last collected ring's, else the database's ring.
finch::Object* LookFly::collectedShape() const
{
    const Counter* const rings = m_world.ringCounter();
    const Zone* const last = rings != nullptr && !rings->collected.empty() ? rings->collected.back() : nullptr;
    const pelican::PelicanObject* const object = last != nullptr ? last->object : nullptr;
    if (object != nullptr && object->instance() != nullptr && object->instance()->instance() != nullptr) {
        return object->instance()->instance();
    }
    pelican::PelicanDB* const database = m_world.database();
    return database != nullptr ? database->ringObject() : nullptr;
}

void LookFly::throwCollected()
{
    finch::Object* const model = collectedShape();
    if (model == nullptr || !m_world.hasCollected()) {
        return;
    }
    const double radius = model->box().radius();
    if (!(radius > 0.0)) {
        return;
    }
    // A held avatar throws rocks a quarter of its own size; one without a shape, rocks of their
    // own size.
    const pelican::PelicanObject* const avatar = heldAvatarObject(m_world.logic());
    const double avatarRadius = avatar != nullptr ? radiusOf(*avatar) : 0.0;
    const double size = avatarRadius > 0.0 ? 0.25 * avatarRadius : radius;
    m_ownProjectile.gravity = 1.0f;
    m_ownProjectile.rate = 1.0f;
    m_ownProjectile.scale = static_cast<float>(size / radius);
    m_ownProjectile.speed = static_cast<float>(20.0 * size);
    egret::SoundEnvironment* const sounds = liveSoundEnvironment();
    const heron::counted_ptr<egret::SoundBuffer>& sound = m_world.medalThrowSoundBuffer();
    if (launch(m_ownProjectile, nullptr, model) && sounds != nullptr && sound) {
        sounds->playEffect(sound, 1.0f);
    }
}

bool LookFly::launch(const Projectile& projectile, Zone* zone, finch::Object* model)
{
    pelican::PelicanDB* const database = m_world.database();
    if (database == nullptr || model == nullptr) {
        return false;
    }
    finch::Transform from = m_transform;
    // A held avatar waiting out of sight throws nothing: what the player flies then throws.
    if (const std::optional<Flown> flying = flown(); flying && flying->avatar != nullptr) {
        // Thrown from just ahead of the avatar, clear of its own shape.
        const pelican::PelicanObject& avatar = *flying->object;
        from = unscaledPlacement(avatar);
        from.position = from.position + from.forward() * (0.5 * radiusOf(avatar));
    } else if (const pelican::PelicanObject* const seized = m_world.logic().carriedObject()) {
        // Thrown from the top of the carried object's bounds: from inside the object, or from
        // ahead of it, the object would hide it from the player following behind.
        from = unscaledPlacement(*seized);
        from.position.z += radiusOf(*seized) + model->box().radius() * projectile.scale;
    }
    if (!launchRock(*database, projectile, zone, model, from, m_speed, finch::Clock::now())) {
        return false;
    }
    egret::SoundEnvironment* const sounds = liveSoundEnvironment();
    if (zone != nullptr && zone->projectile.enableSnd && zone->projectile.loadedSound && sounds != nullptr) {
        sounds->playEffect(zone->projectile.loadedSound, static_cast<float>(zone->projectile.soundVolume) * 0.01f);
    }
    return true;
}

void LookFly::letGo()
{
    LookLogic& logic = m_world.logic();
    const Zone* const zone = logic.seizeState().zone;
    if (logic.carriedObject() == nullptr) {
        if (logic.heldAvatar() != nullptr) {
            m_world.dropHeldAvatar();
        }
        return;
    }
    if (zone != nullptr && zone->canBeParked) {
        logic.endSeize();
    }
}

void LookFly::update(finch::Database* database)
{
    const double dt = finch::Clock::frameDelta();
    if (!(dt > 0.0)) {
        return;
    }
    adoptMovedCamera();
    m_shownLimit = std::numeric_limits<double>::infinity();
    const std::optional<Flown> flying = flown();
    const Flown* const target = flying ? &*flying : nullptr;
    if (target == nullptr) {
        // An object flown again (taken anew, or shown again after an act) is steered from the way
        // it faces then.
        m_steered = nullptr;
    }
    if (target == nullptr || target->avatar != nullptr) {
        takeTetherRequest();
        if (!m_onPath && target == nullptr) {
            checkOrbit();
        }
    }
    // A minimised window has no size: steer as if it were one pixel wide.
    const double width = std::max(m_width, 1);
    const double dx = m_mouseX - m_width / 2;
    const double dy = m_mouseY - m_height / 2;
    const double yaw = steerGain * std::fabs(dx) * dx * dt / width;
    const double pitchChange = steerGain * std::fabs(dy) * dy * dt / width;
    Angles angles{m_transform.pitch, m_transform.roll, m_transform.heading};
    Vector3d move;
    bool banked = false;
    if (m_onPath) {
        tetherStep(dt, yaw, pitchChange, angles, move);
    } else if (m_orbiting) {
        followOrbitCentre(m_orbitZone->position(), -1.0);
        orbitStep(yaw, pitchChange, angles, move);
    } else if (target != nullptr) {
        seizedStep(database, *target, dt, yaw, pitchChange, move);
    } else {
        const Zone* const zone = currentZoneValue();
        banked = zone != nullptr && zone->aeroplaneFly && !zone->isAnAvatar;
        steer(yaw, pitchChange, banked, dt, angles, move);
        if (m_drift.lengthSquared() > 0.001) {
            move = move + m_drift * dt;
            m_drift = m_drift * std::pow(0.99, 200.0 * dt);
        }
    }
    moveWithCollision(database, dt, move, target, forwardOf(angles.pitch, angles.heading));
    if (m_orbiting || m_onPath) {
        faceOrbitCentre(angles);
    } else if (target != nullptr) {
        followSeized(*target, dt, angles);
    }
    if (!banked) {
        angles.roll *= std::pow(0.99, 100.0 * dt);
    }
    m_transform.pitch = angles.pitch;
    m_transform.roll = angles.roll;
    m_transform.heading = angles.heading;
    finch::Transform view = m_transform;
    view.pitch += m_viewOffset.pitch;
    view.roll += m_viewOffset.roll;
    view.heading += m_viewOffset.heading;
    m_world.camera().setTransform(view);
    m_lastEye = m_world.camera().eye();
    currentSpeed = speed();
}

double LookFly::speed() const
{
    return std::copysign(std::min(std::fabs(m_speed), m_shownLimit), m_speed);
}

void LookFly::adoptMovedCamera()
{
    if (m_world.camera().eye() == m_lastEye) {
        return;
    }
    // Someone else placed the camera since the last frame: the flight goes on from there.
    release();
    m_transform = m_world.camera().getTransform();
    m_lastEye = m_world.camera().eye();
}

void LookFly::setPath(Act* act)
{
    if (act != nullptr) {
        if (!(m_onPath && act == m_pathAct)) {
            m_pathAct = act;
            m_tetherRequest = true;
        }
        return;
    }
    m_tetherRequest = false;
    if (m_onPath) {
        release();
    }
}

void LookFly::takeTetherRequest()
{
    if (!m_tetherRequest) {
        return;
    }
    Act* const act = m_pathAct;
    release();
    m_tetherRequest = false;
    m_onPath = true;
    m_pathAct = act;
    m_lastConstraint = -1;
    const double radius = 0.5 * (act->minDistance + act->maxDistance);
    // Half-angle 181: the player is tethered whichever way it faces.
    startOrbit(act->tetherPoint(), radius, true, 181.0);
}

void LookFly::tetherStep(double dt, double yaw, double pitchChange, Angles& angles, Vector3d& move)
{
    const Act& act = *m_pathAct;
    double radius = m_orbitRadius;
    // The left button pulls the player in, the right lets it out, within the act's distances.
    const double change = (act.maxDistance - act.minDistance) * dt * 0.5;
    if (!m_easing && m_left && radius > act.minDistance) {
        radius -= change;
    } else if (!m_easing && m_right && radius < act.maxDistance) {
        radius += change;
    }
    followOrbitCentre(act.tetherPoint(), radius);
    const std::int32_t constraint = m_pathAct->currentConstraint();
    if (constraint != m_lastConstraint) {
        // A new limit is eased in rather than snapped to.
        m_lastConstraint = constraint;
        startClampEasing();
    }
    const ViewLimit limit{constraint, act.tetherDirection()};
    orbitStep(yaw, pitchChange, angles, move, &limit);
}

void LookFly::startClampEasing()
{
    m_clampEasing = true;
    m_clampStart = finch::Clock::now();
    m_limitTouched = false;
}

double LookFly::limitAngle(double value, double low, double high)
{
    const double limited = std::clamp(value, low, high);
    if (limited == value || !m_clampEasing) {
        return limited;
    }
    m_limitTouched = true;
    const double pull = 1.0 - easeCos((finch::Clock::now() - m_clampStart) * clampEaseRate);
    return limited + (value - limited) * pull;
}

void LookFly::keepWithin(const ViewLimit& limit, double& pitch, double& heading)
{
    double referenceHeading = 0.0;
    double referencePitch = 0.0;
    headingPitchOf(limit.reference, referenceHeading, referencePitch);
    const double share = 1.0 - std::clamp(limit.percent, 0, 100) * 0.01;
    const double pitchRange = pitchLimit * share;
    const double headingRange = 180.0 * share;
    pitch = limitAngle(pitch, referencePitch - pitchRange, referencePitch + pitchRange);
    const double turned = limitAngle(wrapSigned(heading - referenceHeading), -headingRange, headingRange);
    heading = wrapHeading(referenceHeading + turned);
    if (m_clampEasing && m_limitTouched && finch::Clock::now() - m_clampStart >= 1.0 / clampEaseRate) {
        m_clampEasing = false;
    }
}

void LookFly::checkOrbit()
{
    Zone* const zone = currentZoneValue();
    Zone* const previous = m_lastZoneSeen;
    m_lastZoneSeen = zone;
    if (zone == nullptr || zone == previous || !zone->spinView || m_orbiting) {
        return;
    }
    // Leaving a smaller zone for the spin-view zone around it does not start an orbit.
    if (previous != nullptr && previous->radius <= zone->radius) {
        return;
    }
    release();
    m_orbiting = startOrbit(zone->position(), zone->radius * 0.99, zone->sphericalSpin, zone->spinAlways ? 180.0 : 45.0);
    m_orbitZone = m_orbiting ? zone : nullptr;
}

void LookFly::steer(double yaw, double pitchChange, bool banking, double dt, Angles& angles, Vector3d& move)
{
    if (banking) {
        finch::Matrix turn;
        turn.setRotation(angles.roll, angles.pitch, angles.heading);
        // Rolling back toward level answers the mouse faster than rolling further.
        const double rollGain = yaw * angles.roll < 0.0 ? 1.0 : 0.5;
        turn.preRotate(yaw * rollGain, Vector3d(0.0, 1.0, 0.0));
        turn.postRotate(dt * angles.roll * -3.0, Vector3d(0.0, 0.0, 1.0));
        turn.preRotate(pitchChange, Vector3d(1.0, 0.0, 0.0));
        const finch::Transform read = turn.getTransform();
        angles = Angles{read.pitch, std::clamp(read.roll, -rollLimit, rollLimit), read.heading};
        yaw = 0.0;
        pitchChange = 0.0;
    }
    angles.pitch = std::clamp(angles.pitch + pitchChange, -pitchLimit, pitchLimit);
    angles.heading = wrapHeading(angles.heading - yaw);
    advance(dt, forwardOf(angles.pitch, angles.heading), move);
}

void LookFly::advance(double dt, const Vector3d& direction, Vector3d& move, Drive drive)
{
    const double max = speedSetting * m_world.logic().flySpeed();
    if (m_stopLock) {
        m_speed = 0.0;
    } else if (m_left && m_speed <= max) {
        double gain = 0.75 * max * dt;
        if (drive == Drive::steeredSeize) {
            // A steered object starts from a crawl and gains speed in proportion to its speed.
            m_speed = std::max(m_speed, 0.008 * max);
            gain = std::min(2.0 * dt * m_speed, gain);
        }
        m_speed = std::min(m_speed + gain, max);
    } else if (m_left) {
        settle(max, dt);
    } else if (m_right) {
        const double target = -0.5 * max;
        if (m_speed <= 0.0 && m_speed > target) {
            // Backwards builds up at an eighth of the top speed per second.
            m_speed = std::max(m_speed + 0.25 * target * dt, target);
        } else if (m_speed > 0.0) {
            m_speed -= m_brakeRate * dt;
            if (m_speed <= 0.0) {
                halt();
            }
        } else if (m_speed < target) {
            settle(target, dt);
        }
    }
    move = direction * (dt * m_speed);
}

void LookFly::settle(double target, double dt)
{
    m_speed -= (m_speed - target) * 4.0 * dt;
    if (target == 0.0 || m_speed / target < 1.05) {
        m_speed = target;
    }
}

void LookFly::moveWithCollision(finch::Database* database, double dt, Vector3d move, const Flown* flying,
                                const Vector3d& way)
{
    const double r = m_world.logic().playerSize();
    if (!(r > 0.0)) {
        return;
    }
    Zone* const zone = currentZoneValue();
    const bool seized = m_world.logic().carriedObject() != nullptr;
    if (r != m_lastRadius && flying == nullptr) {
        // A growing player rises by its growth, so that it does not sink into the floor.
        if (m_lastRadius != -1.0) {
            move.z += r - m_lastRadius;
        }
        m_lastRadius = r;
    } else if (!m_orbiting && !m_onPath && gravityOn && zone != nullptr && !zone->spinView && !seized &&
               flying == nullptr) {
        move.z -= dt * m_fallSpeed;
    }
    finch::SweptSphere sweep;
    sweep.setMove(m_transform.position, move, r);
    std::unique_ptr<finch::Collider> triangles;
    if (database != nullptr && zone != nullptr) {
        database->setSkipMode3(seized);
        database->setCollideMode2(zone->waterIsSolid);
    }
    addCollidees(sweep, database, triangles, flying == nullptr || flying->avatar != nullptr);
    // The held avatar stays out of the player's way.
    const CollisionsOff avatarAside(heldAvatarObject(m_world.logic()));
    const bool touched = sweep.collide();
    if (touched) {
        lastContactPoint = sweep.contact();
        lastContactNormal = sweep.planeNormal();
    }
    if (flying == nullptr) {
        keepSpeedToMotion(sweep, touched, m_transform.position, way, dt);
    }
    m_transform.position = sweep.start();
}

void LookFly::keepSpeedToMotion(const finch::Collider& sweep, bool touched, const Vector3d& from,
                                const Vector3d& way, double dt)
{
    const Vector3d moved = sweep.start() - from;
    if (sweep.stopped()) {
        const double reached = moved.length() / dt;
        if (std::fabs(m_speed) > reached) {
            m_speed = std::copysign(reached, m_speed);
        }
    }
    if (!touched && !sweep.stopped()) {
        return;
    }
    // What the sweep gave to sliding aside, or to falling, is not flight; a player flying backwards
    // goes along the way flown backwards.
    const double along = finch::dot(moved, way) / dt * (m_speed < 0.0 ? -1.0 : 1.0);
    if (along < (1.0 - heldUpShare) * std::fabs(m_speed)) {
        m_shownLimit = std::max(along, 0.0);
    }
}

void LookFly::addCollidees(finch::Collider& sweep, finch::Database* database,
                           std::unique_ptr<finch::Collider>& triangles, bool withZones)
{
    if (database != nullptr) {
        triangles = std::make_unique<finch::DatabaseCollider>(*database);
        sweep.addCollidee(triangles.get(), nullptr);
    }
    if (withZones) {
        sweep.addCollidee(this, this);
    }
}

bool LookFly::test(const finch::Collider& mover, double& distance, Vector3d& contact)
{
    Level* const level = m_world.currentLevel();
    if (level == nullptr) {
        return false;
    }
    double best = noHit;
    m_hitZone = nullptr;
    for (const auto& each : level->zones()) {
        Zone& zone = *each;
        if (!(zone.radius > 0.0)) {
            continue;
        }
        const bool hit = (zone.noEntry && testNoEntry(zone, mover, best, contact)) ||
                         (zone.noExit && testNoExit(zone, mover, best, contact));
        if (hit) {
            m_hitZone = &zone;
        }
    }
    distance = best;
    return best < noHit;
}

bool LookFly::testNoEntry(const Zone& zone, const finch::Collider& mover, double& best, Vector3d& contact) const
{
    const Vector3d centre = const_cast<Zone&>(zone).position();
    const Vector3d toCentre = centre - mover.start();
    const double reach = mover.radius() + zone.radius;
    const double p = finch::dot(toCentre, mover.direction());
    const double d2 = toCentre.lengthSquared();
    if (p <= 0.0 || d2 <= reach * reach) {
        return false;
    }
    const double inside = reach * reach - (d2 - p * p);
    if (!(inside > 0.0 && inside < p * p)) {
        return false;
    }
    const double t = p - std::sqrt(inside);
    if (t >= mover.length() || t >= best) {
        return false;
    }
    best = t;
    const Vector3d touching = mover.start() + mover.direction() * t;
    contact = touching + (centre - touching) * (mover.radius() / reach);
    return true;
}

bool LookFly::testNoExit(const Zone& zone, const finch::Collider& mover, double& best, Vector3d& contact) const
{
    const Vector3d centre = const_cast<Zone&>(zone).position();
    const Vector3d toCentre = centre - mover.start();
    const double room = zone.radius - mover.radius();
    const Vector3d end = mover.start() + mover.direction() * mover.length();
    const double d2 = toCentre.lengthSquared();
    if (d2 >= zone.radius * zone.radius || (end - centre).lengthSquared() <= room * room) {
        return false;
    }
    const double p = finch::dot(toCentre, mover.direction());
    const double inside = room * room - (d2 - p * p);
    if (!(inside > 0.0)) {
        return false;
    }
    const double t = p + std::sqrt(inside);
    if (t >= best) {
        return false;
    }
    const Vector3d hit = centre + (mover.start() + mover.direction() * t - centre) * (zone.radius / room);
    // Where two bubbles overlap, the wall of one inside the other is open.
    for (const auto& other : m_world.currentLevel()->zones()) {
        if (other.get() != &zone && other->noExit &&
            squaredDistance(hit, other->position()) < other->radius * other->radius) {
            return false;
        }
    }
    best = t;
    contact = hit;
    return true;
}

Vector3d LookFly::respond(const finch::Collider& mover)
{
    if (m_hitZone != nullptr) {
        m_hitZone->bumped = true;
    }
    if (m_hitZone != nullptr && m_hitZone->noEntry && !m_hitZone->showCollision) {
        return finch::CollisionAction::respond(mover);
    }
    halt();
    const Vector3d forward = m_seizeSweep ? m_seizedForward : m_transform.forward();
    const Vector3d normal = mover.planeNormal();
    Vector3d& drift = m_seizeSweep ? m_seizedDrift : m_drift;
    drift = finch::dot(forward, normal) < 0.0 ? reflect(forward * -bounceSpeed, normal) : normal * bounceSpeed;
    egret::SoundEnvironment* const sounds = liveSoundEnvironment();
    const heron::counted_ptr<egret::SoundBuffer>& bounce = m_world.noExitSoundBuffer();
    if (sounds != nullptr && bounce && bounceSoundDue(finch::Clock::now())) {
        sounds->playEffect(bounce, 1.0f);
    }
    return Vector3d();
}

bool LookFly::bounceSoundDue(double now)
{
    static double lastSound = -bounceSoundGap;
    // A clock that went back (a new game's) sounds at once.
    if (now - lastSound < bounceSoundGap && now >= lastSound) {
        return false;
    }
    lastSound = now;
    return true;
}

bool LookFly::startOrbit(const Vector3d& centre, double radius, bool spherical, double halfAngle)
{
    const Vector3d toCentre = centre - m_transform.position;
    double heading = 0.0;
    double pitch = 0.0;
    headingPitchOf(toCentre, heading, pitch);
    const double headingOffset = wrapSigned(m_transform.heading - heading);
    if (std::fabs(headingOffset) >= halfAngle) {
        return false;
    }
    m_orbitStart = finch::Clock::now();
    m_spherical = spherical;
    m_orbitCentre = centre;
    m_angleOffset = Angles{spherical ? m_transform.pitch - pitch : 0.0, 0.0, headingOffset};
    m_easeFactor = 1.0;
    m_transform.pitch -= m_angleOffset.pitch;
    m_transform.heading = wrapHeading(m_transform.heading - m_angleOffset.heading);
    m_keptPitch = m_transform.pitch;
    m_heightOffset = -toCentre.z;
    const Vector3d flat(toCentre.x, toCentre.y, 0.0);
    m_easeFromRadius = spherical ? toCentre.length() : flat.length();
    m_easing = true;
    m_easeToRadius = radius;
    m_orbitRadius = m_easeFromRadius;
    startClampEasing();
    m_speed = 0.0;
    return true;
}

void LookFly::followOrbitCentre(const Vector3d& centre, double radius)
{
    if (m_easeFactor > 0.0) {
        m_easeFactor = 1.0 - easeCos((finch::Clock::now() - m_orbitStart) * 0.5);
    }
    m_orbitCentre = centre;
    m_viewOffset = Angles{m_easeFactor * m_angleOffset.pitch, m_easeFactor * m_angleOffset.roll,
                          m_easeFactor * m_angleOffset.heading};
    if (m_easing) {
        m_orbitRadius = m_easeToRadius + (m_easeFromRadius - m_easeToRadius) * m_easeFactor;
        m_easing = m_easeFactor > 0.0;
    } else if (radius >= 0.0) {
        m_orbitRadius = radius;
    }
}

void LookFly::orbitStep(double yaw, double pitchChange, Angles& angles, Vector3d& move, const ViewLimit* limit)
{
    double pitch = angles.pitch + pitchChange;
    angles.heading = wrapHeading(angles.heading - yaw);
    if (limit != nullptr) {
        keepWithin(*limit, pitch, angles.heading);
    }
    pitch = std::clamp(pitch, -pitchLimit, pitchLimit);
    const double p = pitch * finch::degreesToRadians;
    const double h = angles.heading * finch::degreesToRadians;
    Vector3d position;
    if (m_spherical) {
        position = m_orbitCentre +
                   Vector3d(std::cos(p) * std::sin(h), -std::cos(p) * std::cos(h), -std::sin(p)) * m_orbitRadius;
    } else {
        position = m_orbitCentre +
                   Vector3d(m_orbitRadius * std::sin(h), -m_orbitRadius * std::cos(h), m_easeFactor * m_heightOffset);
        m_keptPitch = pitch;
    }
    angles.pitch = pitch;
    move = position - m_transform.position;
}

void LookFly::faceOrbitCentre(Angles& angles) const
{
    const Vector3d toCentre = m_orbitCentre - m_transform.position;
    double heading = 0.0;
    double pitch = 0.0;
    headingPitchOf(toCentre, heading, pitch);
    angles.heading = wrapHeading(heading);
    angles.pitch = m_spherical ? pitch : m_keptPitch;
}

std::optional<LookFly::Flown> LookFly::flown() const
{
    const LookLogic& logic = m_world.logic();
    const SeizeState& seize = logic.seizeState();
    if (seize.object != nullptr && seize.zone != nullptr && !seize.inView) {
        return Flown{seize.object, seize.zone, nullptr};
    }
    AvatarSlot* const held = logic.heldAvatar();
    if (held != nullptr && !held->isHeld()) {
        return Flown{&held->object(), &held->zone(), held};
    }
    return std::nullopt;
}

void LookFly::seizedStep(finch::Database* database, const Flown& flown, double dt, double yaw, double pitchChange,
                         Vector3d& move)
{
    pelican::PelicanObject& object = *flown.object;
    const Zone& zone = *flown.zone;
    finch::Transform placed = object.transform().getTransform();
    Angles turned{placed.pitch, placed.roll, placed.heading};
    if (!(zone.stiffness > 0.0f)) {
        // Without stiffness the mouse's height sets the object's pitch.
        const double half = std::max(m_height / 2, 1);
        const double aimed = (m_mouseY - half) / half * 90.0;
        turned.pitch = std::clamp(turned.pitch + (aimed - turned.pitch) * dt, -seizedPitchLimit, seizedPitchLimit);
        pitchChange = 0.0;
    }
    Vector3d objectMove;
    steerSeized(zone, object, dt, yaw, pitchChange, turned, objectMove);
    if (zone.seizeGravity && gravityOn) {
        objectMove.z -= dt * m_fallSpeed;
    }
    if (m_seizedDrift.lengthSquared() > 0.001) {
        objectMove = objectMove + m_seizedDrift * dt;
        m_seizedDrift = m_seizedDrift * std::pow(0.99, 200.0 * dt);
    }
    if (m_seizedDrift.lengthSquared() < 0.01) {
        m_seizedDrift = Vector3d();
    }
    const Vector3d from = placed.position;
    const Vector3d to = sweepSeized(database, object, from, objectMove, turned, dt);
    if (m_speed > 0.0 && to != from) {
        // A moving object turns toward where it goes.
        double heading = 0.0;
        double pitch = 0.0;
        headingPitchOf(to - from, heading, pitch);
        turned.heading = wrapHeading(turned.heading + wrapSigned(heading - turned.heading) * dt * 2.5);
        turned.pitch += wrapSigned(pitch - turned.pitch) * dt * 2.5;
    }
    placed.position = to;
    placed.pitch = turned.pitch;
    placed.roll = turned.roll;
    placed.heading = turned.heading;
    placeFlown(flown, placed);
    move = followObject(from, to, turned, zone, dt);
}

void LookFly::placeFlown(const Flown& flown, const finch::Transform& placed)
{
    finch::Matrix matrix;
    if (flown.avatar != nullptr && flown.zone->aeroplaneFly) {
        // A banked avatar keeps the steering's roll, which its angles alone lose.
        matrix = m_steering;
        matrix.translate(placed.position);
    } else {
        matrix.setTransform(placed);
    }
    flown.object->setTransform(matrix);
    if (flown.avatar != nullptr) {
        flown.avatar->setLevel(m_world.currentLevel());
    }
}

void LookFly::steerSeized(const Zone& zone, const pelican::PelicanObject& object, double dt, double yaw,
                          double pitchChange, Angles& angles, Vector3d& move)
{
    if (!zone.aeroplaneFly) {
        steer(yaw, pitchChange, false, dt, angles, move);
        return;
    }
    if (m_steered != &object) {
        m_steering.setTransform(finch::Transform{Vector3d(), angles.pitch, angles.roll, angles.heading});
        m_steered = &object;
    }
    m_steering.preRotate(yaw, Vector3d(0.0, 1.0, 0.0));
    m_steering.preRotate(pitchChange, Vector3d(1.0, 0.0, 0.0));
    // A banked object turns: the more it rolls, the faster it comes round.
    const double roll = m_steering.getTransform().roll;
    m_steering.postRotate(-0.85 * std::sin(roll * finch::degreesToRadians), Vector3d(0.0, 0.0, 1.0));
    const finch::Transform read = m_steering.getTransform();
    angles = Angles{read.pitch, read.roll, read.heading};
    advance(dt, forwardOf(read.pitch, read.heading), move, Drive::steeredSeize);
}

Vector3d LookFly::sweepSeized(finch::Database* database, pelican::PelicanObject& object, const Vector3d& from,
                              const Vector3d& move, const Angles& angles, double dt)
{
    const finch::BoundingBox& box = object.boundingBox();
    if (move == Vector3d() || !box.isValid()) {
        return from + move;
    }
    // The object's sphere is swept, its placement carried along by the same amount.
    const Vector3d centre = box.centre();
    finch::SweptSphere sweep;
    sweep.setMove(centre, move, box.radius());
    std::unique_ptr<finch::Collider> triangles;
    addCollidees(sweep, database, triangles, true);
    m_seizedForward = forwardOf(angles.pitch, angles.heading);
    // The sphere holds the object's own shape, which would push it away from itself every frame: a
    // seized object is out of the collisions already, a held avatar only while it is swept, so
    // that rocks and other players still meet it.
    const CollisionsOff itself(&object);
    m_seizeSweep = true;
    const bool touched = sweep.collide();
    m_seizeSweep = false;
    keepSpeedToMotion(sweep, touched, centre, m_seizedForward, dt);
    return from + (sweep.start() - centre);
}

Vector3d LookFly::followObject(const Vector3d& from, const Vector3d& to, const Angles& angles, const Zone& zone,
                               double dt)
{
    const double stiffness = zone.stiffness;
    const bool stiffest = stiffness == maxStiffness;
    const double since = finch::Clock::now() - m_world.logic().seizeState().time;
    m_followFactor = stiffest ? easeCos(since * 0.5) : 1.0;
    if (!(stiffness > 0.0)) {
        return (to - from) * m_followFactor;
    }
    const double gain = dt / followSubSteps * std::min(stiffness, maxStiffness) * 0.1;
    const double distance = std::max(zone.radius, 0.0);
    const Vector3d back = forwardOf(angles.pitch, angles.heading) * -1.0;
    Vector3d move;
    for (int i = 1; i <= followSubSteps; ++i) {
        const Vector3d point = from + (to - from) * (static_cast<double>(i) / followSubSteps);
        if (m_speed > 0.0 || stiffest) {
            // Pulled toward the line behind the object.
            const Vector3d player = m_transform.position + move;
            const Vector3d onLine = point + back * finch::dot(player - point, back);
            move = move + (onLine - player) * gain;
        }
        const Vector3d toPoint = point - (m_transform.position + move);
        const double apart = toPoint.length();
        if (apart > 0.0) {
            const double excess = apart - distance;
            const double step = std::clamp(20.0 * gain * excess, excess - 5.0 * distance, excess);
            move = move + toPoint * (step / apart);
        }
    }
    return move * m_followFactor;
}

void LookFly::followSeized(const Flown& flown, double dt, Angles& angles) const
{
    const double stiffness = flown.zone->stiffness;
    const double share = stiffness > 0.0 && stiffness < maxStiffness ? 2.0 * dt * m_followFactor * stiffness
                                                                       : m_followFactor;
    const double k = std::clamp(share, 0.0, 1.0);
    const finch::Transform object = flown.object->transform().getTransform();
    angles.heading = wrapHeading(angles.heading + wrapSigned(object.heading - angles.heading) * k);
    angles.pitch += wrapSigned(object.pitch - angles.pitch) * k;
    angles.roll += wrapSigned(object.roll - angles.roll) * k;
}
