#include "check_details.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "labyrinth/labyrinth.h"

// A channel further off than this is a colour of its own, not a slip of the
// paint program (antialiasing, colour management).
static const int NEAR_MISS_LIMIT = 8;
// Tinted rows drawn as letters a to z; any further ones share '+'.
static const int LEGEND_LETTERS = 26;

static const char* NameOfKind(char kind)
{
    return kind == 'w' ? "wall" : kind == 's' ? "start" : kind == 'g' ? "goal" : "floor";
}

static bool IsPlainOpen(char kind)
{
    return kind != 'w' && kind != 's' && kind != 'g';
}

void PrintMissingKinds(const GridView& grid)
{
    bool start = false, goal = false;
    for (char kind : grid.kinds) {
        start = start || kind == 's';
        goal = goal || kind == 'g';
    }
    if (!start) std::printf("missing: no start cell\n");
    if (!goal) std::printf("missing: no goal cell\n");
}

// The floor row drawn as '.': the palette file's first entry of an open kind.
static int PlainFloorRow(const Palette& palette, unsigned listedRows)
{
    for (unsigned row = 0; row < listedRows; ++row) {
        if (IsPlainOpen(palette.entries[row].kind)) return int(row);
    }
    return -1;
}

void PrintGridWithLegend(const GridView& grid, const Palette& palette, unsigned listedRows)
{
    const int plainRow = PlainFloorRow(palette, listedRows);
    int letterOfRow[MAX_PALETTE_ROWS];
    for (int& letter : letterOfRow) letter = -1;
    std::vector<unsigned> lettered;   // palette rows in the order their letters were given
    std::string line;
    for (int row = 0; row < grid.height; ++row) {
        line.clear();
        for (int column = 0; column < grid.width; ++column) {
            const size_t cell = size_t(row) * size_t(grid.width) + size_t(column);
            const char kind = grid.kinds[cell];
            if (!IsPlainOpen(kind) || grid.rows.empty() || int(grid.rows[cell]) == plainRow) {
                line += kind == 'w' ? '#' : kind == 's' ? 'S' : kind == 'g' ? 'G' : '.';
                continue;
            }
            const unsigned paletteRow = grid.rows[cell];
            if (letterOfRow[paletteRow] < 0) {
                letterOfRow[paletteRow] = int(lettered.size());
                lettered.push_back(paletteRow);
            }
            line += letterOfRow[paletteRow] < LEGEND_LETTERS ? char('a' + letterOfRow[paletteRow]) : '+';
        }
        line += '\n';
        std::fputs(line.c_str(), stdout);
    }
    for (size_t k = 0; k < lettered.size(); ++k) {
        const PaletteEntry& e = palette.entries[lettered[k]];
        const char letter = k < size_t(LEGEND_LETTERS) ? char('a' + k) : '+';
        if (lettered[k] < listedRows)
            std::printf("%c: %c%u %u %u (palette row %u)\n", letter, e.kind, unsigned(e.red), unsigned(e.green),
                        unsigned(e.blue), lettered[k]);
        else
            std::printf("%c: %u %u %u (not in the palette, palette row %u)\n", letter, unsigned(e.red),
                        unsigned(e.green), unsigned(e.blue), lettered[k]);
    }
}

static int Channel(uint32_t colour, int shift)
{
    return int((colour >> shift) & 0xFF);
}

// The listed entry within NEAR_MISS_LIMIT on every channel with the smallest
// total difference (the first such on a tie); -1 when none is that close.
static int NearestEntry(uint32_t colour, const Palette& palette, unsigned listedRows)
{
    int best = -1, bestTotal = 0;
    for (unsigned row = 0; row < listedRows; ++row) {
        const PaletteEntry& e = palette.entries[row];
        const int off[3] = {std::abs(Channel(colour, 16) - e.red), std::abs(Channel(colour, 8) - e.green),
                            std::abs(Channel(colour, 0) - e.blue)};
        if (off[0] > NEAR_MISS_LIMIT || off[1] > NEAR_MISS_LIMIT || off[2] > NEAR_MISS_LIMIT) continue;
        const int total = off[0] + off[1] + off[2];
        if (best < 0 || total < bestTotal) {
            best = int(row);
            bestTotal = total;
        }
    }
    return best;
}

void PrintUnlistedColour(const UnlistedColour& u, const Palette& palette, unsigned listedRows)
{
    std::printf("  %d %d %d: %zu %s, first at row %d, column %d", Channel(u.colour, 16), Channel(u.colour, 8),
                Channel(u.colour, 0), u.cells, u.cells == 1 ? "cell" : "cells", u.firstRow, u.firstColumn);
    const int nearest = NearestEntry(u.colour, palette, listedRows);
    if (nearest >= 0) {
        const PaletteEntry& e = palette.entries[nearest];
        std::printf("; nearest %c%u %u %u (%s), off by %d %d %d", e.kind, unsigned(e.red), unsigned(e.green),
                    unsigned(e.blue), NameOfKind(e.kind), std::abs(Channel(u.colour, 16) - e.red),
                    std::abs(Channel(u.colour, 8) - e.green), std::abs(Channel(u.colour, 0) - e.blue));
    }
    if (u.shared) std::printf(" (palette full: drawn as palette row %u)", u.row);
    std::printf("\n");
}

void PrintUnreachable(const GridView& grid, int startRow, int startColumn)
{
    const std::vector<int> distance = WalkFrom(grid, startRow, startColumn);
    size_t count = 0, first = 0;
    for (size_t i = 0; i < distance.size(); ++i) {
        if (distance[i] >= 0 || IsWallKind(grid.kinds[i])) continue;
        if (count++ == 0) first = i;
    }
    if (count == 0) {
        std::printf("unreachable open cells: 0\n");
        return;
    }
    std::printf("unreachable open cells: %zu, first at row %zu, column %zu\n", count, first / size_t(grid.width),
                first % size_t(grid.width));
}
