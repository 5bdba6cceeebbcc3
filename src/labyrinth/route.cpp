#include "labyrinth/route.h"

#include <cmath>
#include <cstddef>
#include <new>
#include <vector>

namespace {

bool IsOpen(const Palette& palette, const LabyrinthGrid& grid, size_t cell)
{
    return palette.entries[grid.cells[cell]].kind != 'w';
}

// How a cell was first reached, two bits a cell, kept only when the walk
// itself is wanted: 4 MiB for 4096 x 4096.
enum Arrival : uint8_t { FROM_ABOVE, FROM_LEFT, FROM_RIGHT, FROM_BELOW };

struct Arrivals {
    std::vector<uint8_t> bits;
    void Set(size_t cell, Arrival from) { bits[cell / 4] |= uint8_t(from << (cell % 4 * 2)); }
    Arrival Get(size_t cell) const { return Arrival(bits[cell / 4] >> (cell % 4 * 2) & 3u); }
};

// Breadth-first from (row, column); the goal cell reached first, or false.
bool Search(const Labyrinth& labyrinth, int32_t row, int32_t column, Arrivals* arrivals, size_t& goal,
            uint32_t& steps, const std::atomic<bool>* stop)
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
        if (arrivals) arrivals->bits.assign((cellCount + 3) / 4, 0);
        frontier.reserve(1024);
        next.reserve(1024);
    } catch (const std::bad_alloc&) {
        return false;
    }
    auto visit = [&](size_t cell, Arrival from) {
        if (seen[cell / 64] >> (cell % 64) & 1u) return;
        seen[cell / 64] |= uint64_t(1) << (cell % 64);
        if (!IsOpen(palette, grid, cell)) return;
        if (arrivals) arrivals->Set(cell, from);
        next.push_back(cell);
    };
    next.clear();
    visit(size_t(row) * width + size_t(column), FROM_ABOVE);
    try {
        for (uint32_t distance = 0; !next.empty(); ++distance) {
            if (stop && stop->load(std::memory_order_relaxed)) return false;
            frontier.swap(next);
            next.clear();
            for (size_t cell : frontier) {
                if (palette.entries[grid.cells[cell]].kind == 'g') {
                    goal = cell;
                    steps = distance;
                    return true;
                }
                const size_t r = cell / width;
                const size_t c = cell % width;
                if (r > 0) visit(cell - width, FROM_BELOW);
                if (c > 0) visit(cell - 1, FROM_RIGHT);
                if (c + 1 < width) visit(cell + 1, FROM_LEFT);
                if (r + 1 < size_t(grid.height)) visit(cell + width, FROM_ABOVE);
            }
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return false;
}

}  // namespace

bool ShortestRouteToGoal(const Labyrinth& labyrinth, int32_t row, int32_t column, uint32_t& steps,
                         const std::atomic<bool>* stop)
{
    size_t goal = 0;
    return Search(labyrinth, row, column, nullptr, goal, steps, stop);
}

bool RouteToGoal(const Labyrinth& labyrinth, int32_t row, int32_t column, uint32_t maxCells,
                 std::vector<RouteCell>& cells)
{
    cells.clear();
    Arrivals arrivals;
    size_t goal = 0;
    uint32_t steps = 0;
    if (!Search(labyrinth, row, column, &arrivals, goal, steps, nullptr)) return false;
    // The arrivals lead from the goal back to the start; the cells wanted are
    // the walk's first ones, so the walk back skips the ones beyond them.
    const size_t width = size_t(labyrinth.grid.width);
    const uint32_t kept = steps < maxCells ? steps : maxCells;
    try {
        cells.resize(kept);
    } catch (const std::bad_alloc&) {
        return false;
    }
    size_t cell = goal;
    for (uint32_t k = steps; k > 0; --k) {
        if (k <= kept) cells[k - 1] = RouteCell{int32_t(cell / width), int32_t(cell % width)};
        switch (arrivals.Get(cell)) {
        case FROM_ABOVE: cell -= width; break;
        case FROM_LEFT: cell -= 1; break;
        case FROM_RIGHT: cell += 1; break;
        case FROM_BELOW: cell += width; break;
        }
    }
    return true;
}

uint32_t ParTimeMs(uint32_t steps, uint32_t speedLimitMs)
{
    const double ticks = std::ceil(double(steps) / CELLS_PER_TICK - 1e-9);
    const double seconds = std::ceil(ticks * double(speedLimitMs) / 1000.0 - 1e-9);
    const double ms = seconds * 1000.0;
    return ms >= 4294967295.0 ? 4294967295u : uint32_t(ms);
}
