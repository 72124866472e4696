#pragma once

#include "scene/render/Viewer.h"
#include "sound/Placement.h"

#include <optional>

// The listener where the view is: at its eye, facing along its forward axis with its up axis as
// top, moving at the eye's motion since the last placing over dt seconds. A dt of 0 keeps the
// velocity of before; the first placing (no last eye) has none. lastEye and velocity carry the
// motion from one placing to the next.
egret::Placement listenerAt(const finch::Viewer& view, double dt, std::optional<finch::Vector3d>& lastEye,
                            finch::Vector3d& velocity);
