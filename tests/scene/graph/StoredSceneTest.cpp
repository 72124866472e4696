#include "scene/Engine.h"
#include "base/Limits.h"
#include "scene/core/EngineSwitches.h"
#include "scene/geometry/BunchCallbacks.h"
#include "scene/geometry/GeoBunchInternals.h"
#include "scene/graph/ExrefBranch.h"
#include "scene/graph/InstanceBranch.h"
#include "scene/graph/JointBranch.h"
#include "scene/graph/LodBranch.h"
#include "scene/graph/SwitchBranch.h"
#include "scene/graph/Traverser.h"
#include "support/SceneBuilders.h"
#include "support/SceneStreams.h"
#include "support/StreamBytes.h"
#include "support/TempLog.h"

#include <gtest/gtest.h>

namespace
{

using finch::Branch;
using finch::Database;
using finch::GroupBranch;
using finch::Object;
using scenestreams::Bytes;
using scenestreams::readStream;
using scenestreams::streamOf;
using streamtest::StreamBytes;

using scenebuild::add;

// Stream bodies made by hand.
Bytes groupBody(const std::vector<std::uint32_t>& children)
{
    return StreamBytes("").tag(0).tag(1).tag(std::uint32_t(children.size())).u32s(children).tag(0).bytes;
}

Bytes objectBody(std::uint32_t root)
{
    return StreamBytes("").tag(20).u32(root).tag(0).bytes;
}

Bytes databaseBody(const std::vector<std::uint32_t>& objects)
{
    return StreamBytes("").tag(1).tag(std::uint32_t(objects.size())).u32s(objects).tag(2).u32(objects.front()).tag(0).bytes;
}

// A stream with the scene's classes declared: 1 database, 2 object, 3 group, 4 instance, 5 texture.
StreamBytes declared()
{
    return StreamBytes()
        .declare(1, Database::classIdentifier)
        .declare(2, Object::classIdentifier)
        .declare(3, GroupBranch::classIdentifier)
        .declare(4, finch::InstanceBranch::classIdentifier)
        .declare(5, finch::Texture::classIdentifier);
}

int liveBunches()
{
    return finch::getGeometryStats().geobunches.count;
}

}

TEST(StoredSceneTest, EveryStoredClassReadsBackToTheSameBytes)
{
    const auto original = scenebuild::everyClass();
    const Bytes bytes = streamOf(*original);
    heron::counted_ptr<heron::Streamable> copy = readStream(bytes);
    ASSERT_TRUE(copy);
    auto* const db = dynamic_cast<Database*>(copy.get());
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(streamOf(*db), bytes);
    // Links worked out again from the owners.
    Object* const main = db->mainObject();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->database(), db);
    Branch* const root = main->root();
    EXPECT_EQ(root->object(), main);
    EXPECT_EQ(root->child(0)->parent(), root);
    EXPECT_EQ(dynamic_cast<finch::LodBranch*>(root->child(1))->next(), root->child(2));
    auto* const instance = dynamic_cast<finch::InstanceBranch*>(root->child(4));
    EXPECT_EQ(instance->instance(), db->objects()[1]);
    EXPECT_EQ(db->objects()[1]->instances().size(), 1u);
    auto* const geometry = dynamic_cast<finch::GeometryBranch*>(root->child(6));
    ASSERT_EQ(geometry->bunches().size(), 2u);
    finch::GeoBunch& bunch = *geometry->bunches()[0];
    EXPECT_EQ(bunch.internals().branch(), geometry);
    EXPECT_EQ(bunch.internals().owner(), &bunch);
    EXPECT_TRUE(bunch.internals().isValid());
    EXPECT_EQ(bunch.animationFrames().size(), 2u);
    // The shared stream is counted by the bunches that hold it.
    EXPECT_EQ(bunch.vertexSlot().refCount(), 2);
    EXPECT_EQ(geometry->bunchCallbacks().refCount(), 1);
}

TEST(StoredSceneTest, RegisteringTheDatabaseRegistersEveryStoredClass)
{
    const Bytes bytes = streamOf(*scenebuild::everyClass());
    heron::MemoryDataSource source(bytes.data(), std::uint32_t(bytes.size()), false);
    source.registerFactory(&Database::create);
    const heron::counted_ptr<heron::Streamable> copy = source.readObject();
    ASSERT_TRUE(copy);
    EXPECT_EQ(streamOf(*copy), bytes);
}

