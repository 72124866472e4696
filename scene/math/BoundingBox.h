#pragma once

#include "scene/math/Vector3d.h"

#include <array>

namespace heron
{
class DataDest;
class DataSource;
}

namespace finch
{

class Matrix;
class Ray;

// Bounds of branches, objects and queries: an axis-aligned box and an enclosing sphere. The sphere
// is the box's circumscribed one unless it was set or merged on its own (sphereSet), so merged
// bounds keep a tight sphere. An invalid box is empty and has radius 1. A value type.
class BoundingBox
{
public:
    // Invalid, corners and centre at the origin.
    BoundingBox() = default;

    // Makes the box invalid; the corner values stay.
    void clear();
    // A valid box from its corners, with the circumscribed sphere.
    void set(const Vector3d& min, const Vector3d& max);
    // Sets the sphere of a valid box (an invalid box ignores it).
    void setSphere(const Vector3d& centre, double radius);
    // Grows the box to hold other, merging the spheres.
    void merge(const BoundingBox& other);
    // Grows the box to hold other, overshooting each side that moves by margin times other's extent
    // on that axis; true when anything moved. The sphere becomes the circumscribed one.
    bool extend(const BoundingBox& other, double margin);
    // The margin of an extend that grows the box exactly to hold the other.
    static constexpr double noMargin = 0.0;
    // This box becomes the axis-aligned bounds of source's corners transformed by m (source may be
    // this box), with the circumscribed sphere.
    void transform(const BoundingBox& source, const Matrix& m);
    BoundingBox& setTransformed(const BoundingBox& source, const Matrix& m);
    // Whether the boxes overlap (touching counts); when both spheres were set on their own, spheres
    // that are apart also say no.
    bool overlaps(const BoundingBox& other) const;
    // Whether the segment from the ray's origin to its end point meets the box.
    bool intersectsRay(const Ray& ray) const;
    // Draws the box's edges and three circles of its sphere as GL lines.
    void draw() const;

    // Stored form, a tagged block: 1 min and max, 2 centre and radius (both only when valid), 0.
    void write(heron::DataDest& dest) const;
    // Reads the stored form into this box; tags it does not know carry no value. Values that are
    // not finite (or a negative radius) are ignored and logged.
    void read(heron::DataSource& source);

    bool isValid() const { return m_valid; }
    bool isSphereSet() const { return m_sphereSet; }
    const Vector3d& min() const { return m_min; }
    const Vector3d& max() const { return m_max; }
    const Vector3d& centre() const { return m_centre; }
    double radius() const { return m_radius; }
    double radiusSquared() const { return m_radiusSquared; }
    // Corner k takes min on x for bit 0 of k, on y for bit 1, on z for bit 2, else max; corner 0 is
    // the max corner, corner 7 the min corner.
    const std::array<Vector3d, 8>& corners() const;

private:
    void deriveSphere();
    // True when the sphere's centre and squared radius are numbers: corners too far out to
    // measure, or not numbers at all, make a sphere that is not.
    bool hasFiniteSphere() const;
    void mergeSphere(const BoundingBox& other);
    bool passesSphereTest(const Vector3d& origin, const Vector3d& end) const;
    // The face test of one axis: 1 hit, 0 no hit through this face, -1 the segment misses the box.
    int faceTest(int axis, const Vector3d& origin, const Vector3d& end) const;

    Vector3d m_min;
    Vector3d m_max;
    Vector3d m_centre;
    double m_radius = 1.0;
    double m_radiusSquared = 1.0;
    bool m_valid = false;
    bool m_sphereSet = false;
    mutable bool m_cornersCached = false;
    mutable std::array<Vector3d, 8> m_corners;
};

}
