#include "scene/window/WheelMouseZoomer.h"

#include "gui/toolkit/Event.h"
#include "scene/render/Viewer.h"

#include <algorithm>

namespace finch
{

namespace
{

// Share of the pivot's distance one notch (120) moves the camera, away and towards.
constexpr double awayPerUnit = 0.0025;
constexpr double towardsPerUnit = 0.0015;
constexpr double mostTowards = -0.9;

}

WheelMouseZoomer::WheelMouseZoomer(const kestrel::Event& event, const kestrel::Window& window, Viewer& viewer,
                                   const Vector3d& pivot)
    : Twiddler(event, window)
{
    const int d = event.wheelDelta;
    if (!viewer.isPerspective()) {
        viewer.zoomOrthoAt(float(m_mouseX), float(m_mouseY), d > 0 ? 1.4f : 0.8f);
        return;
    }
    Vector3d v;
    viewer.view().transformPoint(v, pivot);
    Matrix view = viewer.view();
    // However far one event turns the wheel, the camera stops short of the pivot.
    view.translate(v * std::max(mostTowards, (d >= 0 ? awayPerUnit : towardsPerUnit) * d));
    setViewMatrix(viewer, view);
}

}