TEST(StoredSceneTest, ObjectsListedTwiceOrUnderTheirOwnDescendantsAreLeftOut)
{
    TempLog log;
    const int bunchesBefore = liveBunches();
    struct Case
    {
        const char* what;
        Bytes bytes;
    };
    const Case cases[] = {
        {"a child in two groups",
         declared().object(1, 1, databaseBody({2})).object(2, 2, objectBody(3)).object(3, 3, groupBody({4, 5}))
             .object(3, 4, groupBody({6})).object(3, 5, groupBody({6})).object(3, 6, groupBody({})).end().bytes},
        {"an object listed twice",
         declared().object(1, 1, databaseBody({2, 2})).object(2, 2, objectBody(3)).object(3, 3, groupBody({})).end().bytes},
        {"a group under its own child",
         declared().object(1, 1, databaseBody({2})).object(2, 2, objectBody(3)).object(3, 3, groupBody({4}))
             .object(3, 4, groupBody({3})).end().bytes},
        {"a root that is also a child",
         declared().object(1, 1, databaseBody({2})).object(2, 2, objectBody(3)).object(3, 3, groupBody({3})).end().bytes},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.what);
        const heron::counted_ptr<heron::Streamable> root = readStream(item.bytes);
        auto* const db = dynamic_cast<Database*>(root.get());
        ASSERT_NE(db, nullptr);
        EXPECT_EQ(db->objects().size(), 1u);
        EXPECT_TRUE(log.contains("listed twice, or under its own descendant, is left out the second time!\n"));
        // What was read writes and reads again as it is.
        EXPECT_EQ(streamOf(*readStream(streamOf(*db))), streamOf(*db));
    }
    EXPECT_EQ(liveBunches(), bunchesBefore);
}

TEST(StoredSceneTest, AReferenceToAnObjectOfTheWrongClassComesBackNull)
{
    TempLog log;
    const Bytes bytes = declared()
                            .object(1, 1, databaseBody({2}))
                            .object(2, 2, objectBody(3))
                            .object(3, 3, groupBody({5, 4}))
                            .object(4, 4, StreamBytes("").tag(0).tag(2).u32(5).tag(0).bytes)
                            .object(5, 5, StreamBytes("").tag(0).bytes)
                            .end()
                            .bytes;
    const heron::counted_ptr<heron::Streamable> root = readStream(bytes);
    auto* const db = dynamic_cast<Database*>(root.get());
    ASSERT_NE(db, nullptr);
    Branch* const group = db->mainObject()->root();
    ASSERT_EQ(group->childCount(), 1);
    EXPECT_EQ(dynamic_cast<finch::InstanceBranch*>(group->child(0))->instance(), nullptr);
    EXPECT_TRUE(log.contains("StreamRead: a pointer names a \"duskharbor::finch::Texture\", which is not of the field's class"));
}

TEST(StoredSceneTest, InstancesThatShowTheirOwnHoldersAreCut)
{
    TempLog log;
    // Object 2 shows object 3 through instance 4; object 3 shows object 2 through instance 5.
    const auto instanceBody = [](std::uint32_t object) { return StreamBytes("").tag(0).tag(2).u32(object).tag(0).bytes; };
    const Bytes bytes = declared()
                            .object(1, 1, databaseBody({2, 3}))
                            .object(2, 2, objectBody(4))
                            .object(2, 3, objectBody(5))
                            .object(4, 4, instanceBody(3))
                            .object(4, 5, instanceBody(2))
                            .end()
                            .bytes;
    const heron::counted_ptr<heron::Streamable> root = readStream(bytes);
    auto* const db = dynamic_cast<Database*>(root.get());
    ASSERT_NE(db, nullptr);
    const auto shows = [](const Object* object) {
        return dynamic_cast<finch::InstanceBranch*>(object->root())->instance();
    };
    EXPECT_EQ(shows(db->objects()[0]), db->objects()[1]);
    EXPECT_EQ(shows(db->objects()[1]), nullptr);
    EXPECT_TRUE(db->objects()[0]->instances().empty());
    EXPECT_EQ(db->objects()[1]->instances().size(), 1u);
    EXPECT_TRUE(log.contains("shows an object that holds it; the instance is cut!\n"));
    finch::Traverser traverser;
    traverser.start(finch::Matrix(), finch::Matrix());
    db->traverse(traverser);
    db->clean();
}

