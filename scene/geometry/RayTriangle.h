#pragma once

#include "scene/math/Vector3d.h"

namespace finch
{

class Ray;

// Whether the ray's segment meets the triangle (a, b, c) nearer than distance, which then becomes
// the distance of the hit. With cullFaces a triangle whose normal points along the ray (its back
// face) is not met. Edges count as inside: a ray through the edge two triangles share hits one.
bool rayMeetsTriangle(const Ray& ray, const Vector3d& a, const Vector3d& b, const Vector3d& c, bool cullFaces,
                      double& distance);

}
