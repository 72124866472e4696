#include "game/Zone.h"

#include "content/DataFiles.h"
#include "content/ImageFiles.h"
#include "content/SoundCache.h"
#include "content/world/PelicanObject.h"
#include "game/Look.h"
#include "gui/gl/GLstate.h"
#include "scene/core/Clock.h"
#include "scene/graph/InstanceBranch.h"
#include "scene/render/Material.h"
#include "scene/render/Texture.h"
#include "scene/sky/Sphere.h"
#include "sound/OpenALSoundHAL.h"
#include "sound/SoundEnvironment.h"
#include "sound/SoundSystem.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace
{

int& zoneCount()
{
    static int count = 0;
    return count;
}

// Far clips beyond this reach past the sky dome; the camera gets a tenth more so the dome stays
// inside it.
constexpr float skyReachFarClip = 9999900.0f;
// Songs give their volume in percent.
constexpr float percent = 0.01f;
// The share of a moving emitter's speed its pitch follows, times the song's Doppler factor.
constexpr double dopplerShare = 0.25;
// A bumped marker lights at this brightness (of 255) and fades out in markerFadeSeconds.
constexpr double markerBumpBrightness = 192.0;
constexpr double markerFadeSeconds = 5.0;
// Degrees per second the markers turn about the vertical.
constexpr double markerTurnSpeed = 4.0;
// A no-exit marker stands just outside its bubble so that the bubble's own surface does not hide it.
constexpr double noExitMarkerGrowth = 1.04;

// The angle all markers share, turning with the frames.
double& markerAngle()
{
    static double angle = 0.0;
    return angle;
}

finch::Material& markerMaterial()
{
    static const heron::counted_ptr<finch::Material> material = [] {
        heron::counted_ptr<finch::Material> made(new finch::Material(finch::RGBA{1.0f, 1.0f, 1.0f, 1.0f}));
        made->setLit(false);
        return made;
    }();
    return *material;
}

// An animated particle image is the run of files beside it named like it: as long as its name and
// starting with the same letter (either case), at most atlasFrames of them, each shrunk to a cell
// of one atlas.
constexpr int atlasColumns = 4;
constexpr std::size_t atlasFrames = atlasColumns * atlasColumns;
constexpr int atlasCell = 128;
constexpr int atlasSide = atlasCell * atlasColumns;

bool isParticleFrameName(const heron_string& entry, const heron_string& name)
{
    return entry.length() == name.length() && !name.empty() &&
           std::tolower(static_cast<unsigned char>(entry[0])) == std::tolower(static_cast<unsigned char>(name[0]));
}

std::vector<kestrel::Image> particleFrames(const heron::FilePath& file)
{
    std::vector<kestrel::Image> frames;
    const pelican::DataFileName folder(file, pelican::plainCategory);
    for (const heron_string& entry : pelican::findDataFolder(folder)) {
        if (frames.size() == atlasFrames) {
            break;
        }
        if (!isParticleFrameName(entry, file.name())) {
            continue;
        }
        kestrel::Image frame = pelican::loadImageFile(heron::FilePath(file.spelledDirectory() + entry));
        if (!frame.isEmpty()) {
            frames.push_back(std::move(frame));
        }
    }
    return frames;
}

}

kestrel::Image particleAtlas(std::vector<kestrel::Image>& frames)
{
    kestrel::Image atlas(atlasSide, atlasSide);
    int column = 0;
    // Images count rows from the bottom; the cells run from the top down.
    int top = atlasSide;
    for (kestrel::Image& frame : frames) {
        frame.resize(atlasCell, atlasCell);
        atlas.paste(frame, column * atlasCell, top - atlasCell);
        if (++column == atlasColumns) {
            column = 0;
            top -= atlasCell;
        }
    }
    return atlas;
}

namespace
{

finch::Sphere& markerSphere()
{
    static finch::Sphere sphere = [] {
        finch::Sphere made;
        made.setRenderParameters(1, 8, nullptr);
        return made;
    }();
    return sphere;
}

}

egret::SoundEnvironment* liveSoundEnvironment()
{
    return egret::SoundSystem::hasDied() ? nullptr : &egret::SoundEnvironment::instance();
}

