#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "game/autopilot.h"
#include "labyrinth/route.h"
#include "support/test_grid.h"

namespace {

// The last start cell, else the first open one, as the game starts a labyrinth.
Player StartOf(const Labyrinth& labyrinth)
{
    Player player;
    bool found = false;
    for (int32_t r = 0; r < labyrinth.grid.height; ++r)
        for (int32_t c = 0; c < labyrinth.grid.width; ++c) {
            const char kind = CellKind(labyrinth, r, c);
            if (kind == 's' || (kind != 'w' && !found)) player = Player{float(c), float(r), 0.0f, 0.0f};
            if (kind == 's' || kind != 'w') found = true;
        }
    return player;
}

// Walks the plan with the game's movement; the ticks until the goal, or -1.
long WalkPlan(const Labyrinth& labyrinth, Player player, const std::vector<TickInput>& ticks, float& largestTurn)
{
    largestTurn = 0.0f;
    for (size_t k = 0;; ++k) {
        if (ReachedGoal(player, labyrinth)) return long(k);
        if (k == ticks.size()) return -1;
        const float yaw = player.yaw;
        RunTick(player, labyrinth, ticks[k]);
        largestTurn = std::max(largestTurn, std::fabs(player.yaw - yaw));
    }
}

TEST(Autopilot, SolvesEveryBundledLabyrinthWithinAFifthOverPar)
{
    const std::string data = std::string(QUORVEL_SOURCE_DIR) + "/data/";
    unsigned solved = 0;
    for (const auto& entry : std::filesystem::directory_iterator(data + "Labyrinths")) {
        const std::string name = entry.path().filename().string();
        Labyrinth labyrinth;
        ASSERT_TRUE(ReadLabyrinth(entry.path().string().c_str(), (data + "Palette.txt").c_str(), labyrinth)) << name;
        const Player start = StartOf(labyrinth);
        uint32_t steps = 0;
        const bool routed =
            ShortestRouteToGoal(labyrinth, int32_t(start.playerZ), int32_t(start.playerX), steps);
        std::vector<TickInput> ticks;
        const bool planned = PlanAutopilot(labyrinth, start, 1000000, ticks);
        EXPECT_EQ(planned, routed) << name;
        if (routed) {
            float largestTurn = 0.0f;
            const long reached = WalkPlan(labyrinth, start, ticks, largestTurn);
            ASSERT_GE(reached, 0) << name;
            EXPECT_EQ(size_t(reached), ticks.size()) << name << ": the plan ends at the goal";
            // At 10 ms a tick, as the bundled settings have it.
            EXPECT_LE(double(reached) * 10.0, 1.2 * double(ParTimeMs(steps, 10))) << name;
            EXPECT_LE(largestTurn, AUTOPILOT_TURN_DEGREES + 0.01f) << name << ": turns smoothly";
            ++solved;
        }
        ReleaseLabyrinth(labyrinth);
    }
    EXPECT_GE(solved, 10u);
}

TEST(Autopilot, PlansOnlyWhereAGoalCanBeReached)
{
    struct Case {
        const char* what;
        std::vector<std::string> rows;
        bool planned;
        bool someTicks;
    };
    const Case cases[] = {
        {"a corridor", {"wwwww", "ws.gw", "wwwww"}, true, true},
        {"round two corners", {"wwwww", "ws..w", "www.w", "wg..w", "wwwww"}, true, true},
        {"walled off", {"wwwww", "wswgw", "wwwww"}, false, false},
        {"no goal", {"wwww", "ws.w", "wwww"}, false, false},
        {"started on the goal", {"www", "wgw", "www"}, true, false},
    };
    for (const Case& c : cases) {
        TestGrid grid;
        Labyrinth labyrinth;
        grid.Set(labyrinth, c.rows);
        const Player start = StartOf(labyrinth);
        std::vector<TickInput> ticks;
        EXPECT_EQ(PlanAutopilot(labyrinth, start, 10000, ticks), c.planned) << c.what;
        EXPECT_EQ(!ticks.empty(), c.someTicks) << c.what;
        float turn = 0.0f;
        if (c.someTicks) {
            EXPECT_EQ(WalkPlan(labyrinth, start, ticks, turn), long(ticks.size())) << c.what;
        }
    }
    // A route longer than the ticks allowed is walked as far as they go.
    TestGrid grid;
    Labyrinth labyrinth;
    grid.Set(labyrinth, {"wwwwwwwwwwww", "ws.........g", "wwwwwwwwwwww"});
    std::vector<TickInput> ticks;
    EXPECT_TRUE(PlanAutopilot(labyrinth, StartOf(labyrinth), 50, ticks));
    EXPECT_EQ(ticks.size(), 50u);
}

TEST(Route, TheWalkItselfInOrderAndCut)
{
    TestGrid grid;
    Labyrinth labyrinth;
    grid.Set(labyrinth, {"s.w.g", "..w..", "....."});
    std::vector<RouteCell> cells;
    ASSERT_TRUE(RouteToGoal(labyrinth, 0, 0, 100, cells));
    ASSERT_EQ(cells.size(), 8u);
    for (size_t k = 1; k < cells.size(); ++k)
        EXPECT_EQ(std::abs(cells[k].row - cells[k - 1].row) + std::abs(cells[k].column - cells[k - 1].column), 1);
    EXPECT_EQ(cells.back().row, 0);
    EXPECT_EQ(cells.back().column, 4);
    std::vector<RouteCell> first;
    ASSERT_TRUE(RouteToGoal(labyrinth, 0, 0, 3, first));
    ASSERT_EQ(first.size(), 3u);
    for (size_t k = 0; k < 3; ++k) EXPECT_EQ(first[k].row * 10 + first[k].column, cells[k].row * 10 + cells[k].column);
    EXPECT_FALSE(RouteToGoal(labyrinth, 0, 2, 3, first)) << "from inside a wall";
    EXPECT_TRUE(first.empty());
}

}  // namespace
