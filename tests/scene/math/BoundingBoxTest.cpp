#include "scene/math/BoundingBox.h"

#include "base/MemoryDataDest.h"
#include "base/MemoryDataSource.h"
#include "scene/math/Matrix.h"
#include "scene/math/Ray.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <cmath>

#include <vector>

namespace
{

using finch::BoundingBox;
using finch::Vector3d;
using Bytes = std::vector<unsigned char>;

BoundingBox box(const Vector3d& min, const Vector3d& max)
{
    BoundingBox b;
    b.set(min, max);
    return b;
}

Bytes stored(const BoundingBox& b)
{
    heron::MemoryDataDest dest;
    b.write(dest);
    return {dest.data(), dest.data() + dest.size()};
}

void readInto(BoundingBox& b, const Bytes& bytes)
{
    heron::MemoryDataSource source(bytes.data(), std::uint32_t(bytes.size()), false);
    b.read(source);
}

finch::Ray ray(const Vector3d& from, const Vector3d& to)
{
    finch::Ray r;
    r.setOrigin(from);
    r.setThrough(to);
    return r;
}

}

TEST(BoundingBoxTest, MergingKeepsATightSphere)
{
    const BoundingBox unit = box({-1, -1, -1}, {1, 1, 1});
    BoundingBox merged = unit;
    merged.merge(BoundingBox());
    EXPECT_EQ(stored(merged), stored(unit));
    EXPECT_FALSE(merged.isSphereSet());

    BoundingBox empty;
    BoundingBox sphered = unit;
    sphered.setSphere({0, 0, 0}, 0.5);
    empty.merge(sphered);
    EXPECT_TRUE(empty.isSphereSet());
    EXPECT_EQ(empty.radius(), 0.5);

    BoundingBox sameCentre = box({-2, -2, -2}, {2, 2, 2});
    sameCentre.merge(sphered);
    EXPECT_EQ(sameCentre.centre(), Vector3d(0, 0, 0));
    EXPECT_DOUBLE_EQ(sameCentre.radius(), std::sqrt(12.0));

    // Two apart: the sphere runs from the far side of one to the far side of the other.
    BoundingBox left = box({-1, -1, -1}, {1, 1, 1});
    left.setSphere({0, 0, 0}, 1.0);
    BoundingBox right = box({4, -1, -1}, {6, 1, 1});
    right.setSphere({5, 0, 0}, 1.0);
    left.merge(right);
    EXPECT_EQ(left.centre(), Vector3d(2.5, 0, 0));
    EXPECT_EQ(left.radius(), 3.5);
    EXPECT_EQ(left.radiusSquared(), 12.25);
    EXPECT_EQ(left.max(), Vector3d(6, 1, 1));
}

TEST(BoundingBoxTest, ExtendOvershootsOnlyTheSidesThatMove)
{
    BoundingBox b = box({0, 0, 0}, {10, 10, 10});
    EXPECT_FALSE(b.extend(box({1, 1, 1}, {2, 2, 2}), 0.0));
    EXPECT_EQ(b.max(), Vector3d(10, 10, 10));
    EXPECT_TRUE(b.extend(box({8, 1, 1}, {12, 2, 2}), 0.5));
    EXPECT_EQ(b.max(), Vector3d(14, 10, 10));
    EXPECT_EQ(b.min(), Vector3d(0, 0, 0));
    BoundingBox fresh;
    EXPECT_TRUE(fresh.extend(box({1, 2, 3}, {4, 5, 6}), 0.0));
    EXPECT_EQ(fresh.min(), Vector3d(1, 2, 3));
    EXPECT_FALSE(fresh.extend(BoundingBox(), 0.0));
}

TEST(BoundingBoxTest, TransformedBoxesBoundTheMovedCorners)
{
    BoundingBox b = box({0, 0, 0}, {2, 1, 1});
    b.setSphere({1, 0.5, 0.5}, 0.1);
    BoundingBox same;
    same.transform(b, finch::Matrix());
    EXPECT_EQ(same.min(), b.min());
    EXPECT_FALSE(same.isSphereSet());
    EXPECT_DOUBLE_EQ(same.radiusSquared(), 1.5);

    finch::Matrix turn;
    turn.setRotation(0.0, 0.0, 90.0);
    turn.translate(Vector3d(10, 0, 0));
    b.setTransformed(b, turn);
    EXPECT_NEAR(b.min().x, 9.0, 1e-12);
    EXPECT_NEAR(b.max().y, 2.0, 1e-12);

    BoundingBox cleared;
    cleared.transform(BoundingBox(), turn);
    EXPECT_FALSE(cleared.isValid());
    cleared.setSphere({0, 0, 0}, 5.0);
    EXPECT_EQ(cleared.radius(), 1.0);
}

