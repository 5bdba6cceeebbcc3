#include "labyrinth/route.h"

#include <cmath>
#include <cstddef>
#include <new>
#include <vector>

static bool IsOpen(const Palette& palette, const LabyrinthGrid& grid, size_t cell)
{
    return palette.entries[grid.cells[cell]].kind != 'w';
}

bool ShortestRouteToGoal(const Labyrinth& labyrinth, int32_t row, int32_t column, uint32_t& steps)
{
    const Palette& palette = labyrinth.palette;
    const LabyrinthGrid& grid = labyrinth.grid;
    if (!grid.cells || grid.width <= 0 || grid.height <= 0) return false;
    if (row < 0 || column < 0 || row >= grid.height || column >= grid.width) return false;
    const size_t width = size_t(grid.width);
    const size_t cellCount = width * size_t(grid.height);
    // One bit per cell and two frontiers: a few MiB even for 4096 x 4096.
    std::vector<uint64_t> seen;
    std::vector<size_t> frontier, next;
    try {
        seen.assign((cellCount + 63) / 64, 0);
        frontier.reserve(1024);
        next.reserve(1024);
    } catch (const std::bad_alloc&) {
        return false;
    }
    auto visit = [&](size_t cell) {
        if (seen[cell / 64] >> (cell % 64) & 1u) return;
        seen[cell / 64] |= uint64_t(1) << (cell % 64);
        if (IsOpen(palette, grid, cell)) next.push_back(cell);
    };
    next.clear();
    visit(size_t(row) * width + size_t(column));
    try {
        for (uint32_t distance = 0; !next.empty(); ++distance) {
            frontier.swap(next);
            next.clear();
            for (size_t cell : frontier) {
                if (palette.entries[grid.cells[cell]].kind == 'g') {
                    steps = distance;
                    return true;
                }
                const size_t r = cell / width;
                const size_t c = cell % width;
                if (r > 0) visit(cell - width);
                if (c > 0) visit(cell - 1);
                if (c + 1 < width) visit(cell + 1);
                if (r + 1 < size_t(grid.height)) visit(cell + width);
            }
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return false;
}

uint32_t ParTimeMs(uint32_t steps, uint32_t speedLimitMs)
{
    const double ticks = std::ceil(double(steps) / CELLS_PER_TICK - 1e-9);
    const double seconds = std::ceil(ticks * double(speedLimitMs) / 1000.0 - 1e-9);
    const double ms = seconds * 1000.0;
    return ms >= 4294967295.0 ? 4294967295u : uint32_t(ms);
}
