// The game itself, as a player meets it, through the null window: start-up
// to the first drawn menu with a folder of many large labyrinths against the
// bundled folder; choosing a large labyrinth to its first frame against
// loading it alone; and the menu's frame with many labyrinths listed
// against a few. Each ratio is taken round by round, the sides alternating.
#include "bench_game.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/frame.h"
#include "bench_data.h"
#include "game/game_flow.h"
#include "labyrinth/labyrinth.h"
#include "support/gl_fake.h"

namespace fs = std::filesystem;

namespace {

double Seconds(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Quantile(std::vector<double> values, double q)
{
    std::sort(values.begin(), values.end());
    const double at = q * double(values.size() - 1);
    const size_t low = size_t(at);
    const size_t high = std::min(low + 1, values.size() - 1);
    return values[low] + (values[high] - values[low]) * (at - double(low));
}

struct Row {
    double first, second;   // median seconds of each side
    double ratio, spread;   // median of second / first by round, and its inter-quartile range
};

// `prepare` runs untimed before each timing of a side.
Row Alternate(int rounds, const std::function<void(int)>& prepare, const std::function<void(int)>& timed,
              const std::function<void(int)>& after)
{
    std::vector<double> times[2], ratios;
    for (int round = 0; round < rounds; ++round) {
        double t[2];
        for (int k = 0; k < 2; ++k) {
            const int side = round % 2 == 0 ? k : 1 - k;
            prepare(side);
            t[side] = Seconds([&] { timed(side); });
            after(side);
        }
        times[0].push_back(t[0]);
        times[1].push_back(t[1]);
        ratios.push_back(t[1] / t[0]);
    }
    return {Quantile(times[0], 0.5), Quantile(times[1], 0.5), Quantile(ratios, 0.5),
            Quantile(ratios, 0.75) - Quantile(ratios, 0.25)};
}

void CopyFolder(const fs::path& from, const fs::path& to)
{
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

}  // namespace

void BenchGame(bool quick, int rounds)
{
    const int size = quick ? 256 : 4096;
    const int count = quick ? 8 : 128;
    const fs::path root = fs::temp_directory_path() / "quorvel_bench_game";
    fs::remove_all(root);
    fs::create_directories(root);
    const fs::path bundled = root / "bundled", large = root / "large";
    const fs::path data = QUORVEL_DATA_DIR;
    CopyFolder(data, bundled);
    fs::create_directories(large / "Labyrinths");
    CopyFolder(data / "Images", large / "Images");
    // Every colour of the maze listed, so its goal can be reached from its start.
    const std::string palette = MazePalette() + "f90 90 200\n";
    WriteWholeFile((large / "Palette.txt").string(), Bytes(palette.begin(), palette.end()));
    // One maze with a goal in its far corner, under as many names as the folder holds.
    const Bytes maze = MakeMazePng(size, size, 7, true);
    const fs::path firstMaze = large / "Labyrinths" / "maze000.png";
    WriteWholeFile(firstMaze.string(), maze);
    char name[64];
    for (int k = 1; k < count; ++k) {
        std::snprintf(name, sizeof name, "maze%03d.png", k);
        std::error_code linked;
        fs::create_hard_link(firstMaze, large / "Labyrinths" / name, linked);
        if (linked) WriteWholeFile((large / "Labyrinths" / name).string(), maze);
    }
    const fs::path previous = fs::current_path();
    Game& game = TheGame();
    const fs::path folders[2] = {bundled, large};

    // Start-up to the first menu drawn: settings, options, the list, the
    // records and the textures, then one frame.
    const Row startUp = Alternate(
        rounds,
        [&](int side) {
            fs::current_path(folders[side]);
            fs::remove(folders[side] / "Quorvel.ini");
            ResetGame();
            GlFakeReset();
        },
        [&](int) {
            StartGame();
            PaintFrame();
        },
        [&](int) { StopGame(); });

    // Choosing the large labyrinth from the list to its first frame of play,
    // against reading the same picture into a labyrinth alone.
    fs::current_path(large);
    ResetGame();
    StartGame();
    const std::string first = firstMaze.string();
    const std::string palettePath = (large / "Palette.txt").string();
    const Row choose = Alternate(
        rounds,
        [&](int) {
            ReleaseLabyrinth(game.labyrinth);
            // Chosen from the list, whose rows were hashed as they were shown.
            ForgetLabyrinthHashes(game.records);
            HashLabyrinths(game.records, game.labyrinthList, 0, LIST_ROWS);
        },
        [&](int side) {
            if (side == 0) {
                Labyrinth alone;
                if (!LoadLabyrinth(alone, first.c_str(), palettePath.c_str())) std::printf("the maze did not load\n");
                ReleaseLabyrinth(alone);
                return;
            }
            game.settings.selectedLabyrinth = 0;
            if (!StartLabyrinth(game)) std::printf("the maze did not start\n");
            PaintFrame();
        },
        [&](int) {
            // The par's search goes on beside play; it must not weigh on the next timing.
            SettlePar(game);
            game.flow.screen = SCREEN_MAIN_MENU;
        });
    StopGame();

    // The main menu's and the list's frames with 4096 labyrinths listed against 10.
    ResetGame();
    StartGame();
    const int frames = quick ? 5 : 200;
    Row menus[2];
    for (int screen = 0; screen < 2; ++screen) {
        menus[screen] = Alternate(
            rounds,
            [&](int side) {
                game.labyrinthList.count = side == 0 ? 10 : MAX_LABYRINTHS;
                for (uint32_t k = 0; k < game.labyrinthList.count; ++k)
                    std::snprintf(game.labyrinthList.paths[k], LABYRINTH_PATH_SIZE, "Labyrinths/maze%03u.png", k % unsigned(count));
                game.flow.screen = screen == 0 ? SCREEN_MAIN_MENU : SCREEN_LIST;
                game.flow.listScroll = 0;
                game.flow.menuCursor = 0;
                ForgetLabyrinthHashes(game.records);
                HandleFlowKeys(game);   // the list hashes the rows it shows, once
            },
            [&](int) {
                for (int k = 0; k < frames; ++k) {
                    GlFakeReset();
                    HandleFlowKeys(game);
                    FollowIdleTime(game, 0);
                    PaintFrame();
                }
            },
            [&](int) {});
    }
    StopGame();
    ResetGame();
    fs::current_path(previous);
    fs::remove_all(root);

    std::printf("\n### The game: start-up, choosing a labyrinth, the menu frame (lower is better)\n\n");
    std::printf("| what | baseline ms | ms | ratio | iqr |\n|---|---:|---:|---:|---:|\n");
    std::printf("| start-up, %d labyrinths of %dx%d / the bundled folder | %.2f | %.2f | %.3f | %.3f |\n", count, size,
                size, startUp.first * 1e3, startUp.second * 1e3, startUp.ratio, startUp.spread);
    std::printf("| choosing a %dx%d labyrinth to its first frame / its load alone | %.2f | %.2f | %.3f | %.3f |\n",
                size, size, choose.first * 1e3, choose.second * 1e3, choose.ratio, choose.spread);
    const char* const names[2] = {"main menu", "list"};
    for (int screen = 0; screen < 2; ++screen)
        std::printf("| %s frame, %u labyrinths / 10 | %.4f | %.4f | %.3f | %.3f |\n", names[screen],
                    unsigned(MAX_LABYRINTHS), menus[screen].first * 1e3 / frames,
                    menus[screen].second * 1e3 / frames, menus[screen].ratio, menus[screen].spread);
}
