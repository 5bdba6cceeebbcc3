// What check and generate share: a labyrinth as a grid of cell kinds, the walk
// over its open cells, and the generator's random numbers.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

struct GridView {
    int width;
    int height;
    std::vector<char> kinds;          // row 0 on top, as the game's grid
    std::vector<unsigned char> rows;  // palette row per cell when read from a file; empty otherwise
    char At(int row, int column) const { return kinds[size_t(row) * size_t(width) + size_t(column)]; }
};

inline bool IsWallKind(char kind)
{
    return kind == 'w';
}

// Breadth-first walk over open cells through their edges (never between two
// walls that meet at a corner); distances in steps, -1 where it never arrives.
std::vector<int> WalkFrom(const GridView& grid, int startRow, int startColumn);

// splitmix64: small, and the same numbers on every platform and compiler.
struct Random {
    uint64_t state;
    uint64_t Next()
    {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    unsigned Below(unsigned bound) { return unsigned(Next() % bound); }
};
