#include "game/Listener.h"

#include "game/Zone.h"

egret::Placement listenerAt(const finch::Viewer& view, double dt, std::optional<finch::Vector3d>& lastEye,
                            finch::Vector3d& velocity)
{
    const finch::Vector3d eye = view.eye();
    if (dt != 0.0 && lastEye) {
        velocity = (eye - *lastEye) * (1.0 / dt);
    }
    lastEye = eye;
    const finch::Matrix& camera = view.camera();
    egret::Placement placement;
    placement.position = soundVector(eye);
    placement.front = soundVector(finch::Vector3d(camera.at(1, 0), camera.at(1, 1), camera.at(1, 2)));
    placement.top = soundVector(finch::Vector3d(camera.at(2, 0), camera.at(2, 1), camera.at(2, 2)));
    placement.velocity = soundVector(velocity);
    return placement;
}
