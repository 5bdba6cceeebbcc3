#include "app/tick_pacing.h"

#include <cstdint>

bool TakeTick(long long now, long long lastTickCount, long long counterFrequency, uint32_t speedLimitMs,
              uint32_t& tickRemainderMs)
{
    // Compared in milliseconds x counts per second, so no division happens
    // until a tick is known to be due.
    int64_t elapsedScaled = int64_t(now - lastTickCount) * 1000;
    uint32_t waitMs = speedLimitMs - tickRemainderMs;
    // A budget beyond 64 bits is a wait no elapsed time can exceed.
    if (counterFrequency <= 0 || uint64_t(waitMs) > uint64_t(INT64_MAX / counterFrequency)) return false;
    int64_t budget = int64_t(uint64_t(waitMs)) * counterFrequency;
    if (!(elapsedScaled > budget)) return false;

    uint32_t elapsedMs = uint32_t(elapsedScaled / counterFrequency);
    tickRemainderMs = tickRemainderMs + elapsedMs - speedLimitMs;
    if (tickRemainderMs > speedLimitMs) tickRemainderMs = 0;
    return true;
}
