// The par of the labyrinth just started, found on a thread of its own. The
// shortest route through a large labyrinth takes longer than reading it, and
// the figure shows only once the goal is reached: play starts at once.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

#include "labyrinth/labyrinth.h"

class ParSearch {
public:
    ParSearch() = default;
    ParSearch(ParSearch&& other) noexcept;
    ParSearch& operator=(ParSearch&& other) noexcept;
    ~ParSearch();

    // Searches a copy of the grid, so the labyrinth may be replaced or let go
    // meanwhile. Where no thread can be had, the search runs here and now.
    void Start(const Labyrinth& labyrinth, int32_t row, int32_t column, uint32_t speedLimitMs);
    // After a Start: the par in milliseconds (NO_TIME without a route),
    // waiting for the search if it still runs. Given once; false afterwards.
    bool Take(uint32_t& parMs);
    // Stops a search that still runs; its par is NO_TIME.
    void Cancel();

private:
    struct Work;
    std::shared_ptr<Work> work;
    std::thread thread;
};
