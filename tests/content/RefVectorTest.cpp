#include "content/RefVector.h"
#include "support/StreamTestClasses.h"
#include "support/TempLog.h"

#include <gtest/gtest.h>

using heron::Streamable;
using streamtest::Node;
using streamtest::Shared;

namespace
{

// Holds a vector of plain pointers and one of shared pointers, streamed as reference vectors.
class Bag : public streamtest::Tracked
{
public:
    static constexpr const char* name = "test::Bag";
    static Streamable* make() { return new Bag; }

    std::vector<Node*> nodes;
    std::vector<heron::counted_ptr<Shared>> shared;
    // Written in place of the node count, when set.
    std::uint32_t claimedCount = 0;

    void registerFactories(heron::DataSource& source) override
    {
        source.registerFactory(&Node::make).registerFactory(&Shared::make);
    }
    void read(heron::DataSource& source) override
    {
        pelican::readRefVector(source, nodes);
        pelican::readRefVector(source, shared);
    }
    const char* className() const override { return name; }
    void write(heron::DataDest& dest) const override
    {
        if (claimedCount != 0) {
            dest.writeTag(claimedCount);
            return;
        }
        pelican::writeRefVector(dest, nodes);
        pelican::writeRefVector(dest, shared);
    }
};

streamtest::Bytes streamOf(const Bag& bag)
{
    heron::MemoryDataDest dest;
    dest.writeObject(&bag);
    return streamtest::bytesOf(dest);
}

heron::counted_ptr<Streamable> readBag(const streamtest::Bytes& bytes)
{
    heron::MemoryDataSource source = streamtest::sourceOf(bytes);
    source.registerFactory(&Bag::make);
    return source.readObject();
}

class RefVector : public ::testing::Test
{
protected:
    void TearDown() override { streamtest::freeLive(); }

    TempLog m_log;
};

}

TEST_F(RefVector, ReferencesComeBackSharedAndInOrder)
{
    Bag bag;
    Node first;
    Node second;
    first.value = 1;
    second.value = 2;
    bag.nodes = {&first, nullptr, &second, &first};
    const heron::counted_ptr<Shared> one(new Shared);
    one->value = 7;
    bag.shared = {one, one};
    const heron::counted_ptr<Streamable> root = readBag(streamOf(bag));
    const Bag* const copy = dynamic_cast<Bag*>(root.get());
    ASSERT_NE(copy, nullptr);
    ASSERT_EQ(copy->nodes.size(), 4u);
    EXPECT_EQ(copy->nodes[0]->value, 1);
    EXPECT_EQ(copy->nodes[1], nullptr);
    EXPECT_EQ(copy->nodes[2]->value, 2);
    EXPECT_EQ(copy->nodes[3], copy->nodes[0]);
    ASSERT_EQ(copy->shared.size(), 2u);
    EXPECT_EQ(copy->shared[0]->value, 7);
    EXPECT_EQ(copy->shared[1], copy->shared[0]);
    EXPECT_FALSE(m_log.contains("Size=weird"));
}

TEST_F(RefVector, ACountOf21OrMoreIsLoggedAndStillRead)
{
    Bag bag;
    Node node;
    bag.nodes.assign(21, &node);
    const heron::counted_ptr<Streamable> root = readBag(streamOf(bag));
    ASSERT_NE(dynamic_cast<Bag*>(root.get()), nullptr);
    EXPECT_EQ(dynamic_cast<Bag*>(root.get())->nodes.size(), 21u);
    EXPECT_EQ(m_log.count("Size=weird\n"), 1);
}

TEST_F(RefVector, ACountBeyondTheBytesLeftFailsTheReadWithoutMakingRoomForIt)
{
    for (const std::uint32_t claimed : {2u, 1000u, 0xFFFFFFFEu}) {
        Bag bag;
        bag.claimedCount = claimed;
        EXPECT_EQ(readBag(streamOf(bag)).get(), nullptr) << claimed;
    }
}
