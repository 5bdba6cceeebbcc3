// The small map in the window's top-right corner, during play when asked for (M).
#pragma once

#include "game/game_state.h"

void DrawMap(const Game& game);
