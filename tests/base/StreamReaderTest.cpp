#include "base/files/FileDataDest.h"
#include "base/files/FileDataSource.h"
#include "base/Limits.h"
#include "base/MemoryDataDest.h"
#include "base/MemoryDataSource.h"
#include "base/SharedBlock.h"
#include "base/StreamReader.h"
#include "base/counted_ptr.h"
#include "support/StreamBytes.h"
#include "support/StreamTestClasses.h"
#include "support/TempFolder.h"
#include "support/TempLog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

using heron::MemoryDataDest;
using heron::MemoryDataSource;
using heron::Streamable;
using streamtest::Counted;
using streamtest::Holder;
using streamtest::Leaf;
using streamtest::Node;
using streamtest::Shared;
using streamtest::Bytes;
using streamtest::StreamBytes;
using streamtest::u32s;

namespace
{

Bytes nodeBody(std::int32_t value, const std::vector<std::uint32_t>& links, std::uint32_t leaf = 0)
{
    const auto count = std::uint32_t(links.size());
    return StreamBytes("").u32(std::uint32_t(value)).tag(0).u32(leaf).tag(count).u32s(links).bytes;
}

// The bytes with the byte at fromEnd places before the end replaced, or (fromEnd 0) one appended.
Bytes patched(Bytes bytes, std::size_t fromEnd, unsigned char byte)
{
    if (fromEnd == 0) {
        bytes.push_back(byte);
    } else {
        bytes[bytes.size() - fromEnd] = byte;
    }
    return bytes;
}

class ObjectGraphStream : public ::testing::Test
{
protected:
    void TearDown() override { streamtest::freeLive(); }

    static Bytes write(const Streamable* root, int version = 101, bool bigEndian = false)
    {
        MemoryDataDest dest;
        dest.setBigEndian(bigEndian);
        dest.writeObject(root, version);
        EXPECT_FALSE(dest.hasError());
        return streamtest::bytesOf(dest);
    }

    // Reads a stream with Node (and through it Leaf) registered; the source is kept for checks.
    heron::counted_ptr<Streamable> read(const Bytes& bytes, bool bigEndian = false)
    {
        m_source = std::make_unique<MemoryDataSource>(bytes.data(), std::uint32_t(bytes.size()), true);
        m_source->setBigEndian(bigEndian);
        m_source->registerFactory(&Node::make);
        return m_source->readObject();
    }

    // Objects alive now that were not alive when the read began.
    static std::size_t madeByRead(const std::set<Streamable*>& before)
    {
        std::size_t count = 0;
        for (Streamable* object : streamtest::live()) {
            count += before.count(object) == 0 ? 1 : 0;
        }
        return count;
    }

    std::unique_ptr<MemoryDataSource> m_source;
    TempLog m_log;
};

// root -> {b, c, null, b}; b -> {root, c}; c -> {c}
Node* buildSharedCyclicGraph()
{
    auto* root = new Node;
    auto* b = new Node;
    auto* c = new Node;
    root->value = -7;
    root->label = "root";
    b->value = 2;
    root->links = {b, c, nullptr, b};
    b->links = {root, c};
    c->links = {c};
    return root;
}

}

TEST_F(ObjectGraphStream, MinimalStreamHasTheDocumentedBytes)
{
    struct Texture : streamtest::Tracked
    {
        void read(heron::DataSource& source) override { source.skip(3); }
        const char* className() const override { return "duskharbor::finch::Texture"; }
        void write(heron::DataDest& dest) const override { dest.writeByte('x').writeByte('y').writeByte('z'); }
    } texture;
    const Bytes expected = StreamBytes()
                               .text("?\x01\x1A" "duskharbor::finch::Texture")
                               .text(std::string("!\x01\x01\0\0\0\x03xyz#", 11))
                               .bytes;
    EXPECT_EQ(write(&texture), expected);

    MemoryDataSource source(expected.data(), std::uint32_t(expected.size()), false);
    source.registerFactory(+[]() -> Streamable* { return new Texture; });
    const heron::counted_ptr<Streamable> root = source.readObject();
    ASSERT_NE(root.get(), nullptr);
    EXPECT_EQ(streamtest::afterLoads(), std::vector<Streamable*>{root.get()});
    EXPECT_EQ(source.remaining(), 0u);
}

TEST_F(ObjectGraphStream, Version100WritesNulTerminatedTextsAndOtherVersionsAreRefused)
{
    Node node;
    const Bytes bytes = write(&node, 100);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 31), std::string("HarborStream 1.00\0?\x01test::Node\0", 31));
    MemoryDataDest dest;
    dest.writeObject(&node, 102);
    EXPECT_TRUE(dest.hasError());
    EXPECT_EQ(dest.size(), 0u);
}

