// Radiosity files written by the demo world's writer, read back into the triangles of their
// patches; damaged ones end as bad files.
#include "content/DataFileFixture.h"
#include "content/models/PelicanDatabaseReader.h"
#include "content/world/PelicanDB.h"
#include "scene/geometry/GeoBunch.h"
#include "scene/geometry/GeometryBranch.h"
#include "scene/geometry/RawGeometryBuilder.h"
#include "scene/graph/GroupBranch.h"
#include "scene/graph/Object.h"
#include "scene/render/Material.h"
#include "scene/render/Texture.h"
#include "support/LogCapture.h"
#include "tools/demo/RadiosityWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace datafiletest;

namespace
{

using demo::RadiosityCluster;
using demo::RadiosityModel;
using demo::RadiosityPatch;

// A triangle as names of its corners' positions, turned so that the smallest name comes first
// (the winding stays).
using Corners = std::array<std::string, 3>;

// The unit square's corners c0 to c3 and the midpoints m0 to m3 of its edges, and its centre.
const std::map<std::string, std::array<float, 3>> places = {
    {"c0", {-1, -1, 0}}, {"c1", {1, -1, 0}}, {"c2", {1, 1, 0}}, {"c3", {-1, 1, 0}}, {"m0", {0, -1, 0}},
    {"m1", {1, 0, 0}},   {"m2", {0, 1, 0}},  {"m3", {-1, 0, 0}}, {"o", {0, 0, 0}},
};

std::string placeName(const finch::Vector3f& p)
{
    for (const auto& [name, place] : places) {
        if (p == finch::Vector3f(place[0], place[1], place[2])) {
            return name;
        }
    }
    return "?";
}

Corners turned(Corners corners)
{
    std::rotate(corners.begin(), std::min_element(corners.begin(), corners.end()), corners.end());
    return corners;
}

// Given vertices 1 to 8: c0 to c3, then m0 to m3.
RadiosityCluster squareCluster()
{
    RadiosityCluster cluster;
    for (const char* name : {"c0", "c1", "c2", "c3", "m0", "m1", "m2", "m3"}) {
        cluster.given.push_back({.position = places.at(name), .colour = {1.0f, 0.5f, 0.25f}, .texCoord = {}});
    }
    return cluster;
}

RadiosityPatch leaf(std::array<std::uint32_t, 4> corners, std::array<std::uint32_t, 4> midpoints = {})
{
    return {.corners = corners, .midpoints = midpoints, .children = {}};
}

std::string written(const RadiosityModel& model)
{
    std::string error;
    const std::string bytes = demo::writeRadiosity(model, error);
    EXPECT_EQ(error, "");
    return bytes;
}

std::string written(const RadiosityCluster& cluster)
{
    RadiosityModel model;
    model.clusters = {cluster};
    return written(model);
}

class LsbReaderTest : public DataFileTest
{
protected:
    heron::counted_ptr<pelican::PelicanDB> read(const std::string& bytes, const char* name = "solid.lsb")
    {
        writeWholeFile(path(name), bytes);
        return pelican::readLsbFile(systemPath(path(name)));
    }

    // The geometry branches under the object's root group, depth first.
    static void collectGeometry(finch::Branch* branch, std::vector<finch::GeometryBranch*>& out)
    {
        if (auto* const geometry = dynamic_cast<finch::GeometryBranch*>(branch)) {
            out.push_back(geometry);
        }
        if (auto* const group = dynamic_cast<finch::GroupBranch*>(branch)) {
            for (finch::Branch* child : group->children()) {
                collectGeometry(child, out);
            }
        }
    }

    std::vector<Corners> trianglesOf(const std::string& bytes)
    {
        const heron::counted_ptr<pelican::PelicanDB> db = read(bytes);
        EXPECT_TRUE(db);
        std::vector<Corners> triangles;
        if (!db) {
            return triangles;
        }
        std::vector<finch::GeometryBranch*> geometry;
        collectGeometry(db->mainObject()->root(), geometry);
        for (finch::GeometryBranch* branch : geometry) {
            for (finch::GeoBunch* bunch : branch->bunches()) {
                const std::unique_ptr<finch::TriangleList> list = finch::extractTriangles(*bunch);
                for (const finch::Triangle& t : list->triangles()) {
                    triangles.push_back(turned({placeName(t[0].position), placeName(t[1].position), placeName(t[2].position)}));
                }
            }
        }
        std::sort(triangles.begin(), triangles.end());
        return triangles;
    }

