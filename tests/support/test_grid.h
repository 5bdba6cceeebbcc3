// A labyrinth grid made in memory for tests: each character of a row is a
// cell whose palette row is the character's code, of the character's kind.
#pragma once
#include <string>
#include <vector>

#include "labyrinth/labyrinth.h"

// Cells outside the grid: an open kind, so a face list changes if the scene
// ever reads one as a neighbour (and ASan reports reads beyond them).
const char GUARD = 'x';

// The grid lives in `storage` between guard cells and is lent to a labyrinth;
// each character names its own palette row, whose kind is the character and
// whose red tint is its code.
struct TestGrid {
    std::vector<unsigned char> storage;

    void Set(Labyrinth& labyrinth, const std::vector<std::string>& rows)
    {
        const size_t width = rows.empty() ? 0 : rows[0].size();
        const size_t pad = width + 2;
        storage.assign(pad, GUARD);
        for (const std::string& row : rows)
            for (char c : row) storage.push_back((unsigned char)c);
        storage.insert(storage.end(), pad, GUARD);
        for (int code = 0; code < 256; ++code)
            labyrinth.palette.entries[code] = PaletteEntry{char(code), uint8_t(code), uint8_t(255 - code), 7};
        labyrinth.grid.width = int32_t(width);
        labyrinth.grid.height = int32_t(rows.size());
        labyrinth.grid.cells = storage.data() + pad;
    }
};
