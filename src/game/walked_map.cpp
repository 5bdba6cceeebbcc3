#include "game/walked_map.h"

#include <cstddef>
#include <new>

static bool Inside(const WalkedMap& map, const Labyrinth& labyrinth, int32_t row, int32_t column)
{
    return row >= 0 && column >= 0 && row < map.mapHeight && column < map.mapWidth && labyrinth.grid.cells &&
           map.mapWidth == labyrinth.grid.width && map.mapHeight == labyrinth.grid.height;
}

static size_t CellNumber(const WalkedMap& map, int32_t row, int32_t column)
{
    return size_t(row) * size_t(map.mapWidth) + size_t(column);
}

static bool Test(const std::vector<uint64_t>& bits, size_t cell)
{
    return cell / 64 < bits.size() && (bits[cell / 64] >> (cell % 64) & 1u);
}

static void Set(std::vector<uint64_t>& bits, size_t cell)
{
    if (cell / 64 < bits.size()) bits[cell / 64] |= uint64_t(1) << (cell % 64);
}

void ResetWalkedMap(WalkedMap& map, const Labyrinth& labyrinth)
{
    map.walked.clear();
    map.goalsSeen.clear();
    map.mapWidth = map.mapHeight = 0;
    map.lastCell = -1;
    if (!HasCells(labyrinth)) return;
    const size_t words = (size_t(labyrinth.grid.width) * size_t(labyrinth.grid.height) + 63) / 64;
    try {
        map.walked.assign(words, 0);
        map.goalsSeen.assign(words, 0);
    } catch (const std::bad_alloc&) {
        map.walked.clear();
        map.goalsSeen.clear();
        return;
    }
    map.mapWidth = labyrinth.grid.width;
    map.mapHeight = labyrinth.grid.height;
}

// Along one axis from the walked cell, over open cells, up to the first wall.
static void LookAlong(WalkedMap& map, const Labyrinth& labyrinth, int32_t row, int32_t column, int32_t rowStep,
                      int32_t columnStep)
{
    for (;;) {
        row += rowStep;
        column += columnStep;
        if (!Inside(map, labyrinth, row, column)) return;
        const char kind = CellKind(labyrinth, row, column);
        if (kind == 'w') return;
        if (kind == 'g') Set(map.goalsSeen, CellNumber(map, row, column));
    }
}

void NoteWalkedCell(WalkedMap& map, const Labyrinth& labyrinth, int32_t row, int32_t column)
{
    if (!Inside(map, labyrinth, row, column) || map.walked.empty()) return;
    const size_t cell = CellNumber(map, row, column);
    if (int64_t(cell) == map.lastCell) return;
    map.lastCell = int64_t(cell);
    if (Test(map.walked, cell)) return;
    Set(map.walked, cell);
    if (CellKind(labyrinth, row, column) == 'g') Set(map.goalsSeen, cell);
    LookAlong(map, labyrinth, row, column, -1, 0);
    LookAlong(map, labyrinth, row, column, 1, 0);
    LookAlong(map, labyrinth, row, column, 0, -1);
    LookAlong(map, labyrinth, row, column, 0, 1);
}

bool WasWalked(const WalkedMap& map, const Labyrinth& labyrinth, int32_t row, int32_t column)
{
    return Inside(map, labyrinth, row, column) && Test(map.walked, CellNumber(map, row, column));
}

bool GoalSeen(const WalkedMap& map, const Labyrinth& labyrinth, int32_t row, int32_t column)
{
    return Inside(map, labyrinth, row, column) && Test(map.goalsSeen, CellNumber(map, row, column));
}
