#include "generate_variety.h"

#include <algorithm>
#include <cstddef>

void OpenLoops(GridView& grid, unsigned percent, Random& random)
{
    // Passage cells sit on odd rows and columns; a wall between two of them
    // has one odd and one even coordinate. Walls on both even are corners.
    std::vector<size_t> walls;
    const int lastRow = 2 * ((grid.height - 1) / 2) - 1;
    const int lastColumn = 2 * ((grid.width - 1) / 2) - 1;
    for (int r = 1; r <= lastRow; ++r) {
        for (int c = 1 + (r % 2); c <= lastColumn; c += 2) {
            const size_t cell = size_t(r) * size_t(grid.width) + size_t(c);
            if (IsWallKind(grid.kinds[cell])) walls.push_back(cell);
        }
    }
    const size_t opened = walls.size() * std::min(percent, 100u) / 100;
    for (size_t k = 0; k < opened; ++k) {   // the first `opened` of a shuffle
        const size_t pick = k + size_t(random.Next() % (walls.size() - k));
        std::swap(walls[k], walls[pick]);
        grid.kinds[walls[k]] = '.';
    }
}

void ClearRooms(GridView& grid, unsigned count, unsigned tints, Random& random, std::vector<unsigned char>& tintOf)
{
    tintOf.assign(grid.kinds.size(), 0);
    const unsigned passageRows = unsigned(grid.height - 1) / 2;
    const unsigned passageColumns = unsigned(grid.width - 1) / 2;
    for (unsigned room = 0; room < count; ++room) {
        const unsigned rows = std::min(passageRows, 1 + random.Below(4));
        const unsigned columns = std::min(passageColumns, 1 + random.Below(4));
        const unsigned top = random.Below(passageRows - rows + 1);
        const unsigned left = random.Below(passageColumns - columns + 1);
        const unsigned char tint = (unsigned char)(1 + (tints ? room % tints : 0));
        for (unsigned r = 2 * top + 1; r <= 2 * (top + rows) - 1; ++r) {
            for (unsigned c = 2 * left + 1; c <= 2 * (left + columns) - 1; ++c) {
                const size_t cell = size_t(r) * size_t(grid.width) + c;
                grid.kinds[cell] = '.';
                tintOf[cell] = tint;
            }
        }
    }
}
