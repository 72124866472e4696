#pragma once

#include "scene/geometry/GeoBunchStreams.h"
#include "scene/math/BoundingBox.h"
#include "scene/math/Vector3d.h"
#include "scene/render/Surface.h"

#include <array>
#include <cstdint>
#include <vector>

namespace finch
{

// One corner of a loose triangle: position, normal, packed colour (bytes R, G, B, A in memory
// order) and the texture coordinates of units 0 and 1. Which attributes count is the surface
// material's choice (flag32 colours, flag33 normals, textureFlag per unit).
struct Corner
{
    Vector3f position;
    Vector3f normal{0.0f, 0.0f, 1.0f};
    std::uint32_t colour = 0xffffffffu;
    std::array<TexCoord, 2> texCoords{};

    bool operator==(const Corner& other) const = default;
};

using Triangle = std::array<Corner, 3>;

// A growable list of loose triangles with one surface, filled by model readers and turned into
// bunches by the bunch builder. A value type; main thread only.
class TriangleList
{
public:
    // Empty, with the "Default" material.
    TriangleList() = default;

    // Empties the triangles; the surface stays.
    void clear() { m_triangles.clear(); }
    void add(const Triangle& triangle) { m_triangles.push_back(triangle); }
    // The box of every corner position; an empty list gives an invalid box.
    BoundingBox bounds() const;
    // Adds the offset to every corner position.
    void translate(const Vector3d& offset);
    // Sorts the triangles by the centre of their own boxes along the axis where those centres
    // spread most; the first half (rounded down) goes to first, the rest to second. Both take this
    // list's surface.
    void splitLongestAxis(TriangleList& first, TriangleList& second) const;

    void setSurface(const Surface& surface) { m_surface = surface; }
    const Surface& surface() const { return m_surface; }
    const std::vector<Triangle>& triangles() const { return m_triangles; }
    std::size_t size() const { return m_triangles.size(); }

private:
    std::vector<Triangle> m_triangles;
    Surface m_surface;
};

// The centre of a triangle's own box on one axis (0 x, 1 y, 2 z).
float triangleKey(const Triangle& triangle, int axis);
// The axis along which values spread most: x when its extent exceeds both others, else y when it
// exceeds z's, else z.
int longestAxis(const Vector3d& extent);

}
