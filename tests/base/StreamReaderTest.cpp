#include "base/Debug.h"
#include "base/FileDataDest.h"
#include "base/FileDataSource.h"
#include "base/MemoryDataDest.h"
#include "base/MemoryDataSource.h"
#include "base/SharedBlock.h"
#include "base/StreamReader.h"
#include "base/counted_ptr.h"
#include "tests/base/StreamTestClasses.h"
#include "tests/base/TempFolder.h"
#include "tests/base/TempLog.h"

#include <gtest/gtest.h>

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
using Bytes = std::vector<unsigned char>;

namespace
{

// Builds stream bytes by hand (little-endian, version 1.01 strings) for damaged-stream cases.
class StreamBytes
{
public:
    explicit StreamBytes(const char* header = "HarborStream 1.01")
    {
        text(header);
        bytes.push_back(0);
    }
    StreamBytes& declare(std::uint32_t id, const std::string& name)
    {
        bytes.push_back('?');
        tag(id);
        tag(std::uint32_t(name.size()));
        text(name);
        return *this;
    }
    StreamBytes& object(std::uint32_t classId, std::uint32_t address, const Bytes& body)
    {
        bytes.push_back('!');
        tag(classId);
        u32(address);
        tag(std::uint32_t(body.size()));
        bytes.insert(bytes.end(), body.begin(), body.end());
        return *this;
    }
    StreamBytes& end()
    {
        bytes.push_back('#');
        return *this;
    }

    void tag(std::uint32_t value)
    {
        if (value < 255) {
            bytes.push_back(std::uint8_t(value));
            return;
        }
        bytes.push_back(0xFF);
        u32(value);
    }
    void u32(std::uint32_t value)
    {
        for (int shift = 0; shift < 32; shift += 8) {
            bytes.push_back(std::uint8_t(value >> shift));
        }
    }
    void text(const std::string& value) { bytes.insert(bytes.end(), value.begin(), value.end()); }

