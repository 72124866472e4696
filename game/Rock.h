#pragma once

#include "game/Projectile.h"
#include "scene/collide/Collider.h"
#include "scene/math/Matrix.h"

#include <functional>
#include <memory>
#include <span>
#include <vector>

class Zone;

namespace finch
{
class InstanceBranch;
class Object;
class ParticleSystem;
class RenderAccumulator;
struct Transform;
class Viewer;
}

namespace pelican
{
class PelicanDB;
}

// A thrown projectile: it falls, bounces off what it hits by its projectile's elasticity (or stops
// there) and is taken away once its lifespan is over. Its instance, when it has one, follows it;
// a projectile with particles trails a copy of its zone's, and one that bursts makes its zone's
// particles burst where it first hits.
class Rock : public finch::CollisionAction
{
public:
    // A rock of the radius leaving placement at velocity at time now; instance and zone may be null.
    Rock(finch::InstanceBranch* instance, const finch::Matrix& placement, const finch::Vector3d& velocity,
         double radius, const Projectile& projectile, Zone* zone, double now);
    ~Rock() override;
    Rock(const Rock&) = delete;
    Rock& operator=(const Rock&) = delete;

    // Bounces the rest of the move and turns the velocity along it, keeping the elasticity's share
    // of the speed; a projectile that does not bounce stops the rock at the contact.
    finch::Vector3d respond(const finch::Collider& mover) override;

    // One frame of dt seconds: gravity, then the move swept through the collidees. False once the
    // rock has lived its lifespan at now.
    bool fly(finch::Collider& sweep, std::span<finch::Collider* const> collidees, double now, double dt);

    finch::Vector3d position() const;
    const finch::Vector3d& velocity() const { return m_velocity; }
    const finch::Matrix& placement() const { return m_placement; }
    finch::InstanceBranch* instance() const { return m_instance; }
    Zone* zone() const { return m_zone; }
    const Projectile& projectile() const { return m_projectile; }
    // The rock's factor 1 / range and its random value in [0, range).
    double rangeFactor() const { return m_rangeFactor; }
    double randomValue() const { return m_randomValue; }
    // The rock's own particles; null for none.
    finch::ParticleSystem* particles() const { return m_particles.get(); }
    // Whether the rock's next hit still bursts its zone's particles.
    bool burstsOnHit() const { return m_burst; }

private:
    finch::InstanceBranch* m_instance;
    double m_birth;
    finch::Vector3d m_velocity;
    finch::Matrix m_placement;
    double m_radius;
    Zone* m_zone;
    Projectile m_projectile;
    double m_rangeFactor = 1.0;
    double m_randomValue = 0.0;
    std::unique_ptr<finch::ParticleSystem> m_particles;
    bool m_burst = false;
};

// The rocks in flight, with the one sphere that sweeps them all and the time of the last throw.
// Grows past its first room as throws need. Main thread only.
class RockList
{
public:
    // Room kept from the start.
    static constexpr std::size_t initialRoom = 32;

    RockList();

    // Whether a projectile thrown at most rate times a second may leave at now; when it may, now
    // becomes the last throw. A rate that is not positive never throws.
    bool mayThrow(float rate, double now);
    Rock& add(std::unique_ptr<Rock> rock);
    // One frame for every rock; rocks whose lifespan is over leave the list and are handed to
    // removed (when given) first.
    void fly(std::span<finch::Collider* const> collidees, double now, double dt,
             const std::function<void(Rock&)>& removed = {});
    void clear();

    std::size_t size() const { return m_rocks.size(); }
    std::size_t capacity() const { return m_rocks.capacity(); }
    const std::vector<std::unique_ptr<Rock>>& rocks() const { return m_rocks; }

private:
    std::vector<std::unique_ptr<Rock>> m_rocks;
    std::unique_ptr<finch::Collider> m_sweep;
    // No throw yet: the first throw always leaves.
    double m_lastThrow = -1e300;
};

// The program's rock list, made on first use.
RockList& rockList();

// Throws the zone's projectile from the thrower's placement along its forward axis at the
// projectile's speed plus the thrower's: its object is shown in the database's rocks group and
// the rock joins the program's list. False when the projectile has no object or comes too soon.
bool launchRock(pelican::PelicanDB& database, const Projectile& projectile, Zone* zone,
                const finch::Transform& thrower, double throwerSpeed, double now);
// The same, showing model.
bool launchRock(pelican::PelicanDB& database, const Projectile& projectile, Zone* zone, finch::Object* model,
                const finch::Transform& thrower, double throwerSpeed, double now);
// One frame of the program's rocks through the database's geometry; rocks past their lifespan
// leave the rocks group.
void flyRocks(pelican::PelicanDB& database, double now, double dt);
// Empties the program's rock list, taking the rocks out of the database's rocks group (when
// there is a database).
void dropRocks(pelican::PelicanDB* database);
// Advances the particles the program's rocks trail, seen from the viewer, and queues them.
void renderRocks(finch::RenderAccumulator& accumulator, finch::Viewer& viewer);
