#include "game/par_search.h"

#include <new>
#include <system_error>
#include <vector>

#include "game/records.h"
#include "labyrinth/route.h"

struct ParSearch::Work {
    std::vector<unsigned char> cells;
    Labyrinth labyrinth;
    int32_t row = 0, column = 0;
    uint32_t speedLimitMs = 0;
    std::atomic<bool> stop{false};
    uint32_t parMs = NO_TIME;

    void Run()
    {
        uint32_t steps = 0;
        if (ShortestRouteToGoal(labyrinth, row, column, steps, &stop) && !stop)
            parMs = ParTimeMs(steps, speedLimitMs);
    }
};

ParSearch::ParSearch(ParSearch&& other) noexcept : work(std::move(other.work)), thread(std::move(other.thread)) {}

ParSearch& ParSearch::operator=(ParSearch&& other) noexcept
{
    if (this != &other) {
        Cancel();
        work = std::move(other.work);
        thread = std::move(other.thread);
    }
    return *this;
}

ParSearch::~ParSearch()
{
    Cancel();
}

void ParSearch::Start(const Labyrinth& labyrinth, int32_t row, int32_t column, uint32_t speedLimitMs)
{
    Cancel();
    work.reset();
    const LabyrinthGrid& grid = labyrinth.grid;
    if (!HasCells(labyrinth)) return;
    try {
        auto next = std::make_shared<Work>();
        next->cells.assign(grid.cells, grid.cells + size_t(grid.width) * size_t(grid.height));
        next->labyrinth.palette = labyrinth.palette;
        next->labyrinth.grid = LabyrinthGrid{grid.width, grid.height, next->cells.data()};
        next->row = row;
        next->column = column;
        next->speedLimitMs = speedLimitMs;
        work = next;
        thread = std::thread([next] { next->Run(); });
    } catch (const std::system_error&) {
        if (work) work->Run();   // no thread: the search is done here
    } catch (const std::bad_alloc&) {
        work.reset();   // no copy: no par, as for a labyrinth without a route
    }
}

bool ParSearch::Take(uint32_t& parMs)
{
    if (!work) return false;
    if (thread.joinable()) thread.join();
    parMs = work->parMs;
    work.reset();
    return true;
}

void ParSearch::Cancel()
{
    if (!thread.joinable()) return;
    work->stop = true;
    thread.join();
    work.reset();
}
