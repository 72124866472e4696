#pragma once

namespace finch
{

class PolygonBranch;

// Adds bunches made from the branch's good polygons (neither concave nor without a normal), one
// per surface, in the order the polygons first show each surface. The triangles run in strips
// across neighbouring polygons (see the branch's edge pairing) where the surface's shading,
// normals and texture coordinates let two polygons join; each strip starts at the first polygon
// not yet taken and is the longest that starts there. Main thread only.
void convertPolygons(PolygonBranch& branch);

}
