#pragma once

#include "scene/math/Vector3d.h"

#include <vector>

namespace finch
{

// Whether welding logs a cell that holds every position of its node although they do not all lie
// within the tolerance of its first ("Safety..." and one line per position); either way the cell
// becomes one ring.
enum class WeldReport
{
    Silent,
    Safety,
};

// Links positions that lie within tolerance of each other (or on each other) into rings: an octree
// rooted at centre whose nodes compare pairwise only the positions in a band around their dividing
// planes, and close cells whose positions already coincide. ringNext gets one entry per position:
// the next position of its ring, itself when it stands alone. Main thread only.
void weldPositions(const std::vector<Vector3d>& positions, const Vector3d& centre, double tolerance,
                   std::vector<int>& ringNext, WeldReport report);

}
