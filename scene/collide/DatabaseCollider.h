#pragma once

#include "scene/collide/TriangleCollider.h"

#include <memory>

namespace finch
{

class Database;

// The scene database as a collidee: for each step it walks the database's main object with a
// collision traverser that carries the step's box into each branch's frame, leaves out branches
// whose boxes miss it or whose collision mode keeps them out, and gathers the triangles of the
// rest in world coordinates (scaled, sheared and mirrored instances included). The database is
// not owned and should be clean: branches with stale boxes may be left out. Main thread only.
class DatabaseCollider : public TriangleCollider
{
public:
    explicit DatabaseCollider(Database& database);
    ~DatabaseCollider() override;

    void collectTriangles(const Collider& mover, std::vector<CollisionTriangle>& list) override;

private:
    class Walk;

    Database& m_database;
    std::unique_ptr<Walk> m_walk;
};

}
