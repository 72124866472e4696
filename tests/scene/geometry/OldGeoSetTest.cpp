#include "scene/geometry/BunchSplitter.h"
#include "scene/geometry/GeoBunchInternals.h"
#include "scene/geometry/GeometryBranch.h"
#include "scene/geometry/OldGeoSet.h"
#include "support/OldGeoSetWriter.h"
#include "support/SceneStreams.h"
#include "support/TempLog.h"

#include <gtest/gtest.h>

namespace
{

using finch::GeometryBranch;
using finch::OldGeoArrays;
using finch::OldGeoGroup;
using finch::TexCoord;
using finch::Vector3f;

OldGeoGroup group(std::int32_t flags, std::int32_t strips, std::int32_t vertices, std::int32_t first)
{
    OldGeoGroup g;
    g.flags = flags;
    g.stripCount = strips;
    g.vertexCount = vertices;
    g.firstVertex = first;
    return g;
}

// Eight positions along x; group 0 takes vertices 0..5 with 3 loose indices stored before a
// strip of 4, group 1 vertices 5..7 as one strip of 3.
OldGeoArrays twoGroupArrays()
{
    OldGeoArrays arrays;
    for (int i = 0; i < 8; ++i) {
        arrays.positions.push_back(Vector3f(float(i), float(i % 2), 0));
        arrays.colors.push_back(i == 2 ? 0x80ffffffu : 0xffffffffu);
    }
    arrays.stripLengths = {-3, 4, 3};
    arrays.indices = {4, 3, 2, 0, 1, 2, 3, 0, 1, 2};
    return arrays;
}

std::vector<OldGeoGroup> twoGroups()
{
    return {group(OldGeoGroup::colours, 2, 6, 0), group(0, 1, 3, 5)};
}

TEST(OldGeoSetTest, ReadingRestoresArraysAndGroups)
{
    OldGeoSetWriter writer;
    writer.arrays = twoGroupArrays();
    writer.arrays.texCoords[0] = {{1, 2}, {3, 4}};
    writer.groups = twoGroups();
    const auto read = scenestreams::readStream(scenestreams::streamOf(writer));
    const auto* set = dynamic_cast<const finch::OldGeoSet*>(read.get());
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->arrays().positions, writer.arrays.positions);
    EXPECT_EQ(set->arrays().colors, writer.arrays.colors);
    EXPECT_EQ(set->arrays().indices, writer.arrays.indices);
    EXPECT_EQ(set->arrays().stripLengths, writer.arrays.stripLengths);
    EXPECT_EQ(set->arrays().texCoords[0], writer.arrays.texCoords[0]);
    ASSERT_EQ(set->groups().size(), 2u);
    EXPECT_EQ(set->groups()[1].stripCount, 1);
    EXPECT_EQ(set->groups()[1].firstVertex, 5);
    EXPECT_EQ(set->groups()[0].flags, OldGeoGroup::colours);
}

TEST(OldGeoSetTest, AGroupBeyondTheAnnouncedCountFailsTheRead)
{
    TempLog log;
    OldGeoSetWriter writer;
    writer.arrays = twoGroupArrays();
    writer.groups = twoGroups();
    writer.extraGroups = 1;
    EXPECT_FALSE(scenestreams::readStream(scenestreams::streamOf(writer)));
    EXPECT_NE(log.text().find("Bad geoset"), std::string::npos);
}

TEST(OldGeoSetTest, GroupsBecomeBunchesWithStripsBeforeLooseTriangles)
{
    GeometryBranch branch;
    finch::convertOldGeoGroups(twoGroupArrays(), twoGroups(), branch);
    ASSERT_EQ(branch.bunches().size(), 2u);
    finch::GeoBunchInternals& first = branch.bunches()[0]->internals();
    EXPECT_EQ(first.indices()->elements(), (std::vector<std::uint32_t>{0, 1, 2, 3, 4, 3, 2}));
    EXPECT_EQ(branch.bunches()[0]->vertexCount(), 6);
    EXPECT_EQ(branch.bunches()[0]->triangleCount(), 3);
    EXPECT_TRUE(branch.bunches()[0]->surface().blend);
    EXPECT_TRUE(branch.bunches()[0]->surface().material->flag32());
    finch::GeoBunchInternals& second = branch.bunches()[1]->internals();
    EXPECT_EQ(second.indices()->elements(), (std::vector<std::uint32_t>{0, 1, 2}));
    EXPECT_EQ(branch.bunches()[1]->vertexSlot()->elements()[0], Vector3f(5, 1, 0));
    EXPECT_FALSE(branch.bunches()[1]->surface().blend);
}

TEST(OldGeoSetTest, GroupsOutsideTheirArraysAreLeftOut)
{
    const struct
    {
        const char* what;
        OldGeoGroup bad;
        std::size_t bunches;
    } cases[] = {
        {"vertices past the positions", group(0, 2, 6, 5), 1},
        {"a negative first vertex", group(0, 2, 6, -1), 1},
        {"a negative vertex count", group(0, 2, -6, 0), 1},
        {"colours past their array", group(OldGeoGroup::colours, 2, 6, 0), 1},
        {"strips past their array", group(0, 9, 6, 0), 0},
        {"a negative strip count", group(0, -1, 6, 0), 0},
    };
    for (const auto& c : cases) {
        OldGeoArrays arrays = twoGroupArrays();
        if (std::string(c.what).starts_with("colours")) {
            arrays.colors.resize(3);
        }
        TempLog log;
        GeometryBranch branch;
        finch::convertOldGeoGroups(arrays, {c.bad, twoGroups()[1]}, branch);
        EXPECT_EQ(branch.bunches().size(), c.bunches) << c.what;
        EXPECT_NE(log.text().find("Old geometry set: group 0 "), std::string::npos) << c.what;
    }
}

TEST(OldGeoSetTest, StrayTextureCoordinatesMoveBackOrQueueTheBranch)
{
    const struct
    {
        float low;
        float high;
        int triangles;
        float shiftedLow;
        const char* logged;
        bool queued;
    } cases[] = {
        {-10, 90, 10, -50, "fix   100.000000  0.000000\n", false},
        {-10, 120, 10, -10, " is drastic\n", true},
        {-40, 40, 10, -40, nullptr, false},
        {-40, 40, 1401, -40, nullptr, true},
        {-10, 90, 1401, -50, "fix ", true},
    };
    for (const auto& c : cases) {
        TempLog log;
        GeometryBranch branch;
        finch::texcoord_data texCoords({TexCoord{c.low, 0}, TexCoord{c.high, 0}});
        finch::repairTexcoords(texCoords, c.triangles, branch);
        EXPECT_FLOAT_EQ(texCoords.elements()[0].s, c.shiftedLow) << c.low << ".." << c.high;
        EXPECT_EQ(texCoords.elements()[1].s - texCoords.elements()[0].s, c.high - c.low);
        EXPECT_EQ(finch::isQueuedForSplit(branch), c.queued) << c.low << ".." << c.high;
        if (c.logged != nullptr) {
            EXPECT_NE(log.text().find(c.logged), std::string::npos) << c.logged;
        } else {
            EXPECT_EQ(log.text(), "");
        }
    }
}

}