TEST_F(ObjectGraphStream, RoundTripKeepsSharingCyclesAndNullsInBothVersionsByteOrdersAndFiles)
{
    Node* const original = buildSharedCyclicGraph();
    const TempFolder folder;
    const std::string path = folder.file("graph.dat");
    for (const int version : {100, 101}) {
        for (const bool bigEndian : {false, true}) {
            SCOPED_TRACE(testing::Message() << "version " << version << " big-endian " << bigEndian);
            const Bytes bytes = write(original, version, bigEndian);
            streamtest::afterLoads().clear();
            const heron::counted_ptr<Streamable> root = read(bytes, bigEndian);
            ASSERT_NE(dynamic_cast<Node*>(root.get()), nullptr);
            EXPECT_EQ(m_source->stringMode(), version == 101 ? 4 : 0);
            EXPECT_EQ(streamtest::afterLoads().size(), 3u);
            // Writing the copy again gives the same bytes only if sharing, cycles and nulls came back.
            EXPECT_EQ(write(root.get(), version, bigEndian), bytes);
        }
    }
    EXPECT_FALSE(heron::FileDataDest(path.c_str()).writeObject(original).hasError());
    heron::FileDataSource source(path.c_str());
    source.registerFactory(&Node::make);
    const heron::counted_ptr<Streamable> root = source.readObject();
    ASSERT_NE(root.get(), nullptr);
    EXPECT_EQ(write(root.get()), write(original));
}

TEST_F(ObjectGraphStream, CountsLengthsAndIdsOf255AndMoreUseTheLongTagForm)
{
    for (const std::uint32_t count : {254u, 255u, 1000u}) {
        SCOPED_TRACE(count);
        auto* const root = new Node;
        root->label = heron_string(count, 'q');
        for (std::uint32_t i = 0; i < count; ++i) {
            auto* const child = new Node;
            child->value = std::int32_t(i);
            child->links = {root};
            root->links.push_back(child);
        }
        const Bytes bytes = write(root);
        {
            const heron::counted_ptr<Streamable> copy = read(bytes);
            ASSERT_NE(copy.get(), nullptr);
            EXPECT_EQ(write(copy.get()), bytes);
        }
        streamtest::freeLive();
    }
}

TEST_F(ObjectGraphStream, AfterLoadRunsTheEarlyGroupFirstThenByAscendingAddress)
{
    const Bytes bytes = StreamBytes()
                            .declare(1, Node::name)
                            .declare(2, Leaf::name)
                            .object(1, 30, nodeBody(30, {10}, 20))
                            .object(1, 10, nodeBody(10, {}, 5))
                            .object(2, 20, u32s({20, 30, 0}))
                            .object(2, 5, u32s({5, 10, 0}))
                            .end()
                            .bytes;
    const heron::counted_ptr<Streamable> root = read(bytes);
    ASSERT_NE(root.get(), nullptr);
    std::vector<std::uint32_t> order;
    for (Streamable* object : streamtest::afterLoads()) {
        auto* const node = dynamic_cast<Node*>(object);
        order.push_back(node ? std::uint32_t(node->value) : dynamic_cast<Leaf*>(object)->payload);
    }
    EXPECT_EQ(order, (std::vector<std::uint32_t>{5, 20, 10, 30}));
}

