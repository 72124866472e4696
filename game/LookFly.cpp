#include "game/LookFly.h"

#include "game/Look.h"

void LookFly::update(double targetSpeed)
{
    m_speed = targetSpeed;
}

void LookFly::reset()
{
    m_speed = 0.0;
    quitRequested = false;
}

void LookFly::teleport(const finch::Transform& placement)
{
    m_world.camera().setTransform(placement);
}
