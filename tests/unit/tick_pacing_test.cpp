#include <gtest/gtest.h>

#include "app/tick_pacing.h"

// Counter values are made up: 1,000,000 counts per second, so one
// millisecond is 1000 counts.
static const long long FREQUENCY = 1000000;
static long long Ms(double ms) { return (long long)(ms * 1000.0); }

TEST(TickPacing, LatenessIsCarriedUpToOnePeriodAndDroppedBeyond)
{
    struct Case {
        const char* what;
        double lateMs;
        uint32_t speedLimitMs;
        uint32_t remainderBefore;
        bool due;
        uint32_t remainderAfter;
    };
    const Case cases[] = {
        {"3.5 periods late: one tick, lateness dropped", 35, 10, 0, true, 0},
        {"1.5 periods: half a period carried", 15, 10, 0, true, 5},
        {"exactly one period is not yet due", 10, 10, 0, false, 0},
        {"just past one period", 10.001, 10, 0, true, 0},
        {"a carried remainder shortens the wait", 6, 10, 5, true, 1},
        {"a carried remainder still needs strictly more", 5, 10, 5, false, 5},
        {"speed limit 0: every frame is a tick", 0.001, 0, 0, true, 0},
        {"speed limit 0 with no time passed", 0, 0, 0, false, 0},
    };
    for (const Case& c : cases) {
        uint32_t remainder = c.remainderBefore;
        bool due = TakeTick(Ms(100) + Ms(c.lateMs), Ms(100), FREQUENCY, c.speedLimitMs, remainder);
        EXPECT_EQ(due, c.due) << c.what;
        EXPECT_EQ(remainder, c.remainderAfter) << c.what;
    }
}

TEST(TickPacing, NextTickFollowsHalfAPeriodAfterACarriedHalf)
{
    uint32_t remainder = 0;
    long long last = 0;
    ASSERT_TRUE(TakeTick(Ms(15), last, FREQUENCY, 10, remainder));
    last = Ms(15);
    EXPECT_FALSE(TakeTick(last + Ms(5), last, FREQUENCY, 10, remainder));
    EXPECT_TRUE(TakeTick(last + Ms(5.5), last, FREQUENCY, 10, remainder));
}

TEST(TickPacing, HundredTicksASecondAtTheDefaultSpeed)
{
    // A frame every 3 ms for one second of game time: ticks must come at the
    // 10 ms pace, not at the frame rate.
    uint32_t remainder = 0;
    long long last = 0;
    int ticks = 0;
    for (long long now = Ms(3); now <= Ms(1000); now += Ms(3)) {
        if (TakeTick(now, last, FREQUENCY, 10, remainder)) {
            ++ticks;
            last = now;
        }
    }
    EXPECT_GE(ticks, 95);
    EXPECT_LE(ticks, 100);
}

TEST(TickPacing, LargeCounterFrequencyDoesNotOverflow)
{
    // A 10 GHz counter and a ten-hour pause still give exactly one tick.
    uint32_t remainder = 0;
    const long long frequency = 10000000000LL;
    EXPECT_TRUE(TakeTick(frequency * 36000, 0, frequency, 1000000u, remainder));
    EXPECT_EQ(remainder, 0u);
    // The longest tick the settings allow, on that counter: no tick is due
    // after a day, and the budget arithmetic does not overflow.
    EXPECT_FALSE(TakeTick(frequency * 86400, 0, frequency, 4294967295u, remainder));
}