egret::SoundVector soundVector(const finch::Vector3d& v)
{
    return {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)};
}

double squaredDistance(const finch::Vector3d& a, const finch::Vector3d& b)
{
    return finch::Vector3d(a.x - b.x, a.y - b.y, a.z - b.z).lengthSquared();
}

finch::Vector3d objectPosition(const pelican::PelicanObject& object, double lift)
{
    const finch::Matrix& placed = object.transform();
    return finch::Vector3d(placed.at(3, 0), placed.at(3, 1), placed.at(3, 2) + lift);
}

Zone::Zone()
{
    ++zoneCount();
}

Zone::~Zone()
{
    --zoneCount();
}

int Zone::count()
{
    return zoneCount();
}

finch::Vector3d& Zone::position()
{
    if (isCenteredOnObject && object != nullptr && !isAnAvatar) {
        m_position = objectPosition(*object, verticalOffset);
    }
    return m_position;
}

void Zone::reset()
{
    act.stop();
    if (isCenteredOnObject && object != nullptr) {
        object->resetTransform();
        velocity = finch::Vector3d();
    }
    particles.stop();
    song1.playedOnce = false;
    song2.playedOnce = false;
    ambientSong.playedOnce = false;
}

void Zone::enterLevel(Look& world)
{
    if (isCenteredOnObject && isBall && object != nullptr) {
        object->resetTransform();
        velocity = finch::Vector3d();
    }
    if (act.enable) {
        for (Song* song : {&song1, &song2}) {
            song->minvolSpeed = 0.0f;
            song->maxvolSpeed = 0.0f;
        }
    }
    projectile.loadSound();
    if (isATarget && !act.enable && !targetSound) {
        loadTargetSound();
    }
    startEmitterSong(world);
    song1.playedOnce = false;
    song2.playedOnce = false;
    ambientSong.playedOnce = false;
}

void Zone::loadTargetSound()
{
    Song* const loop = song1.isSingleLoop() ? &song1 : song2.isSingleLoop() ? &song2 : nullptr;
    if (loop == nullptr || egret::SoundSystem::hasDied()) {
        return;
    }
    targetSound = egret::SoundSystem::instance().hal().loadBuffer(loop->makeLoop(), egret::Loading::Queued);
}

void Zone::startEmitterSong(Look& world)
{
    if (!emitter.enable) {
        return;
    }
    Song* const song = emitRing ? world.currentRingSong(*this) : &emitter;
    const heron::counted_ptr<egret::SoundDataSource> source = song != nullptr ? song->makeLoop() : heron::counted_ptr<egret::SoundDataSource>();
    egret::SoundEnvironment* const sounds = liveSoundEnvironment();
    if (source.get() == soundingSource.get() || sounds == nullptr) {
        return;
    }
    soundingSource = source;
    sounds->destroyEmitter(soundEmitter);
    m_emitterTime.reset();
    if (!source) {
        return;
    }
    soundEmitter = sounds->createEmitter(source, static_cast<float>(song->volume) * percent, song->maxvolDistance);
    m_emitterMotion = egret::Motion{soundVector(position()), {}};
    sounds->setEmitterMotion(soundEmitter, m_emitterMotion);
}

void Zone::moveEmitter(double now)
{
    egret::SoundEnvironment* const sounds = liveSoundEnvironment();
    if (!soundEmitter || sounds == nullptr) {
        return;
    }
    const bool switchedOff = isCenteredOnObject && object != nullptr && !object->isActive();
    sounds->setEmitterActive(soundEmitter, switchedOff ? egret::EmitterActivity::Inactive : egret::EmitterActivity::Active);
    const finch::Vector3d at = position();
    finch::Vector3d moving;
    if (emitter.enableDoppler && m_emitterTime && now != *m_emitterTime) {
        moving = (at - m_emitterPlace) * (emitter.dopplerFactor * dopplerShare / (now - *m_emitterTime));
    }
    m_emitterMotion = egret::Motion{soundVector(at), soundVector(moving)};
    sounds->setEmitterMotion(soundEmitter, m_emitterMotion);
    m_emitterPlace = at;
    m_emitterTime = now;
}

