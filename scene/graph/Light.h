#pragma once

#include "scene/math/Vector3d.h"
#include "scene/render/RGBA.h"

#include <cstdint>

namespace finch
{

class Viewer;

// An OpenGL light: directional (from its direction) or positional (at its position, with fixed
// attenuation), of one colour for ambient, diffuse and specular. Main thread only.
class Light
{
public:
    enum Type : std::int32_t
    {
        directional = 0,
        positional = 1,
    };
    static constexpr int maxLights = 8;

    Light();

    void setType(Type type) { m_type = type; }
    void setColour(const RGBA& colour) { m_colour = colour; }
    // Stored normalised.
    void setDirection(const Vector3d& direction);
    void setPosition(const Vector3d& position) { m_position = position; }
    // Sets GL light i (0..7; others are ignored) in eye coordinates.
    void apply(int i) const;
    // The same, fixed in the world seen by the viewer.
    void applyWithViewer(int i, const Viewer& viewer) const;

    Type type() const { return m_type; }
    const RGBA& colour() const { return m_colour; }
    const Vector3d& direction() const { return m_direction; }
    const Vector3d& position() const { return m_position; }

private:
    void send(int i, const float* frame) const;

    Type m_type = directional;
    RGBA m_colour{1.0f, 1.0f, 1.0f, 1.0f};
    Vector3d m_direction;
    Vector3d m_position;
};

// The light model: ambient colour, local viewer and separate specular colour.
class LightModel
{
public:
    void setAmbient(const RGBA& ambient) { m_ambient = ambient; }
    void setLocalViewer(bool on) { m_localViewer = on; }
    void setSeparateSpecular(bool on) { m_separateSpecular = on; }
    void apply() const;

private:
    RGBA m_ambient{0.0f, 0.0f, 0.0f, 1.0f};
    bool m_localViewer = false;
    bool m_separateSpecular = true;
};

}
