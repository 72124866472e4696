#include "scene/collide/DatabaseCollider.h"

#include "scene/graph/Database.h"
#include "scene/graph/Traverser.h"

#include <algorithm>
#include <iterator>

namespace finch
{

namespace
{

constexpr std::size_t firstBoxes = 1024;

// The determinant of the matrix's 3 x 3 part: negative when it mirrors.
double linearDeterminant(const Matrix& m)
{
    return m.at(0, 0) * (m.at(1, 1) * m.at(2, 2) - m.at(1, 2) * m.at(2, 1)) -
           m.at(0, 1) * (m.at(1, 0) * m.at(2, 2) - m.at(1, 2) * m.at(2, 0)) +
           m.at(0, 2) * (m.at(1, 0) * m.at(2, 1) - m.at(1, 1) * m.at(2, 0));
}

// Swaps two corners, so that a triangle mirrored into world space keeps its front face.
void reverseWinding(CollisionTriangle& triangle)
{
    std::swap_ranges(triangle.corners + 3, triangle.corners + 6, triangle.corners + 6);
}

}

// Walks the database for one step, with the step's box on top of a stack of boxes, one per frame.
class DatabaseCollider::Walk : public Traverser
{
public:
    explicit Walk(Database& database) : Traverser(Kind::Collision), m_database(database)
    {
        m_boxes.reserve(firstBoxes);
        boxList().setSuppressed(true);
    }

    void run(const Collider& mover, std::vector<CollisionTriangle>& list)
    {
        m_list = &list;
        start(mover.matrix(), mover.inverse());
        setViewpoint(mover.start());
        m_boxes.clear();
        m_boxes.push_back(mover.sweptBox());
        m_database.traverse(*this);
        m_list = nullptr;
    }

    bool isCulled(Branch& branch) override
    {
        switch (branch.collisionMode()) {
        case Branch::neverCollides:
            return true;
        case Branch::collidesInMode2:
            if (!m_database.collideMode2()) {
                return true;
            }
            break;
        case Branch::leftOutInMode3:
            if (m_database.skipMode3()) {
                return true;
            }
            break;
        default:
            break;
        }
        return !branch.box().overlaps(m_boxes.back());
    }

    void visit(Branch& branch) override
    {
        BranchCollidable* const collidable = branch.collidable();
        if (collidable == nullptr || m_list == nullptr) {
            return;
        }
        const std::size_t first = m_list->size();
        collidable->collectTriangles(m_boxes.back(), *m_list, nullptr);
        toWorld(first);
    }

protected:
    bool computeCullingActive() const override { return true; }
    void pushCullState(const Matrix& mInverse) override
    {
        BoundingBox local;
        local.transform(m_boxes.back(), mInverse);
        m_boxes.push_back(local);
    }
    void popCullState() override
    {
        if (m_boxes.size() > 1) {
            m_boxes.pop_back();
        }
    }

private:
    // The triangles from first on, from the current branch's frame into world coordinates.
    void toWorld(std::size_t first)
    {
        const Matrix& m = modelView();
        if (first == m_list->size() || m.isIdentity()) {
            return;
        }
        const bool mirrors = linearDeterminant(m) < 0.0;
        for (auto it = m_list->begin() + std::ptrdiff_t(first); it != m_list->end(); ++it) {
            transformTriangles(std::begin(it->corners), std::end(it->corners), it->corners, m);
            if (mirrors) {
                reverseWinding(*it);
            }
        }
    }

    Database& m_database;
    std::vector<BoundingBox> m_boxes;
    std::vector<CollisionTriangle>* m_list = nullptr;
};

DatabaseCollider::DatabaseCollider(Database& database) : m_database(database), m_walk(std::make_unique<Walk>(database)) {}

DatabaseCollider::~DatabaseCollider() = default;

void DatabaseCollider::collectTriangles(const Collider& mover, std::vector<CollisionTriangle>& list)
{
    m_walk->run(mover, list);
}

}
