#pragma once

#include "base/counted_ptr.h"
#include "scene/geometry/GeoBunchStreams.h"
#include "scene/math/Vector3d.h"
#include "scene/render/Surface.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace finch
{

class Material;
class Polygon;
class PolygonBranch;

// One corner of a polygon: position, a number free for the model reader, normal and two pairs of
// texture coordinates, plus what the polygon branch works out while it cleans (weld group, edge
// neighbour). Setters of an owned vertex mark its polygon changed. Records come from the geometry
// pool once it is on. Main thread only.
class PolyVertex final
{
public:
    PolyVertex() = default;
    // A copy of the vertex's own data, without polygon, ring or cleaning data.
    [[nodiscard]] std::unique_ptr<PolyVertex> copy() const;

    static void* operator new(std::size_t bytes);
    static void operator delete(void* record);

    void setPosition(const Vector3d& position);
    void setIndex(std::int32_t index);
    void setNormal(const Vector3f& normal);
    // Pair 0 or 1; others are ignored.
    void setTexCoord(int pair, const TexCoord& texCoord);
    // A vertex that keeps its normal when its polygon is drawn flat or given smooth normals.
    void setKeepsNormal(bool keeps) { m_keepsNormal = keeps; }

    const Vector3d& position() const { return m_position; }
    std::int32_t index() const { return m_index; }
    const Vector3f& normal() const { return m_normal; }
    const TexCoord& texCoord(int pair) const { return m_texCoords[pair == 0 ? 0 : 1]; }
    bool keepsNormal() const { return m_keepsNormal; }
    Polygon* polygon() const { return m_polygon; }
    // The next vertex of the polygon's ring; null after the last.
    PolyVertex* next() const { return m_next; }
    // The next vertex of the ring, the first after the last.
    PolyVertex* successor() const;

    // Set by the branch's clean: the weld group (-1 before), the next vertex of the same group
    // (a ring), and the vertex of the neighbouring polygon that runs the same edge the other way.
    std::int32_t weldIndex() const { return m_weldIndex; }
    PolyVertex* weldNext() const { return m_weldNext; }
    PolyVertex* neighbour() const { return m_neighbour; }

    // Live pool blocks of vertex records.
    static int liveBlocks();

private:
    friend class Polygon;
    friend class PolygonBranch;

    void markPolygonChanged();

    Vector3d m_position;
    std::int32_t m_index = -1;
    Vector3f m_normal{0.0f, 0.0f, 1.0f};
    std::array<TexCoord, 2> m_texCoords{};
    Polygon* m_polygon = nullptr;
    PolyVertex* m_next = nullptr;
    std::int32_t m_weldIndex = -1;
    std::int32_t m_edgeIndex = -1;
    bool m_normalHandled = false;
    bool m_listed = false;
    PolyVertex* m_neighbour = nullptr;
    PolyVertex* m_weldNext = nullptr;
    bool m_keepsNormal = false;
};

// A ring of vertices (owned) with a surface, a value the model reader fills and a normal worked
// out when needed (Newell's sum, so a slightly bent polygon gets a fair normal). A polygon may
// belong to a PolygonBranch, which it marks dirty when it changes and leaves when it is
// destroyed. Records come from the geometry pool once it is on. Main thread only.
class Polygon final
{
public:
    Polygon() = default;
    // Frees the vertices; a polygon of a branch leaves it first.
    ~Polygon();
    Polygon(const Polygon&) = delete;
    Polygon& operator=(const Polygon&) = delete;

    static void* operator new(std::size_t bytes);
    static void operator delete(void* record);

    // A new polygon with the same surface, value and normal and a copy of every vertex.
    [[nodiscard]] std::unique_ptr<Polygon> clone() const;
    // Appends the vertex and takes it from the holder. A vertex that already belongs to a polygon
    // is refused (false) and stays with the holder.
    bool addVertex(std::unique_ptr<PolyVertex>& holder);
    // Asks for smooth normals at the next clean and marks the branch dirty.
    void markChanged();
    // Null logs an error and gives the "Default" material.
    void setMaterial(const heron::counted_ptr<Material>& material);
    void setValue(std::int32_t value);
    // Face culling of the surface.
    void setSurfaceFlagA(bool flag);
    // Blending of the surface.
    void setSurfaceFlagB(bool flag);

    const heron::counted_ptr<Material>& material() const { return m_surface.material; }
    const Surface& surface() const { return m_surface; }
    std::int32_t value() const { return m_value; }
    int vertexCount() const { return m_vertexCount; }
    PolyVertex* firstVertex() const { return m_first; }
    PolyVertex* lastVertex() const { return m_last; }
    PolygonBranch* owner() const { return m_owner; }

    // The unit normal, worked out again when stale: fewer than 3 vertices or a zero sum leave it
    // invalid. Working it out also gives flat-shaded vertices the polygon normal and tests a
    // polygon of 4 or more vertices for convexity.
    const Vector3f& normal();
    bool hasValidNormal();
    bool isConcave();
    // Concave or without a valid normal: left out of bounds and conversion.
    bool isBad();

    // Live pool blocks of polygon records.
    static int liveBlocks();

private:
    friend class PolygonBranch;

    void makeOwnerDirty();
    void updateNormal();
    void testConvexity(const Vector3d& normal);

    bool m_normalValid = false;
    bool m_concave = false;
    bool m_normalStale = true;
    bool m_smoothRequest = false;
    int m_vertexCount = 0;
    PolyVertex* m_first = nullptr;
    PolyVertex* m_last = nullptr;
    Surface m_surface;
    std::int32_t m_value = 0;
    Vector3f m_normal{0.0f, 0.0f, 1.0f};
    PolygonBranch* m_owner = nullptr;
};

}
