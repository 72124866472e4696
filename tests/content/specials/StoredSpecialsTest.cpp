#include "base/MemoryDataSource.h"
#include "content/specials/DetailRegenerator.h"
#include "content/specials/DetailTexture2Special.h"
#include "content/specials/DolphinSwimSpecial.h"
#include "content/specials/GlowSpecial.h"
#include "content/specials/LayerSpecial.h"
#include "content/specials/MyBunchProcessor.h"
#include "content/specials/PianoSpecial.h"
#include "content/specials/SpecialFinder.h"
#include "content/specials/TextureScrollSpecial.h"
#include "content/specials/TextureWobbleSpecial.h"
#include "scene/geometry/GeometryBranch.h"
#include "scene/graph/Branch.h"
#include "scene/graph/JointBranch.h"
#include "scene/graph/Traverser.h"
#include "support/SceneStreams.h"
#include "support/SpecialBuilders.h"
#include "support/TempLog.h"
#include "support/WorldBuilders.h"

#include <gtest/gtest.h>

namespace
{

using scenestreams::Bytes;
using scenestreams::streamOf;
using specialbuild::put;
using worldtest::group;

heron::counted_ptr<heron::Streamable> readStream(const Bytes& bytes)
{
    heron::MemoryDataSource source(bytes.data(), std::uint32_t(bytes.size()), false);
    pelican::registerDatabaseFactory(source);
    return source.readObject();
}

template <class Special>
const Special* specialOn(const finch::GroupBranch& parent, std::size_t child)
{
    return dynamic_cast<const Special*>(parent.children()[child]->traversalCallback().get());
}

const finch::GeometryBranch& geometryAt(const finch::GroupBranch& parent, std::size_t child)
{
    return static_cast<const finch::GeometryBranch&>(*parent.children()[child]);
}

class StoredSpecials : public ::testing::Test
{
protected:
    void SetUp() override { pelican_specials::installSpecialFinder(); }
    void TearDown() override
    {
        pelican::setSpecialFinder(nullptr);
        finch::Branch::releaseScheduledCallbacks();
    }

    TempLog log;
};

}

TEST_F(StoredSpecials, ADatabaseWithSpecialsReadsBackToTheSameBytes)
{
    const std::unique_ptr<pelican::PelicanDB> original = specialbuild::everySpecial();
    const Bytes bytes = streamOf(*original);
    const heron::counted_ptr<heron::Streamable> copy = readStream(bytes);
    auto* const db = dynamic_cast<pelican::PelicanDB*>(copy.get());
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(streamOf(*db), bytes);

    const auto& root = static_cast<const finch::GroupBranch&>(*db->mainObject()->root());
    EXPECT_NE(specialOn<pelican_specials::GlowSpecial>(root, 0), nullptr);
    EXPECT_EQ(specialOn<pelican_specials::LayerSpecial>(root, 1)->group(), root.children()[1]);
    const auto* const piano = specialOn<pelican_specials::PianoSpecial>(root, 4);
    EXPECT_EQ(piano->rate(), 0.25f);
    EXPECT_EQ(piano->joint(), static_cast<const finch::GroupBranch&>(*root.children()[4]).children()[0]);
    const auto* const readHook =
        dynamic_cast<const pelican_specials::MyBunchProcessor*>(geometryAt(root, 5).bunchCallbacks().get());
    ASSERT_NE(readHook, nullptr);
    EXPECT_TRUE(readHook->wobbles());
    EXPECT_EQ(readHook->amplitude(), 0.04f);
    EXPECT_EQ(readHook->detailScale(), 8.0f);
    // The stored wobble and detail rewrite handed their values to the specials above them.
    EXPECT_EQ(specialOn<pelican_specials::TextureWobbleSpecial>(root, 6)->wobble().frequency, 2.0f);
    EXPECT_EQ(specialOn<pelican_specials::DetailTexture2Special>(root, 7)->scale(), 3.0f);
}

