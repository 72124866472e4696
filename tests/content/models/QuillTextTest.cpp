// The model editor's text form: written by the demo world's writer or by hand, read back through
// the model-file reader into one object with one polygon branch.
#include "content/DataFiles.h"
#include "content/models/QuillReader.h"
#include "content/world/PelicanDB.h"
#include "scene/geometry/Polygon.h"
#include "scene/geometry/PolygonBranch.h"
#include "scene/graph/Object.h"
#include "scene/render/Material.h"
#include "support/LogCapture.h"
#include "support/TempFolder.h"
#include "tools/demo/QuillTextWriter.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace
{

using demo::QuillShading;

class QuillTextTest : public ::testing::Test
{
protected:
    void SetUp() override { pelican::resetDataFiles(); }
    void TearDown() override { pelican::resetDataFiles(); }

    heron::counted_ptr<pelican::PelicanDB> read(const std::string& text, const char* name = "model.quill")
    {
        const std::string path = m_folder.file(name);
        std::ofstream(path, std::ios::binary) << text;
        return pelican::readQuillFile(heron::FilePath(path.c_str()), pelican::QuillVariant::Quill);
    }

    // The polygon branch of a file that must be read.
    const finch::PolygonBranch& branchOf(const heron::counted_ptr<pelican::PelicanDB>& db)
    {
        EXPECT_TRUE(db);
        m_kept = db;
        return dynamic_cast<const finch::PolygonBranch&>(*db->mainObject()->root());
    }

    TempFolder m_folder;
    LogCapture m_log;
    heron::counted_ptr<pelican::PelicanDB> m_kept;
};

// Two squares side by side (the right one smooth) and a triangle on top, of two materials.
demo::QuillTextModel twoSquaresAndARoof()
{
    demo::QuillTextModel model;
    model.vertices = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0}, {1, 1, 0}, {2, 1, 0}, {1, 2, 0.5}};
    model.polygons = {
        {.material = 0, .shading = QuillShading::Flat, .vertices = {0, 1, 4, 3}},
        {.material = 0, .shading = QuillShading::Flat, .vertices = {1, 2, 5, 4}},
        {.material = 1, .shading = QuillShading::Unlit, .vertices = {3, 5, 6}},
    };
    model.materials = {
        {.name = "white wall", .diffuse = {0.9f, 0.9f, 0.9f}},
        {.name = "roof", .ambient = {0.1f, 0.0f, 0.0f}, .diffuse = {0.8f, 0.1f, 0.1f}, .specular = {0.5f, 0.5f, 0.5f},
         .shininess = 0.25f},
    };
    return model;
}

std::string written(const demo::QuillTextModel& model)
{
    std::string error;
    const std::string text = demo::writeQuillText(model, error);
    EXPECT_EQ(error, "");
    return text;
}

}

TEST_F(QuillTextTest, WrittenModelReadsBackIntoItsPolygons)
{
    const heron::counted_ptr<pelican::PelicanDB> db = read(written(twoSquaresAndARoof()), "house.quill");
    const finch::PolygonBranch& branch = branchOf(db);
    ASSERT_EQ(db->objects().size(), 1u);
    EXPECT_STREQ(db->mainObject()->name().c_str(), "house");
    EXPECT_STREQ(branch.name().c_str(), "house");
    ASSERT_EQ(branch.polygons().size(), 3u);
    const finch::Polygon& roof = *branch.polygons()[2];
    ASSERT_EQ(roof.vertexCount(), 3);
    EXPECT_EQ(roof.firstVertex()->next()->next()->position(), finch::Vector3d(1, 2, 0.5));
    EXPECT_EQ(branch.polygons()[0]->firstVertex()->next()->position(), finch::Vector3d(1, 0, 0));
    const finch::Material& red = *roof.material();
    EXPECT_STREQ(red.name().c_str(), "roof");
    EXPECT_FALSE(red.isLit());
    EXPECT_FLOAT_EQ(red.diffuse().r, 0.8f);
    EXPECT_FLOAT_EQ(red.specular().g, 0.5f);
    EXPECT_FLOAT_EQ(red.shininess(), 0.25f);
    EXPECT_TRUE(branch.polygons()[0]->material()->isLit());
    // Equal materials of one file are one object.
    EXPECT_EQ(branch.polygons()[0]->material().get(), branch.polygons()[1]->material().get());
}

