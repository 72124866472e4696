#include "scene/particles/ParticleSystem.h"

#include "scene/core/Clock.h"
#include "scene/particles/ParticleInternals.h"
#include "scene/render/Texture.h"

namespace finch
{

ParticleSystem::ParticleSystem() = default;

ParticleSystem::ParticleSystem(const ParticleSystem& other) : ParticleParams(other)
{
    copySettings(other);
}

ParticleSystem& ParticleSystem::operator=(const ParticleSystem& other)
{
    if (this != &other) {
        ParticleParams::operator=(other);
        copySettings(other);
        m_internals.reset();
    }
    return *this;
}

ParticleSystem::~ParticleSystem() = default;

void ParticleSystem::copySettings(const ParticleSystem& other)
{
    m_object = other.m_object;
    m_texture = other.m_texture;
    m_cycleFrames = other.m_cycleFrames;
    m_cycleColumns = other.m_cycleColumns;
    m_cycleRows = other.m_cycleRows;
    m_colorType = other.m_colorType;
    m_color1 = other.m_color1;
    m_color2 = other.m_color2;
    m_saturation = other.m_saturation;
}

ParticleInternals& ParticleSystem::makeInternals()
{
    if (!m_internals) {
        m_internals = std::make_unique<ParticleInternals>(*this);
        m_internals->findAnimation();
    }
    return *m_internals;
}

void ParticleSystem::update(const Vector3d& eye, const Vector3d& emitter, bool emit)
{
    makeInternals().update(eye, emitter, emit);
}

void ParticleSystem::render(RenderAccumulator& accumulator, Viewer& viewer)
{
    if (m_internals) {
        m_internals->render(accumulator, viewer);
    }
}

void ParticleSystem::start()
{
    if (!enabled || !trigger) {
        return;
    }
    if (!m_internals) {
        // Made here, the emitter counts as updated now, so that its first update keeps the run.
        makeInternals().markUpdated(Clock::frameTime());
    }
    if (m_internals->isRunning()) {
        return;
    }
    if (delay == 0.0 && duration == 0.0) {
        burst(m_internals->currentPosition());
        return;
    }
    m_internals->arm();
}

void ParticleSystem::stop()
{
    if (m_internals) {
        m_internals->requestRestart();
    }
}

void ParticleSystem::burst(const Vector3d& emitter)
{
    if (!enabled) {
        return;
    }
    ParticleInternals& internals = makeInternals();
    internals.placeAt(emitter, Clock::now());
    internals.birth(ParticleInternals::cappedCount(birthrate));
}

void ParticleSystem::releaseInternals()
{
    m_internals.reset();
}

void ParticleSystem::setColorType(std::int32_t type)
{
    m_colorType = type;
    if (m_internals) {
        m_internals->invalidateColours();
    }
}

void ParticleSystem::setColor1(const RGBA& colour)
{
    m_color1 = colour;
    setColorType(m_colorType);
}

void ParticleSystem::setColor2(const RGBA& colour)
{
    m_color2 = colour;
    setColorType(m_colorType);
}

void ParticleSystem::setSaturation(float saturation)
{
    m_saturation = saturation;
    setColorType(m_colorType);
}

void ParticleSystem::setTexture(const heron::counted_ptr<Texture>& texture)
{
    m_texture = texture;
}

void ParticleSystem::setTextureCycle(std::int32_t frames, std::int32_t columns, std::int32_t rows)
{
    const bool valid = frames >= 1 && columns >= 1 && rows >= 1;
    m_cycleFrames = valid ? frames : 1;
    m_cycleColumns = valid ? columns : 1;
    m_cycleRows = valid ? rows : 1;
    if (m_internals) {
        m_internals->restartFrames();
    }
}

void ParticleSystem::setObject(Object* object)
{
    m_object = object;
    if (m_internals) {
        m_internals->findAnimation();
    }
}

}
