#include "scene/math/BoundingBox.h"
#include "scene/render/Frustum.h"
#include "scene/render/Viewer.h"
#include "support/TempLog.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace
{

using finch::BoundingBox;
using finch::Frustum;
using finch::Matrix;
using finch::Vector3d;
using finch::Viewer;

// Whether a world point lies in the volume the viewer's frustum stands for: between near and
// far, and inside the rays through the first and last pixel centres of each axis.
bool seen(const Viewer& viewer, const Vector3d& world)
{
    Vector3d p;
    viewer.view().transformPoint(p, world);
    if (p.y < viewer.nearDistance() || p.y > viewer.farDistance()) {
        return false;
    }
    const Matrix& projection = viewer.projectionMatrix();
    const double w = viewer.windowWidth();
    const double h = viewer.windowHeight();
    const double sx = p.x / p.y * (w / 2 * projection.at(0, 0)) + w / 2;
    const double sz = p.z / p.y * (h / 2 * projection.at(1, 1)) + h / 2;
    return sx >= 0.0 && sx <= w - 1 && sz >= 0.0 && sz <= h - 1;
}

// Samples the box on a grid, carried into the world by toWorld: true when some sample is seen.
bool anySampleSeen(const Viewer& viewer, const BoundingBox& box, const Matrix& toWorld = Matrix())
{
    constexpr int steps = 8;
    for (int i = 0; i <= steps; ++i) {
        for (int j = 0; j <= steps; ++j) {
            for (int k = 0; k <= steps; ++k) {
                const Vector3d f(double(i) / steps, double(j) / steps, double(k) / steps);
                const Vector3d p(box.min().x + f.x * (box.max().x - box.min().x),
                                 box.min().y + f.y * (box.max().y - box.min().y),
                                 box.min().z + f.z * (box.max().z - box.min().z));
                Vector3d world;
                toWorld.transformPoint(world, p);
                if (seen(viewer, world)) {
                    return true;
                }
            }
        }
    }
    return false;
}

Viewer randomViewer(std::mt19937& random)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    Viewer viewer;
    EXPECT_TRUE(viewer.setSize(int(50 + unit(random) * 400), int(50 + unit(random) * 400)));
    viewer.setFieldOfView(20.0 + unit(random) * 100.0);
    viewer.setNearFar(0.5 + unit(random) * 5.0, 40.0 + unit(random) * 100.0);
    finch::Transform placement;
    placement.position = Vector3d(unit(random) * 40 - 20, unit(random) * 40 - 20, unit(random) * 40 - 20);
    placement.heading = unit(random) * 360.0;
    placement.pitch = unit(random) * 180.0 - 90.0;
    placement.roll = unit(random) * 60.0 - 30.0;
    viewer.setTransform(placement);
    return viewer;
}

BoundingBox randomBox(std::mt19937& random)
{
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const Vector3d centre(unit(random) * 100 - 50, unit(random) * 100 - 50, unit(random) * 100 - 50);
    const Vector3d half(0.1 + unit(random) * 10, 0.1 + unit(random) * 10, 0.1 + unit(random) * 10);
    BoundingBox box;
    box.set(centre - half, centre + half);
    return box;
}

}

TEST(FrustumTest, NoBoxWithAVisiblePointIsEverCulled)
{
    std::mt19937 random(20261207);
    int visible = 0;
    int culled = 0;
    for (int camera = 0; camera < 150; ++camera) {
        const Viewer viewer = randomViewer(random);
        Frustum frustum = viewer.frustum();
        for (int b = 0; b < 150; ++b) {
            const BoundingBox box = randomBox(random);
            const bool isCulled = frustum.cullBox(box, Frustum::allPlanes);
            if (anySampleSeen(viewer, box)) {
                ++visible;
                ASSERT_FALSE(isCulled) << "camera " << camera << " box " << b;
            }
            culled += isCulled ? 1 : 0;
        }
    }
    // The test means something only when both kinds occur often.
    EXPECT_GT(visible, 1000);
    EXPECT_GT(culled, 5000);
}

TEST(FrustumTest, AFrustumCarriedIntoLocalSpaceDecidesAsInTheWorld)
{
    std::mt19937 random(77);
    for (int i = 0; i < 200; ++i) {
        const Viewer viewer = randomViewer(random);
        Matrix local;
        local.setTransform(finch::Transform{Vector3d(3, -2, 7), 10.0, 20.0, 30.0});
        Matrix inverse;
        local.getInverse(inverse);
        Frustum world = viewer.frustum();
        Frustum carried;
        carried.setTransformed(world, inverse);
        const BoundingBox box = randomBox(random);
        if (anySampleSeen(viewer, box, local)) {
            EXPECT_FALSE(carried.cullBox(box, Frustum::allPlanes));
        }
    }
}

