#include "scene/geometry/PolygonBranch.h"

#include "scene/Engine.h"
#include "scene/geometry/GeoBunch.h"
#include "scene/geometry/RawGeometryBuilder.h"
#include "scene/geometry/TriangleList.h"
#include "scene/graph/Database.h"
#include "scene/graph/GroupBranch.h"
#include "scene/math/Ray.h"
#include "support/LogCapture.h"
#include "support/PolygonShapes.h"
#include "support/SceneBuilders.h"
#include "support/SceneStreams.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <set>

namespace
{

using finch::Polygon;
using finch::PolygonBranch;
using finch::PolyVertex;
using finch::Vector3d;
using polyshapes::polygon;

using CornerSet = std::array<std::array<float, 3>, 3>;

// A triangle's corners starting at its smallest, so that the same triangle compares equal
// whichever corner it starts at.
CornerSet canonical(CornerSet corners)
{
    const auto first = std::min_element(corners.begin(), corners.end());
    std::rotate(corners.begin(), first, corners.end());
    return corners;
}

std::multiset<CornerSet> trianglesOf(PolygonBranch& branch)
{
    std::multiset<CornerSet> triangles;
    for (finch::GeoBunch* bunch : branch.bunches()) {
        const auto list = finch::extractTriangles(*bunch);
        for (const finch::Triangle& t : list->triangles()) {
            CornerSet corners;
            for (int k = 0; k < 3; ++k) {
                corners[std::size_t(k)] = {t[std::size_t(k)].position.x, t[std::size_t(k)].position.y, t[std::size_t(k)].position.z};
            }
            triangles.insert(canonical(corners));
        }
    }
    return triangles;
}

std::unique_ptr<PolygonBranch> cube()
{
    auto branch = std::make_unique<PolygonBranch>();
    polyshapes::addCube(*branch);
    return branch;
}

}

TEST(PolygonBranchTest, EveryEdgeOfAClosedCubeIsPaired)
{
    auto branch = cube();
    branch->clean();
    ASSERT_TRUE(branch->isEdgeListValid());
    ASSERT_EQ(branch->edgeList().size(), 12u);
    for (const PolygonBranch::Edge& edge : branch->edgeList()) {
        EXPECT_NE(edge.other->polygon(), edge.vertex->polygon());
        EXPECT_EQ(edge.vertex->neighbour(), edge.other);
        EXPECT_EQ(edge.other->neighbour(), edge.vertex);
        EXPECT_EQ(edge.other->successor()->weldIndex(), edge.vertex->weldIndex());
    }
}

TEST(PolygonBranchTest, AThirdPolygonOnAnEdgeStaysABorder)
{
    PolygonBranch branch;
    branch.addPolygon(polygon({Vector3d(0, 0, 0), Vector3d(1, 0, 0), Vector3d(1, 1, 0), Vector3d(0, 1, 0)}));
    branch.addPolygon(polygon({Vector3d(1, 0, 0), Vector3d(2, 0, 0), Vector3d(2, 1, 0), Vector3d(1, 1, 0)}));
    branch.addPolygon(polygon({Vector3d(1, 1, 0), Vector3d(1, 0, 0), Vector3d(1, 0, 1)}));
    branch.clean();
    // 4 + 4 + 3 half-edges; the two quads share one edge, the fin finds no partner left.
    EXPECT_EQ(branch.edgeList().size(), 10u);
    Polygon& left = *branch.polygons()[0];
    Polygon& right = *branch.polygons()[1];
    PolyVertex* const shared = left.firstVertex()->next();
    ASSERT_NE(shared->neighbour(), nullptr);
    EXPECT_EQ(shared->neighbour()->polygon(), &right);
    for (PolyVertex* v = branch.polygons()[2]->firstVertex(); v != nullptr; v = v->next()) {
        EXPECT_EQ(v->neighbour(), nullptr);
    }
}

TEST(PolygonBranchTest, SmoothNormalsOfACubeCornerPointAlongTheDiagonal)
{
    auto branch = cube();
    for (Polygon* face : branch->polygons()) {
        face->markChanged();
    }
    branch->clean();
    const double third = 1.0 / std::sqrt(3.0);
    for (Polygon* face : branch->polygons()) {
        for (PolyVertex* v = face->firstVertex(); v != nullptr; v = v->next()) {
            const Vector3d& p = v->position();
            EXPECT_NEAR(v->normal().x, (p.x * 2 - 1) * third, 1e-6);
            EXPECT_NEAR(v->normal().y, (p.y * 2 - 1) * third, 1e-6);
            EXPECT_NEAR(v->normal().z, (p.z * 2 - 1) * third, 1e-6);
        }
    }
}

