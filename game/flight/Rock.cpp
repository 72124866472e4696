#include "game/flight/Rock.h"

#include "content/world/PelicanDB.h"
#include "content/world/PelicanObject.h"
#include "game/flight/CollisionsOff.h"
#include "game/Zone.h"
#include "scene/collide/DatabaseCollider.h"
#include "scene/graph/InstanceBranch.h"
#include "scene/graph/Object.h"
#include "scene/math/Random.h"
#include "scene/render/Viewer.h"

#include <algorithm>
#include <cmath>

namespace
{

// Throws this close to the rate's interval still leave: frame times carry rounding.
constexpr double throwTolerance = 1e-9;
// Below this squared speed a rock no longer turns along its flight.
constexpr double turningSpeedSquared = 10.0;
// A rock that does not turn along its flight levels out by this share of its pitch a frame.
constexpr double pitchDamping = 0.97;
// A caught rock is drawn in to its zone over this time, tumbling at these rates (degrees per
// second about x, y and z).
constexpr double catchSeconds = 1.0;
constexpr double catchPitchRate = 90.0;
constexpr double catchRollRate = -50.0;
constexpr double catchHeadingRate = 120.0;
// Rocks ring an avatar within its radius, the rock's own and twice the rock's move.
constexpr double ringMoveShare = 2.0;

double degrees(double radians)
{
    return radians * 180.0 / M_PI;
}

}

Rock::Rock(finch::InstanceBranch* instance, const finch::Matrix& placement, const finch::Vector3d& velocity,
           double radius, const Projectile& projectile, Zone* zone, double now)
    : m_instance(instance), m_birth(now), m_velocity(velocity), m_transform(placement.getTransform()),
      m_placement(placement), m_radius(radius), m_zone(zone), m_projectile(projectile)
{
    const float range = projectile.range;
    if (range > 0.0f) {
        m_rangeFactor = 1.0 / range;
        m_randomValue = finch::Random::global().uniform(range);
    }
    if (zone != nullptr && projectile.particles) {
        m_particles = std::make_unique<finch::ParticleSystem>(zone->particles);
        m_particles->start();
    }
    m_burst = zone != nullptr && projectile.burst;
}

Rock::~Rock() = default;

finch::Vector3d Rock::position() const
{
    return {m_placement.at(3, 0), m_placement.at(3, 1), m_placement.at(3, 2)};
}

finch::Vector3d Rock::respond(const finch::Collider& mover)
{
    if (m_burst) {
        m_zone->particles.burst(mover.contact());
        m_burst = false;
    }
    if (!m_projectile.doBounce) {
        m_velocity = finch::Vector3d();
        return finch::Vector3d();
    }
    const float elasticity = m_projectile.elasticity;
    const finch::Vector3d bounced = finch::CollisionAction::bounce(mover, elasticity);
    finch::Vector3d direction = bounced;
    // A move bounced to nothing leaves no direction to fly on.
    if (direction.normalizeIfNonZero() <= finch::tinySquaredLength) {
        m_velocity = finch::Vector3d();
        return bounced;
    }
    m_velocity = direction * (elasticity * m_velocity.length());
    return bounced;
}

bool Rock::fly(finch::Collider& sweep, const RockSurroundings& around, double now, double dt, Zone*& reached)
{
    if (m_caughtBy != nullptr) {
        return drawIn(now, dt);
    }
    return flyFree(sweep, around, now, dt, reached);
}

bool Rock::flyFree(finch::Collider& sweep, const RockSurroundings& around, double now, double dt, Zone*& reached)
{
    if (now - m_birth >= m_projectile.lifespan) {
        return false;
    }
    m_velocity.z += m_projectile.gravity * gravityFactor * dt;
    if (rings(around, dt)) {
        return false;
    }
    sweep.setMove(m_transform.position, m_velocity * dt, m_radius);
    for (finch::Collider* collidee : around.collidees) {
        sweep.addCollidee(collidee, this);
    }
    sweep.collide();
    turn();
    m_transform.position = sweep.start();
    place();
    if (Zone* const zone = catcher(around)) {
        catchIn(*zone, now);
        reached = zone;
    }
    if (around.database != nullptr && m_instance != nullptr) {
        const double cycles = (now + m_randomValue - m_birth) * m_rangeFactor;
        around.database->setRockAnimationPosition(m_instance, cycles - std::floor(cycles));
    }
    return true;
}

bool Rock::rings(const RockSurroundings& around, double dt) const
{
    const bool isRing = around.ringObject != nullptr && m_instance != nullptr && m_instance->instance() == around.ringObject;
    if (!isRing || !around.ring) {
        return false;
    }
    return around.ring(m_transform.position, ringMoveShare * m_velocity.length() * dt + m_radius);
}

void Rock::turn()
{
    if (m_velocity.lengthSquared() < turningSpeedSquared) {
        return;
    }
    if (!m_projectile.directional) {
        m_transform.pitch *= pitchDamping;
        return;
    }
    m_transform.heading = degrees(std::atan2(-m_velocity.x, m_velocity.y));
    m_transform.pitch = degrees(std::atan2(m_velocity.z, std::hypot(m_velocity.x, m_velocity.y)));
}

