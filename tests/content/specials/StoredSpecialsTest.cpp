#include "base/MemoryDataDest.h"
#include "base/MemoryDataSource.h"
#include "content/specials/DolphinSwimSpecial.h"
#include "content/specials/GlowSpecial.h"
#include "content/specials/LayerSpecial.h"
#include "content/specials/MyBunchProcessor.h"
#include "content/specials/PianoSpecial.h"
#include "content/specials/SpecialFinder.h"
#include "content/specials/TextureScrollSpecial.h"
#include "content/world/PendingHooks.h"
#include "scene/geometry/GeometryBranch.h"
#include "scene/graph/JointBranch.h"
#include "support/TempLog.h"
#include "support/WorldBuilders.h"

#include <gtest/gtest.h>

namespace
{

using Bytes = std::vector<unsigned char>;
using worldtest::group;

Bytes streamOf(const heron::Streamable& root)
{
    heron::MemoryDataDest dest;
    dest.writeObject(&root);
    return {dest.data(), dest.data() + dest.size()};
}

heron::counted_ptr<heron::Streamable> readStream(const Bytes& bytes)
{
    heron::MemoryDataSource source(bytes.data(), std::uint32_t(bytes.size()), false);
    pelican::registerDatabaseFactory(source);
    return source.readObject();
}

template <class Special>
Special* put(finch::Branch& branch, Special* special)
{
    branch.setTraversalCallback(heron::counted_ptr<finch::TraversalCallback>(special));
    return special;
}

template <class Special>
const Special* specialOn(const finch::GroupBranch& parent, std::size_t child)
{
    return dynamic_cast<const Special*>(parent.children()[child]->traversalCallback().get());
}

class StoredSpecials : public ::testing::Test
{
protected:
    void SetUp() override { pelican_specials::installSpecialFinder(); }
    void TearDown() override
    {
        pelican::setSpecialFinder(nullptr);
        pelican::releasePendingHooks();
    }

    TempLog log;
};

}

TEST_F(StoredSpecials, ADatabaseWithSpecialsReadsBackToTheSameBytes)
{
    worldtest::World world;
    put(*group(*world.root, "glow"), new pelican_specials::GlowSpecial);
    finch::GroupBranch* const layered = group(*world.root, "layer");
    put(*layered, new pelican_specials::LayerSpecial(layered));
    put(*group(*world.root, "scroll"), new pelican_specials::TextureScrollSpecial(0.5f, -0.25f));
    put(*group(*world.root, "swim"), new pelican_specials::DolphinSwimSpecial(world.worldObject, 0.05));
    finch::GroupBranch* const rolled = group(*world.root, "piano");
    put(*rolled, new pelican_specials::PianoSpecial(*rolled, 4.0f));
    auto* const geometry = worldtest::add(*world.root, std::make_unique<finch::GeometryBranch>());
    auto* const hook = new pelican_specials::MyBunchProcessor;
    hook->setWobble(0.1f, 0.2f, 3.0f, 0.04f);
    hook->setDetail(8.0f);
    geometry->setBunchCallbacks(heron::counted_ptr<finch::BunchCallbacks>(hook));

    const Bytes bytes = streamOf(*world.db);
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
        dynamic_cast<const pelican_specials::MyBunchProcessor*>(static_cast<const finch::GeometryBranch&>(*root.children()[5]).bunchCallbacks().get());
    ASSERT_NE(readHook, nullptr);
    EXPECT_TRUE(readHook->wobbles());
    EXPECT_EQ(readHook->amplitude(), 0.04f);
    EXPECT_EQ(readHook->detailScale(), 8.0f);
}
