// The shortest walk from a cell to the nearest goal, and the par time it gives.
#pragma once
#include <atomic>
#include <cstdint>
#include <vector>

#include "labyrinth/labyrinth.h"

// Breadth-first over open cells, through their edges (the player cannot pass
// between two walls that only touch at a corner). Gives the number of steps
// from (row, column) to the nearest goal cell; false when no goal can be
// reached, or the walk's memory cannot be had. A `stop` set from another
// thread ends the walk early, with false.
bool ShortestRouteToGoal(const Labyrinth& labyrinth, int32_t row, int32_t column, uint32_t& steps,
                         const std::atomic<bool>* stop = nullptr);

struct RouteCell {
    int32_t row;
    int32_t column;
};
// The same walk's cells after (row, column), in walking order, the goal cell
// last; at most `maxCells` of them, the nearest ones. False, and no cells,
// where ShortestRouteToGoal finds no walk.
bool RouteToGoal(const Labyrinth& labyrinth, int32_t row, int32_t column, uint32_t maxCells,
                 std::vector<RouteCell>& cells);

// Cells walked per tick at full speed, the same step the movement code takes.
const double CELLS_PER_TICK = 0.05;

// The time `steps` cells take at full walking speed, one tick per
// `speedLimitMs`, rounded up to whole seconds; saturates instead of wrapping.
uint32_t ParTimeMs(uint32_t steps, uint32_t speedLimitMs);