TEST_F(QuillTextTest, LinesKeepOrDropTheirPolygons)
{
    const std::string materials = "Materials\ncount: 1\nMaterial 0: plain\nRA: 0 GA: 0 BA: 0\n"
                                  "RD: 1 GD: 1 BD: 1\nRS: 0 GS: 0 BS: 0\nShine: 0\n";
    const std::string vertices = "Vertices\ncount: 4\n0 0 0\n1 0 0\n1 0 1\n1 2 3\n";
    const struct
    {
        const char* what;
        std::string polygons;
        std::vector<int> sides;
    } cases[] = {
        {"three vertices", "Polygons\ncount: 1\nMaterial: 0 Shading: 1 Sides: 3 - Vertices 0 1 3\n", {3}},
        {"two sides", "Polygons\ncount: 1\nMaterial: 0 Shading: 1 Sides: 2 - Vertices 0 1\n", {}},
        {"a vertex past the list", "Polygons\ncount: 1\nMaterial: 0 Shading: 1 Sides: 3 - Vertices 0 1 7\n", {}},
        {"one vertex past the list of four", "Polygons\ncount: 1\nMaterial: 0 Shading: 1 Sides: 4 - Vertices 0 9 1 3\n", {3}},
        {"more sides than numbers", "Polygons\ncount: 1\nMaterial: 0 Shading: 1 Sides: 2000000000 - Vertices 0 1 2\n", {3}},
        {"a number that does not parse", "Polygons\ncount: 1\nMaterial: 0 Shading: 1 Sides: 4 - Vertices 0 1 x 2\n", {}},
        {"count in capitals", "Polygons\nCOUNT: 1\nMaterial: 0 Shading: 1 Sides: 3 - Vertices 0 1 2\n", {3}},
        {"section word in lower case", "polygons\ncount: 1\nMaterial: 0 Shading: 1 Sides: 3 - Vertices 0 1 2\n"
                                       "Polygons\ncount: 1\nMaterial: 0 Shading: 1 Sides: 3 - Vertices 1 2 3\n", {3}},
        {"a section word without its count line", "Polygons\ncount: 1\nMaterial: 0 Shading: 1 Sides: 3 - Vertices 0 1 3\n"
                                                  "Vertices\nPolygons\ncount: 1\nMaterial: 0 Shading: 1 Sides: 3 - Vertices 0 1 2\n"
                                                  "Materials\nMaterial 1: extra\n", {3, 3}},
        {"fewer lines than the count", "Polygons\ncount: 1000000\nMaterial: 0 Shading: 2 Sides: 3 - Vertices 0 1 2\n", {3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const heron::counted_ptr<pelican::PelicanDB> db = read("Compatibility: 1.0\n" + vertices + materials + c.polygons);
        const finch::PolygonBranch& branch = branchOf(db);
        std::vector<int> sides;
        for (const finch::Polygon* polygon : branch.polygons()) {
            sides.push_back(polygon->vertexCount());
        }
        EXPECT_EQ(sides, c.sides);
    }
}

TEST_F(QuillTextTest, VertexLineTurnsIntoTheUpFrame)
{
    const heron::counted_ptr<pelican::PelicanDB> db = read(
        "Compatibility: 1.0\nVertices\ncount: 3\n1 2 3\n0 0 0\n1 0 0\nPolygons\ncount: 1\n"
        "Material: 0 Shading: 0 Sides: 3 - Vertices 0 1 2\nMaterials\ncount: 1\nMaterial 0: \"a\"\n"
        "RA: 0 GA: 0 BA: 0\nRD: 1 GD: 1 BD: 1\nRS: 0 GS: 0 BS: 0\nShine: 0\n");
    const finch::PolygonBranch& branch = branchOf(db);
    ASSERT_EQ(branch.polygons().size(), 1u);
    EXPECT_EQ(branch.polygons()[0]->firstVertex()->position(), finch::Vector3d(1, -3, 2));
}

TEST_F(QuillTextTest, SecondMaterialsSectionCountsOn)
{
    const std::string material1 = "Materials\ncount: 1\nMaterial 1: \"b\"\nRA: 0 GA: 0 BA: 0\n"
                                  "RD: 0 GD: 1 BD: 0\nRS: 0 GS: 0 BS: 0\nShine: 0\n";
    demo::QuillTextModel model = twoSquaresAndARoof();
    model.materials.pop_back();
    model.polygons.pop_back();
    const std::string text = written(model) + material1 +
                             "Polygons\ncount: 1\nMaterial: 1 Shading: 1 Sides: 3 - Vertices 3 5 6\n";
    const finch::PolygonBranch& branch = branchOf(read(text));
    ASSERT_EQ(branch.polygons().size(), 3u);
    EXPECT_FLOAT_EQ(branch.polygons()[2]->material()->diffuse().g, 1.0f);
}

TEST_F(QuillTextTest, NameWithoutTheModelExtensionIsKeptWhole)
{
    const finch::PolygonBranch& branch = branchOf(read(written(twoSquaresAndARoof()), "house.txt"));
    EXPECT_STREQ(branch.name().c_str(), "house.txt");
}

TEST_F(QuillTextTest, DamagedFileIsABadFile)
{
    demo::QuillTextModel model = twoSquaresAndARoof();
    const std::string good = written(model);
    const auto replaced = [&good](const std::string& from, const std::string& to) {
        std::string text = good;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    const struct
    {
        const char* what;
        std::string text;
        const char* reason;
    } cases[] = {
        {"no materials", good.substr(0, good.find("Materials")), "Incomplete file"},
        {"no vertices", replaced("Vertices\n", "vertices\n"), "Incomplete file"},
        {"first material numbered 1", replaced("Material 0:", "Material 1:"), "Bad material index"},
        {"a material that does not parse", replaced("RD: 0.9", "RD: x"), "Bad material"},
        {"a negative material number", replaced("Material: 1 ", "Material: -1 "), "Bad material number"},
        {"a material number past the list", replaced("Material: 1 ", "Material: 2 "), "Bad material number"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string before = m_log.text();
        EXPECT_FALSE(read(c.text));
        const std::string logged = m_log.text().substr(before.size());
        EXPECT_NE(logged.find(std::string("Quill read failed because: ") + c.reason + "\n"), std::string::npos) << logged;
    }
}
