#include "scene/math/Random.h"
#include "scene/sky/Sphere.h"
#include "scene/sky/SphereRenderer.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <tuple>
#include <vector>

namespace
{

using finch::Sphere;
using finch::SphereRenderer;
using finch::Vector3f;

constexpr double degrees = 3.141592653589793 / 180.0;

float length(const Vector3f& v)
{
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

}

TEST(SkyTest, RingPointsCircleTheVerticalAxisBelowTheirElevation)
{
    const float elevations[] = {60.0f, 30.0f, 0.0f, -1.0f};
    const SphereRenderer sky(4, elevations, nullptr, finch::defaultSkyBase);
    ASSERT_EQ(sky.bands(), 3);
    ASSERT_EQ(sky.ringVertices().size(), 12u);
    struct Case
    {
        int segment, band;
        double x, y, z;
    };
    const Case cases[] = {
        {0, 0, std::cos(60 * degrees), 0.0, std::sin(60 * degrees) - 0.02},
        {1, 1, 0.0, std::cos(30 * degrees), 0.5 - 0.02},
        {2, 2, -1.0, 0.0, -0.02},
        {3, 0, 0.0, -std::cos(60 * degrees), std::sin(60 * degrees) - 0.02},
    };
    for (const Case& c : cases) {
        const Vector3f& p = sky.ringVertices()[std::size_t(3 * c.segment + c.band)];
        EXPECT_NEAR(p.x, c.x, 1e-6) << c.segment << "," << c.band;
        EXPECT_NEAR(p.y, c.y, 1e-6) << c.segment << "," << c.band;
        EXPECT_NEAR(p.z, c.z, 1e-6) << c.segment << "," << c.band;
    }
}

TEST(SkyTest, ElevationListEndsAtTheFirstRingThatCannotBeMade)
{
    struct Case
    {
        std::vector<float> elevations;
        int bands;
        bool logged;
    };
    const Case cases[] = {
        {{-5.0f, 10.0f, -1.0f}, 0, false},
        {{10.0f, 90.0f, 20.0f, -1.0f}, 1, true},
        {{10.0f, 20.0f, 120.0f, -1.0f}, 2, true},
        {{std::nanf(""), 20.0f, -1.0f}, 0, true},
    };
    for (const Case& c : cases) {
        LogCapture log;
        const SphereRenderer sky(8, c.elevations.data(), nullptr, finch::defaultSkyBase);
        EXPECT_EQ(sky.bands(), c.bands);
        EXPECT_EQ(sky.ringVertices().size(), std::size_t(8 * c.bands));
        EXPECT_EQ(log.contains("not below 90 degrees"), c.logged) << c.bands;
    }
}

TEST(SkyTest, MissingBandColoursComeFromTheEngineGenerator)
{
    const float elevations[] = {40.0f, 20.0f, 0.0f, -1.0f};
    finch::Random expected = finch::Random::global();
    const SphereRenderer sky(6, elevations, nullptr, finch::defaultSkyBase);
    ASSERT_EQ(sky.bandColours().size(), 3u);
    for (const std::uint32_t colour : sky.bandColours()) {
        EXPECT_EQ(colour, 0xFF000000u | std::uint32_t(expected.randomInt(32768)));
    }
}

TEST(SkyTest, NewStarsAreDrawnFromTheEngineGenerator)
{
    const float elevations[] = {-1.0f};
    SphereRenderer sky(8, elevations, nullptr, finch::defaultSkyBase);
    finch::Random expected = finch::Random::global();
    sky.setStarCount(3, true);
    ASSERT_EQ(sky.stars().size(), 3u);
    for (const SphereRenderer::Star& star : sky.stars()) {
        const double h = expected.next() * 360.0 * degrees;
        const float u2 = expected.next();
        const double e = u2 * expected.next() * 90.0 * degrees;
        const std::uint32_t alpha = 128u + std::uint32_t(expected.randomInt(128));
        EXPECT_NEAR(star.x, std::sin(h) * std::cos(e), 1e-6);
        EXPECT_NEAR(star.y, std::cos(h) * std::cos(e), 1e-6);
        EXPECT_NEAR(star.z, std::sin(e), 1e-6);
        EXPECT_EQ(star.colour, alpha << 24 | 0xFFFFFFu);
    }
}

TEST(SkyTest, StarsAlternateHemispheresUnlessUpperHalfOnly)
{
    const float elevations[] = {-1.0f};
    SphereRenderer sky(8, elevations, nullptr, finch::defaultSkyBase);
    sky.setStarCount(40, false);
    for (std::size_t i = 0; i < sky.stars().size(); ++i) {
        const float z = sky.stars()[i].z;
        EXPECT_TRUE(i % 2 == 0 ? z >= 0.0f : z <= 0.0f) << i;
        EXPECT_NEAR(length({sky.stars()[i].x, sky.stars()[i].y, z}), 1.0f, 1e-5f);
    }
    sky.setStarCount(40, true);
    for (const SphereRenderer::Star& star : sky.stars()) {
        EXPECT_GE(star.z, 0.0f);
    }
}

TEST(SkyTest, GrowingTheStarFieldKeepsTheStarsItHas)
{
    const float elevations[] = {-1.0f};
    SphereRenderer sky(8, elevations, nullptr, finch::defaultSkyBase);
    sky.setStarCount(5, true);
    const std::vector<SphereRenderer::Star> first = sky.stars();
    sky.setStarCount(9, true);
    ASSERT_EQ(sky.stars().size(), 9u);
    for (std::size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(sky.stars()[i].x, first[i].x);
        EXPECT_EQ(sky.stars()[i].colour, first[i].colour);
    }
    sky.setStarCount(0, true);
    EXPECT_TRUE(sky.stars().empty());
}

TEST(SkyTest, SphereFacesAreGridsOnTheUnitSphere)
{
    Sphere sphere;
    sphere.setRenderParameters(2, 3, nullptr);
    ASSERT_EQ(sphere.faces().size(), 20u);
    std::set<std::tuple<float, float, float>> corners;
    for (const Sphere::Face& face : sphere.faces()) {
        EXPECT_EQ(face.rows, 3);
        EXPECT_EQ(face.mode, Sphere::DrawMode::TexCoordsNormals);
        ASSERT_EQ(face.points.size(), 10u);
        ASSERT_EQ(face.texCoords.size(), 20u);
        for (const Vector3f& p : face.points) {
            EXPECT_NEAR(length(p), 1.0f, 1e-5f);
        }
        for (const std::size_t corner : {0u, 6u, 9u}) {
            corners.insert({face.points[corner].x, face.points[corner].y, face.points[corner].z});
        }
    }
    EXPECT_EQ(corners.size(), 12u);
}

TEST(SkyTest, SphericalMappingKeepsAFaceOnOneSideOfTheSeam)
{
    struct Case
    {
        Vector3f point, centre;
        float s, t;
    };
    const Case cases[] = {
        {{0, 1, 0}, {0, 1, 0}, 0.5f, 0.5f},
        {{1, 0, 0}, {1, 0, 0}, 0.75f, 0.5f},
        // Just across the seam from its face's centre: continues past 1 instead of jumping to 0.
        {{-0.1f, -0.995f, 0}, {0.1f, -0.995f, 0}, 1.0f + std::atan2(-0.1f, -0.995f) / 6.2831855f + 0.5f, 0.5f},
        {{0.1f, -0.995f, 0}, {-0.1f, -0.995f, 0}, std::atan2(0.1f, -0.995f) / 6.2831855f - 0.5f, 0.5f},
        // At a pole the face centre decides s.
        {{0, 0, 1}, {1, 0, 0}, 0.75f, 1.0f},
        {{0, 0, -1}, {0, -1, 0}, 1.0f, 0.0f},
    };
    finch::SphericalMapping mapping;
    for (const Case& c : cases) {
        float st[2];
        mapping.processVertex(c.point, c.centre, st);
        EXPECT_NEAR(st[0], c.s, 1e-5f) << c.point.x << "," << c.point.y << "," << c.point.z;
        EXPECT_NEAR(st[1], c.t, 1e-5f) << c.point.x << "," << c.point.y << "," << c.point.z;
    }
}

TEST(SkyTest, SphereWithoutRenderDataDrawsNothing)
{
    LogCapture log;
    const Sphere sphere;
    sphere.render();
    sphere.render();
    EXPECT_EQ(log.count("Tried to render a sphere without calling Sphere::setRenderParameters()!\n"), 2);
}
