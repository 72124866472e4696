#include "game/EnvironmentTransitions.h"

#include "scene/core/Clock.h"
#include "scene/sky/SphereRenderer.h"

#include <cmath>
#include <numbers>

namespace
{

bool sameColour(const finch::RGBA& a, const finch::RGBA& b)
{
    return a == b;
}

float lerp(float from, float to, float t)
{
    return from + (to - from) * t;
}

finch::RGBA rgbaOf(const float* values)
{
    return finch::RGBA{values[0], values[1], values[2], values[3]};
}

// A blended angle in degrees, kept below 360 in size with the blended value's sign.
double wrapDegrees(double from, double to, float t)
{
    return std::fmod(from + (to - from) * t, 360.0);
}

void blend(const float& from, const float& to, float t, float& out)
{
    out = lerp(from, to, t);
}

void blend(const FogSettings& from, const FogSettings& to, float t, FogSettings& out)
{
    blendFog(from, to, t, out);
}

void blend(const SkySettings& from, const SkySettings& to, float t, SkySettings& out)
{
    blendSky(from, to, t, out);
}

void blend(const SunSettings& from, const SunSettings& to, float t, SunSettings& out)
{
    blendSun(from, to, t, out);
}

// The end of a run writes the aim exactly, only in the fields a blend writes.
void finish(const float& to, float& out)
{
    out = to;
}

void finish(const FogSettings& to, FogSettings& out)
{
    out = to;
}

void setColour3(const finch::RGBA& to, finch::RGBA& out)
{
    out.r = to.r;
    out.g = to.g;
    out.b = to.b;
}

void finish(const SkySettings& to, SkySettings& out)
{
    setColour3(to.bottom, out.bottom);
    setColour3(to.top, out.top);
    setColour3(to.ground, out.ground);
}

void finish(const SunSettings& to, SunSettings& out)
{
    if (to.changeColour) {
        setColour3(to.sunColour, out.sunColour);
    }
    if (to.changeBeam) {
        setColour3(to.beamColour, out.beamColour);
    }
    if (to.changeHeight) {
        out.height = std::fmod(to.height, 360.0);
    }
    if (to.changeDirection) {
        out.direction = std::fmod(to.direction, 360.0);
    }
}

bool equalAim(const float& a, const float& b)
{
    return a == b;
}

bool equalAim(const FogSettings& a, const FogSettings& b)
{
    return FogSettings::equals(a, b);
}

bool equalAim(const SunSettings& a, const SunSettings& b)
{
    return SunSettings::equals(a, b);
}

// A sky fade always restarts, so a new zone's sky starts from the colours on screen.
bool equalAim(const SkySettings&, const SkySettings&)
{
    return false;
}

}

bool FogSettings::equals(const FogSettings& a, const FogSettings& b)
{
    if (a.type != b.type) {
        return false;
    }
    if (a.type == 1) {
        return sameColour(a.colour, b.colour) && a.near == b.near && a.far == b.far;
    }
    if (a.type == 2 || a.type == 3) {
        return sameColour(a.colour, b.colour) && a.density == b.density;
    }
    return true;
}

finch::Fog FogSettings::toFog() const
{
    finch::Fog fog;
    fog.mode = type;
    fog.start = near;
    fog.end = far;
    fog.density = density;
    fog.colour[0] = colour.r;
    fog.colour[1] = colour.g;
    fog.colour[2] = colour.b;
    fog.colour[3] = colour.a;
    return fog;
}

SkySettings::SkySettings()
    : bottom(rgbaOf(finch::defaultSkyBands)), top(rgbaOf(finch::defaultSkyBands + 4)),
      ground(rgbaOf(finch::defaultSkyBase))
{
}

bool SunSettings::equals(const SunSettings& a, const SunSettings& b)
{
    if (b.changeColour && !sameColour(a.sunColour, b.sunColour)) {
        return false;
    }
    if (b.changeBeam && !sameColour(a.beamColour, b.beamColour)) {
        return false;
    }
    if (b.changeHeight && a.height != b.height) {
        return false;
    }
    return !b.changeDirection || a.direction == b.direction;
}

void blendColour3(const finch::RGBA& from, const finch::RGBA& to, float t, finch::RGBA& out)
{
    out.r = lerp(from.r, to.r, t);
    out.g = lerp(from.g, to.g, t);
    out.b = lerp(from.b, to.b, t);
}

void blendFog(const FogSettings& from, const FogSettings& to, float t, FogSettings& out)
{
    if (from.type != 0 && to.type != 0) {
        out.type = to.type;
        out.near = lerp(from.near, to.near, t);
        out.far = lerp(from.far, to.far, t);
        out.density = lerp(from.density, to.density, t);
        blendColour3(from.colour, to.colour, t, out.colour);
        return;
    }
    if (from.type != 0) {
        // Fog going away recedes to 101 times its distance while it thins out.
        out.near = (1.0f + 100.0f * t) * to.near;
        out.far = (1.0f + 100.0f * t) * to.far;
        out.density = (1.0f - t) * from.density;
        return;
    }
    // Fog coming in closes in from ten times its distance as it thickens.
    out.type = to.type;
    out.near = to.near * (10.0f - 9.0f * t);
    out.far = to.far * (10.0f - 9.0f * t);
    out.density = t * to.density;
    out.colour = to.colour;
}

