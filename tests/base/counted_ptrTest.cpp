#include "base/counted_ptr.h"

#include "support/Mortal.h"

#include <gtest/gtest.h>

#include <atomic>
#include <barrier>
#include <thread>
#include <utility>
#include <vector>

namespace
{

// A plain class: its pointers count in a shared block.
using Plain = Mortal<>;

class PlainChild : public Plain
{
public:
    using Plain::Plain;
};

// A Refcountable class: its pointers count with the object's own count.
using Counted = Mortal<heron::Refcountable>;

class CountedChild : public Counted
{
public:
    using Counted::Counted;
};

// A list node that owns the next node.
class Node : public heron::Refcountable
{
public:
    Node(std::atomic<int>& deaths, int value) : value(value), m_deaths(deaths) {}
    ~Node() override { ++m_deaths; }

    heron::counted_ptr<Node> next;
    const int value;

private:
    std::atomic<int>& m_deaths;
};

template <class T>
class counted_ptrOfBothKinds : public testing::Test
{
};

using BothKinds = testing::Types<Plain, Counted>;
TYPED_TEST_SUITE(counted_ptrOfBothKinds, BothKinds);

}

TYPED_TEST(counted_ptrOfBothKinds, ObjectLivesUntilTheLastCopyIsDroppedAndSelfAssignmentsKeepTheCount)
{
    std::atomic<int> deaths{0};
    TypeParam* const object = new TypeParam(deaths);
    heron::counted_ptr<TypeParam> first(object);
    heron::counted_ptr<TypeParam> second = first;
    const heron::counted_ptr<TypeParam>& alias = first;
    first = alias;
    second = first;
    first.reset(object);
    EXPECT_EQ(second.refCount(), 2);
    first.reset();
    EXPECT_EQ(first.refCount(), 0);
    EXPECT_EQ(deaths, 0);
    EXPECT_EQ(second.refCount(), 1);
    second.reset(new TypeParam(deaths));
    EXPECT_EQ(deaths, 1);
    second.reset();
    EXPECT_EQ(deaths, 2);
}

TYPED_TEST(counted_ptrOfBothKinds, ConcurrentCopiesAssignmentsAndDropsDeleteTheObjectOnce)
{
    constexpr int threads = 8;
    for (int round = 0; round < 20; ++round) {
        std::atomic<int> deaths{0};
        heron::counted_ptr<TypeParam> source(new TypeParam(deaths));
        std::barrier start(threads + 1);
        std::vector<std::thread> workers;
        for (int t = 0; t < threads; ++t) {
            workers.emplace_back([&source, &start] {
                heron::counted_ptr<TypeParam> mine = source;
                start.arrive_and_wait();
                for (int i = 0; i < 200; ++i) {
                    heron::counted_ptr<TypeParam> copy = mine;
                    heron::counted_ptr<TypeParam> other;
                    other = copy;
                    copy.reset();
                }
            });
        }
        start.arrive_and_wait();
        source.reset();
        for (std::thread& worker : workers) {
            worker.join();
        }
        EXPECT_EQ(deaths, 1);
    }
}

TEST(counted_ptr, SharesTheCountOfARefcountableObjectAndPointsToDerivedObjectsThroughBases)
{
    std::atomic<int> deaths{0};
    Counted* const object = new Counted(deaths);
    heron::counted_ptr<Counted> pointer(object);
    object->addRef();
    EXPECT_EQ(pointer.refCount(), 2);
    pointer.reset();
    EXPECT_EQ(deaths, 0);
    object->release();
    EXPECT_EQ(deaths, 1);

    // A plain object's shared block goes with the pointer to its base; a Refcountable object keeps
    // counting itself through the pointer to its base.
    heron::counted_ptr<PlainChild> child(new PlainChild(deaths));
    heron::counted_ptr<CountedChild> countedChild(new CountedChild(deaths));
    heron::counted_ptr<Plain> base;
    base = child;
    EXPECT_EQ(base.refCount(), 2);
    heron::counted_ptr<Plain> plain(child);
    heron::counted_ptr<Counted> counted;
    counted = countedChild;
    EXPECT_EQ(plain.get(), child.get());
    EXPECT_EQ(std::make_pair(plain.refCount(), counted.refCount()), std::make_pair(3, 2));
    child.reset();
    countedChild.reset();
    plain.reset();
    EXPECT_EQ(deaths, 1);
    base.reset();
    EXPECT_EQ(deaths, 2);
    counted.reset();
    EXPECT_EQ(deaths, 3);
}

TEST(counted_ptr, AssigningFromAPointerThatTheOldObjectOwnsKeepsTheNewObject)
{
    std::atomic<int> deaths{0};
    heron::counted_ptr<Node> list(new Node(deaths, 1));
    list->next.reset(new Node(deaths, 2));
    list->next->next.reset(new Node(deaths, 3));
    list = list->next;
    EXPECT_EQ(deaths, 1);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->value, 2);
    EXPECT_EQ(list.refCount(), 1);
    list.reset();
    EXPECT_EQ(deaths, 3);
}
