#include "scene/Engine.h"

#include "base/MemoryDataDest.h"
#include "base/MemoryDataSource.h"
#include "scene/render/Material.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

// A stream of one object of the named class with an empty body.
std::vector<unsigned char> oneObjectStream(const char* className)
{
    heron::MemoryDataDest dest;
    dest.setStringMode(0);
    dest.writeString("HarborStream 1.01");
    dest.setStringMode(4);
    dest.writeByte('?').writeTag(1).writeString(className);
    dest.writeByte('!').writeTag(1).writeUInt32(1).writeTag(1).writeTag(0);
    dest.writeByte('#');
    return {dest.data(), dest.data() + dest.size()};
}

heron::counted_ptr<heron::Streamable> readOne(const char* className)
{
    const std::vector<unsigned char> bytes = oneObjectStream(className);
    heron::MemoryDataSource source(bytes.data(), std::uint32_t(bytes.size()), false);
    finch::registerStreamFactories(source);
    return source.readObject();
}

}

TEST(EngineTest, StreamsNameTheEngineClassesByTheirIdentifiers)
{
    LogCapture log;
    const auto material = readOne("duskharbor::finch::Material");
    ASSERT_NE(dynamic_cast<finch::Material*>(material.get()), nullptr);
    EXPECT_EQ(dynamic_cast<finch::Material&>(*material).diffuse(), (finch::RGBA{0.8f, 0.8f, 0.8f, 1.0f}));
    EXPECT_NE(dynamic_cast<finch::Texture*>(readOne("duskharbor::finch::Texture").get()), nullptr);
    EXPECT_FALSE(readOne("duskharbor::finch::TraversalCallback"));
    EXPECT_TRUE(log.contains("no factory registered for a \"duskharbor::finch::TraversalCallback\""));
}

TEST(EngineTest, StorageReportListsEveryFigure)
{
    LogCapture log;
    finch::GeometryStats stats;
    stats.triangles = 12;
    stats.vertices = {36, 432};
    stats.geobunches = {1, 456};
    stats.animationVertices = {10, 1048576 - 120};
    stats.textures = 2;
    stats.textureBytes = 3 * 1048576.0;
    finch::printGeometryStats(stats);
    const std::string text = log.text();
    for (const char* line : {"\n\nGeometry storage\n================\nTriangles:\nThere's 12 triangles\n",
                             "There's 36 vertices (432 bytes)\nThere's 0 normals (0 bytes)\n",
                             "Total animation memory = 1.00Mb\n--------------------------------\n"
                             "Total geometry storage = 1.00Mb\n",
                             "\n\nTexture storage\n===============\nThere's 2 textures\nTexture memory needed = 3.00Mb\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line;
    }
    EXPECT_GE(finch::getGeometryStats().textures, 0);
}
