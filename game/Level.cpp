#include "game/Level.h"

#include "content/ImageFiles.h"
#include "content/SoundCache.h"
#include "game/Look.h"
#include "game/NamedList.h"
#include "sound/OpenALSoundHAL.h"
#include "sound/SoundSystem.h"

#include <algorithm>

namespace
{

// The file name the play sounds have until a look file names one: no sound to load.
const char* const placeholderSound = "soundeffect.wav";

// Has the sound cache read a play sound's file; the placeholder names no file to read.
void preloadPlaySound(const heron::FilePath& file)
{
    if (file.name() == placeholderSound) {
        return;
    }
    // A missing file is logged and listed by the cache; its sound then stays unheard.
    static_cast<void>(pelican::preloadSoundFile(file, pelican::CacheBuild::No));
}

// Loads the sound of file into buffer unless one is held or the file is the placeholder.
void loadPlaySound(const heron::FilePath& file, heron::counted_ptr<egret::SoundBuffer>& buffer)
{
    if (buffer || file.name() == placeholderSound || egret::SoundSystem::hasDied()) {
        return;
    }
    buffer = egret::SoundSystem::instance().hal().loadBuffer(pelican::getSound(file.c_str()), egret::Loading::Queued);
}

}

bool nearerToPoint(const finch::Vector3d& point, Zone& a, Zone& b)
{
    return squaredDistance(a.position(), point) < squaredDistance(b.position(), point);
}

Level::~Level()
{
    while (!m_zones.empty()) {
        m_zones.pop_back();
    }
}

Zone* Level::addObject(const heron_string& zoneName)
{
    return appendNamed(m_zones, zoneName, m_currentObject);
}

void Level::enter(Look& world)
{
    const finch::Vector3d eye = world.camera().eye();
    m_targetZones.clear();
    std::vector<Zone*> byDistance;
    for (const auto& zone : m_zones) {
        byDistance.push_back(zone.get());
    }
    std::stable_sort(byDistance.begin(), byDistance.end(),
                     [&](Zone* a, Zone* b) { return nearerToPoint(eye, *a, *b); });
    for (Zone* zone : byDistance) {
        zone->enterLevel(world);
        if (zone->isATarget) {
            m_targetZones.push_back(zone);
        }
        if (resetAllActs) {
            zone->act.stop();
        }
    }
    motor.start();
    m_entered = true;
}

void Level::exit()
{
    for (const auto& zone : m_zones) {
        zone->exit();
    }
    motor.stop();
    m_entered = false;
}

void Level::preloadMedia()
{
    preloadPlaySound(batSound);
    preloadPlaySound(goalSound);
    // Notes the counter graphics in the used-files list; the counters load them when drawn.
    static_cast<void>(pelican::checkImageFile(counterGraphic));
    static_cast<void>(pelican::checkImageFile(countedGraphic));
    for (const auto& zone : m_zones) {
        zone->preload();
    }
}

void Level::resetSounds()
{
    m_needsPlaySounds = false;
    for (const auto& zone : m_zones) {
        zone->reset();
        m_needsPlaySounds = m_needsPlaySounds || zone->isBat || zone->isBall;
    }
    if (m_needsPlaySounds) {
        loadPlaySound(batSound, m_batSoundBuffer);
        loadPlaySound(goalSound, m_goalSoundBuffer);
    }
}
