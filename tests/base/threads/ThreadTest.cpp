#include "base/threads/Thread.h"

#include "support/Eventually.h"
#include "base/Debug.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cmath>

#include <sys/resource.h>
#include <unistd.h>

namespace
{

// Loops until its stop flag is set, noting what it saw; or, given its own Thread in self, drops
// the last pointer to it from inside run once dropSelf is set.
class Looper : public heron::Threadable
{
public:
    int run() override
    {
        flagAtStart = stopFlag.load();
        nice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
        while (!stopFlag) {
            if (dropSelf.exchange(false)) {
                self.reset();
                flagAfterSelfDrop = stopFlag.load();
            }
            ++rounds;
            heron::sleepMs(1);
        }
        returned = true;
        return 5;
    }

    heron::counted_ptr<heron::Thread> self;
    std::atomic<bool> dropSelf{false};
    std::atomic<bool> flagAtStart{true};
    std::atomic<bool> flagAfterSelfDrop{false};
    std::atomic<int> nice{100};
    std::atomic<int> rounds{0};
    std::atomic<bool> returned{false};
};

bool started(const Looper& looper)
{
    return eventually([&] { return looper.rounds > 0; });
}

}

TEST(Thread, RunsWhileAnyPointerLivesAndTheLastDropStopsItAndWaitsForRun)
{
    // The loopers outlive the last thread, which sets its looper's stop flag when dropped.
    Looper first;
    Looper second;
    Looper third;
    first.stopFlag = true;
    heron::counted_ptr<heron::Thread> thread;
    new heron::Thread(thread, &first, 2);
    heron::counted_ptr<heron::Thread> copy = thread;
    ASSERT_TRUE(started(first));
    EXPECT_FALSE(first.flagAtStart);
    thread.reset();
    EXPECT_FALSE(first.stopFlag || first.returned);
    copy.reset();
    EXPECT_TRUE(first.returned && first.stopFlag);

    new heron::Thread(thread, &second, 2);
    ASSERT_TRUE(started(second));
    new heron::Thread(thread, &third, 2);
    EXPECT_TRUE(second.returned);
    ASSERT_TRUE(started(third));
    EXPECT_FALSE(third.stopFlag);
}

TEST(Thread, DroppedOnItsOwnThreadStopsWithoutWaitingForItself)
{
    Looper looper;
    new heron::Thread(looper.self, &looper, 2);
    looper.dropSelf = true;
    ASSERT_TRUE(eventually([&] { return looper.returned.load(); }));
    EXPECT_TRUE(looper.flagAfterSelfDrop);
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
        Looper looper;
        heron::counted_ptr<heron::Thread> thread;
        new heron::Thread(thread, &looper, c.index);
        ASSERT_TRUE(started(looper));
        thread.reset();
        // Raising above normal needs a right the tests may not have; refused, it stays normal.
        if (c.nice < normal) {
            EXPECT_TRUE(looper.nice == c.nice || looper.nice == normal) << looper.nice;
        } else {
            EXPECT_EQ(looper.nice, std::max(c.nice, normal));
        }
    }
}

TEST(sleepMs, SleepsAtLeastTheGivenTimeAndReturnsAtOnceForNoTime)
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