    Bytes bytes;
};

Bytes nodeBody(std::int32_t value, const std::string& label, const std::vector<std::uint32_t>& links,
    std::uint32_t leaf = 0)
{
    StreamBytes body("");
    body.bytes.clear();
    body.u32(std::uint32_t(value));
    body.tag(std::uint32_t(label.size()));
    body.text(label);
    body.u32(leaf);
    body.tag(std::uint32_t(links.size()));
    for (const std::uint32_t link : links) {
        body.u32(link);
    }
    return body.bytes;
}

// The bytes with one byte appended, or with the byte at fromEnd places before the end replaced.
Bytes appended(Bytes bytes, unsigned char byte)
{
    bytes.push_back(byte);
    return bytes;
}

Bytes patched(Bytes bytes, std::size_t fromEnd, unsigned char byte)
{
    bytes[bytes.size() - fromEnd] = byte;
    return bytes;
}

Bytes u32s(const std::vector<std::uint32_t>& values)
{
    StreamBytes body("");
    body.bytes.clear();
    for (const std::uint32_t value : values) {
        body.u32(value);
    }
    return body.bytes;
}

Bytes leafBody(std::uint32_t payload, std::uint32_t owner, std::uint32_t holder = 0)
{
    StreamBytes body("");
    body.bytes.clear();
    body.u32(payload);
    body.u32(owner);
    body.u32(holder);
    return body.bytes;
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
        return Bytes(dest.data(), dest.data() + dest.size());
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
    std::size_t madeByRead(const std::set<Streamable*>& before) const
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
    b->label = "b";
    c->value = 3;
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
    const std::string name = "duskharbor::finch::Texture";
    Bytes expected = {'H', 'a', 'r', 'b', 'o', 'r', 'S', 't', 'r', 'e', 'a', 'm', 0x20, 0x31, 0x2E, 0x30, 0x31, 0x00,
        0x3F, 0x01, 0x1A};
    expected.insert(expected.end(), name.begin(), name.end());
    const Bytes record = {0x21, 0x01, 0x01, 0x00, 0x00, 0x00, 0x03, 'x', 'y', 'z', 0x23};
    expected.insert(expected.end(), record.begin(), record.end());

    EXPECT_EQ(write(&texture), expected);

    MemoryDataSource source(expected.data(), std::uint32_t(expected.size()), false);
    source.registerFactory(+[]() -> Streamable* { return new Texture; });
    const heron::counted_ptr<Streamable> root = source.readObject();
    ASSERT_NE(root.get(), nullptr);
    EXPECT_STREQ(root->className(), "duskharbor::finch::Texture");
    EXPECT_EQ(streamtest::afterLoads(), std::vector<Streamable*>{root.get()});
    EXPECT_EQ(source.remaining(), 0u);
}

TEST_F(ObjectGraphStream, AGraphWrittenToAFileReadsBackFromIt)
{
    const TempFolder folder;
    const std::string path = (folder.path() / "graph.dat").string();
    Node* const original = buildSharedCyclicGraph();
    {
        heron::FileDataDest dest(path.c_str());
        dest.writeObject(original);
        EXPECT_FALSE(dest.hasError());
    }
    heron::FileDataSource source(path.c_str());
    source.registerFactory(&Node::make);
    const heron::counted_ptr<Streamable> root = source.readObject();
    auto* const node = dynamic_cast<Node*>(root.get());
    ASSERT_NE(node, nullptr);
    ASSERT_EQ(node->links.size(), 4u);
    EXPECT_EQ(node->links[0]->links[0], node);
    EXPECT_EQ(write(node), write(original));
}

TEST_F(ObjectGraphStream, OnlyVersions100And101AreWritten)
{
    Node node;
    MemoryDataDest dest;
    dest.writeObject(&node, 102);
    EXPECT_TRUE(dest.hasError());
    EXPECT_EQ(dest.size(), 0u);
}

TEST_F(ObjectGraphStream, RoundTripKeepsSharingCyclesAndNullsInBothVersionsAndByteOrders)
{
    Node* const original = buildSharedCyclicGraph();
    for (const int version : {100, 101}) {
        for (const bool bigEndian : {false, true}) {
            SCOPED_TRACE(testing::Message() << "version " << version << " big-endian " << bigEndian);
            const Bytes bytes = write(original, version, bigEndian);
            streamtest::afterLoads().clear();
            const heron::counted_ptr<Streamable> root = read(bytes, bigEndian);
            auto* const node = dynamic_cast<Node*>(root.get());
            ASSERT_NE(node, nullptr);
            EXPECT_EQ(m_source->stringMode(), version == 101 ? 4 : 0);
            ASSERT_EQ(node->links.size(), 4u);
            Node* const b = node->links[0];
            Node* const c = node->links[1];
            EXPECT_EQ(node->value, -7);
            EXPECT_STREQ(node->label.c_str(), "root");
            EXPECT_EQ(node->links[2], nullptr);
            EXPECT_EQ(node->links[3], b);
            ASSERT_EQ(b->links.size(), 2u);
            EXPECT_EQ(b->links[0], node);
            EXPECT_EQ(b->links[1], c);
            EXPECT_EQ(b->value, 2);
            EXPECT_STREQ(b->label.c_str(), "b");
            ASSERT_EQ(c->links.size(), 1u);
            EXPECT_EQ(c->links[0], c);
            EXPECT_EQ(streamtest::afterLoads().size(), 3u);
            EXPECT_EQ(write(node, version, bigEndian), bytes);
            delete b;
            delete c;
        }
    }
}

TEST_F(ObjectGraphStream, CountsLengthsAndIdsOf255AndMoreUseTheLongTagForm)
{
    for (const std::uint32_t count : {254u, 255u, 256u, 1000u}) {
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
            auto* const node = dynamic_cast<Node*>(copy.get());
            ASSERT_NE(node, nullptr);
            ASSERT_EQ(node->links.size(), count);
            EXPECT_EQ(node->label.length(), count);
            EXPECT_EQ(node->links[count - 1]->value, std::int32_t(count - 1));
            EXPECT_EQ(node->links[count - 1]->links[0], node);
            EXPECT_EQ(write(node), bytes);
        }
        streamtest::freeLive();
    }
}

TEST_F(ObjectGraphStream, Version100WritesNulTerminatedTexts)
{
    Node node;
    const Bytes bytes = write(&node, 100);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(text.substr(0, 18), std::string("HarborStream 1.00\0", 18));
    EXPECT_EQ(text.substr(18, 13), std::string("?\x01test::Node\0", 13));
}

