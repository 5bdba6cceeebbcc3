#include <gtest/gtest.h>

#include <cmath>

#include "game/tick_pacing.h"

// Counter values are made up: 1,000,000 counts per second, so one
// millisecond is 1000 counts.
static const long long FREQUENCY = 1000000;
static long long Ms(double ms) { return (long long)std::llround(ms * 1000.0); }

static TickClock ClockAt(double ms)
{
    TickClock clock;
    StartTickClock(clock, FREQUENCY, Ms(ms));
    return clock;
}

TEST(TickPacing, AfterAPauseOneTickAndLatenessUpToOnePeriodCarried)
{
    // One tick at most, as after time in the menu: the cases of a long wait.
    struct Case {
        const char* what;
        double lateMs;
        uint32_t speedLimitMs;
        uint32_t ticks;
        double carriedMs;   // how soon after this the next tick is due: period - carried
    };
    const Case cases[] = {
        {"3.5 periods late: one tick, lateness dropped", 35, 10, 1, 0},
        {"1.5 periods: half a period carried", 15, 10, 1, 5},
        {"exactly one period is not yet due", 10, 10, 0, 0},
        {"speed limit 0: every frame is a tick", 0.001, 0, 1, 0},
        {"speed limit 0 with no time passed", 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        TickClock clock = ClockAt(100);
        EXPECT_EQ(TakeTicks(clock, Ms(100 + c.lateMs), c.speedLimitMs, 1), c.ticks) << c.what;
        if (c.ticks == 0 || c.speedLimitMs == 0) continue;
        const double next = 100 + c.lateMs + (c.speedLimitMs - c.carriedMs);
        EXPECT_EQ(TakeTicks(clock, Ms(next), c.speedLimitMs, 1), 0u) << c.what;
        EXPECT_EQ(TakeTicks(clock, Ms(next + 0.001), c.speedLimitMs, 1), 1u) << c.what;
    }
}

TEST(TickPacing, SlowFramesRunEveryDueTickUpToTheBound)
{
    TickClock clock = ClockAt(0);
    EXPECT_EQ(TakeTicks(clock, Ms(35), 10, 25), 3u);   // and half a period carried
    EXPECT_EQ(TakeTicks(clock, Ms(40), 10, 25), 0u);
    EXPECT_EQ(TakeTicks(clock, Ms(40.5), 10, 25), 1u);

    // A frame of 5 s catches up the bound alone and drops the rest.
    EXPECT_EQ(TakeTicks(clock, Ms(5040.5), 10, 25), 25u);
    EXPECT_EQ(TakeTicks(clock, Ms(5050.5), 10, 25), 0u);
    EXPECT_EQ(TakeTicks(clock, Ms(5051), 10, 25), 1u);
}

// Ticks per second of play at a steady frame rate, one frame every
// 1000 / fps ms plus 1 ms of sleep, over ten seconds.
static double TicksPerSecond(double fps, uint32_t speedLimitMs, uint32_t maxTicks)
{
    TickClock clock = ClockAt(0);
    const double frameMs = 1000.0 / fps;
    uint64_t ticks = 0;
    double now = 0;
    for (; now < 10000; now += frameMs) ticks += TakeTicks(clock, Ms(now), speedLimitMs, maxTicks);
    return double(ticks) * 1000.0 / now;
}

TEST(TickPacing, TickRateFollowsRealTimeAtEveryFrameRate)
{
    const double rates[] = {10, 17, 30, 60, 144, 1000};
    for (double fps : rates) {
        for (uint32_t speedLimitMs : {10u, 7u, 33u}) {
            const uint32_t maxTicks = 250 / speedLimitMs;
            const double expected = 1000.0 / speedLimitMs;
            EXPECT_NEAR(TicksPerSecond(fps, speedLimitMs, maxTicks), expected, expected * 0.02)
                << fps << " frames a second, " << speedLimitMs << " ms ticks";
        }
    }
}

TEST(TickPacing, OneTickAFrameFallsBehindSlowFramesThatIsWhyTheyCatchUp)
{
    // The old rule, one tick a frame at most: 17 frames a second gave 17 ticks.
    EXPECT_LT(TicksPerSecond(17, 10, 1), 20.0);
    EXPECT_NEAR(TicksPerSecond(17, 10, 25), 100.0, 2.0);
}

TEST(TickPacing, HugeValuesNeitherOverflowNorTick)
{
    // A 10 GHz counter and a ten-hour pause give exactly the bound.
    const long long frequency = 10000000000LL;
    TickClock clock;
    StartTickClock(clock, frequency, 0);
    EXPECT_EQ(TakeTicks(clock, frequency * 36000, 1000000u, 1), 1u);
    // The longest tick the settings allow, on that counter: nothing is due
    // after a day, and the arithmetic does not overflow.
    StartTickClock(clock, frequency, 0);
    EXPECT_EQ(TakeTicks(clock, frequency * 86400, 4294967295u, 25), 0u);
    // A counter that went backwards, or no counter at all.
    StartTickClock(clock, FREQUENCY, Ms(100));
    EXPECT_EQ(TakeTicks(clock, Ms(50), 10, 25), 0u);
    StartTickClock(clock, 0, 0);
    EXPECT_EQ(TakeTicks(clock, Ms(50), 10, 25), 0u);
    // A pause of centuries on a fast counter saturates instead of wrapping.
    StartTickClock(clock, frequency, 0);
    EXPECT_EQ(TakeTicks(clock, INT64_MAX, 10, 25), 25u);
}
