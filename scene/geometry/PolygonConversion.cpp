#include "scene/geometry/PolygonConversion.h"

#include "scene/geometry/GeoBunch.h"
#include "scene/geometry/GeoBunchInternals.h"
#include "scene/geometry/PolygonBranch.h"
#include "scene/geometry/TriangleList.h"

namespace finch
{

namespace
{

Corner cornerOf(const PolyVertex& vertex)
{
    Corner corner;
    corner.position = Vector3f(vertex.position());
    corner.normal = vertex.normal();
    corner.texCoords = {vertex.texCoord(0), vertex.texCoord(1)};
    return corner;
}

// The polygon as a fan of triangles around its first vertex.
void addTriangles(Polygon& polygon, TriangleList& list)
{
    const PolyVertex* const first = polygon.firstVertex();
    for (const PolyVertex* vertex = first->next(); vertex != nullptr && vertex->next() != nullptr; vertex = vertex->next()) {
        list.add({cornerOf(*first), cornerOf(*vertex), cornerOf(*vertex->next())});
    }
}

void addBunch(PolygonBranch& branch, const TriangleList& list)
{
    auto bunch = std::make_unique<GeoBunch>();
    bunch->buildFromTriangles(list);
    GeoBunch& added = *bunch;
    branch.addBunch(std::move(bunch));
    static_cast<void>(added.internals().verify());
}

}

void convertPolygons(PolygonBranch& branch)
{
    const std::vector<Polygon*>& polygons = branch.polygons();
    std::vector<bool> taken(polygons.size(), false);
    for (std::size_t i = 0; i < polygons.size(); ++i) {
        if (taken[i] || polygons[i]->isBad()) {
            continue;
        }
        TriangleList list;
        list.setSurface(polygons[i]->surface());
        for (std::size_t j = i; j < polygons.size(); ++j) {
            if (!taken[j] && !polygons[j]->isBad() && polygons[j]->surface() == list.surface()) {
                addTriangles(*polygons[j], list);
                taken[j] = true;
            }
        }
        addBunch(branch, list);
    }
}

}