TEST(FrustumTest, ASphereWhollyInsideClearsTheMaskAndMask0TestsNothing)
{
    Viewer viewer;
    Frustum frustum = viewer.frustum();
    BoundingBox inside;
    inside.set(Vector3d(-1, 49, -1), Vector3d(1, 51, 1));
    EXPECT_FALSE(frustum.cullBox(inside, Frustum::allPlanes));
    EXPECT_EQ(frustum.resultMask(), 0);
    BoundingBox behind;
    behind.set(Vector3d(-1, -51, -1), Vector3d(1, -49, 1));
    EXPECT_FALSE(frustum.cullBox(behind, 0));
    EXPECT_TRUE(frustum.cullBox(behind, Frustum::allPlanes));
    EXPECT_TRUE(frustum.cullBox(BoundingBox(), Frustum::allPlanes));
}

TEST(FrustumTest, AStraddlingBoxWithAllCornersBeyondOnePlaneIsCulled)
{
    // A thin slab beside the view, long enough that its sphere reaches into the volume.
    Viewer viewer;
    Frustum frustum = viewer.frustum();
    BoundingBox slab;
    slab.set(Vector3d(60, 1, -200), Vector3d(61, 100, 200));
    EXPECT_TRUE(frustum.cullBox(slab, Frustum::allPlanes));
}

TEST(ViewerTest, SettersKeepTheirLimits)
{
    TempLog log;
    Viewer viewer;
    EXPECT_FALSE(viewer.setSize(0, 10));
    EXPECT_TRUE(log.contains("Viewer::setWindowSize() - bad sizes passed, ignored!\n"));
    EXPECT_EQ(viewer.windowWidth(), 100.0);
    viewer.setNearFar(0.001, 0.5);
    EXPECT_EQ(viewer.nearDistance(), 0.009999999776482582);
    EXPECT_EQ(viewer.farDistance(), 1.0);
    viewer.setAspectScale(0.0f);
    EXPECT_EQ(viewer.aspectFactor(), 1.0f);
    viewer.setAspectScale(1000.0f);
    EXPECT_EQ(viewer.aspectFactor(), 1.0f);
    viewer.setAspectScale(100.0f);
    EXPECT_EQ(viewer.aspectFactor(), 0.01f);
    viewer.setOrientation(7);
    EXPECT_EQ(viewer.orientation(), 0);
}

TEST(ViewerTest, AnOrientationTurnsTheCameraToItsCubeFace)
{
    Viewer viewer;
    BoundingBox ahead;
    ahead.set(Vector3d(-1, 49, -1), Vector3d(1, 51, 1));
    EXPECT_FALSE(Frustum(viewer.frustum()).cullBox(ahead, Frustum::allPlanes));
    // Half a turn about z: the camera looks along -y.
    viewer.setOrientation(1);
    EXPECT_NEAR(viewer.camera().at(1, 1), -1.0, 1e-12);
    EXPECT_NEAR(viewer.view().at(0, 0), -1.0, 1e-12);
    EXPECT_TRUE(Frustum(viewer.frustum()).cullBox(ahead, Frustum::allPlanes));
    BoundingBox behind;
    behind.set(Vector3d(-1, -51, -1), Vector3d(1, -49, 1));
    EXPECT_FALSE(Frustum(viewer.frustum()).cullBox(behind, Frustum::allPlanes));
}

TEST(ViewerTest, LookAtBoundsFramesTheCentreFromBeforeIt)
{
    TempLog log;
    Viewer viewer;
    BoundingBox box;
    box.set(Vector3d(9, 19, 29), Vector3d(11, 21, 31));
    viewer.lookAtBounds(box);
    const double d = box.radius() * 1.2 / std::tan(22.5 * finch::degreesToRadians);
    EXPECT_NEAR(viewer.eye().x, 10.0, 1e-9);
    EXPECT_NEAR(viewer.eye().y, 20.0 - d, 1e-9);
    EXPECT_NEAR(viewer.eye().z, 30.0, 1e-9);
    // The centre is straight ahead, so the box is seen.
    EXPECT_FALSE(Frustum(viewer.frustum()).cullBox(box, Frustum::allPlanes));
    EXPECT_TRUE(log.contains("Near/far="));

    BoundingBox point;
    point.set(Vector3d(1, 1, 1), Vector3d(1, 1, 1));
    viewer.lookAtBounds(point);
    EXPECT_NEAR(viewer.eye().y, 1.0 - 10.0, 1e-12);
}

TEST(ViewerTest, PixelRaysRunFromNearToFarThroughThePixel)
{
    Viewer viewer;
    ASSERT_TRUE(viewer.setSize(200, 100));
    const finch::Ray centre = viewer.pixelRay(100, 50);
    EXPECT_NEAR(centre.origin().y, 1.0, 1e-12);
    EXPECT_NEAR(centre.endPoint().y, 1000.0, 1e-9);
    EXPECT_NEAR(centre.origin().x, 0.0, 1e-12);
    // The right edge at distance 1 lies at aspect / f.
    const finch::Ray edge = viewer.pixelRay(200, 50);
    EXPECT_NEAR(edge.origin().x, 2.0 * std::tan(22.5 * finch::degreesToRadians), 1e-9);
    EXPECT_NEAR(viewer.unitsPerPixel(1.0), edge.origin().x / 100.0, 1e-12);
}
