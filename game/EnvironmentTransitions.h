#pragma once

#include "scene/render/Fog.h"
#include "scene/render/RGBA.h"

#include <cstdint>
#include <vector>

namespace pelican
{
class PelicanObject;
}

// The look of a level - fog, sky colours, sun, the fog of single objects - as zones carry it and as
// the game logic keeps it live, with the timed transitions that move the live values toward a
// zone's. All times are scene-clock seconds. Main thread only.

// Fog of a zone or of one object. type 0 is no fog, 1 linear fog between near and far, 2 and 3
// fog by density.
struct FogSettings
{
    std::int32_t type = 0;
    float near = 0.0f;
    float far = 1000.0f;
    float density = 0.005f;
    finch::RGBA colour{1.0f, 1.0f, 1.0f, 1.0f};

    // Equal for what the type uses: colour with near and far (1), colour with density (2, 3);
    // fogs of the same other type are always equal.
    static bool equals(const FogSettings& a, const FogSettings& b);
    finch::Fog toFog() const;
};

struct SkySettings
{
    SkySettings();

    finch::RGBA bottom;
    finch::RGBA top;
    finch::RGBA ground;
};

struct SunSettings
{
    finch::RGBA beamColour{1.0f, 1.0f, 1.0f, 1.0f};
    finch::RGBA sunColour{1.0f, 1.0f, 1.0f, 1.0f};
    bool changeBeam = false;
    bool changeColour = false;
    double height = 45.0;
    double direction = 0.0;
    bool changeHeight = false;
    bool changeDirection = false;

    // Compares only the parts b marks as changing.
    static bool equals(const SunSettings& a, const SunSettings& b);
};

// The fog one content object takes inside a zone.
struct ObjectFog
{
    FogSettings fog;
    pelican::PelicanObject* object = nullptr;
};

void blendFog(const FogSettings& from, const FogSettings& to, float t, FogSettings& out);
void blendSky(const SkySettings& from, const SkySettings& to, float t, SkySettings& out);
void blendSun(const SunSettings& from, const SunSettings& to, float t, SunSettings& out);
void blendColour3(const finch::RGBA& from, const finch::RGBA& to, float t, finch::RGBA& out);

// The raised-cosine ease: 0 up to 0, 1 from 1 on.
double easeCos(double x);
float easeCosF(float x);

// Whether a transition eases its parameter or runs it linearly.
enum class Easing
{
    eased,
    linear,
};

// Moves one live value (the target, not owned) from its value at the start to a new value over a
// time. A start with a duration of 0 or less writes the new value at once. While a transition runs,
// a start toward the value it already runs to is ignored; otherwise a start replaces it. The last
// update of a run writes the final value exactly, then the transition is idle.
template <typename Value>
class Transition
{
public:
    void start(Value& target, const Value& to, double duration, Easing easing);
    void update();
    // Stops a running transition where it is, writing nothing.
    void stop() { m_target = nullptr; }
    bool isActive() const { return m_target != nullptr; }
    const Value& to() const { return m_to; }

private:
    bool sameAim(const Value& to) const;

    Value* m_target = nullptr;
    Value m_from{};
    Value m_to{};
    Easing m_easing = Easing::eased;
    double m_startTime = 0.0;
    double m_endTime = 0.0;
};

using FloatTransition = Transition<float>;
using FogTransition = Transition<FogSettings>;
using SunTransition = Transition<SunSettings>;
using SkyTransition = Transition<SkySettings>;

// The fog of each content object that a zone gives its own fog, blended from what each object had
// toward the zone's over the zone's fog time.
class ObjectFogTransitions
{
public:
    struct Entry
    {
        bool active = false;
        pelican::PelicanObject* object = nullptr;
        FogSettings from;
        FogSettings to;
        FogSettings current;
    };

    // Starts toward the zone's object fogs; objects without one of their own fade to mainFog.
    void start(const std::vector<ObjectFog>& zoneFogs, const FogSettings& mainFog, const FogSettings& liveFog,
               float changeTime);
    // Blends every entry for this frame; at the end the entries become the zone's fogs exactly.
    // False when nothing runs.
    bool update();
    void clear();
    const std::vector<Entry>& entries() const { return m_entries; }

private:
    std::vector<Entry> m_entries;
    std::vector<ObjectFog> m_zoneFogs;
    float m_changeTime = 0.0f;
    double m_startTime = 0.0;
    bool m_running = false;
};
