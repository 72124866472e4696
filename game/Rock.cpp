#include "game/Rock.h"

#include "content/world/PelicanDB.h"
#include "content/world/PelicanObject.h"
#include "game/Zone.h"
#include "scene/collide/DatabaseCollider.h"
#include "scene/graph/InstanceBranch.h"
#include "scene/graph/Object.h"
#include "scene/math/Random.h"
#include "scene/render/Viewer.h"

#include <algorithm>

namespace
{

// Throws this close to the rate's interval still leave: frame times carry rounding.
constexpr double throwTolerance = 1e-9;

// The sphere that sweeps a rock's move; the collidees do the testing.
class RockSweep : public finch::Collider
{
public:
    bool test(const finch::Collider&, double&, finch::Vector3d&) override { return false; }
};

}

Rock::Rock(finch::InstanceBranch* instance, const finch::Matrix& placement, const finch::Vector3d& velocity,
           double radius, const Projectile& projectile, Zone* zone, double now)
    : m_instance(instance), m_birth(now), m_velocity(velocity), m_placement(placement), m_radius(radius),
      m_zone(zone), m_projectile(projectile)
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

bool Rock::fly(finch::Collider& sweep, std::span<finch::Collider* const> collidees, double now, double dt)
{
    if (now - m_birth >= m_projectile.lifespan) {
        return false;
    }
    if (dt <= 0.0) {
        return true;
    }
    m_velocity.z -= m_projectile.gravity * dt;
    const finch::Vector3d start = position();
    sweep.setMove(start, m_velocity * dt, m_radius);
    for (finch::Collider* collidee : collidees) {
        sweep.addCollidee(collidee, this);
    }
    sweep.collide();
    m_placement.translate(sweep.start() - start);
    if (m_instance != nullptr) {
        m_instance->setMatrix(m_placement);
    }
    return true;
}

RockList::RockList() : m_sweep(std::make_unique<RockSweep>())
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

void RockList::fly(std::span<finch::Collider* const> collidees, double now, double dt,
                   const std::function<void(Rock&)>& removed)
{
    std::erase_if(m_rocks, [&](const std::unique_ptr<Rock>& rock) {
        if (rock->fly(*m_sweep, collidees, now, dt)) {
            return false;
        }
        if (removed) {
            removed(*rock);
        }
        return true;
    });
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

void flyRocks(pelican::PelicanDB& database, double now, double dt)
{
    RockList& list = rockList();
    if (list.size() == 0) {
        return;
    }
    finch::DatabaseCollider world(database);
    finch::Collider* const collidees[] = {&world};
    list.fly(collidees, now, dt, [&database](Rock& rock) { removeInstance(database, rock); });
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