TEST_F(ObjectGraphStream, ADamagedStreamEndsWithTheErrorAndLeavesNoObjectBehind)
{
    struct Case
    {
        const char* what;
        Bytes bytes;
        const char* logged;
    };
    const Bytes plainNode = StreamBytes().declare(1, Node::name).object(1, 1, nodeBody(1, {})).bytes;
    const char* const badPointer = "Stream reader: Bad pointer\n";
    // A holder (class 1), a shared block (class 2) and a third class 3.
    const auto withHolder = [](const char* third) {
        return StreamBytes().declare(1, Holder::name).declare(2, heron::SharedBlock::name).declare(3, third);
    };
    const std::vector<Case> cases = {
        {"pointer to no object", StreamBytes().declare(1, Node::name).object(1, 1, nodeBody(1, {1, 99})).end().bytes,
            badPointer},
        {"pointer to an object of the wrong class",
            StreamBytes().declare(1, Node::name).declare(2, Leaf::name).object(1, 1, nodeBody(1, {2}))
                .object(2, 2, u32s({0, 0, 0})).end().bytes,
            badPointer},
        {"pointer to a skipped object of an unknown class",
            StreamBytes().declare(1, Node::name).declare(2, "test::Unknown").object(1, 1, nodeBody(1, {2}))
                .object(2, 2, {1, 2, 3}).end().bytes,
            badPointer},
        {"no end mark", plainNode, "Stream reader: stream ends without its end mark\n"},
        {"unknown record", patched(plainNode, 0, 'Z'), "Stream reader: unknown record in stream\n"},
        {"body longer than the data", patched(plainNode, 11, 200), "Stream reader: object body truncated\n"},
        {"count beyond the body",
            patched(StreamBytes().declare(1, Node::name).object(1, 1, nodeBody(1, {0, 0})).end().bytes, 10, 3),
            "Stream reader: node link count beyond its body\n"},
        {"body shorter than its fields",
            StreamBytes().declare(1, Leaf::name).object(1, 1, {1, 2, 3, 4, 5, 6, 7, 8, 9}).end().bytes,
            "Stream reader: damaged body of a \"test::Leaf\"\n"},
        {"shared pointer to an object that is not counted",
            withHolder(Node::name).object(1, 1, u32s({3, 0, 0, 0})).object(3, 3, nodeBody(3, {})).end().bytes,
            badPointer},
        {"two blocks owning one object",
            withHolder(Shared::name).object(1, 1, u32s({2, 4, 0, 0})).object(2, 2, u32s({1, 5}))
                .object(2, 4, u32s({1, 5})).object(3, 5, u32s({9})).end().bytes,
            badPointer},
        {"a block owning a block",
            withHolder(Shared::name).object(1, 1, u32s({2, 0, 0, 0})).object(2, 2, u32s({1, 4}))
                .object(2, 4, u32s({1, 5})).object(3, 5, u32s({9})).end().bytes,
            badPointer},
        {"counted object also owned by a block",
            withHolder(Counted::name).declare(4, Node::name).declare(5, Leaf::name)
                .object(1, 1, u32s({0, 0, 5, 7})).object(3, 5, u32s({9})).object(4, 7, nodeBody(7, {}, 8))
                .object(5, 8, u32s({8, 0, 6})).object(1, 6, u32s({0, 0, 2, 0})).object(2, 2, u32s({1, 5}))
                .end().bytes,
            badPointer},
        {"an object a block owns kept by a field as well",
            withHolder(heron::SharedBlock::name).declare(4, Node::name).declare(5, Leaf::name)
                .object(4, 1, nodeBody(1, {}, 2)).object(5, 2, u32s({9, 0, 3})).object(1, 3, u32s({4, 0, 0, 0}))
                .object(2, 4, u32s({1, 2})).end().bytes,
            badPointer},
        {"a holder's node kept by the holder and by the holder's block",
            withHolder(Node::name).object(1, 1, u32s({2, 0, 0, 5})).object(2, 2, u32s({1, 5}))
                .object(3, 5, nodeBody(5, {})).end().bytes,
            badPointer},
        {"two objects at one address",
            StreamBytes().declare(1, Node::name).object(1, 4, nodeBody(1, {})).object(1, 4, nodeBody(2, {}))
                .end().bytes,
            "Stream reader: two objects with one address\n"},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.what);
        const std::set<Streamable*> before = streamtest::live();
        const std::pair<int, int> valuesBefore(Shared::count(), Counted::count());
        const std::size_t logged = m_log.text().size();
        EXPECT_EQ(read(item.bytes).get(), nullptr);
        EXPECT_TRUE(m_source->hasError());
        EXPECT_EQ(madeByRead(before), 0u);
        EXPECT_EQ(std::make_pair(Shared::count(), Counted::count()), valuesBefore);
        EXPECT_NE(m_log.text().substr(logged).find(item.logged), std::string::npos) << m_log.text();
    }
}

TEST_F(ObjectGraphStream, ASharedPointerToABlockOfAnObjectOfAnotherClassComesBackNullAndIsLogged)
{
    const Bytes bytes = StreamBytes()
                            .declare(1, Holder::name)
                            .object(1, 1, u32s({2, 0, 0, 0}))
                            .declare(2, heron::SharedBlock::name)
                            .object(2, 2, u32s({1, 3}))
                            .declare(3, Node::name)
                            .object(3, 3, nodeBody(3, {}))
                            .end()
                            .bytes;
    const heron::counted_ptr<Streamable> root = read(bytes);
    auto* const holder = dynamic_cast<Holder*>(root.get());
    ASSERT_NE(holder, nullptr);
    EXPECT_FALSE(m_source->hasError());
    EXPECT_EQ(holder->first.get(), nullptr);
    EXPECT_TRUE(
        m_log.contains("StreamRead: a shared pointer names a \"test::Node\", which is not of the pointer's class"));
    // The block and its object stay with the holder and are written again as they were read.
    EXPECT_EQ(write(holder), bytes);
}

