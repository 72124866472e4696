#include "base/MemoryDataDest.h"
#include "base/MemoryDataSource.h"
#include "content/DataFileFixture.h"
#include "content/DataFiles.h"
#include "content/models/SpecialParams.h"
#include "content/specials/CycleTextureSpecial.h"
#include "content/specials/FrameFiles.h"
#include "content/specials/GlowSpecial.h"
#include "content/specials/LightColorSpecial.h"
#include "content/specials/SpecialFinder.h"
#include "content/world/PelicanDB.h"
#include "scene/geometry/PolygonBranch.h"
#include "scene/graph/Branch.h"
#include "scene/graph/ExrefBranch.h"
#include "scene/graph/SwitchBranch.h"
#include "scene/render/Material.h"
#include "scene/render/Texture.h"
#include "support/PolygonShapes.h"
#include "support/TempFolder.h"
#include "support/TempLog.h"
#include "support/WorldBuilders.h"

#include <gtest/gtest.h>

namespace
{

using worldtest::group;

void giveText(finch::Branch& branch, const char* text)
{
    branch.setTraversalCallback(heron::counted_ptr<finch::TraversalCallback>(new pelican_specials::SpecialParams(text)));
}

template <class Special>
const Special* specialOn(const finch::Branch& branch)
{
    return dynamic_cast<const Special*>(branch.traversalCallback().get());
}

class SpecialFinder : public ::testing::Test
{
protected:
    void SetUp() override
    {
        pelican::resetDataFiles();
        pelican_specials::installSpecialFinder();
    }
    void TearDown() override
    {
        pelican::setSpecialFinder(nullptr);
        pelican::PelicanDB::setWarningPause(nullptr);
        finch::Branch::releaseScheduledCallbacks();
        pelican::resetDataFiles();
    }

    void run() { pelican::specialFinder().run(*world.db); }

    TempLog log;
    TempFolder folder;
    worldtest::World world;
};

}

TEST_F(SpecialFinder, TextsOnGroupsBecomeTheirSpecials)
{
    finch::GroupBranch* const glowing = group(*world.root, "glowing");
    finch::GroupBranch* const unknown = group(*world.root, "unknown");
    giveText(*glowing, "glow");
    giveText(*unknown, "Glow");
    run();
    EXPECT_NE(specialOn<pelican_specials::GlowSpecial>(*glowing), nullptr);
    EXPECT_NE(specialOn<pelican_specials::SpecialParams>(*unknown), nullptr);
}

TEST_F(SpecialFinder, ASecondRunAppliesOnlyTheTweakersLeft)
{
    finch::GroupBranch* const lit = group(*world.root, "lit");
    finch::GroupBranch* const glowing = group(*world.root, "glowing");
    auto* const polygons = worldtest::add(*lit, std::make_unique<finch::PolygonBranch>());
    polyshapes::addCube(*polygons);
    finch::Material shiny(finch::RGBA{1, 1, 1, 1});
    shiny.setLit(true);
    polygons->polygons()[1]->setMaterial(finch::Material::intern(shiny));
    giveText(*lit, "lightcolor");
    giveText(*glowing, "glow");
    std::vector<double> pauses;
    pelican::PelicanDB::setWarningPause([&](double seconds) { pauses.push_back(seconds); });
    run();
    const auto* const special = specialOn<pelican_specials::LightColorSpecial>(*lit);
    ASSERT_NE(special, nullptr);
    EXPECT_TRUE(polygons->polygons()[0]->material()->vertexColours());
    EXPECT_EQ(log.count("materals under a 'lightcolor' branch in object world, branch"), 1);
    // The warning holds the game long enough to be read.
    EXPECT_EQ(pauses, std::vector<double>{2.0});
    // A material put back in between is rewritten again by the second run.
    polygons->polygons()[0]->setMaterial(finch::Material::defaultMaterial());
    run();
    EXPECT_TRUE(polygons->polygons()[0]->material()->vertexColours());
    EXPECT_EQ(specialOn<pelican_specials::LightColorSpecial>(*lit), special);
    EXPECT_NE(specialOn<pelican_specials::GlowSpecial>(*glowing), nullptr);
}

TEST_F(SpecialFinder, ADetailTextureOfScaleZeroCopiesCoordinatesUnscaled)
{
    struct Case
    {
        const char* text;
        float expected;
    };
    for (const Case& c : {Case{"detailtexture=rock.gif,0", 0.5f}, Case{"detailtexture=rock.gif,2", 0.25f}}) {
        SCOPED_TRACE(c.text);
        finch::GroupBranch holder;
        auto* const polygons = worldtest::add(holder, std::make_unique<finch::PolygonBranch>());
        polyshapes::addCube(*polygons);
        finch::PolyVertex* const vertex = polygons->polygons()[0]->firstVertex();
        vertex->setTexCoord(0, {0.5f, 0.5f});
        const auto made = pelican_specials::makeSpecial(c.text, holder);
        EXPECT_FLOAT_EQ(vertex->texCoord(1).s, c.expected);
        EXPECT_TRUE(polygons->polygons()[0]->material()->texture(1));
    }
}

