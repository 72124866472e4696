#include "base/Thread.h"

#include "Eventually.h"
#include "base/Debug.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cmath>

#include <sys/resource.h>
#include <unistd.h>

namespace
{

// Loops until its stop flag is set, noting what it saw.
class Looper : public heron::Threadable
{
public:
    int run() override
    {
        flagAtStart = stopFlag.load();
        while (!stopFlag) {
            ++rounds;
            heron::sleepMs(1);
        }
        returned = true;
        return 5;
    }

    std::atomic<bool> flagAtStart{true};
    std::atomic<int> rounds{0};
    std::atomic<bool> returned{false};
};

// Drops the last pointer to its own Thread from inside run.
class SelfDropper : public heron::Threadable
{
public:
    int run() override
    {
        while (!go) {
            heron::sleepMs(1);
        }
        self.reset();
        flagAfterDrop = stopFlag.load();
        finished = true;
        return 0;
    }

    heron::counted_ptr<heron::Thread> self;
    std::atomic<bool> go{false};
    std::atomic<bool> flagAfterDrop{false};
    std::atomic<bool> finished{false};
};

// Notes the nice value its thread runs at.
class NiceReader : public heron::Threadable
{
public:
    int run() override
    {
        errno = 0;
        nice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
        done = true;
        return 0;
    }

    std::atomic<int> nice{100};
    std::atomic<bool> done{false};
};

bool started(const Looper& looper)
{
    return eventually([&] { return looper.rounds > 0; });
}

}

TEST(Thread, DroppingTheLastPointerStopsRunAndWaitsUntilItReturns)
{
    Looper looper;
    heron::counted_ptr<heron::Thread> thread;
    new heron::Thread(thread, &looper, 2);
    ASSERT_TRUE(thread);
    ASSERT_TRUE(started(looper));
    thread.reset();
    EXPECT_TRUE(looper.returned);
    EXPECT_TRUE(looper.stopFlag);
}

TEST(Thread, StartClearsTheStopFlagOfItsTarget)
{
    Looper looper;
    looper.stopFlag = true;
    heron::counted_ptr<heron::Thread> thread;
    new heron::Thread(thread, &looper, 2);
    ASSERT_TRUE(started(looper));
    EXPECT_FALSE(looper.flagAtStart);
}

TEST(Thread, KeepsRunningWhileAnyCopyOfItsPointerLives)
{
    Looper looper;
    heron::counted_ptr<heron::Thread> thread;
    new heron::Thread(thread, &looper, 2);
    heron::counted_ptr<heron::Thread> copy = thread;
    ASSERT_TRUE(started(looper));
    thread.reset();
    EXPECT_FALSE(looper.stopFlag);
    EXPECT_FALSE(looper.returned);
    copy.reset();
    EXPECT_TRUE(looper.returned);
}

TEST(Thread, StartedIntoAnOccupiedPointerStopsThePreviousThread)
{
    Looper first;
    Looper second;
    heron::counted_ptr<heron::Thread> thread;
    new heron::Thread(thread, &first, 2);
    ASSERT_TRUE(started(first));
    new heron::Thread(thread, &second, 2);
    EXPECT_TRUE(first.returned);
    ASSERT_TRUE(started(second));
    EXPECT_FALSE(second.stopFlag);
}

TEST(Thread, DroppedOnItsOwnThreadStopsWithoutWaitingForItself)
{
    SelfDropper dropper;
    new heron::Thread(dropper.self, &dropper, 2);
    dropper.go = true;
    ASSERT_TRUE(eventually([&] { return dropper.finished.load(); }));
    EXPECT_TRUE(dropper.flagAfterDrop);
}

TEST(Thread, RunsAtEveryPriorityIndexAndLowersItsPriorityWhenAsked)
{
    errno = 0;
    const int normal = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    const struct {
        int index;
        int nice;
    } cases[] = {{-1, normal}, {0, 10}, {1, 5}, {2, normal}, {3, -5}, {4, -10}, {7, normal}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        NiceReader reader;
        heron::counted_ptr<heron::Thread> thread;
        new heron::Thread(thread, &reader, c.index);
        ASSERT_TRUE(eventually([&] { return reader.done.load(); }));
        thread.reset();
        // Raising above normal needs a right the tests may not have; refused, it stays normal.
        if (c.nice < normal) {
            EXPECT_TRUE(reader.nice == c.nice || reader.nice == normal) << reader.nice;
        } else {
            EXPECT_EQ(reader.nice, std::max(c.nice, normal));
        }
    }
}

TEST(sleepMs, SleepsAtLeastTheGivenTime)
{
    double before = heron::getTime();
    heron::sleepMs(20);
    EXPECT_GE(heron::getTime() - before, 0.0195);
    before = heron::getTime();
    heron::sleepSeconds(0.0209);
    EXPECT_GE(heron::getTime() - before, 0.0195);
    heron::sleepSeconds(-1.0);
    heron::sleepSeconds(std::nan(""));
    heron::sleepMs(0);
}
