// The parts of `check`'s report that point an author at the cell to fix:
// kinds missing, tinted cells in the drawing, colours that nearly match an
// entry, open cells the player never reaches.
#pragma once
#include <cstddef>
#include <cstdint>

#include "labyrinth/labyrinth.h"
#include "tool_grid.h"

struct UnlistedColour {
    uint32_t colour;    // 0xRRGGBB
    size_t cells;
    unsigned row;       // the palette row the game gave it
    bool shared;        // the table was full: the cells take row 255's kind and tint
    int firstRow;       // its first cell, row by row from the top
    int firstColumn;
};

// "missing: no start cell" and the like, printed before the grid.
void PrintMissingKinds(const GridView& grid);
// The grid, top row first: '#' wall, 'S' start, 'G' goal, '.' the palette
// file's first floor entry, letters for other floor rows, explained below it.
void PrintGridWithLegend(const GridView& grid, const Palette& palette, unsigned listedRows);
// "  254 1 0: 3 cells, first at row 4, column 7; nearest s255 0 0 (start), off by 1 1 0"
void PrintUnlistedColour(const UnlistedColour& colour, const Palette& palette, unsigned listedRows);
// Open cells the walk from the start used never reaches: how many, and the first.
void PrintUnreachable(const GridView& grid, int startRow, int startColumn);