Zone* Rock::catcher(const RockSurroundings& around) const
{
    for (Zone* zone : around.targets) {
        const bool inside = squaredDistance(m_transform.position, zone->position()) < zone->radius * zone->radius;
        const bool wanted = zone->targetObject == nullptr ||
                            (m_instance != nullptr && pelican::PelicanDB::sameBranchKey(*zone->targetObject, *m_instance));
        const bool heldAvatars = around.heldAvatar != nullptr && zone->object == around.heldAvatar;
        if (inside && wanted && !heldAvatars) {
            return zone;
        }
    }
    return nullptr;
}

void Rock::catchIn(Zone& zone, double now)
{
    m_caughtBy = &zone;
    m_catchTime = now;
    m_catchStart = m_transform.position;
    m_catchScale = m_transform.scale;
}

bool Rock::drawIn(double now, double dt)
{
    const double t = now - m_catchTime;
    // At the full time the rock would be drawn at scale 0, a placement without an inverse.
    if (t >= catchSeconds) {
        return false;
    }
    m_transform.position = m_catchStart + (m_caughtBy->position() - m_catchStart) * t;
    m_transform.scale = m_catchScale * (1.0 - t);
    m_transform.pitch += catchPitchRate * dt;
    m_transform.roll += catchRollRate * dt;
    m_transform.heading += catchHeadingRate * dt;
    place();
    return true;
}

void Rock::place()
{
    m_placement.setTransform(m_transform);
    if (m_instance != nullptr) {
        m_instance->setMatrix(m_placement);
    }
}

RockList::RockList() : m_sweep(std::make_unique<finch::SweptSphere>())
{
    m_rocks.reserve(initialRoom);
}

bool RockList::mayThrow(float rate, double now)
{
    if (!(rate > 0.0f) || now - m_lastThrow < 1.0 / rate - throwTolerance) {
        return false;
    }
    m_lastThrow = now;
    return true;
}

Rock& RockList::add(std::unique_ptr<Rock> rock)
{
    m_rocks.push_back(std::move(rock));
    return *m_rocks.back();
}

Zone* RockList::fly(const RockSurroundings& around, double now, double dt, const std::function<void(Rock&)>& removed)
{
    Zone* reached = nullptr;
    std::erase_if(m_rocks, [&](const std::unique_ptr<Rock>& rock) {
        if (rock->fly(*m_sweep, around, now, dt, reached)) {
            return false;
        }
        if (removed) {
            removed(*rock);
        }
        return true;
    });
    return reached;
}

void RockList::fly(std::span<finch::Collider* const> collidees, double now, double dt,
                   const std::function<void(Rock&)>& removed)
{
    RockSurroundings around;
    around.collidees = collidees;
    static_cast<void>(fly(around, now, dt, removed));
}

void RockList::clear()
{
    m_rocks.clear();
    m_lastThrow = -1e300;
}

RockList& rockList()
{
    static RockList list;
    return list;
}

bool launchRock(pelican::PelicanDB& database, const Projectile& projectile, Zone* zone,
                const finch::Transform& thrower, double throwerSpeed, double now)
{
    pelican::PelicanObject* const object = projectile.object;
    if (object == nullptr || object->instance() == nullptr) {
        return false;
    }
    return launchRock(database, projectile, zone, object->instance()->instance(), thrower, throwerSpeed, now);
}

bool launchRock(pelican::PelicanDB& database, const Projectile& projectile, Zone* zone, finch::Object* model,
                const finch::Transform& thrower, double throwerSpeed, double now)
{
    if (model == nullptr || !rockList().mayThrow(projectile.rate, now)) {
        return false;
    }
    database.setRockLodScale(projectile.lod ? 1.0f : 0.0f);
    finch::InstanceBranch* const instance = database.buildRocks(model);
    finch::Transform start = thrower;
    start.scale = finch::Vector3d(projectile.scale, projectile.scale, projectile.scale);
    finch::Matrix placement;
    placement.setTransform(start);
    if (instance != nullptr) {
        instance->setMatrix(placement);
    }
    const double radius = model->box().radius() * projectile.scale;
    const finch::Vector3d velocity = thrower.forward() * (projectile.speed + throwerSpeed);
    rockList().add(std::make_unique<Rock>(instance, placement, velocity, radius, projectile, zone, now));
    return true;
}

namespace
{

void removeInstance(pelican::PelicanDB& database, const Rock& rock)
{
    if (rock.instance() != nullptr) {
        database.removeRockAnimation(rock.instance());
    }
}

}

Zone* flyRocks(pelican::PelicanDB& database, double now, double dt, RockSurroundings around)
{
    RockList& list = rockList();
    if (list.size() == 0) {
        return nullptr;
    }
    finch::DatabaseCollider world(database);
    finch::Collider* const collidees[] = {&world};
    around.collidees = collidees;
    around.ringObject = database.ringObject();
    around.database = &database;
    const CollisionsOff held(around.heldAvatar);
    return list.fly(around, now, dt, [&database](Rock& rock) { removeInstance(database, rock); });
}

void dropRocks(pelican::PelicanDB* database)
{
    RockList& list = rockList();
    if (database != nullptr) {
        for (const std::unique_ptr<Rock>& rock : list.rocks()) {
            removeInstance(*database, *rock);
        }
    }
    list.clear();
}

void renderRocks(finch::RenderAccumulator& accumulator, finch::Viewer& viewer)
{
    for (const std::unique_ptr<Rock>& rock : rockList().rocks()) {
        if (finch::ParticleSystem* const particles = rock->particles()) {
            particles->update(viewer.eye(), rock->position(), true);
            particles->render(accumulator, viewer);
        }
    }
}
