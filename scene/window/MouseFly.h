#pragma once

#include "scene/collide/Collider.h"
#include "scene/math/Matrix.h"
#include "scene/window/Twiddler.h"

namespace finch
{

class TriangleCollider;
class Viewer;

// Flies the camera while the middle button is down: the mouse's offset from the window's centre
// steers (the further out, the faster it turns), the left button speeds the flight up and the
// right one slows it down or backs away. Pressing the other of left and right, or the middle
// button again, halts; a key or a wheel turn ends the flight, and so does releasing the middle
// button once halted. With a collision target the camera slides along its triangles instead of
// passing through them.
class MouseFly : public Twiddler
{
public:
    // viewer: the camera flown (not owned); the flight starts from its placement. target: what the
    // camera collides with (not owned, null for nothing); it must outlive the flight.
    MouseFly(const kestrel::Event& event, const kestrel::Window& window, Viewer& viewer,
             TriangleCollider* target = nullptr);

    bool handleEvent(const kestrel::Event& event) override;
    bool update() override;

    double speed() const { return m_speed; }
    bool isHalted() const { return m_halted; }

private:
    enum class Outcome
    {
        None,
        Halt,
        Resume,
        Done,
    };
    Outcome outcomeOf(const kestrel::Event& event) const;
    // Heading and pitch follow the mouse's offset; the viewer takes the placement.
    void steer(double dt);
    // The left and right buttons change the speed by an amount that grows with the view's depth.
    void accelerate(double dt);
    // The camera goes by move, or as far as the collision target lets it slide.
    void move(const Vector3d& move);

    bool m_done = false;
    bool m_halted = false;
    double m_speed = 0.0;
    Viewer& m_viewer;
    Transform m_camera;
    Matrix m_matrix;
    TriangleCollider* m_target;
    SweptSphere m_collider;
};

}
