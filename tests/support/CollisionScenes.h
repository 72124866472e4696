#pragma once

#include "scene/math/Matrix.h"
#include "tests/support/SceneBuilders.h"

#include <array>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// Scenes of loose triangles for the collision and ray tests, with the same triangles kept in world
// coordinates for brute-force checks.
namespace collisionscene
{

using Corners = std::array<finch::Vector3d, 3>;

// A bunch of loose triangles (three corners each) drawn and collided on their front faces only.
inline std::unique_ptr<finch::GeoBunch> triangles(const std::vector<Corners>& list)
{
    std::vector<finch::Vector3f> positions;
    for (const Corners& triangle : list) {
        for (const finch::Vector3d& p : triangle) {
            positions.emplace_back(p);
        }
    }
    auto bunch = std::make_unique<finch::GeoBunch>();
    bunch->setVertexData(scenebuild::stream<finch::vertex_data>(positions), true);
    bunch->editSurface().cullFaces = true;
    return bunch;
}

// The two triangles of the quad a, b, c, d (in order around it), facing along (b - a) x (c - a).
inline void addQuad(std::vector<Corners>& out, const finch::Vector3d& a, const finch::Vector3d& b,
                    const finch::Vector3d& c, const finch::Vector3d& d)
{
    out.push_back({a, b, c});
    out.push_back({a, c, d});
}

// The triangle in the single-precision form collision takes.
inline finch::CollisionTriangle collisionTriangle(const Corners& corners)
{
    finch::CollisionTriangle triangle;
    for (int k = 0; k < 9; ++k) {
        triangle.corners[k] = static_cast<float>(corners[std::size_t(k / 3)][k % 3]);
    }
    return triangle;
}

enum class Facing
{
    Outward,
    Inward,
};

// The twelve triangles of the box from lo to hi, facing out of it (a solid) or into it (a room).
inline std::vector<Corners> box(const finch::Vector3d& lo, const finch::Vector3d& hi, Facing facing)
{
    std::vector<Corners> out;
    for (int axis = 0; axis < 3; ++axis) {
        const int u = (axis + 1) % 3;
        const int v = (axis + 2) % 3;
        for (const bool high : {false, true}) {
            finch::Vector3d p[4];
            const double uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
            for (int k = 0; k < 4; ++k) {
                p[k][axis] = high ? hi[axis] : lo[axis];
                p[k][u] = uv[k][0] == 0 ? lo[u] : hi[u];
                p[k][v] = uv[k][1] == 0 ? lo[v] : hi[v];
            }
            // Counter-clockwise from +axis: the face looks along +axis.
            const bool alongAxis = high == (facing == Facing::Outward);
            if (alongAxis) {
                addQuad(out, p[0], p[1], p[2], p[3]);
            } else {
                addQuad(out, p[0], p[3], p[2], p[1]);
            }
        }
    }
    return out;
}

inline std::unique_ptr<finch::Branch> geometry(const std::string& name, const std::vector<Corners>& list)
{
    return scenebuild::geometry(name.c_str(), triangles(list));
}

inline bool mirrors(const finch::Matrix& m)
{
    const double det = m.at(0, 0) * (m.at(1, 1) * m.at(2, 2) - m.at(1, 2) * m.at(2, 1)) -
                       m.at(0, 1) * (m.at(1, 0) * m.at(2, 2) - m.at(1, 2) * m.at(2, 0)) +
                       m.at(0, 2) * (m.at(1, 0) * m.at(2, 1) - m.at(1, 1) * m.at(2, 0));
    return det < 0.0;
}

// The triangles moved by m (points as row vectors); a mirroring m turns their winding, so that
// each keeps the same side of the surface as its front.
inline std::vector<Corners> transformed(const std::vector<Corners>& list, const finch::Matrix& m)
{
    std::vector<Corners> out = list;
    for (Corners& triangle : out) {
        for (finch::Vector3d& p : triangle) {
            m.transformPoint(p, p);
        }
        if (mirrors(m)) {
            std::swap(triangle[1], triangle[2]);
        }
    }
    return out;
}

// An instance branch showing object under the placement m.
inline std::unique_ptr<finch::InstanceBranch> instance(const std::string& name, finch::Object& object, const finch::Matrix& m)
{
    auto branch = std::make_unique<finch::InstanceBranch>();
    branch->setName(name.c_str());
    branch->setInstance(&object);
    branch->setMatrix(m);
    return branch;
}

}
