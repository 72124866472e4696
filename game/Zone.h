#pragma once

#include "base/FilePath.h"
#include "base/heron_string.h"
#include "game/Act.h"
#include "game/EnvironmentTransitions.h"
#include "game/ObjectTrigger.h"
#include "game/flight/Projectile.h"
#include "music/Song.h"
#include "scene/math/Vector3d.h"
#include "scene/particles/ParticleSystem.h"
#include "sound/SoundEmitter.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

class Look;

namespace egret
{
class SoundEnvironment;
}

namespace kestrel
{
class Image;
}

namespace pelican
{
class PelicanObject;
}

// A zone's particle emitter with the image its particles show.
class ZoneParticles : public finch::ParticleSystem
{
public:
    bool animated = false;
    heron::FilePath imageFile{"dandelion.rgba"};
    // The object each particle shows; null for none.
    pelican::PelicanObject* shape = nullptr;
};

// A sphere of a level, optionally centred on a content object, with what happens while the player
// is inside it: flight settings, environment changes, songs, an act, a condition, particles and a
// projectile. Owned by its level. Main thread only.
class Zone
{
public:
    static constexpr std::size_t ringSongCount = 8;

    Zone();
    ~Zone();
    Zone(const Zone&) = delete;
    Zone& operator=(const Zone&) = delete;

    // Zones alive in the program.
    static int count();

    // The zone's position: a zone centred on an object (not an avatar's) follows the object,
    // verticalOffset above it. Callers may write through it.
    finch::Vector3d& position();

    // Back to the start of the game: act stopped, object put back, particles stopped.
    void reset();
    // The level this zone belongs to is entered in world: a target zone loads its target sound and
    // the emitter song starts.
    void enterLevel(Look& world);
    // Starts the emitter song (the ring song for the rings world's ring counter holds, for a ring
    // emitter) when it is not the one sounding already; a zone without a song to sound goes quiet.
    void startEmitterSong(Look& world);
    // Once a frame: the emitter sounds where the zone is, moving as the zone moved since the last
    // call at the scene time now; silent while the object it is centred on is switched off.
    void moveEmitter(double now);
    // The motion the emitter was last given.
    const egret::Motion& emitterMotion() const { return m_emitterMotion; }
    // The level this zone belongs to is left.
    void exit();
    // Has the sound cache read the files of the ambient song, its ring songs when it plays rings,
    // the emitter song and the projectile's sound, so that entering the zone does not wait on them.
    void preload();
    // The far clip that entering the zone aims at: far clips past the sky's reach get a margin.
    float effectiveFarClip() const;
    // A bump lights the marker at full brightness; otherwise it fades out over five seconds. True
    // while it shows.
    bool updateMarker(double frameTime);
    // The turning sphere that shows a no-entry or no-exit wall the player bumped, when the zone
    // shows its collisions. Called while the scene is drawn.
    void drawNoEntryExitMarker(Look& world);

    // The particles show the image file; animated, they cycle through the images beside it named
    // like it (same length, same first letter in either case), up to 16, in one atlas; without
    // such images, the file alone.
    void setParticleImage(const heron::FilePath& file);
    void setParticleAnimated(bool animated);
    // Object particles show the object's shape (null: none).
    void setParticleObject(pelican::PelicanObject* shape);

    heron_string name{"new zone..."};
    double radius = 20.0;
    bool isCenteredOnObject = false;
    pelican::PelicanObject* object = nullptr;
    double verticalOffset = 0.0;
    bool isAPortal = false;
    bool changeFarClip = false;
    float farClip = 20000.0f;
    bool waterIsSolid = false;
    bool noEntry = false;
    bool noExit = false;
    bool showCollision = false;
    // Set when the player bumps into the zone's wall; the marker lights up again from it.
    bool bumped = false;
    // The marker's brightness, 0 to 255, fading after a bump.
    double markerBrightness = 0.0;
    bool spinView = false;
    bool spinAlways = false;
    bool sphericalSpin = true;
    bool aeroplaneFly = false;
    bool changeFlySpeed = false;
    double flySpeed = 10.0;
    float playerSize2 = 2.0f;
    float gravity = 3.0f;

    bool changeFog = false;
    float fogChangeTime = 10.0f;
    FogSettings fog;
    bool fogSky = false;
    bool changeSky = false;
    float skyChangeTime = 3.0f;
    SkySettings sky;
    bool changeSun = false;
    float sunChangeTime = 10.0f;
    SunSettings sun;
    std::vector<ObjectFog> objectFogs;

    bool changeStars = false;
    bool enableStars = false;
    bool disableStars = false;
    bool hemisphere = true;
    std::int32_t numStars = 500;

    Act act;
    bool triggerAllActs = false;
    ObjectTrigger trigger;
    bool emitRing = false;
    Song song1;
    Song song2;
    Song ambientSong;
    std::array<Song, ringSongCount> ringSongs;
    Song emitter;
    ZoneParticles particles;
    bool emitLight = false;

    bool seizeObject = false;
    bool seizeGravity = true;
    bool seize2d = false;
    bool canBeParked = false;
    bool isBat = false;
    bool isBall = false;
    bool isGoal = false;
    bool rollBall = false;
    bool keepAvatar = false;
    std::int32_t goalCounter = -1;
    float stiffness = 10.0f;
    bool isATarget = false;
    bool suckRocks = false;
    pelican::PelicanObject* targetObject = nullptr;
    Projectile projectile;
    bool isAnAvatar = false;
    bool isAGravatar = false;
    bool isGravatarPen = false;

    finch::Vector3d velocity;
    // The one-shot sound a target zone plays when entered; empty for none.
    heron::counted_ptr<egret::SoundBuffer> targetSound;
    // The source the emitter now sounds and the emitter; empty for none.
    heron::counted_ptr<egret::SoundDataSource> soundingSource;
    heron::counted_ptr<egret::SoundEmitter> soundEmitter;

private:
    void rebuildParticleTexture();
    void loadTargetSound();

    finch::Vector3d m_position;
    // Where and when the emitter was last placed, and the motion it was given; no time before the
    // first placing.
    finch::Vector3d m_emitterPlace;
    std::optional<double> m_emitterTime;
    egret::Motion m_emitterMotion;
};

// The frames of animated particles in one 512 x 512 atlas of 128-pixel cells, the first at the top
// left and row by row downward, as the particles' texture cycle reads them. Shrinks the frames.
kestrel::Image particleAtlas(std::vector<kestrel::Image>& frames);
// The program's sound environment; null once the sound system has been destroyed at exit.
egret::SoundEnvironment* liveSoundEnvironment();
// A point or motion in the sound system's form.
egret::SoundVector soundVector(const finch::Vector3d& v);
// The squared distance between two points.
double squaredDistance(const finch::Vector3d& a, const finch::Vector3d& b);
// Where the object stands (its transform's translation), lift higher.
finch::Vector3d objectPosition(const pelican::PelicanObject& object, double lift = 0.0);
