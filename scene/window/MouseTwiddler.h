#pragma once

#include "scene/math/Matrix.h"
#include "scene/window/Twiddler.h"

namespace finch
{

class Viewer;

// Moves the camera while buttons are dragged, relative to where the drag started:
// - right button, perspective: orbits about the pivot from the window's central area, rolls about
//   the view axis from its border;
// - left button: dollies towards the pivot (orthographic: zooms), along the drag's dominant axis;
// - left and right (orthographic: any but left alone): pans.
// Every button press or release starts a new drag from the mouse; releasing the last button ends
// the controller.
class MouseTwiddler : public Twiddler
{
public:
    enum class Mode
    {
        Orbit = 1,
        Roll = 2,
        Dolly = 3,
        Pan = 4,
    };
    // The dominant axis of a dolly, chosen once the drag passes lockDistance pixels.
    enum class AxisLock
    {
        None = -1,
        Horizontal = 1,
        Vertical = 2,
    };
    static constexpr int lockDistance = 20;

    // viewer: the camera moved (not owned); pivot: the world point orbits and dollies aim at.
    MouseTwiddler(const kestrel::Event& event, const kestrel::Window& window, Viewer& viewer, const Vector3d& pivot);

    bool handleEvent(const kestrel::Event& event) override;
    // A drag lasts until its buttons are released, however many frames pass.
    bool update() override { return true; }

    Mode mode() const { return m_mode; }
    AxisLock axisLock() const { return m_axisLock; }

private:
    // Starts a drag from the mouse with the viewer's current state and picks the mode.
    void chooseMode();
    void drag();
    void orbit(Matrix& m, const Vector3d& c) const;
    void dolly(Matrix& m, const Vector3d& c);
    void pan(Matrix& m, const Vector3d& c) const;
    // The drag along the locked axis (the dominant one until locked), locking once it passes
    // lockDistance.
    int dollyDistance();

    AxisLock m_axisLock = AxisLock::None;
    Matrix m_saved;
    Viewer& m_viewer;
    Vector3d m_savedCentre;
    double m_savedSize = 1.0;
    Vector3d m_pivot;
    double m_startAngle = 0.0;
    Mode m_mode = Mode::Orbit;
    int m_pressX = 0;
    int m_pressY = 0;
};

}
