#include "base/MemoryDataDest.h"
#include "base/MemoryDataSource.h"
#include "content/world/EngineKinds.h"
#include "support/WorldBuilders.h"
#include "scene/graph/JointBranch.h"
#include "support/StreamBytes.h"
#include "support/TempLog.h"

#include <gtest/gtest.h>

#include <bit>

namespace
{

using pelican::Engine;
using pelican::PelicanDB;
using Bytes = std::vector<unsigned char>;
using streamtest::StreamBytes;

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

PelicanDB* asDatabase(const heron::counted_ptr<heron::Streamable>& read)
{
    return dynamic_cast<PelicanDB*>(read.get());
}

// A content database body by hand: an empty scene block, then the given fields of its own.
StreamBytes databaseStream(const Bytes& ownFields)
{
    Bytes body = StreamBytes("").tag(0).bytes;
    body.insert(body.end(), ownFields.begin(), ownFields.end());
    return StreamBytes().declare(1, PelicanDB::classIdentifier).declare(2, Engine::classIdentifier).object(1, 1, body);
}

}

TEST(StoredWorldTest, EveryStoredContentClassReadsBackToTheSameBytes)
{
    const std::unique_ptr<PelicanDB> original = worldtest::everyEngine();
    const Bytes bytes = streamOf(*original);
    const heron::counted_ptr<heron::Streamable> copy = readStream(bytes);
    PelicanDB* const db = asDatabase(copy);
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(streamOf(*db), bytes);

    ASSERT_EQ(db->engines().size(), 1u);
    const Engine& root = *db->engines().front();
    ASSERT_EQ(root.children().size(), 4u);
    EXPECT_EQ(root.children()[0]->parent(), &root);
    auto* const linear = dynamic_cast<pelican::LinearEngine*>(root.children()[0]);
    ASSERT_NE(linear, nullptr);
    auto* const spline = dynamic_cast<pelican::SplineEngine*>(linear->children().front());
    ASSERT_NE(spline, nullptr);
    EXPECT_NE(spline->target(), nullptr);
    EXPECT_DOUBLE_EQ(spline->path().length(), 3.0);
    EXPECT_NE(dynamic_cast<pelican::OutputEngine&>(*root.children()[3]).target(), nullptr);
    ASSERT_EQ(db->animations().size(), 2u);
    EXPECT_EQ(db->animations()[0].object, db->objects()[1]);
    EXPECT_FLOAT_EQ(db->animations()[0].period, 2.5f);
}

TEST(StoredWorldTest, LongListsAreReportedAndReadAllTheSame)
{
    TempLog log;
    std::unique_ptr<PelicanDB> original = std::make_unique<PelicanDB>();
    auto root = std::make_unique<Engine>();
    for (int i = 0; i < 21; ++i) {
        root->addChild(std::make_unique<pelican::WaveEngine>());
    }
    original->addEngine(std::move(root));
    const heron::counted_ptr<heron::Streamable> copy = readStream(streamOf(*original));
    ASSERT_NE(asDatabase(copy), nullptr);
    EXPECT_EQ(asDatabase(copy)->engines().front()->children().size(), 21u);
    EXPECT_TRUE(log.contains("Size=weird\n"));
}

TEST(StoredWorldTest, DamagedListsFailTheReadWithTheirReason)
{
    const std::uint32_t periodBits = std::bit_cast<std::uint32_t>(1.0f);
    struct Case
    {
        const char* what;
        Bytes fields;
        const char* logged;
    };
    const Case cases[] = {
        {"a pair past the count", StreamBytes("").tag(2).tag(1).tag(3).u32(0).u32(periodBits).tag(3).u32(0).u32(periodBits).tag(0).bytes,
         "bad anim list in PelicanDB\n"},
        {"a count past the bytes", StreamBytes("").tag(2).tag(1000).tag(3).u32(0).u32(periodBits).tag(0).bytes,
         "more animation pairs than the stream holds"},
        {"a count past the cap", StreamBytes("").tag(2).tag(0x7fffffff).tag(0).bytes, "more animation pairs than the stream holds"},
        {"a count after the pairs", StreamBytes("").tag(2).tag(1).tag(3).u32(0).u32(periodBits).tag(2).tag(1).tag(0).bytes,
         "resized after its pairs"},
        {"engines past the bytes", StreamBytes("").tag(1).tag(0x10000000).tag(0).bytes, "runs past the end of its block"},
    };
    for (const Case& c : cases) {
        TempLog log;
        EXPECT_FALSE(readStream(databaseStream(c.fields).end().bytes)) << c.what;
        EXPECT_TRUE(log.contains(c.logged)) << c.what << ": " << log.text();
    }
}

TEST(StoredWorldTest, ACycleOfEnginesIsCutWhereItCloses)
{
    TempLog log;
    // Engine 2 lists 3 and 3 lists 2 back: a cycle.
    const Bytes engineA = StreamBytes("").tag(10).tag(1).u32(3).tag(0).bytes;
    const Bytes engineB = StreamBytes("").tag(10).tag(1).u32(2).tag(0).bytes;
    const Bytes bytes = databaseStream(StreamBytes("").tag(1).tag(1).u32(2).tag(0).bytes)
                            .object(2, 2, engineA)
                            .object(2, 3, engineB)
                            .end()
                            .bytes;
    const heron::counted_ptr<heron::Streamable> read = readStream(bytes);
    PelicanDB* const db = asDatabase(read);
    ASSERT_NE(db, nullptr);
    ASSERT_EQ(db->engines().size(), 1u);
    const Engine& a = *db->engines().front();
    ASSERT_EQ(a.children().size(), 1u);
    EXPECT_EQ(a.children().front()->parent(), &a);
    EXPECT_TRUE(a.children().front()->children().empty());
}