TEST_F(ObjectGraphStream, ABlockOwningTheRootOrItsOwnHolderIsReadAgainAsWrittenAndFreedOnce)
{
    // Each block owns an object of another class than its holder's pointer, which comes back null.
    // Root node 1, which links to itself, -> leaf 2 (owner: the root) -> holder 3 -> block 4, which
    // owns the root: the root is named back from below and the caller holds it through the block.
    const Bytes rootInBlock = StreamBytes()
                                  .declare(1, Node::name)
                                  .object(1, 1, nodeBody(1, {1}, 2))
                                  .declare(2, Leaf::name)
                                  .object(2, 2, u32s({9, 1, 3}))
                                  .declare(3, Holder::name)
                                  .object(3, 3, u32s({4, 0, 0, 0}))
                                  .declare(4, heron::SharedBlock::name)
                                  .object(4, 4, u32s({2, 1}))
                                  .end()
                                  .bytes;
    // Root holder 1, whose first pointer names block 2, which owns that holder.
    const Bytes holderInBlock = StreamBytes()
                                    .declare(1, Holder::name)
                                    .object(1, 1, u32s({2, 0, 0, 0}))
                                    .declare(2, heron::SharedBlock::name)
                                    .object(2, 2, u32s({2, 1}))
                                    .end()
                                    .bytes;
    for (const Bytes& bytes : {rootInBlock, holderInBlock}) {
        {
            const heron::counted_ptr<Streamable> root = read(bytes);
            ASSERT_NE(root.get(), nullptr);
            EXPECT_FALSE(m_source->hasError());
            EXPECT_EQ(write(root.get()), bytes);
        }
        streamtest::freeLive();
        EXPECT_TRUE(streamtest::live().empty());
    }
}

TEST_F(ObjectGraphStream, SharedPointersComeBackSharingOneObjectCountedByTheirHolders)
{
    // a.first, a.second and b.first share p; b.second holds q alone. b is reached through a node and
    // its leaf.
    auto* const a = new Holder;
    auto* const b = new Holder;
    auto* const node = new Node;
    auto* const leaf = new Leaf;
    a->counted.reset(new Counted);
    b->counted = a->counted;
    a->first.reset(new Shared);
    a->first->value = 11;
    a->second = b->first = a->first;
    b->second.reset(new Shared);
    a->node = node;
    node->leaf = leaf;
    leaf->holder = b;
    const Bytes bytes = write(a);
    {
        heron::counted_ptr<Streamable> root = read(bytes);
        auto* const copy = dynamic_cast<Holder*>(root.get());
        ASSERT_NE(copy, nullptr);
        ASSERT_TRUE(copy->node && copy->node->leaf && copy->node->leaf->holder);
        Holder* const other = copy->node->leaf->holder;
        // The same bytes again show the sharing; the counts show who holds what.
        EXPECT_EQ(write(copy), bytes);
        EXPECT_EQ(copy->first.refCount(), 3);
        EXPECT_EQ(other->second.refCount(), 1);
        EXPECT_EQ(copy->counted.refCount(), 2);
        EXPECT_TRUE(copy->setBeforeAfterLoad);
        EXPECT_EQ(Shared::count(), 4);
        EXPECT_EQ(Counted::count(), 2);

        root = heron::counted_ptr<Streamable>();
        EXPECT_EQ(other->first.refCount(), 1);
        EXPECT_EQ(other->first->value, 11);
    }
    streamtest::freeLive();
    EXPECT_EQ(Shared::count(), 0);
    EXPECT_EQ(Counted::count(), 0);
}

TEST_F(ObjectGraphStream, AFieldStoredTwiceKeepsItsFirstObjectAndDropsTheSecond)
{
    // A repeater (class 1) with the given references, over shared block 2 (of shared 7) and nodes 5
    // and 6; the caller adds more.
    const auto repeaterOver = [](const std::vector<std::uint32_t>& references) {
        return StreamBytes()
            .declare(1, streamtest::Repeater::name)
            .declare(2, heron::SharedBlock::name)
            .declare(3, Shared::name)
            .declare(4, Node::name)
            .object(1, 1, u32s(references))
            .object(2, 2, u32s({1, 7}))
            .object(4, 5, nodeBody(5, {}))
            .object(4, 6, nodeBody(6, {}))
            .object(3, 7, u32s({70}));
    };
    const auto readRepeater = [this](const Bytes& bytes) {
        m_source = std::make_unique<MemoryDataSource>(bytes.data(), std::uint32_t(bytes.size()), true);
        m_source->registerFactory(&streamtest::Repeater::make);
        return m_source->readObject();
    };
    // Shared block 2 then 3 for one field, and node 5 then 6 for another.
    {
        const heron::counted_ptr<Streamable> root =
            readRepeater(repeaterOver({2, 3, 5, 6}).object(2, 3, u32s({1, 8})).object(3, 8, u32s({80})).end().bytes);
        auto* const repeater = dynamic_cast<streamtest::Repeater*>(root.get());
        ASSERT_NE(repeater, nullptr);
        ASSERT_TRUE(repeater->shared);
        EXPECT_EQ(repeater->shared->value, 70);
        EXPECT_EQ(repeater->shared.refCount(), 1);
        ASSERT_NE(repeater->node, nullptr);
        EXPECT_EQ(repeater->node->value, 5);
        EXPECT_EQ(Shared::count(), 1);
        EXPECT_EQ(streamtest::live().size(), 2u);
    }
    EXPECT_TRUE(m_log.contains("StreamRead: 2 pointer fields stored more than once keep their first object!\n"));
    EXPECT_EQ(Shared::count(), 0);

    // A long run of references: node 6 named first, then node 5 nineteen times.
    std::vector<std::uint32_t> many{2, 2, 6};
    many.insert(many.end(), 19, 5);
    const heron::counted_ptr<Streamable> root = readRepeater(repeaterOver(many).end().bytes);
    auto* const repeater = dynamic_cast<streamtest::Repeater*>(root.get());
    ASSERT_NE(repeater, nullptr);
    ASSERT_NE(repeater->node, nullptr);
    EXPECT_EQ(repeater->node->value, 6);
    EXPECT_TRUE(m_log.contains("StreamRead: 20 pointer fields stored more than once keep their first object!\n"));
}

