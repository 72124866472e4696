#pragma once

#include "scene/window/Twiddler.h"

namespace finch
{

struct Vector3d;
class Viewer;

// One wheel turn's zoom, done when it is made: a positive turn backs the camera away from the
// pivot (orthographic: widens the view about the mouse), a negative one brings it closer. It ends
// at the next event or frame.
class WheelMouseZoomer : public Twiddler
{
public:
    WheelMouseZoomer(const kestrel::Event& event, const kestrel::Window& window, Viewer& viewer, const Vector3d& pivot);

    bool handleEvent(const kestrel::Event&) override { return false; }
};

}
