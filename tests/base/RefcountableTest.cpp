#include "base/Refcountable.h"

#include "Mortal.h"

#include <gtest/gtest.h>

#include <atomic>
#include <barrier>
#include <thread>
#include <vector>

namespace
{

using Tracked = Mortal<heron::Refcountable>;

}

TEST(Refcountable, StartsWithoutHoldersAndTheLastReleaseDeletesIt)
{
    std::atomic<int> deaths{0};
    Tracked* const object = new Tracked(deaths);
    EXPECT_EQ(object->refCount(), 0);
    object->addRef();
    EXPECT_EQ(object->refCount(), 1);
    object->addRef();
    object->release();
    EXPECT_EQ(deaths, 0);
    object->release();
    EXPECT_EQ(deaths, 1);
}

TEST(Refcountable, CopiesAndAssignmentsNeverCopyTheHolders)
{
    std::atomic<int> deaths{0};
    Tracked original(deaths);
    original.addRef();
    original.addRef();
    Tracked copy(original);
    EXPECT_EQ(copy.refCount(), 0);
    copy.addRef();
    copy = original;
    EXPECT_EQ(copy.refCount(), 1);
    EXPECT_EQ(original.refCount(), 2);
}

TEST(Refcountable, RestoredCountStandsForTheStoredHolders)
{
    std::atomic<int> deaths{0};
    Tracked* const object = new Tracked(deaths);
    object->setRefCount(2);
    object->release();
    EXPECT_EQ(deaths, 0);
    object->release();
    EXPECT_EQ(deaths, 1);
}

TEST(Refcountable, HoldersOnManyThreadsDeleteTheObjectOnce)
{
    constexpr int threads = 8;
    for (int round = 0; round < 20; ++round) {
        std::atomic<int> deaths{0};
        Tracked* const object = new Tracked(deaths);
        object->addRef();
        std::barrier start(threads + 1);
        std::vector<std::thread> holders;
        for (int t = 0; t < threads; ++t) {
            object->addRef();
            holders.emplace_back([object, &start] {
                start.arrive_and_wait();
                for (int i = 0; i < 1000; ++i) {
                    object->addRef();
                    object->release();
                }
                object->release();
            });
        }
        start.arrive_and_wait();
        object->release();
        for (std::thread& holder : holders) {
            holder.join();
        }
        EXPECT_EQ(deaths, 1);
    }
}
