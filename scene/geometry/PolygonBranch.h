#pragma once

#include "scene/geometry/GeometryBranch.h"
#include "scene/geometry/Polygon.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace finch
{

// A geometry branch that collects polygons from model readers. Cleaning welds coincident vertices,
// pairs every edge with the edge its neighbouring polygon runs the other way, gives smooth normals
// where polygons ask for them, lists the edges and turns the polygons into bunches. Polygons are
// not stored: the stored form is the geometry branch's, with the bunches made from them. While
// the geometry pool is on (bulk loading), the polygons go once converted, and a branch with a
// bunch too large to draw well is queued for the splitting pass. Main thread only.
class PolygonBranch final : public GeometryBranch
{
public:
    static constexpr const char* classIdentifier = "duskharbor::finch::PolygonBranch";
    [[nodiscard]] static heron::Streamable* create();

    // One edge of the list: a vertex and the neighbour that runs its edge the other way, or the
    // vertex's successor in its own polygon for a border edge.
    struct Edge
    {
        PolyVertex* vertex = nullptr;
        PolyVertex* other = nullptr;
    };

    PolygonBranch() = default;
    // Frees every polygon.
    ~PolygonBranch() override;

    // Takes the polygon; one still listed by another branch leaves that branch first (logged).
    void addPolygon(std::unique_ptr<Polygon> polygon);
    // Hands the polygon back to the caller; a polygon of another branch is logged and not given.
    [[nodiscard]] std::unique_ptr<Polygon> removePolygon(Polygon& polygon);
    const std::vector<Polygon*>& polygons() const { return m_polygons; }
    // Valid after a clean until the polygons change.
    const std::vector<Edge>& edgeList() const { return m_edges; }
    bool isEdgeListValid() const { return m_edgeListValid; }
    // Triangles of the good polygons, as counted by the last clean.
    int triangleEstimate() const { return m_triangleEstimate; }

    // Only while dirty: the geometry branch's clean, then, with polygons, bounds, welding,
    // neighbours, smooth normals, the edge list and the conversion into bunches.
    void clean() override;
    // Without polygons, the bunches' test; with them, the polygons' own (bunch of the hit null).
    bool intersectRay(const Ray& ray, RayHit& hit, bool anyHit, const BunchFilter* filter) override;

    const char* className() const override { return classIdentifier; }
    // Also the older geometry set, which older files hold beside a polygon branch.
    void registerFactories(heron::DataSource& source) override;
    // Also reads the fields of older blocks: a reference (read past), the triangle estimate, the
    // facing mode and two dropped values.
    void read(heron::DataSource& source) override;
    void write(heron::DataDest& dest) const override;

private:
    // Neighbours, weld groups and marks worked out by the last clean.
    static void resetCleaningData(PolyVertex& vertex);
    void polygonsChanged();
    void cleanPolygons();
    void computeBounds();
    void weld();
    void findNeighbours();
    void smoothNormals();
    void makeEdgeList();
    void replaceBunches();
    void queueLargeBunches();
    void freePolygons();

    std::vector<Polygon*> m_polygons;
    std::vector<Edge> m_edges;
    std::int32_t m_triangleEstimate = 0;
    std::int32_t m_weldCount = 0;
    bool m_edgeListValid = false;
};

}
