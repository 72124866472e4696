#include "scene/graph/Light.h"

#include "gui/gl/GLlighting.h"
#include "scene/math/Matrix.h"
#include "scene/render/Material.h"
#include "scene/render/Viewer.h"

namespace finch
{

namespace
{

constexpr float positionalAttenuation[3] = {1.0f, 0.2f, 0.0f};
constexpr float noAttenuation[3] = {1.0f, 0.0f, 0.0f};

}

Light::Light()
{
    setDirection(Vector3d(1.0, -1.0, 1.0));
}

void Light::setDirection(const Vector3d& direction)
{
    m_direction = direction;
    m_direction.normalize();
}

void Light::apply(int i) const
{
    if (i < 0 || i >= maxLights) {
        return;
    }
    send(i, nullptr);
}

void Light::applyWithViewer(int i, const Viewer& viewer) const
{
    if (i < 0 || i >= maxLights) {
        return;
    }
    float frame[16];
    viewer.view().toFloats(frame);
    send(i, frame);
}

void Light::send(int i, const float* frame) const
{
    const bool point = m_type == positional;
    const Vector3d& p = point ? m_position : m_direction;
    const float position[4] = {float(p.x), float(p.y), float(p.z), point ? 1.0f : 0.0f};
    const float colour[4] = {m_colour.r, m_colour.g, m_colour.b, 1.0f};
    kestrel::setLight(i, position, colour, point ? positionalAttenuation : noAttenuation, frame);
    // Vertex-coloured materials take light 0's diffuse colour over; leaving them gives it back.
    if (i == 0) {
        Material::setLight0Diffuse(RGBA{m_colour.r, m_colour.g, m_colour.b, 1.0f});
    }
}

void LightModel::apply() const
{
    kestrel::setLightModel(m_ambient.data(), m_localViewer, m_separateSpecular);
}

}