TEST(BoundingBoxTest, OverlapsRejectSeparateSpheresOnlyWhenBothWereSet)
{
    BoundingBox a = box({0, 0, 0}, {2, 2, 2});
    BoundingBox b = box({2, 2, 2}, {4, 4, 4});
    EXPECT_TRUE(a.overlaps(b));   // touching
    EXPECT_FALSE(a.overlaps(box({2.1, 0, 0}, {3, 1, 1})));
    EXPECT_FALSE(a.overlaps(BoundingBox()));
    a.setSphere({0.5, 0.5, 0.5}, 0.5);
    EXPECT_TRUE(a.overlaps(b));
    b.setSphere({3.5, 3.5, 3.5}, 0.5);
    EXPECT_FALSE(a.overlaps(b));
}

TEST(BoundingBoxTest, RaysMeetTheBoxOnlyWhereTheirSegmentReachesIt)
{
    const BoundingBox b = box({-1, -1, -1}, {1, 1, 1});
    struct Case
    {
        Vector3d from, to;
        bool hit;
    };
    const Case cases[] = {
        {{0, 0, 0}, {0.1, 0, 0}, true},       // starts inside
        {{-5, 0, 0}, {5, 0, 0}, true},        // through the x faces
        {{0.5, -5, 0.2}, {0.5, 5, 0.2}, true},  // through the y faces
        {{0.2, 0.3, 5}, {0.2, 0.3, -5}, true},  // through the z faces
        {{-5, 0, 0}, {-2, 0, 0}, false},      // stops short
        {{-5, 0, 0}, {-9, 0, 0}, false},      // runs away
        {{-5, 3, 0}, {5, 3, 0}, false},       // passes beside
        {{-5, -4, 0.5}, {5, 4, 0.5}, true},   // diagonally through the -x face
        {{0.5, 0.5, 0.5}, {0.5, 0.5, 0.5}, false},  // no length
    };
    for (const Case& c : cases) {
        EXPECT_EQ(b.intersectsRay(ray(c.from, c.to)), c.hit) << c.from.x << "," << c.from.y << "," << c.from.z;
    }
    EXPECT_FALSE(BoundingBox().intersectsRay(ray({0, 0, 0}, {1, 1, 1})));
}

TEST(BoundingBoxTest, StoredBoxesReadBackToTheSameBytes)
{
    EXPECT_EQ(stored(BoundingBox()), Bytes{0});
    BoundingBox kept = box({1, 2, 3}, {4, 5, 6});
    const Bytes keptBytes = stored(kept);
    readInto(kept, stored(BoundingBox()));
    EXPECT_EQ(stored(kept), keptBytes);   // the lone end tag changes nothing

    BoundingBox merged = box({0, 0, 0}, {1, 1, 1});
    merged.merge(box({3, 0, 0}, {4, 1, 1}));
    for (const BoundingBox& original : {kept, merged}) {
        BoundingBox back;
        readInto(back, stored(original));
        EXPECT_TRUE(back.isSphereSet());
        EXPECT_EQ(back.centre(), original.centre());
        EXPECT_EQ(stored(back), stored(original));
    }
}

TEST(BoundingBoxTest, DamagedBlocksNeitherPoisonNorHang)
{
    LogCapture log;
    Bytes bytes = stored(box({0, 0, 0}, {1, 1, 1}));
    Bytes poisoned = bytes;
    std::fill(poisoned.begin() + 1, poisoned.begin() + 9, 0xFF);   // min.x is not a number
    BoundingBox b;
    readInto(b, poisoned);
    EXPECT_FALSE(b.isValid());   // corners refused, so the sphere has no box to go with
    EXPECT_TRUE(log.contains("corners that are not numbers"));

    // An unknown tag at the end of the data, and a block cut short, end the read.
    BoundingBox untouched;
    readInto(untouched, Bytes{77});
    readInto(untouched, Bytes(bytes.begin(), bytes.begin() + 20));
    EXPECT_FALSE(untouched.isValid());
}