void blendSky(const SkySettings& from, const SkySettings& to, float t, SkySettings& out)
{
    blendColour3(from.bottom, to.bottom, t, out.bottom);
    blendColour3(from.top, to.top, t, out.top);
    blendColour3(from.ground, to.ground, t, out.ground);
}

void blendSun(const SunSettings& from, const SunSettings& to, float t, SunSettings& out)
{
    if (to.changeColour) {
        blendColour3(from.sunColour, to.sunColour, t, out.sunColour);
    }
    if (to.changeBeam) {
        blendColour3(from.beamColour, to.beamColour, t, out.beamColour);
    }
    if (to.changeHeight) {
        out.height = wrapDegrees(from.height, to.height, t);
    }
    if (to.changeDirection) {
        out.direction = wrapDegrees(from.direction, to.direction, t);
    }
}

double easeCos(double x)
{
    if (x <= 0.0) {
        return 0.0;
    }
    if (x >= 1.0) {
        return 1.0;
    }
    return (1.0 - std::cos(std::numbers::pi * x)) / 2.0;
}

float easeCosF(float x)
{
    if (x <= 0.0f) {
        return 0.0f;
    }
    if (x >= 1.0f) {
        return 1.0f;
    }
    return (1.0f - std::cos(std::numbers::pi_v<float> * x)) / 2.0f;
}

template <typename Value>
bool Transition<Value>::sameAim(const Value& to) const
{
    return isActive() && equalAim(m_to, to);
}

template <typename Value>
void Transition<Value>::start(Value& target, const Value& to, double duration, Easing easing)
{
    if (duration <= 0.0) {
        target = to;
        m_to = to;
        m_target = nullptr;
        return;
    }
    if (sameAim(to) && m_target == &target) {
        return;
    }
    m_target = &target;
    m_from = target;
    m_to = to;
    m_easing = easing;
    m_startTime = finch::Clock::now();
    m_endTime = m_startTime + duration;
}

template <typename Value>
void Transition<Value>::update()
{
    if (!isActive()) {
        return;
    }
    float t = static_cast<float>((finch::Clock::now() - m_startTime) / (m_endTime - m_startTime));
    if (t >= 1.0f) {
        // The run ends on its target exactly, whatever the last frame before wrote.
        finish(m_to, *m_target);
        m_target = nullptr;
        return;
    }
    if (m_easing == Easing::eased) {
        t = easeCosF(t);
    }
    blend(m_from, m_to, t, *m_target);
}

template class Transition<float>;
template class Transition<FogSettings>;
template class Transition<SkySettings>;
template class Transition<SunSettings>;

void ObjectFogTransitions::start(const std::vector<ObjectFog>& zoneFogs, const FogSettings& mainFog,
                                 const FogSettings& liveFog, float changeTime)
{
    for (Entry& entry : m_entries) {
        entry.active = false;
    }
    for (const ObjectFog& zoneFog : zoneFogs) {
        Entry* found = nullptr;
        for (Entry& entry : m_entries) {
            if (entry.object == zoneFog.object) {
                found = &entry;
            }
        }
        if (found == nullptr) {
            m_entries.push_back(Entry{false, zoneFog.object, liveFog, {}, liveFog});
            found = &m_entries.back();
        }
        found->from = found->current;
        found->to = zoneFog.fog;
        found->active = true;
    }
    for (Entry& entry : m_entries) {
        if (!entry.active) {
            entry.from = entry.current;
            entry.to = mainFog;
        }
    }
    m_zoneFogs = zoneFogs;
    m_changeTime = changeTime;
    m_startTime = finch::Clock::now();
    m_running = true;
}

bool ObjectFogTransitions::update()
{
    if (!m_running) {
        return false;
    }
    const double t = m_changeTime >= 0.001f ? (finch::Clock::now() - m_startTime) / m_changeTime : 1.0;
    if (t < 1.0) {
        for (Entry& entry : m_entries) {
            blendFog(entry.from, entry.to, static_cast<float>(t), entry.current);
        }
        return true;
    }
    m_entries.clear();
    for (const ObjectFog& zoneFog : m_zoneFogs) {
        m_entries.push_back(Entry{true, zoneFog.object, zoneFog.fog, zoneFog.fog, zoneFog.fog});
    }
    m_running = false;
    return true;
}

void ObjectFogTransitions::clear()
{
    m_entries.clear();
    m_zoneFogs.clear();
    m_running = false;
}
