#include "game/walked_map.h"

#include <cstddef>
#include <new>
#include <vector>

#include "labyrinth/labyrinth.h"

bool mapShown = false;

// One bit per cell each: 2 MiB apiece for a 4096 x 4096 labyrinth.
static std::vector<uint64_t> walked;
static std::vector<uint64_t> goalsSeen;
static int32_t mapWidth = 0;
static int32_t mapHeight = 0;
static int64_t lastCell = -1;

// A grid replaced without a reset (another size) shows nothing rather than
// being read with the old one's measures.
static bool Inside(int32_t row, int32_t column)
{
    return row >= 0 && column >= 0 && row < mapHeight && column < mapWidth && labyrinthGrid.cells &&
           mapWidth == labyrinthGrid.width && mapHeight == labyrinthGrid.height;
}

static size_t CellNumber(int32_t row, int32_t column)
{
    return size_t(row) * size_t(mapWidth) + size_t(column);
}

static bool Test(const std::vector<uint64_t>& bits, size_t cell)
{
    return cell / 64 < bits.size() && (bits[cell / 64] >> (cell % 64) & 1u);
}

static void Set(std::vector<uint64_t>& bits, size_t cell)
{
    if (cell / 64 < bits.size()) bits[cell / 64] |= uint64_t(1) << (cell % 64);
}

void ResetWalkedMap()
{
    walked.clear();
    goalsSeen.clear();
    mapWidth = mapHeight = 0;
    lastCell = -1;
    if (!labyrinthGrid.cells || labyrinthGrid.width <= 0 || labyrinthGrid.height <= 0) return;
    const size_t words = (size_t(labyrinthGrid.width) * size_t(labyrinthGrid.height) + 63) / 64;
    try {
        walked.assign(words, 0);
        goalsSeen.assign(words, 0);
    } catch (const std::bad_alloc&) {
        walked.clear();
        goalsSeen.clear();
        return;
    }
    mapWidth = labyrinthGrid.width;
    mapHeight = labyrinthGrid.height;
}

// Along one axis from the walked cell, over open cells, up to the first wall.
static void LookAlong(int32_t row, int32_t column, int32_t rowStep, int32_t columnStep)
{
    for (;;) {
        row += rowStep;
        column += columnStep;
        if (!Inside(row, column)) return;
        const char kind = CellKind(row, column);
        if (kind == 'w') return;
        if (kind == 'g') Set(goalsSeen, CellNumber(row, column));
    }
}

void NoteWalkedCell(int32_t row, int32_t column)
{
    if (!Inside(row, column) || walked.empty()) return;
    const size_t cell = CellNumber(row, column);
    if (int64_t(cell) == lastCell) return;
    lastCell = int64_t(cell);
    if (Test(walked, cell)) return;
    Set(walked, cell);
    if (CellKind(row, column) == 'g') Set(goalsSeen, cell);
    LookAlong(row, column, -1, 0);
    LookAlong(row, column, 1, 0);
    LookAlong(row, column, 0, -1);
    LookAlong(row, column, 0, 1);
}

bool WasWalked(int32_t row, int32_t column)
{
    return Inside(row, column) && Test(walked, CellNumber(row, column));
}

bool GoalSeen(int32_t row, int32_t column)
{
    return Inside(row, column) && Test(goalsSeen, CellNumber(row, column));
}
