#include "scene/geometry/Teapot.h"

#include "scene/geometry/PolygonBranch.h"
#include "scene/graph/GroupBranch.h"
#include "scene/graph/Object.h"
#include "scene/render/Material.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

using finch::Object;
using finch::PolygonBranch;
using finch::Vector3d;

PolygonBranch& branchOf(Object& teapot)
{
    return dynamic_cast<PolygonBranch&>(*teapot.root()->child(0));
}

std::vector<Vector3d> positions(Object& teapot)
{
    std::vector<Vector3d> all;
    for (finch::Polygon* polygon : branchOf(teapot).polygons()) {
        for (finch::PolyVertex* v = polygon->firstVertex(); v != nullptr; v = v->next()) {
            all.push_back(v->position());
        }
    }
    return all;
}

}

TEST(TeapotTest, TheTeapotIsOneObjectOfPatches)
{
    const auto teapot = finch::makeTeapot(4, {});
    EXPECT_EQ(teapot->name(), heron_string("Teapot"));
    EXPECT_EQ(teapot->root()->name(), heron_string("teapot"));
    PolygonBranch& branch = branchOf(*teapot);
    EXPECT_EQ(branch.name(), heron_string("teapot"));
    ASSERT_EQ(branch.polygons().size(), 32u * 16u);
    // The first control point, (0.084, 0, 0.144), turned a quarter about z.
    const Vector3d& first = branch.polygons()[0]->firstVertex()->position();
    EXPECT_NEAR(first.x, 0.0, 1e-12);
    EXPECT_NEAR(first.y, -0.084, 1e-12);
    EXPECT_NEAR(first.z, 0.144, 1e-12);
    const finch::Material& material = *branch.polygons()[0]->material();
    EXPECT_EQ(material.name(), heron_string("Teapot"));
    EXPECT_TRUE(material.isLit());
    const std::vector<Vector3d> corners = {{0.2, 0.2, 0.2},   {0.2, 0.2, -0.2},   {0.2, -0.2, 0.2},   {0.2, -0.2, -0.2},
                                           {-0.2, 0.2, 0.2},  {-0.2, 0.2, -0.2},  {-0.2, -0.2, 0.2},  {-0.2, -0.2, -0.2}};
    EXPECT_EQ(teapot->points(), corners);
}

TEST(TeapotTest, TwoTeapotsAreIdentical)
{
    const auto first = finch::makeTeapot(3, {});
    const auto second = finch::makeTeapot(3, {});
    EXPECT_EQ(positions(*first), positions(*second));
}

TEST(TeapotTest, ASubdivisionOfZeroIsRefusedByThePatch)
{
    LogCapture log;
    const auto teapot = finch::makeTeapot(0, {});
    EXPECT_TRUE(log.contains("finch::Patch::setSubdivision() - n is zero or nagative!\n"));
    EXPECT_EQ(branchOf(*teapot).polygons().size(), 32u * 25u);
}

TEST(TeapotTest, ASuppliedMaterialCoversEveryPatch)
{
    const heron::counted_ptr<finch::Material> blue(new finch::Material(finch::RGBA{0, 0, 1, 1}));
    const auto teapot = finch::makeTeapot(2, blue);
    for (finch::Polygon* polygon : branchOf(*teapot).polygons()) {
        ASSERT_EQ(polygon->material(), blue);
    }
}

TEST(TeapotTest, TheTeapotStandsOnTheOriginWithItsSpoutAlongMinusY)
{
    const auto teapot = finch::makeTeapot(6, {});
    PolygonBranch& branch = branchOf(*teapot);
    branch.clean();
    const finch::BoundingBox& box = branch.box();
    EXPECT_NEAR(box.min().z, 0.0, 1e-9);
    EXPECT_NEAR(box.max().z, 3.15 * 0.06, 1e-9);
    EXPECT_NEAR(box.min().y, -3.3 * 0.06, 0.01);
    EXPECT_GT(branch.triangleEstimate(), 32 * 36);
}