TEST_F(StoredSpecials, AReadDatabaseOfSpecialsIsPreparedAndDrawn)
{
    const heron::counted_ptr<heron::Streamable> copy = readStream(streamOf(*specialbuild::everySpecial()));
    auto* const db = dynamic_cast<pelican::PelicanDB*>(copy.get());
    ASSERT_NE(db, nullptr);
    db->clean();
    finch::Traverser walker;
    walker.start(finch::Matrix(), finch::Matrix());
    db->traverse(walker);
    const auto& root = static_cast<const finch::GroupBranch&>(*db->mainObject()->root());
    // The wobble applied itself once prepared and left its group.
    EXPECT_FALSE(root.children()[6]->traversalCallback());
    EXPECT_NE(specialOn<pelican_specials::GlowSpecial>(root, 0), nullptr);
}

TEST_F(StoredSpecials, StoredWobblesAndDetailScalesReachTheSpecialsAboveThem)
{
    finch::GroupBranch top;
    auto* const wobble = put(top, new pelican_specials::TextureWobbleSpecial);
    finch::GroupBranch* const middle = group(top, "middle");
    auto* const detail = put(*middle, new pelican_specials::DetailTexture2Special);
    finch::GroupBranch* const leaf = group(*middle, "leaf");
    pelican_specials::TextureWobbler(leaf, 0.5f, 0.25f, 3.0f, 0.05f).afterLoad();
    ASSERT_TRUE(wobble->isSet());
    EXPECT_EQ(wobble->wobble().frequency, 3.0f);
    EXPECT_EQ(wobble->wobble().vScroll, 0.25f);
    pelican_specials::DetailRegenerator(6.0f, leaf, {}).afterLoad();
    EXPECT_EQ(detail->scale(), 6.0f);
    // Without a branch there is nothing to hand on.
    pelican_specials::TextureWobbler(nullptr, 0.0f, 0.0f, 9.0f, 0.0f).afterLoad();
    EXPECT_EQ(wobble->wobble().frequency, 3.0f);
}

TEST_F(StoredSpecials, ADetailChainLeadingBackToItselfIsCut)
{
    using pelican_specials::DetailRegenerator;
    const heron::counted_ptr<DetailRegenerator> first(new DetailRegenerator(2.0f, nullptr, {}));
    const heron::counted_ptr<DetailRegenerator> second(new DetailRegenerator(2.0f, nullptr, first));
    // first -> second -> first, as a damaged stream could link them.
    first->setChained(second);
    first->afterLoad();
    EXPECT_FALSE(first->chained());
    EXPECT_EQ(log.count("leads back to itself"), 1);
    auto bunch = scenebuild::square(0, 0, 1, 1, 2, 0xFFFFFFFF);
    bunch->setTexcoordData(scenebuild::stream<finch::texcoord_data>(std::vector<finch::TexCoord>(4, {0.5f, 1.0f})), 0);
    bunch->setTexcoordData(scenebuild::stream<finch::texcoord_data>(std::vector<finch::TexCoord>(4)), 1);
    second->beforeDraw(*bunch);
    EXPECT_EQ(bunch->texcoordSlot(1)->elements()[2], (finch::TexCoord{1.0f, 2.0f}));
}

TEST_F(StoredSpecials, ADetailRewriteLeavesASetOfAnotherCount)
{
    auto bunch = scenebuild::square(0, 0, 1, 1, 2, 0xFFFFFFFF);
    bunch->setTexcoordData(scenebuild::stream<finch::texcoord_data>(std::vector<finch::TexCoord>(4, {0.5f, 1.0f})), 0);
    bunch->setTexcoordData(scenebuild::stream<finch::texcoord_data>(std::vector<finch::TexCoord>(2)), 1);
    pelican_specials::DetailRegenerator(2.0f, nullptr, {}).beforeDraw(*bunch);
    EXPECT_EQ(bunch->texcoordSlot(1)->elements()[1], (finch::TexCoord{0.0f, 0.0f}));
}
