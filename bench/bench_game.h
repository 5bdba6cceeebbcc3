// The game's own rows: start-up, choosing a labyrinth, the menu frame.
#pragma once

void BenchGame(bool quick, int rounds);
