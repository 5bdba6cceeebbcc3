// The game's spine: start-up, one frame, shutdown. The message pump around
// them lives with the entry point.
#pragma once

// Start-up up to the main loop; false when the window could not be created
// (the program then ends at once and writes no settings).
bool StartGame();

// One frame: goal check and the ticks due while playing, the flow keys,
// drawing, the buffer swap and a 1 ms sleep. True when the loop is to end.
bool RunFrame();

// Releases the grid, writes the settings file and destroys the window.
void StopGame();

// Restarts the tick clock as start-up does (for tests).
void ResetTickClock();
