#pragma once

#include "game/flight/BallPlay.h"
#include "game/flight/CarriedObject.h"
#include "game/flight/CollisionsOff.h"
#include "game/EnvironmentTransitions.h"
#include "game/flight/LookFly.h"
#include "music/Soundtracks.h"
#include "scene/graph/Light.h"
#include "scene/math/Matrix.h"
#include "scene/render/Fog.h"
#include "scene/render/RenderAccumulator.h"
#include "scene/sky/SphereRenderer.h"

#include <array>
#include <memory>
#include <optional>
#include <vector>

class Act;
class AvatarSlot;
class Level;
class Look;
class ObjectTrigger;
class Zone;

namespace kestrel
{
class Window;
}

namespace pelican
{
class PelicanObject;
}

// The game's rules: starts and stops playing, resets the game, runs one step per frame, finds the
// zone the player is in and applies a zone's settings on entry, starts acts and fires conditions.
// Owned by its world. It draws the world's sky. Main thread only.
class LookLogic : public finch::RenderAccumulator::SkyRenderer
{
public:
    explicit LookLogic(Look& world);
    ~LookLogic() override;
    LookLogic(const LookLogic&) = delete;
    LookLogic& operator=(const LookLogic&) = delete;

    // Starts playing; the flight steers by the mouse in window (null: none yet).
    void start(kestrel::Window* window = nullptr);
    void stop();
    // A fresh game: stops the songs and the acts and applies the zone the player is in at once;
    // the next frame enters that zone anew, which plays its songs.
    void reset();
    // One frame; false when the player asked to quit.
    bool update();
    void enterZone(Level& level, Zone* zone, Act*& holdingAct, ObjectTrigger*& triggerToFire);
    // Starts the zone's act unless it plays already; an enabled act takes every thrown rock away.
    void startAct(Zone& zone, Act*& holdingAct);
    void applyZoneAtOnce(Zone& zone);
    void teleport(const finch::Transform& placement);
    // Tethers the player to the act's object (null: unties it).
    void setPlayerPath(Act* act);
    // Sets the pen's avatars out in a ring around the pen on the pen's level, each keeping its
    // orientation, free to be taken; the world goes to the pen's level.
    void arrangePen();
    // True when the world has a pen and gliders to fill it.
    bool hasPen() const { return m_penZone != nullptr && !m_gravatars.empty(); }
    // True when the avatar stands in the pen on its level, wherever this player is: what a server
    // judges the filling of the pen by.
    bool isInPen(const AvatarSlot& slot) const;
    // Before the scene is drawn: the camera's clip planes, the light and the light model, the fog
    // and the sky from the live settings.
    void applyEnvironment(finch::Viewer& camera);
    // Draws the sky dome around the world's camera, depth testing left as it was.
    void renderSky(kestrel::ImageBody& target, const finch::Viewer& viewer) override;
    // The fog of this frame, for the accumulator; set by applyEnvironment.
    const finch::Fog& liveFog() const { return m_liveFog; }
    const finch::Light& light() const { return m_light; }

    bool isLooking() const { return m_flight != nullptr; }
    void setPaused(bool paused) { m_paused = paused; }
    bool isPaused() const { return m_paused; }
    // The object the player took along; null for none.
    pelican::PelicanObject* carriedObject() const { return m_seize.object; }

    // Takes the zone's object along, unless the zone seized last is this one or the object is
    // missing or switched off; an object seized before goes back first.
    void seize(Zone& zone);
    // Puts the seized object down: parked where it is when its zone allows, else back at its
    // start; a zone not centred on its object gives it only once.
    void endSeize();
    // A seized object that was switched off is put down.
    void endInactiveSeize();
    // Places an object carried in front of the view for this frame.
    void updateCarry(const finch::Viewer& viewer);
    const SeizeState& seizeState() const { return m_seize; }
    // The object of the projectile the player is armed with; null for none.
    pelican::PelicanObject* throwTarget() const;
    // The avatar the player holds; null for none.
    AvatarSlot* heldAvatar() const { return m_heldAvatar; }
    // The avatar let go last, out of reach and out of the way until the player is away from it;
    // null for none.
    AvatarSlot* releasedAvatar() const { return m_releasedAvatar; }

    // Lets go of the avatar held, which stays in sight where it is (one waiting out of sight is
    // shown in front of the view), and holds slot (null: none). Taking an avatar is refused
    // (false) while not looking, while an object is seized, while an act plays and for the avatar
    // let go last.
    bool holdAvatar(AvatarSlot* slot);
    // Each frame: the avatar let go last is forgotten once the player is away from it; the held
    // avatar goes with the player to the current level, hidden while the player is busy with
    // another seized object or an act, and shown in front of the view again after.
    void updateHeldAvatar();