TEST_F(ObjectGraphStream, CheckedReferencesOfTheWrongClassOrOnlyBorrowedComeBackNull)
{
    // A checked object (class 1) whose kept leaf names a node, whose borrowed node is held by
    // nothing else, and whose kept node is node 4.
    const auto stream = [](std::uint32_t borrowed) {
        return StreamBytes()
            .declare(1, streamtest::Checked::name)
            .declare(2, Node::name)
            .object(1, 1, u32s({3, borrowed, 4}))
            .object(2, 3, nodeBody(3, {}))
            .object(2, 4, nodeBody(4, {}))
            .object(2, 5, nodeBody(5, {}))
            .end()
            .bytes;
    };
    for (const std::uint32_t borrowed : {5u, 4u}) {
        SCOPED_TRACE(borrowed);
        const Bytes bytes = stream(borrowed);
        m_source = std::make_unique<MemoryDataSource>(bytes.data(), std::uint32_t(bytes.size()), true);
        m_source->registerFactory(&streamtest::Checked::make);
        {
            const heron::counted_ptr<Streamable> root = m_source->readObject();
            auto* const checked = dynamic_cast<streamtest::Checked*>(root.get());
            ASSERT_NE(checked, nullptr);
            EXPECT_EQ(checked->leaf, nullptr);
            ASSERT_NE(checked->kept, nullptr);
            EXPECT_EQ(checked->borrowed, borrowed == 4 ? checked->kept : nullptr);
            // Only the checked object and its kept node are left.
            EXPECT_EQ(streamtest::live().size(), 2u);
        }
        EXPECT_TRUE(m_log.contains("StreamRead: a pointer names a \"test::Node\", which is not of the field's class"));
        streamtest::freeLive();
    }
}

TEST_F(ObjectGraphStream, EveryTruncationOfAStreamFailsWithoutLeavingObjects)
{
    const Bytes bytes = write(buildSharedCyclicGraph());
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        SCOPED_TRACE(length);
        const std::set<Streamable*> before = streamtest::live();
        EXPECT_EQ(read(Bytes(bytes.begin(), bytes.begin() + long(length))).get(), nullptr);
        EXPECT_EQ(madeByRead(before), 0u);
    }
}

TEST_F(ObjectGraphStream, AnUnknownOrUnreadableHeaderGivesNullAndLeavesStringMode0)
{
    const std::pair<const char*, bool> headers[] = {{"HarborStream 1.02", false}, {"HarborStream 2.01", false},
        {"HarborStreem 1.01", false}, {"HarborStream", false}, {"", false}, {"HarborStream 1.9999999999", false},
        {"HarborStream 222222222.1", false}, {"HarborStream 1.01", true}, {"HarborStream 1.1", true},
        {"HarborStream1.01", true}, {"HarborStream  +1.01", true}, {"HarborStream 1.001", true}};
    for (const auto& [header, good] : headers) {
        SCOPED_TRACE(header);
        const heron::counted_ptr<Streamable> root =
            read(StreamBytes(header).declare(1, Node::name).object(1, 1, nodeBody(1, {})).end().bytes);
        EXPECT_EQ(root.get() != nullptr, good);
        EXPECT_TRUE(good || (m_source->stringMode() == 0 && streamtest::live().empty()));
    }
}

TEST_F(ObjectGraphStream, SkippedUnknownObjectsShortReadsAndUnreachableObjectsLeaveTheRestInStep)
{
    struct Case
    {
        const char* what;
        Bytes bytes;
        std::size_t liveAfter;
    };
    Bytes longLeaf = u32s({7, 1, 0});
    longLeaf.insert(longLeaf.end(), {'!', 1, 1, 0, 0, 0, '#'});
    const std::vector<Case> cases = {
        {"unknown and undeclared classes",
            StreamBytes().declare(1, Node::name).declare(2, "test::Unknown").object(2, 9, {0xAA, 0xBB})
                .object(7, 8, {0xCC}).object(1, 3, nodeBody(33, {})).end().bytes,
            1},
        {"a class that reads less than its body",
            StreamBytes().declare(1, Node::name).declare(2, Leaf::name).object(1, 1, nodeBody(33, {}, 2))
                .object(2, 2, longLeaf).end().bytes,
            2},
        {"objects not reachable from the root",
            StreamBytes().declare(1, Node::name).object(1, 1, nodeBody(33, {})).object(1, 2, nodeBody(2, {3}))
                .object(1, 3, nodeBody(3, {2})).end().bytes,
            1},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.what);
        {
            const heron::counted_ptr<Streamable> root = read(item.bytes);
            auto* const node = dynamic_cast<Node*>(root.get());
            ASSERT_TRUE(node != nullptr && node->value == 33);
            EXPECT_FALSE(m_source->hasError());
            EXPECT_EQ(streamtest::live().size(), item.liveAfter);
            EXPECT_EQ(streamtest::afterLoads().back(), node);
        }
        streamtest::freeLive();
    }
    EXPECT_TRUE(m_log.contains("StreamRead: no factory registered for a \"test::Unknown\"!\n"));
}