TEST(StoredSceneTest, DamagedBodiesEndTheRead)
{
    TempLog log;
    std::vector<std::uint32_t> many(21);
    for (std::uint32_t i = 0; i < 21; ++i) {
        many[i] = 4 + i;
    }
    StreamBytes weird = declared().object(1, 1, databaseBody({2})).object(2, 2, objectBody(3)).object(3, 3, groupBody(many));
    for (std::uint32_t i = 0; i < 21; ++i) {
        weird.object(3, 4 + i, groupBody({}));
    }
    const heron::counted_ptr<heron::Streamable> accepted = readStream(weird.end().bytes);
    ASSERT_TRUE(accepted);
    EXPECT_EQ(dynamic_cast<Database*>(accepted.get())->mainObject()->root()->childCount(), 21);
    EXPECT_TRUE(log.contains("Size=weird\n"));

    const Bytes cases[] = {
        // A count far beyond the bytes left.
        declared().object(1, 1, StreamBytes("").tag(1).tag(1000).u32(0).tag(0).bytes).end().bytes,
        // A body without its end tag.
        declared().object(1, 1, StreamBytes("").tag(3).tag(1).bytes).end().bytes,
        // An older object form that is no longer read.
        declared().object(2, 1, StreamBytes("").tag(13).tag(0).bytes).end().bytes,
    };
    for (const Bytes& bytes : cases) {
        EXPECT_FALSE(readStream(bytes));
    }
}

TEST(StoredSceneTest, EveryTruncationFailsWithoutLeavingBunches)
{
    const int before = liveBunches();
    const Bytes bytes = streamOf(*scenebuild::everyClass());
    for (std::size_t length = 0; length + 1 < bytes.size(); length += 7) {
        EXPECT_FALSE(readStream(Bytes(bytes.begin(), bytes.begin() + long(length))));
    }
    EXPECT_EQ(liveBunches(), before);
}

TEST(StoredSceneTest, AModelFileThatNamesItselfIsLoadedOnce)
{
    TempLog log;
    // A database whose object names the model file "loop.quill" in the older form.
    const Bytes loop = declared()
                           .object(1, 1, StreamBytes("").tag(1).tag(1).u32(2).tag(2).u32(2).tag(0).bytes)
                           .object(2, 2, StreamBytes("").tag(21).tag(10).text("loop.quill").tag(0).bytes)
                           .end()
                           .bytes;
    struct LoopReader : finch::FinchDatabaseReader
    {
        explicit LoopReader(const Bytes& bytes) : bytes(bytes) {}
        heron::counted_ptr<Database> load(const heron::FilePath& path) override
        {
            ++loads;
            const heron::counted_ptr<heron::Streamable> root = readStream(bytes);
            heron::counted_ptr<Database> db;
            heron::counted_ptr<Database>::assignStreamed(&db, const_cast<heron::Streamable*>(root.streamedBlock()));
            return db;
        }
        const Bytes& bytes;
        int loads = 0;
    } reader(loop);
    finch::setDatabaseReader(&reader);
    const heron::counted_ptr<heron::Streamable> root = readStream(loop);
    finch::setDatabaseReader(nullptr);
    auto* const db = dynamic_cast<Database*>(root.get());
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(reader.loads, 1);
    EXPECT_TRUE(log.contains("Object - the model file loop.quill names itself; the reference is cut!\n"));
    // The object shows the file once; inside it the file's own reference shows nothing.
    auto* const outer = dynamic_cast<finch::ExrefBranch*>(db->mainObject()->root());
    ASSERT_TRUE(outer != nullptr && outer->database());
    auto* const inner = dynamic_cast<finch::ExrefBranch*>(outer->database()->mainObject()->root());
    ASSERT_NE(inner, nullptr);
    EXPECT_FALSE(inner->database());
    db->clean();
    finch::Traverser traverser;
    traverser.start(finch::Matrix(), finch::Matrix());
    db->traverse(traverser);
}

