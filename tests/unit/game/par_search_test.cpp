#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/par_search.h"
#include "game/records.h"
#include "labyrinth/route.h"
#include "support/test_grid.h"

namespace {

// The par found on the side is the one found in line, whatever becomes of
// the labyrinth it was started on.
TEST(ParSearch, GivesTheRoutesParOnceEvenWhenTheLabyrinthIsGone)
{
    struct Case {
        const char* what;
        std::vector<std::string> rows;
        uint32_t parMs;
    };
    const Case cases[] = {
        {"six cells", {"s.....g"}, 2000},
        {"no way through", {"s.w.g"}, NO_TIME},
        {"no goal", {"s...."}, NO_TIME},
    };
    for (const Case& c : cases) {
        ParSearch search;
        uint32_t parMs = 7;
        EXPECT_FALSE(search.Take(parMs)) << "nothing started";
        {
            TestGrid grid;
            Labyrinth labyrinth;
            grid.Set(labyrinth, c.rows);
            search.Start(labyrinth, 0, 0, 10);
            grid.storage.assign(grid.storage.size(), 'w');   // walls everywhere, then freed
        }
        ASSERT_TRUE(search.Take(parMs)) << c.what;
        EXPECT_EQ(parMs, c.parMs) << c.what;
        EXPECT_FALSE(search.Take(parMs)) << c.what << ": given once";
    }
}

// A search of a large open labyrinth given up, replaced by the next one or
// dropped gives nothing (under the sanitizers: and touches nothing freed).
TEST(ParSearch, CancelledOrReplacedItStopsAndGivesNothing)
{
    const int32_t size = 2048;
    std::vector<std::string> rows(size, std::string(size, '.'));
    rows[0][0] = 's';
    TestGrid grid;
    Labyrinth labyrinth;
    grid.Set(labyrinth, rows);   // no goal: the whole grid is searched

    ParSearch search;
    search.Start(labyrinth, 0, 0, 10);
    search.Cancel();
    uint32_t parMs = 7;
    EXPECT_FALSE(search.Take(parMs));
    EXPECT_EQ(parMs, 7u);

    search.Start(labyrinth, 0, 0, 10);
    TestGrid small;
    Labyrinth next;
    small.Set(next, {"s.g"});
    search.Start(next, 0, 0, 10);
    ASSERT_TRUE(search.Take(parMs));
    EXPECT_EQ(parMs, 1000u);

    ParSearch moved;
    search.Start(labyrinth, 0, 0, 10);
    moved = std::move(search);
    moved = ParSearch{};   // a search dropped with its owner
    EXPECT_FALSE(moved.Take(parMs));
    std::atomic<bool> stop{true};
    uint32_t steps = 0;
    TestGrid near;
    Labyrinth beside;
    near.Set(beside, {"sg"});
    EXPECT_FALSE(ShortestRouteToGoal(beside, 0, 0, steps, &stop)) << "a stopped walk finds nothing";
    stop = false;
    EXPECT_TRUE(ShortestRouteToGoal(beside, 0, 0, steps, &stop));
}

}  // namespace
