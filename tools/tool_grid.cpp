#include "tool_grid.h"

std::vector<int> WalkFrom(const GridView& grid, int startRow, int startColumn)
{
    std::vector<int> distance(grid.kinds.size(), -1);
    std::vector<uint32_t> queue;   // cell numbers: at most 4096 x 4096
    queue.reserve(grid.kinds.size());
    uint32_t start = uint32_t(startRow) * uint32_t(grid.width) + uint32_t(startColumn);
    distance[start] = 0;
    queue.push_back(start);
    for (size_t next = 0; next < queue.size(); ++next) {
        uint32_t at = queue[next];
        int row = int(at / uint32_t(grid.width));
        int column = int(at % uint32_t(grid.width));
        const int STEPS[4][2] = {{-1, 0}, {0, -1}, {0, 1}, {1, 0}};
        for (const auto& step : STEPS) {
            int r = row + step[0];
            int c = column + step[1];
            if (r < 0 || c < 0 || r >= grid.height || c >= grid.width) continue;
            uint32_t to = uint32_t(r) * uint32_t(grid.width) + uint32_t(c);
            if (distance[to] >= 0 || IsWallKind(grid.kinds[to])) continue;
            distance[to] = distance[at] + 1;
            queue.push_back(to);
        }
    }
    return distance;
}
