#include <gtest/gtest.h>

#include "labyrinth/route.h"
#include "support/test_grid.h"

namespace {

struct Route {
    bool found;
    uint32_t steps;
};

Route RouteIn(const std::vector<std::string>& rows)
{
    TestGrid grid;
    Labyrinth labyrinth;
    grid.Set(labyrinth, rows);
    int32_t startRow = -1, startColumn = -1;
    for (int32_t r = 0; r < int32_t(rows.size()); ++r)
        for (int32_t c = 0; c < int32_t(rows[0].size()); ++c)
            if (rows[r][c] == 's') startRow = r, startColumn = c;
    Route route = {false, 0};
    route.found = ShortestRouteToGoal(labyrinth, startRow, startColumn, route.steps);
    return route;
}

TEST(Route, ShortestWalkToTheNearestGoal)
{
    struct Case {
        const char* what;
        std::vector<std::string> rows;
        bool found;
        uint32_t steps;
    };
    const Case cases[] = {
        {"start beside the goal", {"sg"}, true, 1},
        {"a goal just below", {"s", "g"}, true, 1},
        {"no route: a wall between", {"swg"}, false, 0},
        {"corners touching are no way through", {"sw", "wg"}, false, 0},
        {"the shorter of two routes", {"s...", ".ww.", "...g"}, true, 5},
        {"around a wall", {"s.w.g", "..w..", "....."}, true, 8},
        {"the nearer of two goals", {"g...s.g"}, true, 2},
        {"no goal at all", {"s...."}, false, 0},
    };
    for (const Case& c : cases) {
        const Route route = RouteIn(c.rows);
        EXPECT_EQ(route.found, c.found) << c.what;
        if (c.found) {
            EXPECT_EQ(route.steps, c.steps) << c.what;
        }
    }
}

TEST(Route, StartsOutsideTheGridOrWithoutOneFindNothing)
{
    TestGrid grid;
    Labyrinth labyrinth;
    grid.Set(labyrinth, {"sg"});
    uint32_t steps = 99;
    EXPECT_FALSE(ShortestRouteToGoal(labyrinth, -1, 0, steps));
    EXPECT_FALSE(ShortestRouteToGoal(labyrinth, 0, 2, steps));
    EXPECT_EQ(steps, 99u);
    EXPECT_FALSE(ShortestRouteToGoal(Labyrinth{}, 0, 0, steps));
}

TEST(Route, ParIsTheWalkAtFullSpeedInWholeSeconds)
{
    // 0.05 cells a tick: 20 ticks a cell, 200 ms a cell at 10 ms a tick.
    EXPECT_EQ(ParTimeMs(0, 10), 0u);
    EXPECT_EQ(ParTimeMs(1, 10), 1000u);    // 0.2 s, rounded up
    EXPECT_EQ(ParTimeMs(5, 10), 1000u);    // exactly 1 s
    EXPECT_EQ(ParTimeMs(6, 10), 2000u);
    EXPECT_EQ(ParTimeMs(37, 10), 8000u);   // 7.4 s
    EXPECT_EQ(ParTimeMs(5, 20), 2000u);    // half the ticks a second
    EXPECT_EQ(ParTimeMs(5, 0), 0u);        // a tick every frame: no time is counted
    EXPECT_EQ(ParTimeMs(4000000000u, 4000000000u), 4294967295u);
}

}  // namespace
