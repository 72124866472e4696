#include "scene/math/BezierPath.h"

#include "base/Limits.h"
#include "base/MemoryDataDest.h"
#include "base/MemoryDataSource.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <cmath>

#include <vector>

namespace
{

using finch::BezierPath;
using finch::BezierSegment;
using finch::Vector3d;
using Bytes = std::vector<unsigned char>;

// A straight segment from (x, 0, 0) to (x + 3, 0, 0) at even speed.
BezierSegment straight(double x)
{
    BezierSegment segment;
    for (int i = 0; i < 4; ++i) {
        segment.setControlPoint(i, Vector3d(x + i, 0.0, 0.0));
    }
    return segment;
}

// Where distance d lands: the segment's index and its parameter.
std::pair<std::ptrdiff_t, double> land(BezierPath& path, double d)
{
    BezierSegment* segment = nullptr;
    double t = -1.0;
    path.findSegment(d, segment, t);
    return {segment == nullptr ? -1 : segment - &path.segment(0), t};
}

Bytes stored(const BezierPath& path)
{
    heron::MemoryDataDest dest;
    path.write(dest);
    return {dest.data(), dest.data() + dest.size()};
}

BezierPath readBack(const Bytes& bytes)
{
    heron::MemoryDataSource source(bytes.data(), std::uint32_t(bytes.size()), false);
    BezierPath path;
    path.read(source);
    return path;
}

}

TEST(BezierPathTest, DistancesMapToSegmentsAndParameters)
{
    BezierPath empty;
    EXPECT_EQ(empty.length(), 0.0);
    EXPECT_EQ(land(empty, 1.0).first, -1);

    BezierPath path;
    path.addSegment(straight(0.0));
    EXPECT_DOUBLE_EQ(path.length(), 3.0);
    EXPECT_NEAR(land(path, 1.5).second, 0.5, 1e-6);
    Vector3d point;
    Vector3d tangent;
    path.segment(0).evaluate(0.5, point, &tangent);
    EXPECT_EQ(point, Vector3d(1.5, 0.0, 0.0));
    EXPECT_EQ(tangent, Vector3d(3.0, 0.0, 0.0));

    // Past the ends of a path that does not loop: clamped.
    path.addSegment(straight(3.0));
    EXPECT_EQ(land(path, 7.0), std::make_pair(std::ptrdiff_t(1), 1.0));
    EXPECT_EQ(land(path, -1.0), std::make_pair(std::ptrdiff_t(0), 0.0));
    EXPECT_EQ(land(path, 4.5).first, 1);
    // Distances too small to show as floats land at the very start of their segment.
    for (const auto& [d, index] : {std::pair{1e-300, 0}, std::pair{3.0 + 1e-12, 1}}) {
        EXPECT_EQ(land(path, d).first, index);
        EXPECT_NEAR(land(path, d).second, 0.0, 1e-9);
    }
}

TEST(BezierPathTest, LoopingPathsWrapAroundTheirLength)
{
    BezierPath path;
    path.addSegment(straight(0.0));
    path.addSegment(straight(3.0));
    BezierSegment shorter = straight(6.0);
    shorter.setControlPoint(3, Vector3d(10.0, 0.0, 0.0));
    shorter.setControlPoint(2, Vector3d(8.0, 0.0, 0.0));
    shorter.setControlPoint(1, Vector3d(7.0, 0.0, 0.0));
    path.addSegment(shorter);
    path.setLooping(true);
    ASSERT_NEAR(path.length(), 10.0, 1e-9);
    const auto near = [](std::pair<std::ptrdiff_t, double> a, std::pair<std::ptrdiff_t, double> b) {
        return a.first == b.first && std::abs(a.second - b.second) < 1e-9;
    };
    EXPECT_TRUE(near(land(path, 12.0), land(path, 2.0)));
    EXPECT_TRUE(near(land(path, -1.0), land(path, 9.0)));
    EXPECT_EQ(land(path, 9.0).first, 2);

    // Moving one control point shifts the later segment's start.
    path.segment(0).setControlPoint(3, Vector3d(4.0, 0.0, 0.0));
    EXPECT_GT(path.length(), 10.0);
    EXPECT_EQ(path.segment(2).start(), path.segment(0).length() + path.segment(1).length());
}

TEST(BezierPathTest, PathsWithoutLengthStayAtTheirStart)
{
    BezierPath still;
    still.addSegment(BezierSegment());
    still.setLooping(true);
    EXPECT_EQ(land(still, 5.0), std::make_pair(std::ptrdiff_t(0), 0.0));
    EXPECT_EQ(land(still, std::numeric_limits<double>::quiet_NaN()), std::make_pair(std::ptrdiff_t(0), 0.0));
}

TEST(BezierPathTest, StoredPathsReadBackToTheSameBytes)
{
    BezierPath plain;
    EXPECT_EQ(stored(plain), (Bytes{1, 0, 0}));
    BezierPath path;
    path.setLooping(true);
    path.addSegment(straight(0.0));
    BezierSegment curved;
    curved.setControlPoint(1, Vector3d(1.0, 2.0, -3.5));
    curved.setControlPoint(3, Vector3d(1e300, -0.0, 7.25));
    path.addSegment(curved);
    for (const BezierPath* original : {&plain, &path}) {
        const Bytes bytes = stored(*original);
        BezierPath back = readBack(bytes);
        EXPECT_EQ(stored(back), bytes);
    }
    EXPECT_TRUE(readBack(stored(path)).isLooping());
}

TEST(BezierPathTest, DamagedBlocksNeitherPoisonNorHang)
{
    LogCapture log;
    Bytes bytes = stored([] {
        BezierPath path;
        path.addSegment(straight(1.0));
        return path;
    }());
    // Control point P0 (tag 1 inside the segment) made not a number.
    std::fill(bytes.begin() + 4, bytes.begin() + 12, 0xFF);
    BezierPath path = readBack(bytes);
    ASSERT_EQ(path.segmentCount(), 1u);
    EXPECT_EQ(path.segment(0).controlPoint(0), Vector3d());
    EXPECT_TRUE(std::isfinite(path.length()));
    EXPECT_TRUE(log.contains("taken as the origin"));

    // Unknown tags carry nothing; one at the end of the data, or a cut block, ends the read.
    EXPECT_EQ(readBack(Bytes{9, 100, 7, 0, 0}).segmentCount(), 1u);
    EXPECT_EQ(readBack(Bytes{9}).segmentCount(), 0u);
    EXPECT_EQ(readBack(Bytes{100, 1, 0, 0}).segmentCount(), 1u);

    // A path holds a bounded number of segments, however many the data names.
    Bytes many;
    for (std::size_t i = 0; i < heron::limits::maxPathSegments + 3; ++i) {
        many.insert(many.end(), {100, 0});
    }
    EXPECT_EQ(readBack(many).segmentCount(), heron::limits::maxPathSegments);
    EXPECT_TRUE(log.contains("3 segments beyond"));
}
