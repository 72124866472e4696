#include "game/Counter.h"
#include "game/Zone.h"

#include <gtest/gtest.h>

TEST(CounterTest, TargetIsReportedOnlyWhenReachedExactly)
{
    Counter counter("c");
    counter.triggerAt = 3;
    Zone a, b, c, d;
    const bool reports[] = {counter.add(&a, 0), counter.add(&b, 0), counter.add(&c, 0), counter.add(&d, 0)};
    EXPECT_FALSE(reports[0] || reports[1]);
    EXPECT_TRUE(reports[2]);
    EXPECT_FALSE(reports[3]);
    EXPECT_EQ(counter.count(), 4u);
}

TEST(CounterTest, CollectingIsRefusedBelowTheMinimum)
{
    Counter counter("c");
    Zone a;
    EXPECT_FALSE(counter.add(&a, 2));
    EXPECT_EQ(counter.count(), 0u);
}

TEST(CounterTest, SameZoneCountsTwiceOnlyInAMultiCounter)
{
    struct Case
    {
        bool multi;
        std::size_t held;
    };
    for (const Case& c : {Case{false, 1}, Case{true, 2}}) {
        Counter counter("c");
        counter.multi = c.multi;
        Zone zone;
        counter.add(&zone, 0);
        counter.add(&zone, 0);
        EXPECT_EQ(counter.count(), c.held) << c.multi;
    }
}

TEST(CounterTest, TakenBackZoneIsPlacedUntilCollectedAgain)
{
    Counter counter("c");
    counter.triggerAt = 5;
    Zone a, b;
    counter.add(&a, 0);
    counter.add(&b, 0);
    counter.removeLast();
    EXPECT_EQ(counter.placed, (std::vector<Zone*>{&b}));
    counter.add(&b, 0);
    EXPECT_TRUE(counter.placed.empty());
}
