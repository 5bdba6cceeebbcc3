// Pacing of game ticks by the high-resolution counter.
#pragma once
#include <cstdint>

// Decides whether a tick is due at counter reading `now` and, when it is,
// carries its lateness into `tickRemainderMs`: lateness up to one period
// shortens the wait for the next tick, anything beyond is dropped, so a
// long pause yields one tick and no catch-up. Free of globals so tests can
// step it with made-up counter values.
bool TakeTick(long long now, long long lastTickCount, long long counterFrequency, uint32_t speedLimitMs,
              uint32_t& tickRemainderMs);
