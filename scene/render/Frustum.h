#pragma once

#include "scene/math/Vector3d.h"

#include <cstdint>

namespace finch
{

class BoundingBox;
class Matrix;
class Viewer;

// Process-wide counts of the culling work of a frame, for the statistics display. Main thread.
struct CullStatistics
{
    // Box tests decided by the sphere, the invalid box or the box-against-box step.
    std::int32_t frustumTests = 0;
    std::int32_t cullTests = 0;
    std::int32_t cullStatePushes = 0;
    std::int32_t groupVisits = 0;
};
extern CullStatistics cullStatistics;

// The viewing volume of a viewer's rectangle: six planes with unit normals pointing out of the
// volume (a point p is outside a plane when a px + b py + c pz + d > 0), the eight corner points
// and the box around them. A value type.
class Frustum
{
public:
    // Plane order.
    enum PlaneIndex
    {
        nearPlane = 0,
        leftPlane = 1,
        bottomPlane = 2,
        farPlane = 3,
        rightPlane = 4,
        topPlane = 5,
    };
    // The value of active and of the plane mask once planes are set.
    static constexpr std::int32_t allPlanes = 63;

    // The volume of the pixel rectangle (x, y, w, h) of the viewer.
    void set(const Viewer& viewer, int x, int y, int w, int h);
    // The source volume carried by m (into a branch's local space when m is its inverse matrix).
    void setTransformed(const Frustum& source, const Matrix& m);
    // True when the box lies certainly outside. mask 0 (the parent lay wholly inside) tests
    // nothing; any other mask tests all planes. Leaves resultMask 0 when the box's sphere lies
    // wholly inside, else the mask.
    bool cullBox(const BoundingBox& box, std::int32_t mask);
    // Debug drawing of the edges and corners; nothing before the planes are set.
    void draw() const;

    bool isActive() const { return m_active != 0; }
    std::int32_t resultMask() const { return m_resultMask; }
    const Plane& plane(int i) const { return m_planes[i]; }
    // Near and far points of the rectangle's corners: near bottom-left, far bottom-left, near
    // top-left, far top-left, near bottom-right, far bottom-right, near top-right, far top-right.
    const Vector3d& corner(int i) const { return m_corners[i]; }
    const Vector3d& boxMin() const { return m_boxMin; }
    const Vector3d& boxMax() const { return m_boxMax; }

private:
    void derivePlanes();
    bool outsideByCorners(const BoundingBox& box) const;

    std::int32_t m_active = 0;
    Plane m_planes[6];
    Vector3d m_corners[8];
    Vector3d m_boxMin;
    Vector3d m_boxMax;
    std::int32_t m_resultMask = 0;
};

// The signed distance of p from the plane (positive outside).
inline double planeDistance(const Plane& plane, const Vector3d& p)
{
    return plane.a * p.x + plane.b * p.y + plane.c * p.z + plane.d;
}

}