TEST_F(ObjectGraphStream, AStreamOfNoObjectGivesNullAndNothingOfTheReadBefore)
{
    // Each is read right after a good read on the same thread, from a file far longer than the
    // stream: the read sizes its tables by the file, so they are fresh memory, not the last read's.
    const std::pair<const char*, Bytes> cases[] = {
        {"header and end mark only", StreamBytes().end().bytes},
        {"objects of unregistered classes only",
            StreamBytes().declare(1, "test::Unknown").object(1, 1, {1, 2, 3}).object(7, 2, {}).end().bytes},
    };
    const TempFolder folder;
    const std::string path = folder.file("padded.dat");
    Node node;
    const Bytes good = write(&node);
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        ASSERT_NE(read(good).get(), nullptr);
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
        std::filesystem::resize_file(path, std::uintmax_t{48} << 20);
        heron::FileDataSource source(path.c_str());
        source.registerFactory(&Node::make);
        const std::set<Streamable*> before = streamtest::live();
        streamtest::afterLoads().clear();
        EXPECT_EQ(source.readObject().get(), nullptr);
        EXPECT_FALSE(source.hasError());
        EXPECT_EQ(madeByRead(before), 0u);
        EXPECT_TRUE(streamtest::afterLoads().empty());
    }
    EXPECT_EQ(m_log.count("StreamRead: the stream holds no object!\n"), 2);
}

namespace
{

using Hold = heron::StreamReader::Hold;

template <class... Arguments>
constexpr bool checkedRefTakes = requires(Arguments... arguments) { heron::StreamReader::readCheckedRef(arguments...); };
template <class... Arguments>
constexpr bool referToTakes = requires(Arguments... arguments) { heron::StreamReader::referTo(arguments...); };

}

TEST(ObjectGraphStreamFields, CheckedPlainPointerFieldsAreReadOnlyThroughTheirTypes)
{
    // An untyped field with an assign of its own would be set as a plain pointer regardless.
    EXPECT_TRUE((checkedRefTakes<heron::DataSource&, Node*&, Hold>));
    EXPECT_TRUE((referToTakes<heron::DataSource&, std::uint32_t, Node*&, Hold>));
    EXPECT_FALSE((checkedRefTakes<heron::DataSource&, void*, heron::PointerAssign, Hold>));
    EXPECT_FALSE((referToTakes<heron::DataSource&, std::uint32_t, void*, heron::PointerAssign, Hold>));
}

TEST_F(ObjectGraphStream, RegistrationsAreConsumedByOneRead)
{
    Node node;
    const Bytes bytes = write(&node);
    MemoryDataSource source(bytes.data(), std::uint32_t(bytes.size()), false);
    EXPECT_EQ(source.readObject().get(), nullptr);
    EXPECT_FALSE(source.hasError());
    source.registerFactory(&Node::make).registerFactory(&Node::make).registerFactory(&Leaf::make);
    EXPECT_NE(source.readObject().get(), nullptr);
    source.seek(0);
    EXPECT_EQ(source.readObject().get(), nullptr);
}

TEST_F(ObjectGraphStream, PointerFieldsOutsideAStreamStillTakeFourBytes)
{
    Node a;
    Node b;
    Node node;
    node.links = {&a, nullptr, &b, &a};
    MemoryDataDest dest;
    node.write(dest);
    const Bytes expected = {0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 1, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0};
    EXPECT_EQ(streamtest::bytesOf(dest), expected);

    MemoryDataSource source(dest.data(), dest.size(), false);
    Node copy;
    copy.read(source);
    EXPECT_EQ(source.remaining(), 0u);
    EXPECT_EQ(copy.links.size(), 4u);
}

namespace
{

// Holds a whole stream of its own in its body, so reads nest.
class Nest : public streamtest::Tracked
{
public:
    static Streamable* make() { return new Nest; }
    Nest* inner = nullptr;

