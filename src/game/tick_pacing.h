// Pacing of game ticks by the high-resolution counter.
#pragma once
#include <cstdint>

// The tick clock, free of globals so tests can step it with made-up counter
// values. Lateness is carried exactly (in milliseconds x counts per second),
// so no fraction of a millisecond is lost per frame whatever the frame rate.
struct TickClock {
    long long counterFrequency;   // counts per second
    long long lastTickCount;      // counter reading at the last frame that ticked
    uint64_t remainder;           // time past the last tick, carried into the next one
};

void StartTickClock(TickClock& clock, long long counterFrequency, long long now);

// How many ticks are due at `now`, at most `maxTicks`; a tick is due once
// strictly more than one tick length has passed. Lateness up to one period
// shortens the wait for the next tick; when more ticks are due than
// `maxTicks`, the rest is dropped rather than caught up. With a tick length
// of 0, any frame after some time has passed is one tick.
uint32_t TakeTicks(TickClock& clock, long long now, uint32_t speedLimitMs, uint32_t maxTicks);