TEST_F(ObjectGraphStream, AfterLoadRunsTheEarlyGroupFirstThenByAscendingAddress)
{
    const Bytes bytes = StreamBytes()
                            .declare(1, Node::name)
                            .declare(2, Leaf::name)
                            .object(1, 30, nodeBody(30, "", {10}, 20))
                            .object(1, 10, nodeBody(10, "", {}, 5))
                            .object(2, 20, leafBody(20, 30))
                            .object(2, 5, leafBody(5, 10))
                            .end()
                            .bytes;
    const heron::counted_ptr<Streamable> root = read(bytes);
    ASSERT_NE(root.get(), nullptr);
    std::vector<std::uint32_t> order;
    for (Streamable* object : streamtest::afterLoads()) {
        if (auto* node = dynamic_cast<Node*>(object)) {
            order.push_back(std::uint32_t(node->value));
        } else {
            order.push_back(dynamic_cast<Leaf*>(object)->payload);
        }
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
    const std::vector<Case> cases = {
        {"pointer to no object", StreamBytes().declare(1, Node::name).object(1, 1, nodeBody(1, "", {1, 99})).end().bytes,
            "Stream reader: Bad pointer\n"},
        {"pointer to an object of the wrong class",
            StreamBytes().declare(1, Node::name).declare(2, Leaf::name).object(1, 1, nodeBody(1, "", {2}))
                .object(2, 2, leafBody(0, 0)).end().bytes,
            "Stream reader: Bad pointer\n"},
        {"pointer to a skipped object of an unknown class",
            StreamBytes().declare(1, Node::name).declare(2, "test::Unknown").object(1, 1, nodeBody(1, "", {2}))
                .object(2, 2, {1, 2, 3}).end().bytes,
            "Stream reader: Bad pointer\n"},
        {"no end mark", StreamBytes().declare(1, Node::name).object(1, 1, nodeBody(1, "", {})).bytes,
            "Stream reader: stream ends without its end mark\n"},
        {"unknown record", appended(StreamBytes().declare(1, Node::name).object(1, 1, nodeBody(1, "", {})).bytes, 'Z'),
            "Stream reader: unknown record in stream\n"},
        {"body longer than the data",
            patched(StreamBytes().declare(1, Node::name).object(1, 1, nodeBody(1, "", {})).bytes, 11, 200),
            "Stream reader: object body truncated\n"},
        {"count beyond the body",
            patched(StreamBytes().declare(1, Node::name).object(1, 1, nodeBody(1, "", {0, 0})).end().bytes, 10, 3),
            "Stream reader: node link count beyond its body\n"},
        {"body shorter than its fields",
            StreamBytes().declare(1, Leaf::name).object(1, 1, {1, 2, 3, 4, 5, 6, 7, 8, 9}).end().bytes,
            "Stream reader: damaged body of a \"test::Leaf\"\n"},
        {"shared pointer to a block of an object of the wrong class",
            StreamBytes().declare(1, Holder::name).declare(2, heron::SharedBlock::name).declare(3, Node::name)
                .object(1, 1, u32s({2, 0, 0, 0})).object(2, 2, u32s({1, 3})).object(3, 3, nodeBody(3, "", {})).end().bytes,
            "Stream reader: Bad pointer\n"},
        {"shared pointer to an object that is not counted",
            StreamBytes().declare(1, Holder::name).declare(3, Node::name)
                .object(1, 1, u32s({3, 0, 0, 0})).object(3, 3, nodeBody(3, "", {})).end().bytes,
            "Stream reader: Bad pointer\n"},
        {"two blocks owning one object",
            StreamBytes().declare(1, Holder::name).declare(2, heron::SharedBlock::name).declare(3, Shared::name)
                .object(1, 1, u32s({2, 4, 0, 0})).object(2, 2, u32s({1, 5})).object(2, 4, u32s({1, 5}))
                .object(3, 5, u32s({9})).end().bytes,
            "Stream reader: Bad pointer\n"},
        {"a block owning a block",
            StreamBytes().declare(1, Holder::name).declare(2, heron::SharedBlock::name).declare(3, Shared::name)
                .object(1, 1, u32s({2, 0, 0, 0})).object(2, 2, u32s({1, 4})).object(2, 4, u32s({1, 5}))
                .object(3, 5, u32s({9})).end().bytes,
            "Stream reader: Bad pointer\n"},
        {"counted object also owned by a block",
            StreamBytes().declare(1, Holder::name).declare(2, heron::SharedBlock::name).declare(3, Counted::name)
                .declare(4, Node::name).declare(5, Leaf::name)
                .object(1, 1, u32s({0, 0, 5, 7})).object(3, 5, u32s({9})).object(4, 7, nodeBody(7, "", {}, 8))
                .object(5, 8, leafBody(8, 0, 6)).object(1, 6, u32s({0, 0, 2, 0})).object(2, 2, u32s({1, 5}))
                .end().bytes,
            "Stream reader: Bad pointer\n"},
        {"two objects at one address",
            StreamBytes().declare(1, Node::name).object(1, 4, nodeBody(1, "", {})).object(1, 4, nodeBody(2, "", {}))
                .end().bytes,
            "Stream reader: two objects with one address\n"},
    };
    for (const Case& item : cases) {
        SCOPED_TRACE(item.what);
        const std::set<Streamable*> before = streamtest::live();
        const int sharedBefore = Shared::count();
        const int countedBefore = Counted::count();
        const std::size_t logged = m_log.text().size();
        const heron::counted_ptr<Streamable> root = read(item.bytes);
        EXPECT_EQ(root.get(), nullptr);
        EXPECT_TRUE(m_source->hasError());
        EXPECT_EQ(madeByRead(before), 0u);
        EXPECT_EQ(Shared::count(), sharedBefore);
        EXPECT_EQ(Counted::count(), countedBefore);
        EXPECT_EQ(m_log.text().substr(logged).find(item.logged) != std::string::npos, true) << m_log.text();
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
    auto* const p = new Shared;
    auto* const q = new Shared;
    p->value = 11;
    q->value = 22;
    a->counted.reset(new Counted);
    a->counted->value = 33;
    b->counted = a->counted;
    a->first.reset(p);
    a->second = a->first;
    b->first = a->first;
    b->second.reset(q);
    a->node = node;
    node->leaf = leaf;
    leaf->holder = b;
    const Bytes bytes = write(a);
    {
        heron::counted_ptr<Streamable> root = read(bytes);
        auto* const copy = dynamic_cast<Holder*>(root.get());
        ASSERT_NE(copy, nullptr);
        ASSERT_NE(copy->node, nullptr);
        ASSERT_NE(copy->node->leaf, nullptr);
        Holder* const other = copy->node->leaf->holder;
        ASSERT_NE(other, nullptr);
        EXPECT_NE(copy->first.get(), p);
        EXPECT_EQ(copy->first.get(), copy->second.get());
        EXPECT_EQ(copy->first.get(), other->first.get());
        EXPECT_EQ(copy->first.refCount(), 3);
        EXPECT_EQ(copy->first->value, 11);
        EXPECT_EQ(other->second.refCount(), 1);
        EXPECT_EQ(other->second->value, 22);
        EXPECT_EQ(copy->counted.get(), other->counted.get());
        EXPECT_EQ(copy->counted->value, 33);
        EXPECT_EQ(copy->counted.refCount(), 2);
        EXPECT_TRUE(copy->setBeforeAfterLoad);
        EXPECT_EQ(write(copy), bytes);
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

TEST_F(ObjectGraphStream, EveryTruncationOfAStreamFailsWithoutLeavingObjects)
{
    Node* const original = buildSharedCyclicGraph();
    const Bytes bytes = write(original);
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        SCOPED_TRACE(length);
        const std::set<Streamable*> before = streamtest::live();
        const heron::counted_ptr<Streamable> root = read(Bytes(bytes.begin(), bytes.begin() + long(length)));
        EXPECT_EQ(root.get(), nullptr);
        EXPECT_EQ(madeByRead(before), 0u);
    }
}

TEST_F(ObjectGraphStream, AnUnknownOrUnreadableHeaderGivesNullAndLeavesStringMode0)
{
    for (const char* header : {"HarborStream 1.02", "HarborStream 2.01", "HarborStreem 1.01", "HarborStream", "",
             "HarborStream 1.9999999999", "HarborStream 222222222.1"}) {
        SCOPED_TRACE(header);
        const Bytes bytes = StreamBytes(header).declare(1, Node::name).object(1, 1, nodeBody(1, "", {})).end().bytes;
        const heron::counted_ptr<Streamable> root = read(bytes);
        EXPECT_EQ(root.get(), nullptr);
        EXPECT_EQ(m_source->stringMode(), 0);
        EXPECT_EQ(streamtest::live().size(), 0u);
    }
    for (const char* header : {"HarborStream 1.01", "HarborStream 1.1", "HarborStream1.01", "HarborStream  +1.01", "HarborStream 1.001"}) {
        SCOPED_TRACE(header);
        const Bytes bytes = StreamBytes(header).declare(1, Node::name).object(1, 1, nodeBody(1, "", {})).end().bytes;
        EXPECT_NE(read(bytes).get(), nullptr);
    }
}

TEST_F(ObjectGraphStream, ObjectsOfUnknownOrUndeclaredClassesAreSkippedAndTheNextBecomesTheRoot)
{
    const Bytes bytes = StreamBytes()
                            .declare(1, Node::name)
                            .declare(2, "test::Unknown")
                            .object(2, 9, {0xAA, 0xBB})
                            .object(7, 8, {0xCC})
                            .object(1, 3, nodeBody(33, "kept", {}))
                            .end()
                            .bytes;
    const heron::counted_ptr<Streamable> root = read(bytes);
    auto* const node = dynamic_cast<Node*>(root.get());
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->value, 33);
    EXPECT_FALSE(m_source->hasError());
    EXPECT_NE(m_log.text().find("StreamRead: no factory registered for a \"test::Unknown\"!\n"), std::string::npos);
}

TEST_F(ObjectGraphStream, AClassThatReadsLessThanItsBodyStaysInStep)
{
    Bytes longLeaf = leafBody(7, 1);
    longLeaf.insert(longLeaf.end(), {'!', 1, 1, 0, 0, 0, '#'});
    const Bytes bytes = StreamBytes()
                            .declare(1, Node::name)
                            .declare(2, Leaf::name)
                            .object(1, 1, nodeBody(1, "", {}, 2))
                            .object(2, 2, longLeaf)
                            .end()
                            .bytes;
    const heron::counted_ptr<Streamable> root = read(bytes);
    ASSERT_NE(root.get(), nullptr);
    EXPECT_EQ(streamtest::live().size(), 2u);
}

TEST_F(ObjectGraphStream, ObjectsNotReachableFromTheRootAreDroppedWithoutAfterLoad)
{
    const Bytes bytes = StreamBytes()
                            .declare(1, Node::name)
                            .object(1, 1, nodeBody(1, "", {}))
                            .object(1, 2, nodeBody(2, "", {3}))
                            .object(1, 3, nodeBody(3, "", {2}))
                            .end()
                            .bytes;
    const heron::counted_ptr<Streamable> root = read(bytes);
    ASSERT_NE(root.get(), nullptr);
    EXPECT_EQ(streamtest::live().size(), 1u);
    EXPECT_EQ(streamtest::afterLoads(), std::vector<Streamable*>{root.get()});
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
    EXPECT_EQ(Bytes(dest.data(), dest.data() + dest.size()), expected);

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
    bool innerFailed = false;

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
        innerFailed = inner == nullptr;
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

}

TEST_F(ObjectGraphStream, StreamsNestOnlyToABoundedDepth)
{
    auto chain = [](int depth) {
        std::vector<std::unique_ptr<Nest>> nests;
        for (int i = 0; i < depth; ++i) {
            nests.push_back(std::make_unique<Nest>());
            if (i > 0) {
                nests[i]->inner = nests[i - 1].get();
            }
        }
        return nests;
    };
    const auto fine = chain(heron::StreamReader::maxNesting);
    const Bytes bytes = write(fine.back().get());
    MemoryDataSource source(bytes.data(), std::uint32_t(bytes.size()), false);
    source.registerFactory(&Nest::make);
    const heron::counted_ptr<Streamable> root = source.readObject();
    ASSERT_NE(root.get(), nullptr);

    const auto deep = chain(heron::StreamReader::maxNesting + 1);
    MemoryDataDest dest;
    dest.writeObject(deep.back().get());
    EXPECT_TRUE(dest.hasError());
    EXPECT_NE(m_log.text().find("Stream writer: streams nested too deeply\n"), std::string::npos);
}