TEST(PolygonBranchTest, PolygonsWithoutASoundNormalAreLeftOut)
{
    struct Case
    {
        const char* name;
        std::unique_ptr<Polygon> shape;
        bool validNormal;
        bool concave;
    };
    Case cases[] = {
        {"square", polygon({Vector3d(0, 0, 0), Vector3d(1, 0, 0), Vector3d(1, 1, 0), Vector3d(0, 1, 0)}), true, false},
        {"two vertices", polygon({Vector3d(0, 0, 0), Vector3d(1, 0, 0)}), false, false},
        {"bow tie", polygon({Vector3d(0, 0, 0), Vector3d(1, 0, 0), Vector3d(0, 1, 0), Vector3d(1, 1, 0)}), false, false},
        {"arrow head", polygon({Vector3d(0, 0, 0), Vector3d(2, 1, 0), Vector3d(0, 2, 0), Vector3d(1, 1, 0)}), true, true},
    };
    for (Case& c : cases) {
        EXPECT_EQ(c.shape->hasValidNormal(), c.validNormal) << c.name;
        EXPECT_EQ(c.shape->isConcave(), c.concave) << c.name;
        EXPECT_EQ(c.shape->isBad(), c.concave || !c.validNormal) << c.name;
    }
    PolygonBranch branch;
    for (Case& c : cases) {
        branch.addPolygon(std::move(c.shape));
    }
    branch.clean();
    EXPECT_EQ(branch.triangleEstimate(), 2);
    EXPECT_EQ(branch.box().max(), Vector3d(1, 1, 0));
}

TEST(PolygonBranchTest, AnOwnedVertexIsRefused)
{
    auto square = polygon({Vector3d(0, 0, 0), Vector3d(1, 0, 0), Vector3d(1, 1, 0)});
    auto other = polygon({});
    std::unique_ptr<PolyVertex> owned(square->firstVertex());
    EXPECT_FALSE(other->addVertex(owned));
    static_cast<void>(owned.release());
    EXPECT_EQ(other->vertexCount(), 0);
    EXPECT_EQ(square->vertexCount(), 3);
    EXPECT_EQ(square->firstVertex()->polygon(), square.get());
}

TEST(PolygonBranchTest, BunchesHoldThePolygonsTriangles)
{
    PolygonBranch branch;
    polyshapes::addCube(branch);
    auto fin = polygon({Vector3d(3, 0, 0), Vector3d(4, 0, 0), Vector3d(4, 0, 1), Vector3d(3.5, 0, 2), Vector3d(3, 0, 1)});
    fin->setSurfaceFlagA(false);
    branch.addPolygon(std::move(fin));
    std::multiset<CornerSet> expected;
    for (Polygon* face : branch.polygons()) {
        const PolyVertex* first = face->firstVertex();
        for (const PolyVertex* v = first->next(); v->next() != nullptr; v = v->next()) {
            CornerSet corners;
            for (const auto& [k, corner] : {std::pair{0, first}, {1, v}, {2, v->next()}}) {
                const Vector3d& p = corner->position();
                corners[std::size_t(k)] = {float(p.x), float(p.y), float(p.z)};
            }
            expected.insert(canonical(corners));
        }
    }
    branch.clean();
    EXPECT_EQ(branch.bunches().size(), 2u);
    EXPECT_EQ(trianglesOf(branch), expected);
    // Cleaning again after a change builds the bunches anew rather than adding to them.
    branch.polygons()[0]->setValue(7);
    branch.clean();
    EXPECT_EQ(trianglesOf(branch), expected);
}

TEST(PolygonBranchTest, APolygonMovesBetweenBranches)
{
    LogCapture log;
    PolygonBranch first;
    PolygonBranch second;
    first.addPolygon(polygon({Vector3d(0, 0, 0), Vector3d(1, 0, 0), Vector3d(1, 1, 0)}));
    Polygon& moved = *first.polygons()[0];
    EXPECT_FALSE(second.removePolygon(moved));
    EXPECT_TRUE(log.contains("Warning: Tried to remove a polygon which isn't in this branch!\n"));
    second.addPolygon(std::unique_ptr<Polygon>(&moved));
    EXPECT_TRUE(log.contains("Warning: Polygon had an owner and was removed from that branch!\n"));
    EXPECT_TRUE(first.polygons().empty());
    EXPECT_EQ(moved.owner(), &second);
    delete &moved;
    EXPECT_TRUE(second.polygons().empty());
}

TEST(PolygonBranchTest, ARayMeetsTheNearestFrontFace)
{
    auto branch = cube();
    branch->clean();
    finch::Ray ray;
    ray.setOrigin(Vector3d(0.5, 0.5, -1));
    ray.setThrough(Vector3d(0.5, 0.5, 3));
    finch::RayHit hit;
    ASSERT_TRUE(branch->intersectRay(ray, hit, false, nullptr));
    EXPECT_NEAR(hit.distance, 1.0, 1e-9);
    ray.setOrigin(Vector3d(2, 2, -1));
    ray.setThrough(Vector3d(2, 2, 3));
    EXPECT_FALSE(branch->intersectRay(ray, hit, false, nullptr));
}

TEST(PolygonBranchTest, AStoredBranchReadsBackToTheSameBytes)
{
    auto root = std::make_unique<finch::GroupBranch>();
    auto branch = cube();
    branch->setName("box");
    branch->setFacingMode(finch::GeometryBranch::turnsAboutZ);
    scenebuild::add(*root, std::move(branch));
    const auto db = scenebuild::database(std::move(root));
    const scenestreams::Bytes bytes = scenestreams::streamOf(*db);
    const heron::counted_ptr<heron::Streamable> copy = scenestreams::readStream(bytes);
    ASSERT_TRUE(copy);
    EXPECT_EQ(scenestreams::streamOf(*copy), bytes);
    auto& read = dynamic_cast<finch::Database&>(*copy);
    auto* const box = dynamic_cast<PolygonBranch*>(read.mainObject()->root()->child(0));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->bunches().size(), 1u);
    EXPECT_EQ(box->facingMode(), finch::GeometryBranch::turnsAboutZ);
}
