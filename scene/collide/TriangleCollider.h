#pragma once

#include "scene/collide/Collider.h"
#include "scene/graph/Branch.h"

#include <vector>

namespace finch
{

// A collidee made of triangles in world coordinates, gathered afresh for each step. Only a
// triangle's front face blocks: the face its corners wind counter-clockwise around, seen from
// where the sphere comes from. Triangles without area or with corners that are not numbers never
// block. Main thread only.
class TriangleCollider : public Collider
{
public:
    // Empties the triangle list and gathers the triangles near the mover's step.
    void prepare(const Collider& mover) override;
    // The nearest touch of the mover's sphere with the triangles within its step.
    bool test(const Collider& mover, double& distance, Vector3d& contact) override;
    // Appends the triangles that may meet the mover's step, in world coordinates.
    virtual void collectTriangles(const Collider& mover, std::vector<CollisionTriangle>& list) = 0;

    std::vector<CollisionTriangle>& triangles() { return m_triangles; }

private:
    std::vector<CollisionTriangle> m_triangles;
};

}
