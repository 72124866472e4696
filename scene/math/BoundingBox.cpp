#include "scene/math/BoundingBox.h"

#include "base/DataDest.h"
#include "base/DataSource.h"
#include "base/Debug.h"
#include "gui/gl/GLstate.h"
#include "scene/core/TaggedBlock.h"
#include "scene/math/Matrix.h"
#include "scene/math/Ray.h"

#include <algorithm>
#include <cmath>

namespace finch
{

namespace
{

constexpr double farAway = 1e300;
// A segment direction component at or below this does not run toward a face.
constexpr double tinyStep = 1e-100;
constexpr int circlePoints = 32;

enum BoxTag : std::uint32_t
{
    cornersTag = 1,
    sphereTag = 2,
};

struct CircleTable
{
    double cosine[circlePoints];
    double sine[circlePoints];
};

const CircleTable& circleTable()
{
    static const CircleTable table = [] {
        CircleTable t{};
        const double pi = 3.141592653589793;
        for (int i = 0; i < circlePoints; ++i) {
            t.cosine[i] = std::cos(i * pi / 16.0);
            t.sine[i] = std::sin(i * pi / 16.0);
        }
        return t;
    }();
    return table;
}

void vertex(const Vector3d& v)
{
    const double xyz[3] = {v.x, v.y, v.z};
    kestrel::vertex3dv(xyz);
}

// Axes by their index in a Vector3d.
enum Axis : int
{
    xAxis = 0,
    yAxis = 1,
    zAxis = 2,
};

// One circle of the sphere in the plane of axes a and b through the centre.
void drawCircle(const Vector3d& centre, double radius, Axis a, Axis b)
{
    const CircleTable& table = circleTable();
    kestrel::beginPrimitive(kestrel::Primitive::LineLoop);
    for (int i = 0; i < circlePoints; ++i) {
        Vector3d p = centre;
        p[a] += radius * table.cosine[i];
        p[b] += radius * table.sine[i];
        vertex(p);
    }
    kestrel::endPrimitive();
}

}

void BoundingBox::clear()
{
    m_radius = 1.0;
    m_radiusSquared = 1.0;
    m_valid = false;
    m_sphereSet = false;
    m_cornersCached = false;
}

void BoundingBox::set(const Vector3d& min, const Vector3d& max)
{
    m_min = min;
    m_max = max;
    m_valid = true;
    deriveSphere();
}

void BoundingBox::deriveSphere()
{
    m_centre = (m_min + m_max) * 0.5;
    m_radiusSquared = (m_centre - m_min).lengthSquared();
    m_radius = std::sqrt(m_radiusSquared);
    m_sphereSet = false;
    m_cornersCached = false;
}

void BoundingBox::setSphere(const Vector3d& centre, double radius)
{
    if (!m_valid) {
        return;
    }
    m_centre = centre;
    m_radius = radius;
    m_radiusSquared = radius * radius;
    m_sphereSet = true;
}

void BoundingBox::merge(const BoundingBox& other)
{
    if (!m_valid) {
        *this = other;
        return;
    }
    if (!other.m_valid) {
        return;
    }
    for (int a = 0; a < 3; ++a) {
        m_min[a] = std::min(m_min[a], other.m_min[a]);
        m_max[a] = std::max(m_max[a], other.m_max[a]);
    }
    mergeSphere(other);
    m_sphereSet = true;
    m_cornersCached = false;
    m_radiusSquared = m_radius * m_radius;
}

void BoundingBox::mergeSphere(const BoundingBox& other)
{
    const Vector3d offset = other.m_centre - m_centre;
    const double d = offset.length();
    if (d == 0.0) {
        m_radius = std::max(m_radius, other.m_radius);
    } else if (d + other.m_radius <= m_radius) {
        return;
    } else if (d + m_radius < other.m_radius) {
        m_centre = other.m_centre;
        m_radius = other.m_radius;
    } else {
        const Vector3d u = offset * (1.0 / d);
        const Vector3d p = m_centre - u * m_radius;
        const Vector3d q = other.m_centre + u * other.m_radius;
        m_centre = (p + q) * 0.5;
        m_radius = (p - m_centre).length();
    }
}

bool BoundingBox::extend(const BoundingBox& other, double margin)
{
    if (!other.m_valid) {
        return false;
    }
    if (!m_valid) {
        m_valid = true;
        m_min = Vector3d(farAway, farAway, farAway);
        m_max = Vector3d(-farAway, -farAway, -farAway);
    }
    bool moved = false;
    for (int a = 0; a < 3; ++a) {
        const double extent = other.m_max[a] - other.m_min[a];
        if (other.m_min[a] < m_min[a]) {
            m_min[a] = other.m_min[a] - extent * margin;
            moved = true;
        }
        if (other.m_max[a] > m_max[a]) {
            m_max[a] = other.m_max[a] + extent * margin;
            moved = true;
        }
    }
    if (moved) {
        deriveSphere();
    }
    return moved;
}

void BoundingBox::transform(const BoundingBox& source, const Matrix& m)
{
    if (!source.m_valid) {
        clear();
        return;
    }
    const std::array<Vector3d, 8> corners = source.corners();
    Vector3d low(farAway, farAway, farAway);
    Vector3d high(-farAway, -farAway, -farAway);
    for (const Vector3d& corner : corners) {
        Vector3d p;
        m.transformPoint(p, corner);
        for (int a = 0; a < 3; ++a) {
            low[a] = std::min(low[a], p[a]);
            high[a] = std::max(high[a], p[a]);
        }
    }
    set(low, high);
}

BoundingBox& BoundingBox::setTransformed(const BoundingBox& source, const Matrix& m)
{
    transform(source, m);
    return *this;
}

bool BoundingBox::overlaps(const BoundingBox& other) const
{
    if (!m_valid || !other.m_valid) {
        return false;
    }
    for (int a = 0; a < 3; ++a) {
        if (m_max[a] < other.m_min[a] || m_min[a] > other.m_max[a]) {
            return false;
        }
    }
    if (!m_sphereSet || !other.m_sphereSet) {
        return true;
    }
    const double reach = m_radius + other.m_radius;
    return (other.m_centre - m_centre).lengthSquared() <= reach * reach;
}

bool BoundingBox::intersectsRay(const Ray& ray) const
{
    if (!m_valid) {
        return false;
    }
    const Vector3d origin = ray.origin();
    const Vector3d end = ray.endPoint();
    if ((end - origin).lengthSquared() < tinySquaredLength || !passesSphereTest(origin, end)) {
        return false;
    }
    for (int axis = 0; axis < 2; ++axis) {
        const int result = faceTest(axis, origin, end);
        if (result != 0) {
            return result > 0;
        }
    }
    return faceTest(2, origin, end) > 0;
}

bool BoundingBox::passesSphereTest(const Vector3d& origin, const Vector3d& end) const
{
    const Vector3d d = end - origin;
    const double dd = d.lengthSquared();
    const Vector3d w = m_centre - origin;
    const double s = dot(w, d);
    if (s < 0.0) {
        return w.lengthSquared() <= m_radiusSquared;
    }
    if (s <= dd) {
        return (m_centre - (origin + d * (s / dd))).lengthSquared() <= m_radiusSquared;
    }
    return (m_centre - end).lengthSquared() <= m_radiusSquared;
}

int BoundingBox::faceTest(int axis, const Vector3d& origin, const Vector3d& end) const
{
    const Vector3d d = end - origin;
    double t = 0.0;
    if (origin[axis] < m_min[axis]) {
        if (end[axis] < m_min[axis] || d[axis] <= tinyStep) {
            return -1;
        }
        t = (m_min[axis] - origin[axis]) / d[axis];
    } else if (origin[axis] > m_max[axis]) {
        if (end[axis] > m_max[axis] || d[axis] >= -tinyStep) {
            return -1;
        }
        t = (m_max[axis] - origin[axis]) / d[axis];
    }
    const Vector3d p = origin + d * t;
    const int b = (axis + 1) % 3;
    const int c = (axis + 2) % 3;
    const bool inside = m_min[b] < p[b] && p[b] < m_max[b] && m_min[c] < p[c] && p[c] < m_max[c];
    return inside ? 1 : 0;
}

bool BoundingBox::hasFiniteSphere() const
{
    return m_centre.isFinite() && std::isfinite(m_radiusSquared);
}

const std::array<Vector3d, 8>& BoundingBox::corners() const
{
    if (!m_cornersCached) {
        for (int k = 0; k < 8; ++k) {
            m_corners[k] = Vector3d((k & 1) ? m_min.x : m_max.x, (k & 2) ? m_min.y : m_max.y,
                                    (k & 4) ? m_min.z : m_max.z);
        }
        m_cornersCached = true;
    }
    return m_corners;
}

void BoundingBox::draw() const
{
    if (!m_valid) {
        return;
    }
    const std::array<Vector3d, 8>& c = corners();
    for (const int first : {0, 4}) {
        kestrel::beginPrimitive(kestrel::Primitive::LineLoop);
        for (const int k : {0, 1, 3, 2}) {
            vertex(c[first + k]);
        }
        kestrel::endPrimitive();
    }
    kestrel::beginPrimitive(kestrel::Primitive::Lines);
    for (int k = 0; k < 4; ++k) {
        vertex(c[k]);
        vertex(c[k + 4]);
    }
    kestrel::endPrimitive();
    drawCircle(m_centre, m_radius, xAxis, yAxis);
    drawCircle(m_centre, m_radius, xAxis, zAxis);
    drawCircle(m_centre, m_radius, yAxis, zAxis);
}

void BoundingBox::write(heron::DataDest& dest) const
{
    if (m_valid) {
        dest.writeTag(cornersTag);
        writeVector(dest, m_min);
        writeVector(dest, m_max);
        dest.writeTag(sphereTag);
        writeVector(dest, m_centre);
        dest.writeDouble(m_radius);
    }
    dest.writeTag(0);
}

void BoundingBox::read(heron::DataSource& source)
{
    readTaggedBlock(source, [&](std::uint32_t tag) {
        Vector3d a;
        Vector3d b;
        double radius = 0.0;
        if (tag == cornersTag) {
            readVector(source, a);
            readVector(source, b);
            if (source.hasError()) {
                return;
            }
            BoundingBox candidate;
            candidate.set(a, b);
            if (candidate.hasFiniteSphere()) {
                set(a, b);
            } else {
                heron::debug("BoundingBox::read() - corners that are not numbers, ignored!\n");
            }
        } else if (tag == sphereTag) {
            readVector(source, a);
            source.readDouble(radius);
            if (source.hasError()) {
                return;
            }
            if (a.isFinite() && radius >= 0.0 && std::isfinite(radius * radius)) {
                setSphere(a, radius);
            } else {
                heron::debug("BoundingBox::read() - a sphere that is not a sphere, ignored!\n");
            }
        }
    });
}

}
