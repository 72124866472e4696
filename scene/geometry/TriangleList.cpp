#include "scene/geometry/TriangleList.h"

#include <algorithm>
#include <numeric>

namespace finch
{

namespace
{

constexpr double farAway = 1e35;

double coordinate(const Vector3f& p, int axis)
{
    return axis == 0 ? p.x : (axis == 1 ? p.y : p.z);
}

}

float triangleKey(const Triangle& triangle, int axis)
{
    const float a = float(coordinate(triangle[0].position, axis));
    const float b = float(coordinate(triangle[1].position, axis));
    const float c = float(coordinate(triangle[2].position, axis));
    return (std::min({a, b, c}) + std::max({a, b, c})) * 0.5f;
}

int longestAxis(const Vector3d& extent)
{
    if (extent.x > extent.y && extent.x > extent.z) {
        return 0;
    }
    return extent.y > extent.z ? 1 : 2;
}

BoundingBox TriangleList::bounds() const
{
    BoundingBox box;
    if (m_triangles.empty()) {
        return box;
    }
    Vector3d low(farAway, farAway, farAway);
    Vector3d high(-farAway, -farAway, -farAway);
    for (const Triangle& triangle : m_triangles) {
        for (const Corner& corner : triangle) {
            for (int axis = 0; axis < 3; ++axis) {
                low[axis] = std::min(low[axis], coordinate(corner.position, axis));
                high[axis] = std::max(high[axis], coordinate(corner.position, axis));
            }
        }
    }
    box.set(low, high);
    return box;
}

void TriangleList::translate(const Vector3d& offset)
{
    for (Triangle& triangle : m_triangles) {
        for (Corner& corner : triangle) {
            corner.position = Vector3f(Vector3d(corner.position.x + offset.x, corner.position.y + offset.y,
                                                corner.position.z + offset.z));
        }
    }
}

void TriangleList::splitLongestAxis(TriangleList& first, TriangleList& second) const
{
    first.setSurface(m_surface);
    second.setSurface(m_surface);
    Vector3d low(farAway, farAway, farAway);
    Vector3d high(-farAway, -farAway, -farAway);
    for (const Triangle& triangle : m_triangles) {
        for (int axis = 0; axis < 3; ++axis) {
            low[axis] = std::min<double>(low[axis], triangleKey(triangle, axis));
            high[axis] = std::max<double>(high[axis], triangleKey(triangle, axis));
        }
    }
    const int axis = longestAxis(high - low);
    std::vector<std::size_t> order(m_triangles.size());
    std::iota(order.begin(), order.end(), std::size_t(0));
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return triangleKey(m_triangles[a], axis) < triangleKey(m_triangles[b], axis);
    });
    const std::size_t half = order.size() / 2;
    for (std::size_t k = 0; k < order.size(); ++k) {
        (k < half ? first : second).add(m_triangles[order[k]]);
    }
}

}
