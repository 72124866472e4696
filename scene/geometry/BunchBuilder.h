#pragma once

namespace finch
{

class GeoBunch;
class TriangleList;

// Turns loose triangles into the bunch's indexed streams: the bunch takes the list's surface,
// degenerate triangles are dropped, corners within a tolerance of each other (8e-5 of the list's
// half diagonal) are welded unless their normals, colours or texture coordinates differ, and
// texture coordinates of far-tiled triangles move back towards the origin by whole multiples of
// 50. Any compiled array of the bunch is dropped. Main thread only.
void buildBunch(GeoBunch& bunch, const TriangleList& list);

}
