// The game's spine: start-up, one frame, shutdown. The message pump around
// them lives with the entry point; the window's events come in through the
// Note* calls of platform.h, which this layer implements.
#pragma once

#include <cstdio>

#include "app/command_line.h"
#include "game/game_state.h"

// The process's one game, for the entry points and the tests.
Game& TheGame();
// Frames run only while the window is active (it has the focus).
bool IsWindowActive();

// Start-up up to the main loop; false when the window could not be created
// (the program then ends at once and writes no settings). The command line's
// labyrinth is played at once, its trace written from here on.
bool StartGame(const CommandLine& commandLine = CommandLine{});

// --replay FILE --verify: the replay's run played as fast as its ticks go,
// nothing drawn; says on `out` where it ended. 0 when it reaches the goal at
// its recorded tick, 1 otherwise (a refused file included).
int VerifyReplayFile(const CommandLine& commandLine, std::FILE* out);

// One frame: this frame's keys, the ticks due while playing, the flow keys,
// drawing, the buffer swap and the rest of the frame slept out (see the frame
// limit in frame.cpp). True when the loop is to end.
bool RunFrame();

// A frame drawn again for the window system (a paint or expose event): no
// keys, no ticks.
void PaintFrame();

// Releases the grid, writes the settings file and destroys the window.
void StopGame();

// Puts the game and the tick clock back as they are when the process starts
// (for tests).
void ResetGame();
