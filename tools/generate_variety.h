// Variations on the generator's perfect maze: extra openings that make loops,
// and open rooms. Both only ever remove walls from a connected maze, so every
// open cell stays reachable and the labyrinth stays solvable.
#pragma once
#include <vector>

#include "tool_grid.h"

const unsigned MAX_GENERATED_ROOMS = 1000;

// Opens `percent` (0 to 100) of the walls still standing between two
// neighbouring passage cells.
void OpenLoops(GridView& grid, unsigned percent, Random& random);

// Clears `count` rectangles of 1 to 4 passage cells a side, walls between them
// included. `tintOf` gets, per cell, 0 for plain floor or 1 + the room's tint
// (rooms take the `tints` tints in turn; later rooms paint over earlier ones).
void ClearRooms(GridView& grid, unsigned count, unsigned tints, Random& random, std::vector<unsigned char>& tintOf);
