#include "scene/render/Frustum.h"

#include "gui/gl/GLstate.h"
#include "scene/math/BoundingBox.h"
#include "scene/math/Matrix.h"
#include "scene/math/Ray.h"
#include "scene/render/Viewer.h"

#include <algorithm>

namespace finch
{

CullStatistics cullStatistics;

namespace
{

constexpr double farAway = 1e300;

// The plane through p with the normal u x v, normalised.
Plane planeThrough(const Vector3d& p, const Vector3d& u, const Vector3d& v)
{
    const Vector3d n = cross(u, v);
    Plane plane{-dot(n, p), n.x, n.y, n.z};
    plane.normalize();
    return plane;
}

// Bytes R, G, B, A in memory order.
constexpr std::uint32_t packed(std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a)
{
    return r | g << 8 | b << 16 | a << 24;
}

void vertex(const Vector3d& v)
{
    const double xyz[3] = {v.x, v.y, v.z};
    kestrel::vertex3dv(xyz);
}

}

void Frustum::set(const Viewer& viewer, int x, int y, int w, int h)
{
    m_active = allPlanes;
    m_resultMask = allPlanes;
    const int pixels[4][2] = {{x, y}, {x, y + h - 1}, {x + w - 1, y}, {x + w - 1, y + h - 1}};
    for (int i = 0; i < 4; ++i) {
        const Ray ray = viewer.pixelRay(pixels[i][0], pixels[i][1]);
        m_corners[2 * i] = ray.origin();
        m_corners[2 * i + 1] = ray.endPoint();
    }
    derivePlanes();
}

void Frustum::setTransformed(const Frustum& source, const Matrix& m)
{
    m_active = source.m_active;
    m_resultMask = source.m_resultMask;
    if (m_active == 0) {
        return;
    }
    for (int i = 0; i < 8; ++i) {
        m.transformPoint(m_corners[i], source.m_corners[i]);
    }
    derivePlanes();
}

void Frustum::derivePlanes()
{
    m_boxMin = Vector3d(farAway, farAway, farAway);
    m_boxMax = Vector3d(-farAway, -farAway, -farAway);
    for (const Vector3d& c : m_corners) {
        for (int a = 0; a < 3; ++a) {
            m_boxMin[a] = std::min(m_boxMin[a], c[a]);
            m_boxMax[a] = std::max(m_boxMax[a], c[a]);
        }
    }
    const Vector3d* c = m_corners;
    m_planes[nearPlane] = planeThrough(c[0], c[4] - c[0], c[2] - c[0]);
    m_planes[leftPlane] = planeThrough(c[0], c[2] - c[0], c[1] - c[0]);
    m_planes[bottomPlane] = planeThrough(c[0], c[1] - c[0], c[4] - c[0]);
    m_planes[farPlane] = planeThrough(c[7], c[5] - c[7], c[3] - c[7]);
    m_planes[rightPlane] = planeThrough(c[7], c[6] - c[7], c[5] - c[7]);
    m_planes[topPlane] = planeThrough(c[7], c[3] - c[7], c[6] - c[7]);
}

bool Frustum::cullBox(const BoundingBox& box, std::int32_t mask)
{
    if (mask == 0) {
        return false;
    }
    ++cullStatistics.frustumTests;
    if (!box.isValid()) {
        return true;
    }
    int centreInside = 0;
    int sphereInside = 0;
    for (const Plane& plane : m_planes) {
        const double s = planeDistance(plane, box.centre());
        if (s > box.radius()) {
            return true;
        }
        centreInside += s < 0.0 ? 1 : 0;
        sphereInside += s < -box.radius() ? 1 : 0;
    }
    if (sphereInside == 6) {
        m_resultMask = 0;
        return false;
    }
    m_resultMask = mask;
    if (centreInside == 6) {
        return false;
    }
    if (m_boxMin.z > box.max().z || m_boxMax.z < box.min().z || m_boxMin.x > box.max().x ||
        m_boxMax.x < box.min().x || m_boxMin.y > box.max().y || m_boxMax.y < box.min().y) {
        return true;
    }
    --cullStatistics.frustumTests;
    return outsideByCorners(box);
}

bool Frustum::outsideByCorners(const BoundingBox& box) const
{
    const auto& corners = box.corners();
    for (const Plane& plane : m_planes) {
        const bool anyInside = std::any_of(corners.begin(), corners.end(),
                                           [&plane](const Vector3d& c) { return planeDistance(plane, c) < 0.0; });
        if (!anyInside) {
            return true;
        }
    }
    return false;
}

void Frustum::draw() const
{
    if (m_active == 0) {
        return;
    }
    kestrel::beginPrimitive(kestrel::Primitive::Lines);
    for (int i = 0; i < 8; ++i) {
        vertex(m_corners[i]);
    }
    kestrel::endPrimitive();
    const auto loop = [this](std::uint32_t colour, std::initializer_list<int> corners) {
        kestrel::color4ub(colour);
        kestrel::beginPrimitive(kestrel::Primitive::LineLoop);
        for (const int i : corners) {
            vertex(m_corners[i]);
        }
        kestrel::endPrimitive();
    };
    loop(packed(0, 0, 255, 255), {0, 2, 6, 4});
    loop(packed(255, 255, 0, 255), {1, 3, 7, 5});
    kestrel::setPointSize(3.0f);
    kestrel::color4ub(packed(0, 0, 255, 255));
    kestrel::beginPrimitive(kestrel::Primitive::Points);
    for (const Vector3d& c : m_corners) {
        vertex(c);
    }
    kestrel::endPrimitive();
    kestrel::setPointSize(1.0f);
}

}