    void read(heron::DataSource& source) override
    {
        bool hasInner = false;
        source.readBool(hasInner);
        if (!hasInner) {
            return;
        }
        Bytes rest(source.remaining());
        source.read(rest.data(), std::uint32_t(rest.size()));
        MemoryDataSource innerSource(rest.data(), std::uint32_t(rest.size()), false);
        innerSource.registerFactory(&Nest::make);
        m_innerRoot = innerSource.readObject();
        inner = dynamic_cast<Nest*>(m_innerRoot.get());
    }
    const char* className() const override { return "test::Nest"; }
    void write(heron::DataDest& dest) const override
    {
        dest.writeBool(inner != nullptr);
        if (inner != nullptr) {
            dest.writeObject(inner);
        }
    }

private:
    heron::counted_ptr<Streamable> m_innerRoot;
};

std::vector<std::unique_ptr<Nest>> nestChain(int depth)
{
    std::vector<std::unique_ptr<Nest>> nests;
    for (int i = 0; i < depth; ++i) {
        nests.push_back(std::make_unique<Nest>());
        nests[i]->inner = i > 0 ? nests[i - 1].get() : nullptr;
    }
    return nests;
}

}

TEST_F(ObjectGraphStream, StreamsNestOnlyToABoundedDepth)
{
    const auto fine = nestChain(heron::limits::maxStreamNesting);
    const Bytes bytes = write(fine.back().get());
    MemoryDataSource source(bytes.data(), std::uint32_t(bytes.size()), false);
    source.registerFactory(&Nest::make);
    const heron::counted_ptr<Streamable> root = source.readObject();
    ASSERT_NE(root.get(), nullptr);

    // One more level around the deepest stream the writer makes: the innermost read is refused,
    // and the nest around it comes back without it.
    Bytes body{1};
    body.insert(body.end(), bytes.begin(), bytes.end());
    const Bytes deeper = StreamBytes().declare(1, "test::Nest").object(1, 1, body).end().bytes;
    MemoryDataSource deeperSource(deeper.data(), std::uint32_t(deeper.size()), false);
    deeperSource.registerFactory(&Nest::make);
    const heron::counted_ptr<Streamable> outer = deeperSource.readObject();
    ASSERT_NE(outer.get(), nullptr);
    EXPECT_TRUE(m_log.contains("Stream reader: streams nested too deeply\n"));

    const auto deep = nestChain(heron::limits::maxStreamNesting + 1);
    MemoryDataDest dest;
    dest.writeObject(deep.back().get());
    EXPECT_TRUE(dest.hasError());
    EXPECT_TRUE(m_log.contains("Stream writer: streams nested too deeply\n"));
}

TEST_F(ObjectGraphStream, AClassesOwnFailureEndsTheReadAsDamagedBytesDoWithNoObjectLeft)
{
    // Classes that fail as a program does, not as damaged bytes do: while reading, and once
    // linked, with something that is not a standard exception.
    struct FaultyRead : Node
    {
        void read(heron::DataSource&) override { throw std::logic_error("broken class"); }
        const char* className() const override { return "test::Faulty"; }
    };
    struct FaultyAfterLoad : Node
    {
        const char* className() const override { return "test::Faulty"; }
        void afterLoad() override { throw 7; }
    };
    // The node is read before the faulty object; once linked, the graph is owned through its
    // root, so there the faulty object is the root.
    const Bytes beforeLinking = StreamBytes()
                                    .declare(1, Node::name)
                                    .declare(2, "test::Faulty")
                                    .object(1, 1, nodeBody(1, {}))
                                    .object(2, 2, nodeBody(2, {}))
                                    .end()
                                    .bytes;
    const Bytes afterLinking = StreamBytes().declare(1, "test::Faulty").object(1, 1, nodeBody(1, {})).end().bytes;
    struct Case
    {
        heron::StreamableFactory faulty;
        const Bytes& bytes;
        const char* logged;
    };
    const Case cases[] = {
        {+[]() -> Streamable* { return new FaultyRead; }, beforeLinking, "Stream reader: broken class\n"},
        {+[]() -> Streamable* { return new FaultyAfterLoad; }, afterLinking, "Stream reader: an object's read failed\n"},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.logged);
        MemoryDataSource source(item.bytes.data(), std::uint32_t(item.bytes.size()), false);
        source.registerFactory(&Node::make).registerFactory(item.faulty);
        const std::set<Streamable*> before = streamtest::live();
        heron::counted_ptr<Streamable> root;
        EXPECT_NO_THROW(root = source.readObject());
        EXPECT_EQ(root.get(), nullptr);
        EXPECT_TRUE(source.hasError());
        EXPECT_EQ(madeByRead(before), 0u);
        EXPECT_TRUE(m_log.contains(item.logged));
    }
}

namespace
{

// A base without a stored part, so that the stored part of the class below lies inside it.
struct Padding
{
    virtual ~Padding() = default;
    std::uint64_t words[3] = {};
};

// A stored class whose Streamable part is not at its start, with a pointer to its own class.
class Offset : public Padding, public streamtest::Tracked
{
public:
    static constexpr const char* name = "test::Offset";
    static Streamable* make() { return new Offset; }