    Zone* currentZone() const { return m_currentZone; }
    LookFly* flight() const { return m_flight.get(); }
    double flySpeed() const { return m_flySpeed; }
    float farClip() const { return m_farClip; }
    float playerSize() const { return m_playerSize; }
    float fogSky() const { return m_fogSky; }
    const FogSettings& fog() const { return m_fog; }
    const SkySettings& sky() const { return m_sky; }
    const SunSettings& sun() const { return m_sun; }
    // The sky drawn around the camera: colours, sun and stars as the zones set them.
    const finch::SphereRenderer& skyDome() const { return m_skyDome; }
    const std::vector<Act*>& playingActs() const { return m_playingActs; }
    const Soundtracks& soundtrack(std::size_t which) const { return m_soundtracks[which]; }
    const ObjectTrigger* pendingTrigger() const { return m_pendingTrigger; }
    Zone* projectileZone() const { return m_projectileZone; }

    // Frames at the start of play that the emitters and the sequencer's tempo wait out.
    static constexpr int settleFrames = 5;

private:
    enum Track
    {
        firstTrack,
        secondTrack,
        ambientTrack,
    };

    // One frame of the thrown rocks; the target zone a rock was caught by, to enter.
    Zone* updateRocks();
    // Rings the first avatar another player holds whose object lies within its radius plus reach
    // of point; only while serving or connected. True when one was rung.
    bool ringAvatarNear(const finch::Vector3d& point, double reach);
    Zone* findCurrentZone(Act* holdingAct, Zone*& carriedTarget);
    // The zone around the carried object; a target zone that takes it is also reported as target.
    Zone* findCarriedZone(Zone*& target);
    // The carried object's velocity for the bat; once nothing is carried, the zone seized last
    // is forgotten when the player is well away from it.
    void trackCarried();
    // The carried object as the bat that strikes the level's balls; none while nothing with a
    // placement is carried.
    std::optional<Bat> bat();
    Act* holdingAct() const;
    void applyStars(const Zone& zone);
    void playSongs(Zone& zone);
    void armCondition(Zone& zone, ObjectTrigger*& triggerToFire);
    ObjectTrigger* checkPen();
    void updateEnvironment();
    void updateObjectFogs();
    void takeDueTrigger(ObjectTrigger*& triggerToFire);
    void fireTrigger(ObjectTrigger& trigger, Zone* zone);
    void updateActs(Act* holding);
    // Tethers the player to the act whose stage tethers, or unties it, when that act changed.
    void followTether();
    // The sound listener follows the camera: its eye, its facing and its motion since the last frame.
    void updateListener();
    // Zones' emitters start their songs and follow their zones; the sound environment then hands
    // out its voices.
    void updateEmitters();
    void updateTempo();
    void endActs(bool keepHeld);
    void stopTransitions();
    void findPen();
    // No avatar held or let go; both slots are free again.
    void forgetAvatars();
    // The avatar let go last may be taken and met again.
    void forgetReleasedAvatar();
    // The held avatar, shown in front of the view as it comes back from waiting out of sight.
    void showHeldAvatarAhead(AvatarSlot& held);
    // The player is taken up by a seized object other than the held avatar, or by an act.
    bool isBusy() const;

    Look& m_world;
    double m_startTime = 0.0;
    Zone* m_currentZone = nullptr;
    std::unique_ptr<LookFly> m_flight;
    double m_flySpeed = 10.0;
    float m_playerSize = 1.0f;
    float m_farClip = 20000.0f;
    SkySettings m_sky;
    SunSettings m_sun;
    std::vector<Act*> m_playingActs;
    ObjectTrigger* m_pendingTrigger = nullptr;
    double m_dueTime = 0.0;
    std::array<Soundtracks, 3> m_soundtracks;
    finch::SphereRenderer m_skyDome;
    float m_fogSky = 1.0f;
    FogSettings m_fog;
    finch::Fog m_liveFog;
    finch::Light m_light;
    finch::LightModel m_lightModel;
    ObjectFogTransitions m_objectFogs;
    FloatTransition m_playerSizeChange;
    FloatTransition m_farClipChange;
    FogTransition m_fogChange;
    FloatTransition m_fogSkyChange;
    SkyTransition m_skyChange;
    SunTransition m_sunChange;
    bool m_paused = false;
    SeizeState m_seize;
    Zone* m_projectileZone = nullptr;
    Act* m_tetheringAct = nullptr;
    Zone* m_penZone = nullptr;
    Level* m_penLevel = nullptr;
    std::vector<pelican::PelicanObject*> m_gravatars;
    bool m_penWasFull = false;
    int m_framesStepped = 0;
    std::optional<finch::Vector3d> m_listenerPosition;
    finch::Vector3d m_listenerVelocity;
    AvatarSlot* m_heldAvatar = nullptr;
    AvatarSlot* m_releasedAvatar = nullptr;
    // Keeps the avatar let go last out of the collisions, so that the player flying on from where
    // it let go passes through it.
    std::optional<CollisionsOff> m_releasedAside;
};

// The zone found in the last step, for the flight; null before any.
Zone* currentZoneValue();
// Seconds before the pending condition fires; 0 when none waits.
double pendingTriggerDelay();