    LogCapture m_log;
};

std::vector<Corners> sorted(std::vector<Corners> triangles)
{
    for (Corners& corners : triangles) {
        corners = turned(corners);
    }
    std::sort(triangles.begin(), triangles.end());
    return triangles;
}

}

TEST_F(LsbReaderTest, LeavesBecomeTheTrianglesOfTheirMidpoints)
{
    // Vertex numbers of the square cluster.
    enum : std::uint32_t { c0 = 1, c1, c2, c3, m0, m1, m2, m3 };
    const struct
    {
        const char* what;
        RadiosityPatch leaf;
        std::vector<Corners> triangles;
    } cases[] = {
        {"quadrilateral", leaf({c0, c1, c2, c3}), {{"c0", "c1", "c3"}, {"c1", "c2", "c3"}}},
        {"quadrilateral, one midpoint", leaf({c0, c1, c2, c3}, {0, m1, 0, 0}),
         {{"c1", "m1", "c0"}, {"m1", "c2", "c3"}, {"c3", "c0", "m1"}}},
        {"quadrilateral, two adjacent", leaf({c0, c1, c2, c3}, {m0, m1, 0, 0}),
         {{"c0", "m0", "c3"}, {"m0", "c1", "m1"}, {"m1", "c2", "c3"}, {"m0", "m1", "c3"}}},
        {"quadrilateral, two opposite", leaf({c0, c1, c2, c3}, {0, m1, 0, m3}),
         {{"c1", "m3", "c0"}, {"c1", "m1", "m3"}, {"m1", "c3", "m3"}, {"m1", "c2", "c3"}}},
        {"quadrilateral, three", leaf({c0, c1, c2, c3}, {m0, 0, m2, m3}),
         {{"c2", "m0", "c1"}, {"c2", "m2", "m0"}, {"m2", "m3", "m0"}, {"m2", "c3", "m3"}, {"m3", "c0", "m0"}}},
        {"quadrilateral, four", leaf({c0, c1, c2, c3}, {m0, m1, m2, m3}),
         {{"c0", "m0", "m3"}, {"m3", "m0", "m2"}, {"c3", "m3", "m2"}, {"m0", "c1", "m1"}, {"m0", "m1", "m2"},
          {"m1", "c2", "m2"}}},
        {"triangle", leaf({c0, c1, c2, 0}), {{"c0", "c1", "c2"}}},
        {"triangle, one midpoint", leaf({c0, c1, c2, 0}, {0, m1, 0, 0}), {{"c1", "m1", "c0"}, {"m1", "c2", "c0"}}},
        {"triangle, two", leaf({c0, c1, c2, 0}, {m0, 0, m3, 0}),
         {{"c2", "m3", "m0"}, {"m3", "c0", "m0"}, {"m0", "c1", "c2"}}},
        {"triangle, three", leaf({c0, c1, c3, 0}, {m0, m2, m3, 0}),
         {{"c0", "m0", "m3"}, {"m0", "c1", "m2"}, {"m2", "c3", "m3"}, {"m0", "m2", "m3"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RadiosityCluster cluster = squareCluster();
        cluster.roots = {c.leaf};
        EXPECT_EQ(trianglesOf(written(cluster)), sorted(c.triangles));
        cluster.wide = true;
        EXPECT_EQ(trianglesOf(written(cluster)), sorted(c.triangles));
    }
}

TEST_F(LsbReaderTest, InteriorNodeWorksOutItsMidpointsAndCentre)
{
    // Derived vertices 1 to 5 (m0 to m3 and the centre o), given ones 6 to 9 (c0 to c3).
    enum : std::uint32_t { m0 = 1, m1, m2, m3, o, c0, c1, c2, c3 };
    RadiosityCluster cluster;
    cluster.derived.assign(5, {0.5f, 0.5f, 0.5f});
    for (const char* name : {"c0", "c1", "c2", "c3"}) {
        cluster.given.push_back({.position = places.at(name), .colour = {1, 1, 1}, .texCoord = {}});
    }
    RadiosityPatch square;
    square.children = {leaf({c0, m0, o, m3}), leaf({m0, c1, m1, o}), leaf({o, m1, c2, m2}), leaf({m3, o, m2, c3})};
    cluster.roots = {square};
    EXPECT_EQ(trianglesOf(written(cluster)),
              sorted({{"c0", "m0", "m3"}, {"m0", "o", "m3"}, {"m0", "c1", "o"}, {"c1", "m1", "o"}, {"o", "m1", "m2"},
                      {"m1", "c2", "m2"}, {"m3", "o", "c3"}, {"o", "m2", "c3"}}));
}

TEST_F(LsbReaderTest, GeometryIsCentredOnTheOrigin)
{
    RadiosityCluster cluster;
    for (const auto& p : {std::array<float, 3>{9, 19, 30}, {11, 19, 30}, {11, 21, 30}, {9, 21, 30}}) {
        cluster.given.push_back({.position = p, .colour = {1, 1, 1}, .texCoord = {}});
    }
    cluster.roots = {leaf({1, 2, 3, 4})};
    EXPECT_EQ(trianglesOf(written(cluster)), sorted({{"c0", "c1", "c3"}, {"c1", "c2", "c3"}}));
}

TEST_F(LsbReaderTest, LongTriangleListIsHalvedIntoGroups)
{
    const struct
    {
        std::size_t triangles;
        bool halved;
    } cases[] = {{4999, false}, {5000, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.triangles);
        RadiosityCluster cluster = squareCluster();
        // Identical triangles: halving still ends.
        cluster.roots.assign(c.triangles, leaf({1, 2, 3, 0}));
        const heron::counted_ptr<pelican::PelicanDB> db = read(written(cluster));
        ASSERT_TRUE(db);
        const auto& root = dynamic_cast<const finch::GroupBranch&>(*db->mainObject()->root());
        ASSERT_EQ(root.children().size(), c.halved ? 2u : 1u);
        EXPECT_EQ(dynamic_cast<const finch::GroupBranch*>(root.children()[0]) != nullptr, c.halved);
    }
}

TEST_F(LsbReaderTest, TextureIsSoughtBesideTheFileThenInItsTexturesFolder)
{
    const struct
    {
        const char* what;
        const char* present;
        const char* found;
    } cases[] = {
        {"beside", "stone.gif", "stone.gif"},
        {"in the folder", "textures/stone.gif", "textures\\stone.gif"},
        {"nowhere", nullptr, "textures\\stone.jpg"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(path("textures"));
        std::filesystem::remove(path("stone.gif"));
        if (c.present != nullptr) {
            writeWholeFile(path(c.present), "GIF89a");
        }
        RadiosityModel model;
        model.textures = {"stone.gif"};
        model.clusters = {squareCluster()};
        model.clusters[0].textured = true;
        model.clusters[0].texture = 1;
        model.clusters[0].roots = {leaf({1, 2, 3, 0})};
        const heron::counted_ptr<pelican::PelicanDB> db = read(written(model));
        ASSERT_TRUE(db);
        const auto& root = dynamic_cast<const finch::GroupBranch&>(*db->mainObject()->root());
        ASSERT_EQ(root.children().size(), 1u);
        auto& geometry = dynamic_cast<finch::GeometryBranch&>(*root.children()[0]);
        ASSERT_EQ(geometry.bunches().size(), 1u);
        const heron::counted_ptr<finch::Texture>& texture = geometry.bunches()[0]->surface().material->texture(0);
        ASSERT_TRUE(texture);
        const std::string file = texture->file().c_str();
        EXPECT_EQ(file.substr(file.size() - std::string(c.found).size()), c.found);
        EXPECT_EQ(file.find("solid.lsb"), std::string::npos);
    }
}

TEST_F(LsbReaderTest, DamagedFileIsABadFile)
{
    RadiosityCluster cluster = squareCluster();
    cluster.roots = {leaf({1, 2, 3, 4})};
    const std::string good = written(cluster);
    // The cluster's header follows the file header and its (empty) name lists; its counts P, N,
    // G and V are 16-bit values after 32 bytes.
    constexpr std::size_t clusterStart = 70;
    constexpr std::size_t counts = clusterStart + 32;
    const auto patched = [&good](std::size_t at, std::initializer_list<unsigned char> bytes) {
        std::string file = good;
        std::copy(bytes.begin(), bytes.end(), file.begin() + std::ptrdiff_t(at));
        return file;
    };
    RadiosityCluster deep = squareCluster();
    RadiosityPatch chain = leaf({1, 2, 3, 4});
    for (int level = 0; level < 64; ++level) {
        RadiosityPatch parent;
        parent.children = {chain, leaf({1, 2, 3, 4}), leaf({1, 2, 3, 4}), leaf({1, 2, 3, 4})};
        chain = parent;
    }
    deep.roots = {chain};
    RadiosityCluster split = squareCluster();
    split.roots = {{.corners = {}, .midpoints = {}, .children = {cluster.roots[0], cluster.roots[0], cluster.roots[0], cluster.roots[0]}}};
    RadiosityCluster wide = cluster;
    wide.wide = true;
    // V, the fourth 32-bit count, becomes 2^31 - 1.
    const std::string wideTooMany = written(wide).replace(counts + 12, 4, std::string("\x7F\xFF\xFF\xFF", 4));
    RadiosityCluster pastVertices = squareCluster();
    pastVertices.roots = {leaf({1, 2, 9, 4})};
    RadiosityModel pastTextures;
    pastTextures.textures = {"one.gif"};
    pastTextures.clusters = {cluster};
    pastTextures.clusters[0].texture = 2;
    const struct
    {
        const char* what;
        std::string bytes;
        const char* reason;
    } cases[] = {
        {"header line ending in CR LF", "Lightscape Radiosity LSB Format\r\n!\n" + good.substr(34), nullptr},
        {"header cut short", good.substr(0, 50), "File error in the header"},
        {"name lists cut short", patched(34 + 32, {0, 0, 0, 1}).substr(0, 70), "File error in the name lists"},
        {"more texture names than kept", patched(34 + 32, {0, 1, 0, 1}), "Too many texture names"},
        {"texture number past the names", written(pastTextures), "Bad texture number in readPatchCluster()"},
        {"more given vertices than vertices", patched(counts + 4, {0, 9}), "Bad counts in readPatchCluster()"},
        {"more roots than nodes", patched(counts, {0, 2}), "Bad counts in readPatchCluster()"},
        {"more vertices than bytes", patched(counts + 6, {0xFF, 0xFF}), "Bad counts in readPatchCluster()"},
        {"2^31 - 1 vertices in a wide cluster", wideTooMany, "Bad counts in readPatchCluster()"},
        {"cluster header cut short", good.substr(0, counts + 4), "File error in readPatchCluster()"},
        {"leaf cut short", good.substr(0, good.size() - 3), "File error in readPatchLeaf()"},
        {"vertex number past the cluster", written(pastVertices), "Bad vertex number in readPatchLeaf()"},
        {"unknown node", patched(good.size() - 17, {'x'}), "Bad patch node"},
        {"more nodes than the cluster holds", written(split).replace(counts + 2, 2, std::string(1, '\0') + '\1'),
         "More patch nodes than the cluster holds"},
        {"patch tree past the nesting cap", written(deep), "Patch tree too deep"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string before = m_log.text();
        EXPECT_FALSE(read(c.bytes));
        const std::string logged = m_log.text().substr(before.size());
        if (c.reason == nullptr) {
            EXPECT_EQ(logged.find("LSB read failed"), std::string::npos) << logged;
        } else {
            EXPECT_NE(logged.find(std::string("LSB read failed because: ") + c.reason + "\n"), std::string::npos) << logged;
        }
    }
}