TEST_F(SpecialFinder, FrameFolderIsListedItselfAndWithoutThumbnailCaches)
{
    datafiletest::writeTree(folder.path(), {{"0.gif", ""},
                                            {"frames/b.gif", ""},
                                            {"frames/a.gif", ""},
                                            {"frames/Thumbs.db", ""},
                                            {"thumbs/Thumbs.db", ""}});
    pelican::addSearchFolder(folder.path().string().c_str(), pelican::texturesCategory);
    const std::vector<heron_string> frames = pelican_specials::frameFiles("frames");
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_STREQ(frames[0].c_str(), "frames\\a.gif");
    EXPECT_TRUE(pelican_specials::frameFiles("thumbs").empty());
}

TEST_F(SpecialFinder, ACycleWithoutFramesLeavesTheMaterials)
{
    datafiletest::writeTree(folder.path(), {{"thumbs/Thumbs.db", ""}});
    pelican::addSearchFolder(folder.path().string().c_str(), pelican::texturesCategory);
    finch::GroupBranch* const cycled = group(*world.root, "cycled");
    auto* const geometry = static_cast<finch::GeometryBranch*>(
        worldtest::add(*cycled, scenebuild::geometry("g", scenebuild::square(0, 0, 1, 1, 0, 0xFFFFFFFF))));
    finch::Material textured(*geometry->bunches()[0]->surface().material);
    textured.setTexture(0, pelican_specials::detailTexture("sand.gif"));
    geometry->bunches()[0]->editSurface().setMaterial(finch::Material::intern(textured));
    const heron::counted_ptr<finch::Material> before = geometry->bunches()[0]->surface().material;
    giveText(*cycled, "texturecycle=thumbs,2");
    run();
    EXPECT_EQ(geometry->bunches()[0]->surface().material, before);
    EXPECT_FALSE(cycled->traversalCallback());
}

TEST_F(SpecialFinder, ExternalReferencesInACycleAreSearchedOnce)
{
    const heron::counted_ptr<finch::Database> other(new pelican::PelicanDB);
    auto toOther = std::make_unique<finch::ExrefBranch>();
    toOther->setDatabase(other);
    world.object("reference", std::move(toOther));
    auto back = std::make_unique<finch::ExrefBranch>();
    finch::ExrefBranch* const backRaw = back.get();
    // The other database shows itself.
    back->setDatabase(other);
    auto object = std::make_unique<finch::Object>();
    std::unique_ptr<finch::Branch> root(back.release());
    object->setRoot(root);
    std::unique_ptr<finch::Object> held(object.release());
    other->addObject(held);
    run();
    EXPECT_EQ(log.count("Processing exref"), 2);
    backRaw->setDatabase(heron::counted_ptr<finch::Database>());
}

TEST_F(SpecialFinder, ASpecialOnAnObjectGroupStaysOnTheSwitchThatReplacesIt)
{
    finch::GroupBranch* const objects = group(*world.root, "objects");
    finch::GroupBranch* const lamp = group(*objects, "lamp");
    giveText(*lamp, "glow");
    world.db->clean();
    const pelican::PelicanObject* const root = world.db->rootObject();
    ASSERT_TRUE(root != nullptr && root->children().size() == 1);
    EXPECT_NE(specialOn<pelican_specials::GlowSpecial>(*root->children()[0]->switchBranch()), nullptr);
}

TEST_F(SpecialFinder, StoredFrameListsKeepTheirNamesAndRefuseCountsPastTheBytes)
{
    heron::MemoryDataDest dest;
    pelican_specials::writeFrameFiles(dest, {"frames\\a.gif", "frames\\b.gif"});
    std::vector<heron_string> files;
    heron::MemoryDataSource source(dest.data(), std::uint32_t(dest.size()), false);
    pelican_specials::readFrameFiles(source, files);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_STREQ(files[1].c_str(), "frames\\b.gif");

    heron::MemoryDataDest damaged;
    damaged.writeTag(1000).writeString("frames\\a.gif");
    heron::MemoryDataSource shortSource(damaged.data(), std::uint32_t(damaged.size()), false);
    pelican_specials::readFrameFiles(shortSource, files);
    EXPECT_TRUE(shortSource.hasError());
    EXPECT_TRUE(files.empty());
}

TEST_F(SpecialFinder, AStoredCycleKeepsItsFramesAndRemakesItsTexture)
{
    const heron::counted_ptr<pelican_specials::CycleTextureSpecial> cycle(
        new pelican_specials::CycleTextureSpecial({"frames\\a.gif", "frames\\b.gif"}, 2.0f));
    heron::MemoryDataDest dest;
    dest.writeObject(cycle.get());
    heron::MemoryDataSource source(dest.data(), std::uint32_t(dest.size()), false);
    source.registerFactory(&pelican_specials::CycleTextureSpecial::create);
    const heron::counted_ptr<heron::Streamable> read = source.readObject();
    const auto* const back = dynamic_cast<const pelican_specials::CycleTextureSpecial*>(read.get());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->frames().size(), 2u);
    ASSERT_TRUE(back->texture());
    EXPECT_STREQ(back->texture()->file().c_str(), "frames\\a.gif");
    EXPECT_EQ(back->texture()->cyclePeriod(), 2.0f);
}
