#include "scene/geometry/PolygonBranch.h"

#include "scene/Engine.h"
#include "scene/geometry/GeoBunch.h"
#include "scene/geometry/RawGeometryBuilder.h"
#include "scene/geometry/TriangleList.h"
#include "scene/graph/Database.h"
#include "scene/graph/GroupBranch.h"
#include "scene/math/Ray.h"
#include "scene/render/Material.h"
#include "scene/render/Texture.h"
#include "support/LogCapture.h"
#include "support/PolygonShapes.h"
#include "support/SceneBuilders.h"
#include "support/SceneStreams.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace
{

using finch::Polygon;
using finch::PolygonBranch;
using finch::PolyVertex;
using finch::Vector3d;
using finch::Vector3f;
using polyshapes::polygon;

using Triangles = std::vector<std::array<Vector3d, 3>>;

Triangles trianglesOf(PolygonBranch& branch)
{
    Triangles triangles;
    for (finch::GeoBunch* bunch : branch.bunches()) {
        const auto list = finch::extractTriangles(*bunch);
        for (const finch::Triangle& t : list->triangles()) {
            std::array<Vector3d, 3> corners;
            for (std::size_t k = 0; k < 3; ++k) {
                corners[k] = Vector3d(t[k].position.x, t[k].position.y, t[k].position.z);
            }
            triangles.push_back(corners);
        }
    }
    return triangles;
}

Vector3d areaVector(const std::array<Vector3d, 3>& t)
{
    return finch::cross(t[1] - t[0], t[2] - t[0]) * 0.5;
}

bool holds(Polygon& polygon, const Vector3d& p)
{
    for (PolyVertex* v = polygon.firstVertex(); v != nullptr; v = v->next()) {
        if ((v->position() - p).lengthSquared() < 1e-12) {
            return true;
        }
    }
    return false;
}

// The triangles tile the polygons: each lies on one polygon's corners facing its way, and the
// areas of a polygon's triangles add up to its own.
void expectTiling(PolygonBranch& branch, const Triangles& triangles, const std::vector<double>& areas)
{
    std::vector<double> covered(branch.polygons().size(), 0.0);
    for (const auto& t : triangles) {
        const auto owner = std::find_if(branch.polygons().begin(), branch.polygons().end(), [&](Polygon* p) {
            return holds(*p, t[0]) && holds(*p, t[1]) && holds(*p, t[2]);
        });
        ASSERT_NE(owner, branch.polygons().end());
        const Vector3f& facing = (*owner)->normal();
        const double along = finch::dot(areaVector(t), Vector3d(facing.x, facing.y, facing.z));
        EXPECT_GT(along, 0.0);
        covered[std::size_t(owner - branch.polygons().begin())] += along;
    }
    for (std::size_t i = 0; i < areas.size(); ++i) {
        EXPECT_NEAR(covered[i], areas[i], 1e-6) << "polygon " << i;
    }
}

// How many corners each triangle shares with the one before.
std::vector<int> sharedCorners(const Triangles& triangles)
{
    std::vector<int> shared;
    for (std::size_t i = 1; i < triangles.size(); ++i) {
        shared.push_back(int(std::count_if(triangles[i].begin(), triangles[i].end(), [&](const Vector3d& p) {
            return std::find(triangles[i - 1].begin(), triangles[i - 1].end(), p) != triangles[i - 1].end();
        })));
    }
    return shared;
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
    for (std::size_t i = 0; i < branch->edgeList().size(); ++i) {
        const PolygonBranch::Edge& edge = branch->edgeList()[i];
        EXPECT_EQ(edge.vertex->edgeIndex(), int(i));
        EXPECT_EQ(edge.other->edgeIndex(), int(i));
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
    auto fin = polygon({Vector3d(3, 0, 0), Vector3d(3, 0, 1), Vector3d(3.5, 0, 2), Vector3d(4, 0, 1), Vector3d(4, 0, 0)});
    fin->setSurfaceFlagA(false);
    branch.addPolygon(std::move(fin));
    const std::vector<double> areas = {1, 1, 1, 1, 1, 1, 1.5};
    branch.clean();
    EXPECT_EQ(branch.bunches().size(), 2u);
    const Triangles first = trianglesOf(branch);
    EXPECT_EQ(first.size(), 6u * 2u + 3u);
    expectTiling(branch, first, areas);
    // Cleaning again after a change builds the bunches anew rather than adding to them.
    branch.polygons()[0]->setValue(7);
    branch.clean();
    EXPECT_EQ(trianglesOf(branch), first);
}

TEST(PolygonBranchTest, TrianglesRunInAStripAcrossARowOfQuads)
{
    PolygonBranch branch;
    for (int x = 0; x < 5; ++x) {
        branch.addPolygon(polygon({Vector3d(x, 0, 0), Vector3d(x + 1, 0, 0), Vector3d(x + 1, 1, 0), Vector3d(x, 1, 0)}));
    }
    branch.clean();
    const Triangles triangles = trianglesOf(branch);
    ASSERT_EQ(triangles.size(), 10u);
    expectTiling(branch, triangles, std::vector<double>(5, 1.0));
    EXPECT_EQ(sharedCorners(triangles), std::vector<int>(9, 2));
}

TEST(PolygonBranchTest, AStripStopsWhereTheSurfaceSeamsShow)
{
    const auto textured = [] {
        finch::Material material(finch::RGBA{1, 1, 1, 1});
        material.setTexture(0, heron::counted_ptr<finch::Texture>(new finch::Texture));
        return heron::counted_ptr<finch::Material>(new finch::Material(material));
    };
    const auto lit = [] {
        heron::counted_ptr<finch::Material> material(new finch::Material(finch::RGBA{1, 1, 1, 1}));
        material->setLit(true);
        return material;
    };
    const struct
    {
        const char* name;
        heron::counted_ptr<finch::Material> material;
        bool bentNormals;
        bool texCoordJump;
        int seamShares;
    } cases[] = {
        {"both seams, default material", {}, true, true, 2},
        {"bent normals, lit", lit(), true, false, 1},
        {"bent normals, unlit", {}, true, false, 2},
        {"texture coordinates jump, textured", textured(), false, true, 1},
        {"texture coordinates jump, untextured", lit(), false, true, 2},
    };
    for (const auto& c : cases) {
        PolygonBranch branch;
        for (int x = 0; x < 3; ++x) {
            auto quad = std::make_unique<Polygon>();
            quad->setMaterial(c.material ? c.material : finch::Material::defaultMaterial());
            for (const auto& [dx, dy] : {std::pair{0, 0}, {1, 0}, {1, 1}, {0, 1}}) {
                auto vertex = std::make_unique<PolyVertex>();
                vertex->setPosition(Vector3d(x + dx, dy, 0));
                vertex->setNormal(c.bentNormals && x == 2 ? Vector3f(0, 0.6f, 0.8f) : Vector3f(0, 0, 1));
                vertex->setTexCoord(0, {float(x + dx) + (c.texCoordJump && x == 2 ? 5.0f : 0.0f), float(dy)});
                quad->addVertex(vertex);
            }
            branch.addPolygon(std::move(quad));
        }
        branch.clean();
        const std::vector<int> shared = sharedCorners(trianglesOf(branch));
        ASSERT_EQ(shared.size(), 5u) << c.name;
        EXPECT_EQ(shared[3], c.seamShares) << c.name;
    }
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
