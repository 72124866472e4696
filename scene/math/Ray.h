#pragma once

#include "scene/math/Vector3d.h"

namespace finch
{

class Matrix;

// A ray segment: an origin, a direction (unit length when set through these operations) and the
// length of the segment along it.
class Ray
{
public:
    // From (0, 0, 0) along +z, length 1.
    Ray() = default;

    void setOrigin(const Vector3d& origin) { m_origin = origin; }
    // Aims the ray at p: direction p - origin normalised (left as it is when shorter than 1e-100)
    // and length |p - origin|.
    void setThrough(const Vector3d& p);
    // The ray in another frame: both end points transformed by m, direction and length from them.
    void setTransformed(const Ray& ray, const Matrix& m);
    // Shortens or lengthens the segment along its direction.
    void setLength(double length) { m_length = length; }

    const Vector3d& origin() const { return m_origin; }
    const Vector3d& direction() const { return m_direction; }
    double length() const { return m_length; }
    // origin + direction * length.
    Vector3d endPoint() const { return pointAt(m_length); }
    // origin + direction * t.
    Vector3d pointAt(double t) const { return m_origin + m_direction * t; }

private:
    void setSegment(const Vector3d& start, const Vector3d& end);

    Vector3d m_origin;
    Vector3d m_direction{0.0, 0.0, 1.0};
    double m_length = 1.0;
};

}
