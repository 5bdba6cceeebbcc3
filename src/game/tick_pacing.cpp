#include "game/tick_pacing.h"

void StartTickClock(TickClock& clock, long long counterFrequency, long long now)
{
    clock.counterFrequency = counterFrequency;
    clock.lastTickCount = now;
    clock.remainder = 0;
}

uint32_t TakeTicks(TickClock& clock, long long now, uint32_t speedLimitMs, uint32_t maxTicks)
{
    const long long frequency = clock.counterFrequency;
    // A tick length beyond 64 bits is a wait no elapsed time can exceed.
    if (frequency <= 0 || uint64_t(speedLimitMs) > uint64_t(INT64_MAX / frequency)) return 0;
    if (now <= clock.lastTickCount || maxTicks == 0) return 0;

    // Compared in milliseconds x counts per second, so nothing is divided
    // until ticks are known to be due; a pause too long for that is saturated.
    const uint64_t counts = uint64_t(now) - uint64_t(clock.lastTickCount);
    const uint64_t limit = uint64_t(INT64_MAX) / 1000;
    const uint64_t elapsed = counts > limit ? uint64_t(INT64_MAX) : counts * 1000;
    const uint64_t period = uint64_t(speedLimitMs) * uint64_t(frequency);
    const uint64_t total = elapsed + (clock.remainder < period ? clock.remainder : period);
    if (total <= period) return 0;

    uint64_t ticks = period == 0 ? 1 : (total - 1) / period;
    if (ticks > maxTicks || period == 0) {
        ticks = maxTicks;
        clock.remainder = 0;
    } else {
        clock.remainder = total - ticks * period;
    }
    clock.lastTickCount = now;
    return uint32_t(ticks);
}
