#pragma once

#include "game/flight/Projectile.h"
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
class PelicanObject;
}

// What a rock meets in its frame besides the world's geometry.
struct RockSurroundings
{
    std::span<finch::Collider* const> collidees;
    // The target zones of the current level that catch rocks, nearest first.
    std::span<Zone* const> targets;
    // The held avatar's object: kept out of the sweeps, and its zone catches no rock. Null for none.
    pelican::PelicanObject* heldAvatar = nullptr;
    // Rocks showing this object ring avatars; null for none.
    const finch::Object* ringObject = nullptr;
    // Rings the first ringable avatar whose object lies within its own radius plus reach of the
    // point; true when one was rung. Empty: nobody can be rung.
    std::function<bool(const finch::Vector3d& point, double reach)> ring;
    // Where the rocks' animations are set; null for none.
    pelican::PelicanDB* database = nullptr;
};

// A thrown projectile: it falls, bounces off what it hits by its projectile's elasticity (or stops
// there) and is taken away once its lifespan is over. Its instance, when it has one, follows it;
// a projectile with particles trails a copy of its zone's, and one that bursts makes its zone's
// particles burst where it first hits. A target zone that catches it draws it in to its centre,
// shrinking and tumbling, for a second.
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

    // One frame of dt seconds at now. In flight: gravity, a ring rock rings an avatar it reaches
    // (and ends), the move swept through the collidees, the turn, and a catch by a target zone,
    // which is then reached. Caught: drawn in to the zone. False once the rock ends.
    bool fly(finch::Collider& sweep, const RockSurroundings& around, double now, double dt, Zone*& reached);

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
    // The target zone that caught the rock; null while it flies.
    Zone* caughtBy() const { return m_caughtBy; }
    const finch::Transform& transform() const { return m_transform; }

private:
    // Rocks fall four times as fast as their projectile's gravity says: stored worlds are tuned to it.
    static constexpr double gravityFactor = -4.0;

    bool flyFree(finch::Collider& sweep, const RockSurroundings& around, double now, double dt, Zone*& reached);
    bool rings(const RockSurroundings& around, double dt) const;
    void turn();
    Zone* catcher(const RockSurroundings& around) const;
    void catchIn(Zone& zone, double now);
    bool drawIn(double now, double dt);
    void place();

    finch::InstanceBranch* m_instance;
    double m_birth;
    finch::Vector3d m_velocity;
    finch::Transform m_transform;
    finch::Matrix m_placement;
    double m_radius;
    Zone* m_zone;
    Projectile m_projectile;
    double m_rangeFactor = 1.0;
    double m_randomValue = 0.0;
    std::unique_ptr<finch::ParticleSystem> m_particles;
    bool m_burst = false;
    Zone* m_caughtBy = nullptr;
    double m_catchTime = 0.0;
    finch::Vector3d m_catchStart;
    finch::Vector3d m_catchScale;
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
    // One frame for every rock; rocks that end leave the list and are handed to removed (when
    // given) first. The target zone a rock reached in the frame (the last one, if several).
    Zone* fly(const RockSurroundings& around, double now, double dt, const std::function<void(Rock&)>& removed = {});
    // The same among collidees only.
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
// One frame of the program's rocks through the database's geometry, which the held avatar's object
// does not take part in; around's collidees, ring object and database come from the database.
// Rocks that end leave the rocks group. The target zone a rock reached.
Zone* flyRocks(pelican::PelicanDB& database, double now, double dt, RockSurroundings around = {});
// Empties the program's rock list, taking the rocks out of the database's rocks group (when
// there is a database).
void dropRocks(pelican::PelicanDB* database);
// Advances the particles the program's rocks trail, seen from the viewer, and queues them.
void renderRocks(finch::RenderAccumulator& accumulator, finch::Viewer& viewer);
