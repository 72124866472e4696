#pragma once

namespace finch
{

class PolygonBranch;

// Adds bunches made from the branch's good polygons (neither concave nor without a normal), one
// per surface, in the order the polygons first show each surface. Main thread only.
void convertPolygons(PolygonBranch& branch);

}
