#pragma once

#include "scene/geometry/Polygon.h"
#include "scene/geometry/PolygonBranch.h"

#include <initializer_list>
#include <memory>

// Polygons and polygon branches for the scene tests.
namespace polyshapes
{

// A polygon through the points, in order.
inline std::unique_ptr<finch::Polygon> polygon(std::initializer_list<finch::Vector3d> points)
{
    auto made = std::make_unique<finch::Polygon>();
    for (const finch::Vector3d& p : points) {
        auto vertex = std::make_unique<finch::PolyVertex>();
        vertex->setPosition(p);
        made->addVertex(vertex);
    }
    return made;
}

// The six faces of the cube from (0, 0, 0) to (1, 1, 1), wound outwards.
inline void addCube(finch::PolygonBranch& branch)
{
    using V = finch::Vector3d;
    branch.addPolygon(polygon({V(0, 0, 0), V(0, 1, 0), V(1, 1, 0), V(1, 0, 0)}));
    branch.addPolygon(polygon({V(0, 0, 1), V(1, 0, 1), V(1, 1, 1), V(0, 1, 1)}));
    branch.addPolygon(polygon({V(0, 0, 0), V(1, 0, 0), V(1, 0, 1), V(0, 0, 1)}));
    branch.addPolygon(polygon({V(0, 1, 0), V(0, 1, 1), V(1, 1, 1), V(1, 1, 0)}));
    branch.addPolygon(polygon({V(0, 0, 0), V(0, 0, 1), V(0, 1, 1), V(0, 1, 0)}));
    branch.addPolygon(polygon({V(1, 0, 0), V(1, 1, 0), V(1, 1, 1), V(1, 0, 1)}));
}

}
