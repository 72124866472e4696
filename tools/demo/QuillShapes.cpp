#include "tools/demo/QuillShapes.h"

#include <cmath>

namespace demo
{

namespace
{

QuillPoint minus(const QuillPoint& a, const QuillPoint& b)
{
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

}

QuillVertex flatVertex(double x, double y, double z, float u, float v, std::array<float, 3> normal)
{
    return {.position = {x, y, z}, .texCoord = {u, v}, .normal = normal};
}

std::array<float, 3> normalOf(const QuillPoint& a, const QuillPoint& b, const QuillPoint& c)
{
    const QuillPoint u = minus(b, a);
    const QuillPoint v = minus(c, a);
    const QuillPoint n = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    return {static_cast<float>(n[0] / length), static_cast<float>(n[1] / length), static_cast<float>(n[2] / length)};
}

QuillPolygon facet(std::int32_t material, const QuillPoint& a, const QuillPoint& b, const QuillPoint& c)
{
    const std::array<float, 3> normal = normalOf(a, b, c);
    QuillPolygon face{.material = material, .smooth = false};
    for (const QuillPoint& corner : {a, b, c}) {
        face.vertices.push_back({.position = corner, .normal = normal});
    }
    return face;
}

void addGem(std::vector<QuillPolygon>& faces, std::int32_t material, const QuillPoint& centre, const QuillPoint& halfSizes)
{
    const auto tip = [&](int axis, double side) {
        QuillPoint p = centre;
        p[static_cast<std::size_t>(axis)] += side * halfSizes[static_cast<std::size_t>(axis)];
        return p;
    };
    // Each facet joins one tip of each axis; the sign pattern picks the octant, and the order of its
    // corners turns it to face outward.
    for (const double sx : {1.0, -1.0}) {
        for (const double sy : {1.0, -1.0}) {
            for (const double sz : {1.0, -1.0}) {
                const QuillPoint x = tip(0, sx);
                const QuillPoint y = tip(1, sy);
                const QuillPoint z = tip(2, sz);
                const bool outward = sx * sy * sz > 0.0;
                faces.push_back(outward ? facet(material, x, y, z) : facet(material, x, z, y));
            }
        }
    }
}

}