    Offset* self = nullptr;

    void read(heron::DataSource& source) override { source.readObjectRef(self); }
    const char* className() const override { return name; }
    void write(heron::DataDest& dest) const override { dest.writeObjectRef(self); }
};

// Plain pointers to that class, to a stored base of it and of Node, and to Node.
class Pointers : public streamtest::Tracked
{
public:
    static constexpr const char* name = "test::Pointers";
    static Streamable* make() { return new Pointers; }

    Offset* offset = nullptr;
    streamtest::Tracked* tracked = nullptr;
    Node* node = nullptr;

    void registerFactories(heron::DataSource& source) override
    {
        source.registerFactory(&Offset::make).registerFactory(&Node::make);
    }
    void read(heron::DataSource& source) override
    {
        source.readObjectRef(offset).readObjectRef(tracked).readObjectRef(node);
    }
    const char* className() const override { return name; }
    void write(heron::DataDest& dest) const override
    {
        dest.writeObjectRef(offset).writeObjectRef(tracked).writeObjectRef(node);
    }
};

}

TEST_F(ObjectGraphStream, PlainPointersGetTheirOwnClassPartOfEveryObject)
{
    // Pointers (address 1) names the Offset object (2) as each of its own pointer types and the
    // node (3); class 2 is declared again as Node before the node.
    const auto stream = [](std::uint32_t offset) {
        return StreamBytes()
            .declare(1, Pointers::name)
            .declare(2, Offset::name)
            .object(1, 1, u32s({offset, 2, 3}))
            .object(2, 2, u32s({2}))
            .declare(2, Node::name)
            .object(2, 3, nodeBody(3, {}))
            .end()
            .bytes;
    };
    const Bytes good = stream(2);
    MemoryDataSource source(good.data(), std::uint32_t(good.size()), false);
    source.registerFactory(&Pointers::make);
    {
        const heron::counted_ptr<Streamable> root = source.readObject();
        auto* const pointers = dynamic_cast<Pointers*>(root.get());
        ASSERT_NE(pointers, nullptr);
        ASSERT_NE(pointers->offset, nullptr);
        EXPECT_EQ(pointers->offset->self, pointers->offset);
        EXPECT_EQ(pointers->tracked, static_cast<streamtest::Tracked*>(pointers->offset));
        ASSERT_NE(pointers->node, nullptr);
        EXPECT_EQ(pointers->node->value, 3);
    }
    streamtest::freeLive();
    // An Offset pointer to the node, whose class took the Offset class's number, is refused.
    const Bytes wrong = stream(3);
    MemoryDataSource wrongSource(wrong.data(), std::uint32_t(wrong.size()), false);
    wrongSource.registerFactory(&Pointers::make);
    EXPECT_EQ(wrongSource.readObject().get(), nullptr);
    EXPECT_TRUE(wrongSource.hasError());
    EXPECT_TRUE(streamtest::live().empty());
    EXPECT_TRUE(m_log.contains("Stream reader: Bad pointer\n"));
}

TEST_F(ObjectGraphStream, ObjectsReachedOnlyFromLaterRecordsAreLinkedAndKept)
{
    // Addresses ascend, densely or not. Node b is named only by node c after it; node d, which
    // names b, is reached from nothing and dropped.
    for (const std::uint32_t step : {1u, 10u}) {
        SCOPED_TRACE(step);
        const std::uint32_t a = step;
        const std::uint32_t b = 2 * step;
        const std::uint32_t c = 3 * step;
        const std::uint32_t d = 4 * step;
        {
            const heron::counted_ptr<Streamable> root = read(StreamBytes()
                                                                 .declare(1, Node::name)
                                                                 .object(1, a, nodeBody(1, {c, 0}))
                                                                 .object(1, b, nodeBody(2, {a}))
                                                                 .object(1, c, nodeBody(3, {b, c}))
                                                                 .object(1, d, nodeBody(4, {b}))
                                                                 .end()
                                                                 .bytes);
            auto* const first = dynamic_cast<Node*>(root.get());
            ASSERT_NE(first, nullptr);
            Node* const third = first->links[0];
            ASSERT_NE(third, nullptr);
            EXPECT_EQ(first->links[1], nullptr);
            EXPECT_EQ(third->value, 3);
            EXPECT_EQ(third->links[1], third);
            Node* const second = third->links[0];
            ASSERT_NE(second, nullptr);
            EXPECT_EQ(second->value, 2);
            EXPECT_EQ(second->links[0], first);
            EXPECT_EQ(streamtest::live().size(), 3u);
            EXPECT_EQ(streamtest::afterLoads().size(), 3u);
        }
        EXPECT_TRUE(m_log.contains("StreamRead: 1 objects not reachable from the root dropped!\n"));
        streamtest::freeLive();
    }
}
