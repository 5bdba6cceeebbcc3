// The frame-cost row of the benchmark.
#pragma once

void BenchFrame(bool quick, int rounds);
