#include "scene/geometry/Patch.h"

#include "scene/geometry/PolygonBranch.h"
#include "scene/render/Material.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

namespace
{

using finch::Patch;
using finch::PolygonBranch;
using finch::Vector3d;

// The unit square in z = 0 with point 4 i + j at (j / 3, i / 3); collapsed, row 0 is one point.
Patch::ControlPoints square(bool collapsed = false)
{
    Patch::ControlPoints points;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            points[std::size_t(4 * i + j)] = collapsed && i == 0 ? Vector3d(0.5, 0, 0) : Vector3d(j / 3.0, i / 3.0, 0);
        }
    }
    return points;
}

}

TEST(PatchTest, AFlatPatchIsSampledOnItsGrid)
{
    Patch patch;
    patch.setControlPoints(square());
    PolygonBranch branch;
    patch.addPolygons(branch, {});
    EXPECT_EQ(patch.subdivision(), 5);
    ASSERT_EQ(patch.points().size(), 36u);
    EXPECT_EQ(branch.polygons().size(), 25u);
    for (int row = 0; row <= 5; ++row) {
        for (int column = 0; column <= 5; ++column) {
            const std::size_t k = std::size_t(row * 6 + column);
            EXPECT_NEAR(patch.points()[k].x, row / 5.0, 1e-12);
            EXPECT_NEAR(patch.points()[k].y, column / 5.0, 1e-12);
            EXPECT_EQ(patch.normals()[k], finch::Vector3f(0, 0, 1));
            EXPECT_FLOAT_EQ(patch.texCoords()[k].s, float(column / 5.0));
        }
    }
    EXPECT_EQ(branch.polygons()[0]->material()->name(), heron_string("Patch"));
    EXPECT_TRUE(branch.polygons()[0]->material()->isLit());
}

TEST(PatchTest, ASubdivisionBelowOneIsRefused)
{
    LogCapture log;
    Patch patch;
    patch.setSubdivision(3);
    patch.setSubdivision(0);
    EXPECT_TRUE(log.contains("finch::Patch::setSubdivision() - n is zero or nagative!\n"));
    EXPECT_EQ(patch.subdivision(), 3);
    EXPECT_EQ(patch.points().size(), 16u);
}

TEST(PatchTest, CellsAtAPoleBecomeTrianglesFacingAway)
{
    Patch patch;
    patch.setControlPoints(square(true));
    patch.setSubdivision(2);
    PolygonBranch branch;
    const heron::counted_ptr<finch::Material> red(new finch::Material(finch::RGBA{1, 0, 0, 1}));
    patch.addPolygons(branch, red);
    int triangles = 0;
    for (finch::Polygon* polygon : branch.polygons()) {
        EXPECT_EQ(polygon->material(), red);
        if (polygon->vertexCount() != 3) {
            continue;
        }
        ++triangles;
        for (finch::PolyVertex* v = polygon->firstVertex(); v != nullptr; v = v->next()) {
            EXPECT_NE(v->normal(), finch::Vector3f()) << "triangle " << triangles;
        }
    }
    EXPECT_EQ(triangles, 2);
}
