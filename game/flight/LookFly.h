#pragma once

#include "game/flight/Projectile.h"
#include "scene/collide/Collider.h"
#include "scene/math/Matrix.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>

class Act;
class AvatarSlot;
class Look;
class Zone;

namespace finch
{
class Database;
class Object;
}

namespace pelican
{
class PelicanObject;
}

namespace kestrel
{
class Window;
struct Event;
}

// The player: mouse buttons, mouse position and keys become the flight of the viewpoint through
// the current level, sweeping through the level's triangles and bouncing off the spheres of its
// no-entry and no-exit zones; spin-view zones turn the flight into an orbit about their object,
// and a seized object is flown by the player, who follows it. Made when looking starts and
// deleted when it stops. Main thread only.
class LookFly : public finch::Collider, public finch::CollisionAction
{
public:
    // The window's rectangle (null: none yet) and the mouse at its centre.
    LookFly(Look& world, kestrel::Window* window);

    // Records the mouse and buttons, and acts on the game keys that the console does not take;
    // false once the player asked to quit.
    bool handleEvent(const kestrel::Event& event);
    // One frame of flight through the database's geometry (null: none).
    void update(finch::Database* database);
    // Back to the viewer's placement, no guided mode, no stop lock.
    void reset();
    // Leaves orbit and tether mode, stopping when in one; the view keeps looking where it looked.
    void release();
    // Stops and stays stopped until a button is pressed or released; no effect while orbiting or
    // tethered.
    void halt();
    // Puts the player at the placement, stopped.
    void teleport(const finch::Transform& placement);
    // Puts a seized object down when its zone lets it be parked; with nothing seized, lets go of
    // the held avatar.
    void letGo();
    // Throws the projectile from just ahead of the held avatar while it is flown in sight, else
    // from the seized object, else from the player, at the projectile's speed plus the player's,
    // showing model; the throwing zone (may be null) sounds its throw. False when nothing was
    // thrown.
    bool launch(const Projectile& projectile, Zone* zone, finch::Object* model);
    // Tethers the player to the act's object from the next update on; null unties a tethered player.
    void setPath(Act* act);
    bool isTethered() const { return m_onPath; }

    // The spheres of the level's zones as collidees.
    bool test(const finch::Collider& mover, double& distance, finch::Vector3d& contact) override;
    finch::Vector3d respond(const finch::Collider& mover) override;
    // Whether a bounce at time now may sound: at most once a second for all players together. A
    // true answer counts as the sound played.
    static bool bounceSoundDue(double now);

    // The speed shown, which the music follows: the speed, but after a frame whose sweep touched
    // something, no more than that sweep went along the way flown.
    double speed() const;
    const finch::Transform& transform() const { return m_transform; }
    bool isOrbiting() const { return m_orbiting; }
    bool quitRequested() const { return m_quit; }
    const finch::Vector3d& drift() const { return m_drift; }
    // Units per second the player sinks while gravity pulls.
    void setFallSpeed(double fallSpeed) { m_fallSpeed = fallSpeed; }

    // Program-wide: the speed setting the number keys choose, the gravity switch, the speed the
    // last frame flew at, and where the last move touched something.
    static float speedSetting;
    static bool gravityOn;
    static double currentSpeed;
    static finch::Vector3d lastContactPoint;
    static finch::Vector3d lastContactNormal;

private:
    struct Angles
    {
        double pitch = 0.0;
        double roll = 0.0;
        double heading = 0.0;
    };

    // Whether the speed controller runs for a steered seize, which starts from a crawl and gains
    // speed in proportion to it.
    enum class Drive
    {
        free,
        steeredSeize,
    };

    void adoptMovedCamera();
    void record(const kestrel::Event& event);
    void handleKey(int key);
    // Throws the projectile the player is armed with, when there is one.
    void throwProjectile();
    // Throws one of the collected rings, with the world's throw sound.
    void throwCollected();
    finch::Object* collectedShape() const;
    // What the player flies and follows: a zone object seized to be flown (not one carried in
    // front of the view), else the held avatar while it is shown. The zone steers it.
    struct Flown
    {
        pelican::PelicanObject* object = nullptr;
        const Zone* zone = nullptr;
        // Null for a seized object.
        AvatarSlot* avatar = nullptr;
    };

