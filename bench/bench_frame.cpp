// The frame row: drawing the scene and the map for a 10 x 10 labyrinth and
// for a 4096 x 4096 one, through the recording GL. Both show the player the
// same cells (the large one is the small one tiled, walled round), so the
// ratio says what the labyrinth's size alone costs a frame.
#include "bench_frame.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "game/game_state.h"
#include "game/settings.h"
#include "game/walked_map.h"
#include "labyrinth/labyrinth.h"
#include "render/scene.h"
#include "support/gl_fake.h"

namespace {

const char* const PATTERN[10] = {"wwwwwwwwww", "w........w", "w.ww.ww..w", "w.w...w..w", "w...g....w",
                                 "w.w...w..w", "w.ww.ww..w", "w........w", "w..www...w", "wwwwwwwwww"};

struct Grid {
    int32_t size;
    std::vector<unsigned char> cells;
};

Grid Tiled(int32_t size)
{
    Grid grid = {size, std::vector<unsigned char>(size_t(size) * size_t(size))};
    for (int32_t r = 0; r < size; ++r)
        for (int32_t c = 0; c < size; ++c) grid.cells[size_t(r) * size_t(size) + c] = (unsigned char)PATTERN[r % 10][c % 10];
    return grid;
}

Game game;

// The grid becomes the game's, with every cell of the map's view walked.
void Play(Grid& grid)
{
    game.labyrinth.grid = LabyrinthGrid{grid.size, grid.size, grid.cells.data()};
    ResetWalkedMap(game.map, game.labyrinth);
    for (int32_t r = 0; r < 25 && r < grid.size; ++r)
        for (int32_t c = 0; c < 25 && c < grid.size; ++c)
            if (CellKind(game.labyrinth, r, c) != 'w') NoteWalkedCell(game.map, game.labyrinth, r, c);
    game.player.playerX = game.player.playerZ = 4.0f;   // the scene's window of cells 0 to 9 on both
}

double SecondsPerFrame(int frames)
{
    auto start = std::chrono::steady_clock::now();
    for (int k = 0; k < frames; ++k) {
        GlFakeReset();
        DrawFrame(game);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / frames;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

void BenchFrame(bool quick, int rounds)
{
    for (int code = 0; code < 256; ++code) game.labyrinth.palette.entries[code] = PaletteEntry{char(code), 200, 180, 160};
    Grid small = Tiled(10);
    Grid large = Tiled(quick ? 256 : 4096);
    game.flow.screen = SCREEN_PLAY;
    game.map.mapShown = true;
    game.settings.windowWidth = 640;
    game.settings.windowHeight = 480;
    const int frames = quick ? 5 : 400;
    std::vector<double> smallTimes, largeTimes, ratios;
    for (int round = 0; round < rounds; ++round) {
        // Alternating which goes first, as the other rows do.
        double t[2];
        for (int k = 0; k < 2; ++k) {
            const int side = round % 2 == 0 ? k : 1 - k;
            Play(side == 0 ? small : large);
            t[side] = SecondsPerFrame(frames);
        }
        smallTimes.push_back(t[0]);
        largeTimes.push_back(t[1]);
        ratios.push_back(t[1] / t[0]);
    }
    game.labyrinth.grid = LabyrinthGrid{0, 0, nullptr};
    ResetWalkedMap(game.map, game.labyrinth);
    GlFakeReset();
    std::sort(ratios.begin(), ratios.end());
    const double spread = ratios[ratios.size() * 3 / 4] - ratios[ratios.size() / 4];
    std::printf("\n### Frame: scene and map through the recording GL (lower is better)\n\n");
    std::printf("| labyrinth | us per frame | / 10 x 10 | iqr |\n|---|---:|---:|---:|\n");
    std::printf("| 10 x 10 | %.1f | 1.000 | |\n", Median(smallTimes) * 1e6);
    std::printf("| %d x %d | %.1f | %.3f | %.3f |\n", large.size, large.size, Median(largeTimes) * 1e6,
                Median(ratios), spread);
}
