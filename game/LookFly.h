#pragma once

#include "scene/math/Matrix.h"

class Look;

// The player's flight: the speed the flight keeps, its gravity, and the requests the game keys
// make. Made when looking starts and deleted when it stops. Main thread only.
class LookFly
{
public:
    explicit LookFly(Look& world) : m_world(world) {}

    // One frame: the current speed eases toward the target speed.
    void update(double targetSpeed);
    // Back to the start of the game: no speed, no request.
    void reset();
    // Puts the player at the placement.
    void teleport(const finch::Transform& placement);

    double speed() const { return m_speed; }
    void setSpeed(double speed) { m_speed = speed; }
    float gravity = 3.0f;
    bool quitRequested = false;

private:
    Look& m_world;
    double m_speed = 0.0;
};
