#include "base/Timer.h"

#include "Eventually.h"
#include "base/Thread.h"

#include <gtest/gtest.h>

#include <atomic>

namespace
{

class Counter : public heron::TimerFunc
{
public:
    void tick() override { ++ticks; }

    std::atomic<int> ticks{0};
};

// Stops (or deletes) the timer that calls it on its third tick.
class SelfStopper : public heron::TimerFunc
{
public:
    void tick() override
    {
        if (++ticks != 3) {
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

TEST(Timer, FirstTickComesAtOnceAfterStart)
{
    Counter counter;
    heron::Timer timer;
    startEvery(timer, 1000.0, counter);
    ASSERT_TRUE(ticked(counter, 1));
    timer.stop();
    EXPECT_EQ(counter.ticks, 1);
}

TEST(Timer, TicksEachPeriodUntilStoppedAndNotAfter)
{
    Counter counter;
    heron::Timer timer;
    startEvery(timer, 0.002, counter);
    ASSERT_TRUE(ticked(counter, 5));
    timer.stop();
    const int ticks = counter.ticks;
    heron::sleepMs(30);
    EXPECT_EQ(counter.ticks, ticks);
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

TEST(Timer, StartWhileRunningChangesNothingAndStartAfterStopRunsAgain)
{
    Counter first;
    Counter second;
    heron::Timer timer;
    startEvery(timer, 0.002, first);
    timer.start(&second);
    ASSERT_TRUE(ticked(first, 3));
    timer.stop();
    EXPECT_EQ(second.ticks, 0);
    timer.start(&second);
    ASSERT_TRUE(ticked(second, 3));
    const int firstTicks = first.ticks;
    timer.stop();
    EXPECT_EQ(first.ticks, firstTicks);
}

TEST(Timer, StoppedFromItsOwnTickTicksNoMoreAndCanStartAgain)
{
    heron::Timer timer;
    SelfStopper stopper;
    stopper.timer = &timer;
    startEvery(timer, 0.002, stopper);
    ASSERT_TRUE(eventually([&] { return stopper.acted.load(); }));
    heron::sleepMs(30);
    EXPECT_EQ(stopper.ticks, 3);
    Counter counter;
    timer.start(&counter);
    ASSERT_TRUE(ticked(counter, 2));
    timer.stop();
    EXPECT_EQ(stopper.ticks, 3);
}

TEST(Timer, DeletedFromItsOwnTickEndsSafely)
{
    SelfStopper stopper;
    stopper.timer = new heron::Timer;
    stopper.deleteTimer = true;
    startEvery(*stopper.timer, 0.002, stopper);
    ASSERT_TRUE(eventually([&] { return stopper.acted.load(); }));
    heron::sleepMs(30);
    EXPECT_EQ(stopper.ticks, 3);
}