TEST(StoredSceneTest, AGroupAtTheRootOfItsStreamIsNotAdoptedBelowItself)
{
    TempLog log;
    const Bytes cases[] = {
        declared().object(3, 1, groupBody({1})).end().bytes,
        declared().object(3, 1, groupBody({2})).object(3, 2, groupBody({1})).end().bytes,
    };
    for (const Bytes& bytes : cases) {
        const heron::counted_ptr<heron::Streamable> root = readStream(bytes);
        auto* const group = dynamic_cast<GroupBranch*>(root.get());
        ASSERT_NE(group, nullptr);
        EXPECT_EQ(group->parent(), nullptr);
        for (const Branch* child : group->children()) {
            EXPECT_NE(child, group);
            EXPECT_EQ(child->childCount(), 0);
        }
    }
    EXPECT_TRUE(log.contains("a child branch listed twice, or under its own descendant, is left out the second time!\n"));
}

TEST(StoredSceneTest, AStoredChainOfGroupsIsCutAtTheDepthLimit)
{
    TempLog log;
    constexpr std::uint32_t groups = 200000;
    StreamBytes chain = declared().object(1, 1, databaseBody({2})).object(2, 2, objectBody(3));
    for (std::uint32_t address = 3; address < 3 + groups; ++address) {
        chain.object(3, address, groupBody(address + 1 < 3 + groups ? std::vector<std::uint32_t>{address + 1}
                                                                      : std::vector<std::uint32_t>{}));
    }
    heron::counted_ptr<heron::Streamable> root = readStream(chain.end().bytes);
    auto* const db = dynamic_cast<Database*>(root.get());
    ASSERT_NE(db, nullptr);
    EXPECT_TRUE(log.contains("owners nest deeper than 1000 levels; the deeper ones are cut!\n"));
    int depth = 0;
    for (const Branch* branch = db->mainObject()->root(); branch->childCount() > 0;
         branch = dynamic_cast<const GroupBranch*>(branch)->children().front()) {
        ++depth;
    }
    EXPECT_EQ(depth, heron::limits::maxSceneOwnerDepth - 2);
    db->clean();
    finch::Traverser traverser;
    traverser.start(finch::Matrix(), finch::Matrix());
    db->traverse(traverser);
    root.reset();
}

TEST(StoredSceneTest, AnObjectKeepsTheReferencesOfItsOlderTables)
{
    TempLog log;
    // Object 2 lists group 3 in the first older table and the database in the second, 21 times.
    const Bytes bytes = declared()
                            .object(1, 1, databaseBody({2}))
                            .object(2, 2, StreamBytes("").tag(10).tag(1).u32(3).tag(11).tag(21).u32s(std::vector<std::uint32_t>(21, 1))
                                              .tag(20).u32(3).tag(0).bytes)
                            .object(3, 3, groupBody({}))
                            .end()
                            .bytes;
    const heron::counted_ptr<heron::Streamable> root = readStream(bytes);
    auto* const db = dynamic_cast<Database*>(root.get());
    ASSERT_NE(db, nullptr);
    const Object& object = *db->objects().front();
    EXPECT_EQ(object.olderTable(0), (std::vector<heron::Streamable*>{object.root()}));
    EXPECT_EQ(object.olderTable(1), std::vector<heron::Streamable*>(21, db));
    EXPECT_TRUE(log.contains("Size=weird\n"));
}

TEST(StoredSceneTest, AFrameListLongerThanItsBytesIsRefusedBeforeAnyFrameIsMade)
{
    TempLog log;
    const auto original = scenebuild::everyClass();
    Bytes bytes = streamOf(*original);
    // The frame list of the first bunch: its tag, two frames, each of the bunch's positions.
    auto* const geometry = dynamic_cast<finch::GeometryBranch*>(original->mainObject()->root()->child(6));
    const unsigned char positions = static_cast<unsigned char>(geometry->bunches()[0]->vertexCount());
    const unsigned char frames[] = {22, 2, positions};
    const auto found = std::search(bytes.begin(), bytes.end(), std::begin(frames), std::end(frames));
    ASSERT_NE(found, bytes.end());
    found[1] = 20;
    EXPECT_FALSE(readStream(bytes));
    EXPECT_TRUE(log.contains("A stored list of 20 frames runs past the end of its block!\n"));
}
