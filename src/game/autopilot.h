// The game walking a labyrinth by itself, as the attract mode of an idle
// main menu: the shortest route, turned into the ticks a player would give.
#pragma once
#include <cstdint>
#include <vector>

#include "game/movement.h"
#include "labyrinth/labyrinth.h"

// Degrees the autopilot turns a tick at most: a corner in a few ticks, never a snap.
const float AUTOPILOT_TURN_DEGREES = 9.0f;

// The ticks that walk from `start` along the shortest route to the goal,
// turning smoothly towards each next cell and cutting corners where the
// walls let it, tried out tick by tick with the game's own movement; at most
// `maxTicks` (a longer route is walked that far). False, and no ticks, when
// no goal can be reached or the walk gets stuck.
bool PlanAutopilot(const Labyrinth& labyrinth, const Player& start, uint32_t maxTicks,
                   std::vector<TickInput>& ticks);
