#include "content/world/PelicanObject.h"
#include "game/net/AvatarSlot.h"
#include "game/Level.h"
#include "game/Look.h"
#include "game/LookLogic.h"
#include "game/Zone.h"
#include "scene/render/Viewer.h"
#include "scene/sky/SphereRenderer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace
{

// The sun's heading is measured from a direction a quarter turn and a half off the world's y axis.
constexpr double sunHeadingOffset = 135.0;

float radians(double degrees)
{
    return static_cast<float>(degrees * std::numbers::pi / 180.0);
}

// Toward the sun: the y axis raised by the height and turned by the heading about z.
finch::Vector3d sunDirection(const SunSettings& sun)
{
    const float pitch = radians(sun.height);
    const float heading = radians(sun.direction - sunHeadingOffset);
    const float across = std::cos(pitch);
    return finch::Vector3d(-std::sin(heading) * across, std::cos(heading) * across, std::sin(pitch));
}

// Near enough that the near plane stays inside the player's collision sphere in every corner.
double nearClip(const finch::Viewer& camera, float playerRadius)
{
    const double half = camera.fieldOfView() * std::numbers::pi / 360.0;
    return playerRadius * std::cos(half) * std::cos(camera.aspectFactor() * half) * 0.5;
}

// How far ahead of the eye the object's bounding sphere begins.
double clearanceAhead(const finch::Viewer& camera, const pelican::PelicanObject& object)
{
    const finch::BoundingBox& box = object.boundingBox();
    finch::Matrix toView;
    camera.camera().getInverse(toView);
    finch::Vector3d seen;
    toView.transformPoint(seen, box.centre());
    return seen.y - box.radius();
}

// The near clip, drawn in no farther than what the player takes along: the held avatar, else the
// seized object, so that neither is cut open by the near plane.
double nearClipAround(const finch::Viewer& camera, double near, const AvatarSlot* held,
                      const pelican::PelicanObject* seized)
{
    if (held != nullptr && held->object().isActive()) {
        return std::min(near, held->zone().radius);
    }
    if (seized != nullptr && seized->isActive() && seized->boundingBox().isValid()) {
        return std::min(near, clearanceAhead(camera, *seized));
    }
    return near;
}

}

void LookLogic::applyEnvironment(finch::Viewer& camera)
{
    const double near = nearClip(camera, m_playerSize);
    camera.setNearFar(nearClipAround(camera, near, m_heldAvatar, m_seize.object), m_farClip);
    const Level* const level = m_world.currentLevel();
    const bool useSun = level != nullptr && level->useSun;
    m_light = finch::Light();
    m_light.setColour(m_sun.beamColour);
    if (useSun) {
        m_light.setDirection(sunDirection(m_sun));
    }
    m_light.applyWithViewer(0, camera);
    m_lightModel.apply();
    m_liveFog = m_fog.toFog();
    m_liveFog.apply();
    const float bands[8] = {m_sky.bottom.r, m_sky.bottom.g, m_sky.bottom.b, m_sky.bottom.a,
                            m_sky.top.r,    m_sky.top.g,    m_sky.top.b,    m_sky.top.a};
    m_skyDome.setBandColours(bands);
    m_skyDome.setBaseColour(m_sky.ground.data());
    m_skyDome.setUseSun(useSun);
    if (useSun) {
        m_skyDome.setSunColour(m_sun.sunColour.data());
        m_skyDome.setSunPosition(m_sun.height, m_sun.direction - sunHeadingOffset);
    }
}

void LookLogic::renderSky(kestrel::ImageBody& target, const finch::Viewer&)
{
    // The dome's size sets how deep in the fog the sky stands: at 1 the fog leaves it clear, at the
    // far distance (a zone's "fogSky") the sky fades into the fog like the farthest scenery.
    m_skyDome.render(target, m_world.camera(), m_fogSky);
}
