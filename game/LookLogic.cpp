#include "game/LookLogic.h"

#include "base/Debug.h"
#include "content/world/PelicanDB.h"
#include "content/world/PelicanObject.h"
#include "game/Act.h"
#include "game/net/AvatarSlot.h"
#include "game/flight/BallPlay.h"
#include "game/Level.h"
#include "game/Listener.h"
#include "game/Look.h"
#include "game/net/LookNetwork.h"
#include "game/ObjectTrigger.h"
#include "game/flight/Rock.h"
#include "net/NetworkSettings.h"
#include "scene/core/Clock.h"
#include "sound/SoundEnvironment.h"
#include "sound/SoundSystem.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

namespace
{

Zone*& currentZoneSlot()
{
    static Zone* zone = nullptr;
    return zone;
}

double& remainingDelay()
{
    static double delay = 0.0;
    return delay;
}

// The sky dome: sixteen steps around, a ring at the horizon in the sky's bottom colour and one high
// up in its top colour that closes the dome above it (a negative value ends the list), the ground
// colour below the horizon.
constexpr int skySegments = 16;
constexpr float skyElevations[] = {0.0f, 45.0f, -1.0f};

// A zone's far clip changes over this time, eased.
constexpr double farClipChangeSeconds = 2.0;
// The player's size changes over this time, linearly.
constexpr double playerSizeChangeSeconds = 1.0;

// The flight speed the music's volume follows; none while nobody flies.
double flightSpeed(const LookFly* flight)
{
    return flight != nullptr ? flight->speed() : 0.0;
}

// The longest wait for the sound loader at the start, so that a load that never ends cannot keep
// the game from starting.
constexpr int longestLoadWaitMilliseconds = 10000;

// Waits in 1 ms sleeps while the program's sound system loads.
void waitForSoundLoading()
{
    if (egret::SoundSystem::hasDied()) {
        return;
    }
    const egret::SoundSystem& sounds = egret::SoundSystem::instance();
    for (int waited = 0; sounds.isLoading(); ++waited) {
        if (waited == longestLoadWaitMilliseconds) {
            heron::debug("Sounds still loading after %d s: starting without them\n", longestLoadWaitMilliseconds / 1000);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}

Zone* currentZoneValue()
{
    return currentZoneSlot();
}

double pendingTriggerDelay()
{
    return remainingDelay();
}

LookLogic::LookLogic(Look& world)
    : m_world(world), m_skyDome(skySegments, skyElevations, finch::defaultSkyBands, finch::defaultSkyBase)
{
}

LookLogic::~LookLogic()
{
    remainingDelay() = 0.0;
    currentZoneSlot() = nullptr;
}

void LookLogic::start(kestrel::Window* window)
{
    m_flight = std::make_unique<LookFly>(m_world, window);
    m_flySpeed = 10.0;
    m_currentZone = nullptr;
    m_pendingTrigger = nullptr;
    m_tetheringAct = nullptr;
    m_objectFogs.clear();
    // The pen is found at the start too, not only when the game starts afresh: a first game can
    // fill it.
    findPen();
    m_startTime = finch::Clock::now();
    m_world.reset(m_startTime);
    Level* const level = m_world.currentLevel();
    if (level == nullptr) {
        return;
    }
    if (!egret::SoundSystem::hasDied()) {
        egret::SoundSystem::instance();
    }
    updateListener();
    dropRocks(m_world.database());
    // Levels that conditions lead to are entered once and left, so their media load up front.
    for (const auto& zone : level->zones()) {
        if (Level* const linked = zone->trigger.targetLevel) {
            linked->enter(m_world);
            waitForSoundLoading();
            linked->exit();
        }
    }
    stopFinishedActs();
    level->enter(m_world);
    if (NetworkSettings::connectToNetwork) {
        m_world.network().connectToServer();
    }
}

void LookLogic::stop()
{
    m_currentZone = nullptr;
    currentZoneSlot() = nullptr;
    endActs(false);
    m_fogChange.stop();
    for (Soundtracks& track : m_soundtracks) {
        track.stop();
    }
    if (Level* const level = m_world.currentLevel()) {
        level->exit();
    }
    endSeize();
    m_seize = SeizeState();
    forgetAvatars();
    dropRocks(m_world.database());
    m_flight.reset();
    m_world.network().disconnect();
}

void LookLogic::reset()
{
    for (Soundtracks& track : m_soundtracks) {
        track.stop();
    }
    endActs(false);
    stopFinishedActs();
    // Running fades would overwrite the values the current zone now sets at once.
    stopTransitions();
    if (Zone* const zone = m_world.currentObject()) {
        applyZoneAtOnce(*zone);
    }
    // The seized object gets its collisions back before it is forgotten.
    endSeize();
    m_seize = SeizeState();
    if (m_flight) {
        m_flight->reset();
    }
    forgetAvatars();
    findPen();
    // The soundtracks are stopped: the next frame enters the zone the game starts again in, also
    // the one the player was in, so that a fresh game plays its songs as the start of play does.
    m_currentZone = nullptr;
}

void LookLogic::stopTransitions()
{
    m_playerSizeChange.stop();
    m_farClipChange.stop();
    m_fogChange.stop();
    m_fogSkyChange.stop();
    m_skyChange.stop();
    m_sunChange.stop();
}

void LookLogic::findPen()
{
    m_penZone = nullptr;
    m_penLevel = nullptr;
    m_penWasFull = false;
    m_gravatars.clear();
    for (const auto& level : m_world.levels()) {
        for (const auto& zone : level->zones()) {
            if (zone->isGravatarPen) {
                m_penZone = zone.get();
                m_penLevel = level.get();
            }
            if (zone->isAnAvatar && zone->isAGravatar && zone->object != nullptr) {
                m_gravatars.push_back(zone->object);
            }
        }
    }
}

void LookLogic::applyZoneAtOnce(Zone& zone)
{
    if (zone.changeFlySpeed) {
        m_flySpeed = zone.flySpeed;
    }
    if (zone.changeFarClip) {
        m_farClip = zone.effectiveFarClip();
    }
    if (zone.changeFog) {
        m_fog = zone.fog;
        m_fogSky = zone.fogSky ? static_cast<float>(m_world.camera().farDistance()) : 1.0f;
        m_objectFogs.start(zone.objectFogs, zone.fog, zone.fog, 0.0f);
        updateObjectFogs();
    } else {
        m_fog.type = 0;
        m_fogSky = 1.0f;
    }
    if (zone.changeSky) {
        m_sky = zone.sky;
    }
    if (zone.changeSun) {
        m_sun = zone.sun;
    }
    applyStars(zone);
    m_playerSize = zone.playerSize2;
    zone.trigger.applyVisibility(m_world);
}

void LookLogic::applyStars(const Zone& zone)
{
    if (!zone.changeStars) {
        return;
    }
    if (zone.enableStars) {
        m_skyDome.setStarFlag(true);
        m_skyDome.setStarCount(zone.numStars, zone.hemisphere);
    } else if (zone.disableStars) {
        m_skyDome.setStarFlag(false);
    }
}

void LookLogic::teleport(const finch::Transform& placement)
{
    if (m_heldAvatar != nullptr) {
        pelican::PelicanObject& object = m_heldAvatar->object();
        object.setTransform(followView(object.transform(), m_world.camera().camera(), placement));
    }
    if (m_flight) {
        m_flight->teleport(placement);
    } else {
        m_world.camera().setTransform(placement);
    }
}

void LookLogic::followTether()
{
    Act* const act = Act::tethering();
    if (act == m_tetheringAct) {
        return;
    }
    m_tetheringAct = act;
    setPlayerPath(act);
}

void LookLogic::setPlayerPath(Act* act)
{
    if (m_flight) {
        m_flight->setPath(act);
    }
}

void LookLogic::arrangePen()
{
    if (m_penZone == nullptr || m_gravatars.empty()) {
        return;
    }
    const finch::Vector3d centre = m_penZone->position() + finch::Vector3d(0.0, 0.0, 0.2 * m_penZone->radius);
    // The first avatar waits outside the pen, so that the pen fills only when the player brings it.
    const double outside = 2.0 * m_penZone->radius;
    const double step = 2.0 * M_PI / static_cast<double>(m_gravatars.size());
    std::size_t placed = 0;
    for (const auto& slot : m_world.avatars()) {
        if (!slot->isGravatar()) {
            continue;
        }
        const double angle = step * static_cast<double>(placed);
        const double radius = placed == 0 ? outside : outside / 3.0;
        ++placed;
        pelican::PelicanObject& object = slot->object();
        finch::Matrix moved = object.transform();
        moved.translate(centre + finch::Vector3d(radius * std::cos(angle), radius * std::sin(angle), 0.0) -
                        objectPosition(object));
        object.setTransform(moved);
        slot->setLevel(m_penLevel);
        slot->markFree();
    }
    if (m_world.currentLevel() != m_penLevel) {
        m_world.changeLevel(m_penLevel, this);
    }
}

Act* LookLogic::holdingAct() const
{
    for (Act* act : m_playingActs) {
        if (act->master) {
            return act;
        }
    }
    return m_playingActs.empty() ? nullptr : m_playingActs.back();
}

Zone* LookLogic::findCurrentZone(Act* holding, Zone*& carriedTarget)
{
    if (holding != nullptr && holding->objective && holding->object != nullptr) {
        const finch::Vector3d tether = objectPosition(*holding->object, holding->verticalOffset);
        return m_world.nearestObject(m_world.currentLevel(), tether, holding->object);
    }
    if (m_seize.object != nullptr) {
        return findCarriedZone(carriedTarget);
    }
    // A held avatar finds its zones where it flies, and does not find its own.
    if (m_heldAvatar != nullptr) {
        pelican::PelicanObject& avatar = m_heldAvatar->object();
        return m_world.nearestObject(m_world.currentLevel(), objectPosition(avatar), &avatar);
    }
    return m_world.currentObject();
}

bool LookLogic::update()
{
    if (!m_paused) {
        if (Level* const playing = m_world.currentLevel(); playing != nullptr && playing->needsPlaySounds()) {
            const std::optional<Bat> striking = bat();
            m_world.changeLevel(updateBalls(m_world, *playing, finch::Clock::frameDelta(),
                                            striking ? &*striking : nullptr),
                                this);
        }
        if (pelican::PelicanDB* const database = m_world.database()) {
            database->updateAnimation();
        }
        Zone* zoneToEnter = updateRocks();
        if (m_flight) {
            m_flight->update(m_world.database());
        }
        if (m_seize.inView && m_seize.object != nullptr) {
            updateCarry(m_world.camera());
        }
        updateListener();
        Act* holding = holdingAct();
        Zone* carriedTarget = nullptr;
        Zone* const found = findCurrentZone(holding, carriedTarget);
        currentZoneSlot() = found;
        if (found != m_currentZone) {
            m_currentZone = found;
            if (found != nullptr && !found->isATarget) {
                zoneToEnter = found;
            } else if (carriedTarget != nullptr) {
                zoneToEnter = carriedTarget;
            }
        }
        ObjectTrigger* triggerToFire = nullptr;
        Level* const level = m_world.currentLevel();
        if (zoneToEnter != nullptr && level != nullptr) {
            enterZone(*level, zoneToEnter, holding, triggerToFire);
        }
        if (ObjectTrigger* const pen = checkPen()) {
            triggerToFire = pen;
        }
        const double speed = flightSpeed(m_flight.get());
        m_soundtracks[firstTrack].update(false, speed);
        m_soundtracks[secondTrack].update(false, speed);
        m_soundtracks[ambientTrack].update(
            !m_soundtracks[firstTrack].isPlaying() && !m_soundtracks[secondTrack].isPlaying(), speed);
        updateEnvironment();
        takeDueTrigger(triggerToFire);
        if (triggerToFire != nullptr) {
            fireTrigger(*triggerToFire, zoneToEnter);
        }
        updateActs(holding);
        followTether();
        if (m_framesStepped < settleFrames) {
            ++m_framesStepped;
        } else {
            updateEmitters();
            updateTempo();
        }
        trackCarried();
    }
    updateHeldAvatar();
    m_world.network().updateNetwork();
    if (!egret::SoundSystem::hasDied()) {
        egret::SoundSystem::instance().update();
    }
    return !(m_flight && m_flight->quitRequested());
}

Zone* LookLogic::updateRocks()
{
    pelican::PelicanDB* const database = m_world.database();
    if (database == nullptr) {
        return nullptr;
    }
    RockSurroundings around;
    if (const Level* const level = m_world.currentLevel()) {
        around.targets = level->targetZones();
    }
    around.heldAvatar = m_heldAvatar != nullptr ? &m_heldAvatar->object() : nullptr;
    around.ring = [this](const finch::Vector3d& point, double reach) { return ringAvatarNear(point, reach); };
    return flyRocks(*database, finch::Clock::now(), finch::Clock::frameDelta(), around);
}

bool LookLogic::ringAvatarNear(const finch::Vector3d& point, double reach)
{
    LookNetwork& network = m_world.network();
    bool connecting = false;
    const bool connected = network.isConnectedClient(connecting) && !connecting;
    if (!network.isServing() && !connected) {
        return false;
    }
    for (const auto& slot : m_world.avatars()) {
        const double within = slot->radius() + reach;
        if (slot.get() != m_heldAvatar && !slot->isAvailable() &&
            squaredDistance(objectPosition(slot->object()), point) <= within * within) {
            network.ringAvatar(*slot);
            return true;
        }
    }
    return false;
}

bool LookLogic::isInPen(const AvatarSlot& slot) const
{
    return m_penZone != nullptr && slot.level() == m_penLevel &&
           squaredDistance(objectPosition(slot.object()), m_penZone->position()) < m_penZone->radius * m_penZone->radius;
}

ObjectTrigger* LookLogic::checkPen()
{
    if (m_penZone == nullptr || m_pendingTrigger != nullptr || m_world.currentLevel() != m_penLevel) {
        return nullptr;
    }
    const double r2 = m_penZone->radius * m_penZone->radius;
    std::size_t inside = 0;
    for (pelican::PelicanObject* gravatar : m_gravatars) {
        if (gravatar->isActive() && squaredDistance(objectPosition(*gravatar), m_penZone->position()) < r2) {
            ++inside;
        }
    }
    // The pen fires once when it fills up, and only with at least one gravatar in it. The Maestro
    // is named by the server alone, from its own view of who brought the last glider in.
    const bool full = inside >= 1 && inside == m_gravatars.size();
    const bool fires = full && !m_penWasFull;
    m_penWasFull = full;
    return fires ? &m_penZone->trigger : nullptr;
}

void LookLogic::updateEnvironment()
{
    m_farClipChange.update();
    m_fogChange.update();
    m_skyChange.update();
    m_sunChange.update();
    m_playerSizeChange.update();
    updateObjectFogs();
    m_fogSkyChange.update();
}

void LookLogic::updateObjectFogs()
{
    if (!m_objectFogs.update()) {
        return;
    }
    pelican::PelicanDB* const database = m_world.database();
    if (database == nullptr) {
        return;
    }
    database->clearFogSetters();
    for (const ObjectFogTransitions::Entry& entry : m_objectFogs.entries()) {
        database->setFog(entry.current.toFog(), entry.object);
    }
}

void LookLogic::takeDueTrigger(ObjectTrigger*& triggerToFire)
{
    if (m_pendingTrigger == nullptr) {
        return;
    }
    const double now = finch::Clock::now();
    if (now < m_dueTime) {
        remainingDelay() = m_dueTime - now;
        return;
    }
    triggerToFire = m_pendingTrigger;
    m_pendingTrigger = nullptr;
    remainingDelay() = 0.0;
}

void LookLogic::fireTrigger(ObjectTrigger& trigger, Zone* zone)
{
    if (!trigger.fire(m_world, zone, this)) {
        return;
    }
    const Level* const level = m_world.currentLevel();
    endActs(level != nullptr && !level->teleport);
    m_currentZone = nullptr;
    currentZoneSlot() = nullptr;
    m_pendingTrigger = nullptr;
    remainingDelay() = 0.0;
}

void LookLogic::endActs(bool keepHeld)
{
    std::erase_if(m_playingActs, [&](Act* act) {
        if (keepHeld && (act->master || act->immune)) {
            return false;
        }
        act->end();
        return true;
    });
}

void LookLogic::updateActs(Act* holding)
{
    stopFinishedActs();
    std::erase_if(m_playingActs, [&](Act* act) { return !act->update(act == holding); });
    updateWaitingAct();
}

void LookLogic::updateListener()
{
    if (egret::SoundEnvironment* const sounds = liveSoundEnvironment()) {
        sounds->setListener(
            listenerAt(m_world.camera(), finch::Clock::frameDelta(), m_listenerPosition, m_listenerVelocity));
    }
}

void LookLogic::updateEmitters()
{
    Level* const level = m_world.currentLevel();
    egret::SoundEnvironment* const sounds = liveSoundEnvironment();
    if (level == nullptr || sounds == nullptr) {
        return;
    }
    const double now = finch::Clock::now();
    for (const auto& zone : level->zones()) {
        zone->startEmitterSong(m_world);
        zone->moveEmitter(now);
    }
    sounds->update();
}

void LookLogic::updateTempo()
{
    Level* const level = m_world.currentLevel();
    const Counter* const rings = m_world.ringCounter();
    if (level == nullptr || !level->motor.enable) {
        return;
    }
    Motor& motor = level->motor;
    if (rings != nullptr) {
        motor.setPatternIndex(static_cast<std::int64_t>(rings->count()));
    }
    const Motor::Pattern& pattern = motor.currentPattern();
    const double speed = std::fabs(m_flight ? m_flight->speed() : 0.0);
    if (speed < pattern.minBpmSpeed) {
        motor.setTempo(pattern.minBpm);
    } else if (speed >= pattern.maxBpmSpeed) {
        motor.setTempo(pattern.maxBpm);
    } else {
        const double share = (speed - pattern.minBpmSpeed) / (pattern.maxBpmSpeed - pattern.minBpmSpeed);
        motor.setTempo(static_cast<std::int32_t>(pattern.minBpm + share * (pattern.maxBpm - pattern.minBpm)));
    }
}

void LookLogic::enterZone(Level& level, Zone* zone, Act*& holding, ObjectTrigger*& triggerToFire)
{
    if (zone == nullptr) {
        return;
    }
    heron::debug("entering zone %s\n", zone->name.c_str());
    if (zone->changeFlySpeed) {
        m_flySpeed = zone->flySpeed;
    }
    if (zone->changeFarClip) {
        m_farClipChange.start(m_farClip, zone->effectiveFarClip(), farClipChangeSeconds, Easing::eased);
    }
    if (zone->changeFog) {
        m_fogChange.start(m_fog, zone->fog, zone->fogChangeTime, Easing::eased);
        const float fogSky = zone->fogSky ? static_cast<float>(m_world.camera().farDistance()) : 1.0f;
        m_fogSkyChange.start(m_fogSky, fogSky, zone->fogChangeTime, Easing::eased);
        m_objectFogs.start(zone->objectFogs, zone->fog, m_fog, zone->fogChangeTime);
    }
    if (zone->changeSky) {
        m_skyChange.start(m_sky, zone->sky, zone->skyChangeTime, Easing::eased);
    }
    if (zone->changeSun) {
        m_sunChange.start(m_sun, zone->sun, zone->sunChangeTime, Easing::linear);
    }
    m_playerSizeChange.start(m_playerSize, zone->playerSize2, playerSizeChangeSeconds, Easing::linear);
    applyStars(*zone);
    if (m_flight) {
        m_flight->setFallSpeed(zone->gravity);
    }
    playSongs(*zone);
    if (zone->triggerAllActs) {
        for (const auto& each : level.zones()) {
            startAct(*each, holding);
        }
    } else {
        startAct(*zone, holding);
    }
    armCondition(*zone, triggerToFire);
    if (!zone->noExit && !zone->isGoal) {
        zone->particles.start();
    }
    if (zone->seizeObject) {
        seize(*zone);
    }
    if (zone->projectile.give) {
        m_projectileZone = zone;
    } else if (zone->projectile.take) {
        m_projectileZone = nullptr;
    }
}

void LookLogic::playSongs(Zone& zone)
{
    const double speed = flightSpeed(m_flight.get());
    const auto play = [&](std::size_t track, Song& song) {
        m_soundtracks[track].play(&song, speed, song.playRing ? m_world.currentRingSong(zone) : nullptr);
    };
    if (zone.isATarget) {
        egret::SoundEnvironment* const sounds = liveSoundEnvironment();
        if (zone.targetSound && sounds != nullptr) {
            sounds->playEffect(zone.targetSound, 1.0f);
        }
        if (!zone.song1.isSingleLoop()) {
            play(firstTrack, zone.song1);
        }
        if (!zone.song2.isSingleLoop()) {
            play(secondTrack, zone.song2);
        }
        return;
    }
    play(firstTrack, zone.song1);
    play(secondTrack, zone.song2);
    play(ambientTrack, zone.ambientSong);
}

void LookLogic::armCondition(Zone& zone, ObjectTrigger*& triggerToFire)
{
    ObjectTrigger& trigger = zone.trigger;
    if (trigger.delay > 0.0) {
        if (m_pendingTrigger == &trigger) {
            return;
        }
        m_pendingTrigger = &trigger;
        m_dueTime = finch::Clock::now() + trigger.delay;
        if (trigger.instantVis) {
            trigger.applyVisibility(m_world);
        }
        return;
    }
    if (!zone.isGravatarPen) {
        triggerToFire = &trigger;
    }
}

void LookLogic::startAct(Zone& zone, Act*& holding)
{
    Act& act = zone.act;
    if (!act.enable) {
        return;
    }
    if (std::find(m_playingActs.begin(), m_playingActs.end(), &act) != m_playingActs.end()) {
        heron::debug("Act %s was already playing!\n", act.animationName(0).c_str());
    } else {
        m_playingActs.push_back(&act);
        act.start();
        if (act.master) {
            holding = &act;
        }
    }
    // Rocks thrown before would fly on into the act's scene.
    dropRocks(m_world.database());
}