    std::optional<Flown> flown() const;
    void seizedStep(finch::Database* database, const Flown& flown, double dt, double yaw, double pitchChange,
                    finch::Vector3d& move);
    void placeFlown(const Flown& flown, const finch::Transform& placed);
    void steerSeized(const Zone& zone, const pelican::PelicanObject& object, double dt, double yaw, double pitchChange,
                     Angles& angles, finch::Vector3d& move);
    finch::Vector3d sweepSeized(finch::Database* database, pelican::PelicanObject& object,
                                const finch::Vector3d& from, const finch::Vector3d& move, const Angles& angles,
                                double dt);
    // The player's move that follows the seized object from its old to its new position.
    finch::Vector3d followObject(const finch::Vector3d& from, const finch::Vector3d& to, const Angles& angles,
                                 const Zone& zone, double dt);
    void followSeized(const Flown& flown, double dt, Angles& angles) const;
    void pressRight();
    void checkOrbit();
    void takeTetherRequest();
    void tetherStep(double dt, double yaw, double pitchChange, Angles& angles, finch::Vector3d& move);
    void steer(double yaw, double pitchChange, bool banking, double dt, Angles& angles, finch::Vector3d& move);
    void advance(double dt, const finch::Vector3d& direction, finch::Vector3d& move, Drive drive = Drive::free);
    void settle(double target, double dt);
    // The player's sweep; way is the direction the speed drives the player along.
    void moveWithCollision(finch::Database* database, double dt, finch::Vector3d move, const Flown* flying,
                           const finch::Vector3d& way);
    // After a sweep that stopped short, the speed is no more than the sweep moved from from in the
    // frame: a wedged player shows the speed it flies, and builds up again from there once free.
    // After any sweep that touched something and was held up by it, the speed shown is no more
    // than the sweep went along way, the direction flown: sliding down a wall met head on, or
    // crawling along a face met nearly so, shows next to no speed.
    void keepSpeedToMotion(const finch::Collider& sweep, bool touched, const finch::Vector3d& from,
                           const finch::Vector3d& way, double dt);
    // Collides the database's triangles (sliding) and, when wanted, the zones' spheres.
    void addCollidees(finch::Collider& sweep, finch::Database* database, std::unique_ptr<finch::Collider>& triangles,
                      bool withZones);
    bool startOrbit(const finch::Vector3d& centre, double radius, bool spherical, double halfAngle);
    void followOrbitCentre(const finch::Vector3d& centre, double radius);
    // How far a tethered view may turn from the reference direction: 0 percent as far as a free
    // orbit, 100 not at all.
    struct ViewLimit
    {
        std::int32_t percent = 0;
        finch::Vector3d reference;
    };

    // Turns the orbit by the mouse (within the limit, when given) and moves the player round it.
    void orbitStep(double yaw, double pitchChange, Angles& angles, finch::Vector3d& move,
                   const ViewLimit* limit = nullptr);
    void keepWithin(const ViewLimit& limit, double& pitch, double& heading);
    // The value within [low, high]; while the limits ease in, a value outside is pulled in by a
    // share that grows over eight seconds.
    double limitAngle(double value, double low, double high);
    void startClampEasing();
    void faceOrbitCentre(Angles& angles) const;
    bool testNoEntry(const Zone& zone, const finch::Collider& mover, double& best, finch::Vector3d& contact) const;
    bool testNoExit(const Zone& zone, const finch::Collider& mover, double& best, finch::Vector3d& contact) const;

    Look& m_world;
    int m_width = 1;
    int m_height = 1;
    int m_mouseX = 0;
    int m_mouseY = 0;
    bool m_left = false;
    bool m_right = false;
    bool m_quit = false;
    bool m_stopLock = false;
    double m_speed = 0.0;
    // Units per second the last frame's sweep went along the way flown, when it touched something;
    // unlimited otherwise. The speed shown is no more than this.
    double m_shownLimit = std::numeric_limits<double>::infinity();
    double m_brakeRate = 0.0;
    finch::Transform m_transform;
    double m_lastRadius = -1.0;
    double m_fallSpeed = 3.0;
    finch::Vector3d m_drift;
    // The camera's eye as the last frame left it.
    finch::Vector3d m_lastEye;

    // Orbit about a spin-view zone's object.
    bool m_orbiting = false;
    Zone* m_orbitZone = nullptr;
    Zone* m_lastZoneSeen = nullptr;
    double m_orbitStart = 0.0;
    bool m_spherical = true;
    finch::Vector3d m_orbitCentre;
    double m_orbitRadius = 0.0;
    double m_heightOffset = 0.0;
    Angles m_angleOffset;
    Angles m_viewOffset;
    double m_keptPitch = 0.0;
    bool m_easing = false;
    double m_easeFromRadius = 0.0;
    double m_easeToRadius = 0.0;
    double m_easeFactor = 1.0;
    // Tethered to an act's object: a tether asked for, taken up by the next update.
    bool m_tetherRequest = false;
    bool m_onPath = false;
    Act* m_pathAct = nullptr;
    // The constraint the tethering act's stage had last frame; -1 after a tether starts.
    std::int32_t m_lastConstraint = -1;
    // Limits that ease in: since when, and whether a limit was reached since.
    bool m_clampEasing = false;
    double m_clampStart = 0.0;
    bool m_limitTouched = false;

    // Flying a seized object: the drift its bounces give it, the follow factor of the view, the
    // steering matrix of aeroplane zones and the object it belongs to, and while the object's
    // own sweep runs, its forward axis.
    finch::Vector3d m_seizedDrift;
    double m_followFactor = 1.0;
    finch::Matrix m_steering;
    const pelican::PelicanObject* m_steered = nullptr;
    bool m_seizeSweep = false;
    finch::Vector3d m_seizedForward;
    // The player's own projectile for throwing collected rings.
    Projectile m_ownProjectile;

    // The zone hit by the sweep in progress.
    Zone* m_hitZone = nullptr;
};

// An angle wrapped into [0, 360), in one step whatever its size; not-finite angles become 0.
double wrapHeading(double degrees);
