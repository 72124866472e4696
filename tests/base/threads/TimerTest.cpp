#include "base/threads/Timer.h"

#include "support/Eventually.h"
#include "base/threads/Thread.h"

#include <gtest/gtest.h>

#include <atomic>

namespace
{

// Counts its ticks; given its timer, stops (or deletes) it on its third tick.
class Counter : public heron::TimerFunc
{
public:
    void tick() override
    {
        if (++ticks != 3 || timer == nullptr) {
            return;
        }
        if (deleteTimer) {
            delete timer;
        } else {
            timer->stop();
        }
        acted = true;
    }

    heron::Timer* timer = nullptr;
    bool deleteTimer = false;
    std::atomic<int> ticks{0};
    std::atomic<bool> acted{false};
};

// Starts timer calling func every period seconds.
void startEvery(heron::Timer& timer, double period, heron::TimerFunc& func)
{
    timer.setPeriod(period);
    timer.start(&func);
}

bool ticked(const Counter& counter, int times)
{
    return eventually([&] { return counter.ticks >= times; });
}

}

TEST(Timer, TicksAtOnceThenEachPeriodUntilStoppedAndIgnoresAStartWhileRunning)
{
    Counter slow;
    heron::Timer timer;
    startEvery(timer, 1000.0, slow);
    ASSERT_TRUE(ticked(slow, 1));
    timer.stop();
    EXPECT_EQ(slow.ticks, 1);

    Counter first;
    Counter second;
    startEvery(timer, 0.002, first);
    timer.start(&second);
    ASSERT_TRUE(ticked(first, 5));
    timer.stop();
    const int ticks = first.ticks;
    EXPECT_EQ(second.ticks, 0);
    timer.start(&second);
    ASSERT_TRUE(ticked(second, 3));
    timer.stop();
    EXPECT_EQ(first.ticks, ticks);
}

TEST(Timer, PeriodBelowOneMillisecondTicksOnce)
{
    Counter counter;
    heron::Timer timer;
    startEvery(timer, 0.0004, counter);
    ASSERT_TRUE(ticked(counter, 1));
    heron::sleepMs(30);
    EXPECT_EQ(counter.ticks, 1);
}

TEST(Timer, StoppedOrDeletedFromItsOwnTickTicksNoMoreAndAStoppedOneStartsAgain)
{
    for (const bool deleteTimer : {false, true}) {
        SCOPED_TRACE(deleteTimer);
        Counter stopper;
        stopper.timer = new heron::Timer;
        stopper.deleteTimer = deleteTimer;
        startEvery(*stopper.timer, 0.002, stopper);
        ASSERT_TRUE(eventually([&] { return stopper.acted.load(); }));
        heron::sleepMs(30);
        EXPECT_EQ(stopper.ticks, 3);
        if (!deleteTimer) {
            Counter counter;
            stopper.timer->start(&counter);
            ASSERT_TRUE(ticked(counter, 2));
            delete stopper.timer;
            EXPECT_EQ(stopper.ticks, 3);
        }
    }
}