void Zone::preload()
{
    ambientSong.loadSamples(pelican::CacheBuild::Yes);
    if (ambientSong.playRing) {
        for (const Song& ring : ringSongs) {
            ring.loadSamples(pelican::CacheBuild::Yes);
        }
    }
    emitter.loadSamples(pelican::CacheBuild::Yes);
    // A missing projectile sound is logged by the cache; the projectile then flies silently.
    static_cast<void>(pelican::preloadSoundFile(projectile.sound, pelican::CacheBuild::No));
}

void Zone::exit()
{
    if (egret::SoundEnvironment* const sounds = liveSoundEnvironment()) {
        sounds->destroyEmitter(soundEmitter);
    }
    soundEmitter = {};
    soundingSource = {};
    m_emitterTime.reset();
    emitter.releaseSources();
    for (Song& ring : ringSongs) {
        ring.releaseSources();
    }
    if (isATarget) {
        song1.releaseSources();
        song2.releaseSources();
        targetSound = {};
    }
    particles.releaseInternals();
    projectile.releaseSound();
}

float Zone::effectiveFarClip() const
{
    return farClip > skyReachFarClip ? farClip * 1.1f : farClip;
}

void Zone::setParticleImage(const heron::FilePath& file)
{
    particles.imageFile = file;
    rebuildParticleTexture();
}

void Zone::setParticleAnimated(bool animated)
{
    particles.animated = animated;
    rebuildParticleTexture();
}

void Zone::setParticleObject(pelican::PelicanObject* shape)
{
    particles.shape = shape;
    finch::InstanceBranch* const instance = shape != nullptr ? shape->instance() : nullptr;
    particles.setObject(instance != nullptr ? instance->instance() : nullptr);
}

void Zone::rebuildParticleTexture()
{
    heron::counted_ptr<finch::Texture> texture(new finch::Texture());
    particles.setTexture(texture);
    std::vector<kestrel::Image> frames =
        particles.animated ? particleFrames(particles.imageFile) : std::vector<kestrel::Image>();
    if (frames.empty()) {
        texture->setFile(particles.imageFile.c_str());
        particles.setTextureCycle(1, 1, 1);
        return;
    }
    texture->setName("Particles...");
    texture->setFlag19(true);
    texture->setImage(particleAtlas(frames));
    particles.setTextureCycle(static_cast<std::int32_t>(frames.size()), atlasColumns, atlasColumns);
}

bool Zone::updateMarker(double frameTime)
{
    if (bumped) {
        bumped = false;
        markerBrightness = markerBumpBrightness;
    } else if (markerBrightness > 0.0) {
        markerBrightness = std::max(0.0, markerBrightness - markerBumpBrightness * frameTime / markerFadeSeconds);
    }
    return markerBrightness > 0.0;
}

void Zone::drawNoEntryExitMarker(Look& world)
{
    if (!(noEntry || noExit) || !showCollision) {
        return;
    }
    const double frameTime = finch::Clock::frameDelta();
    if (!updateMarker(frameTime)) {
        return;
    }
    kestrel::pushMatrix();
    const finch::Vector3d& at = position();
    kestrel::translate(static_cast<float>(at.x), static_cast<float>(at.y), static_cast<float>(at.z));
    markerAngle() = std::fmod(markerAngle() + markerTurnSpeed * frameTime, 360.0);
    kestrel::rotate(static_cast<float>(markerAngle()), 0.0f, 0.0f, 1.0f);
    const heron::counted_ptr<finch::Texture>& texture = world.noExitTextureImage();
    const float alpha = static_cast<float>(markerBrightness / 255.0);
    finch::Material& material = markerMaterial();
    material.setTexture(0, texture);
    material.setColour(texture ? finch::RGBA{1.0f, 1.0f, 1.0f, alpha} : finch::RGBA{1.0f, 0.0f, 0.5f, alpha});
    material.setOpacity(alpha);
    material.apply();
    if (noExit) {
        kestrel::setCullFace(false);
    }
    finch::Sphere& sphere = markerSphere();
    sphere.setRadius(noExit ? radius * noExitMarkerGrowth : radius);
    sphere.render();
    if (noExit) {
        kestrel::setCullFace(true);
    }
    if (!texture) {
        kestrel::enableState(kestrel::GLStateId::Texture2D);
    }
    kestrel::popMatrix();
}
