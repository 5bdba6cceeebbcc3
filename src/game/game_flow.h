// Main menu, labyrinth list, play and the solved screen.
#pragma once
#include <cstdint>

#include "game/game_state.h"

// Best times, beside the settings file.
const char RECORDS_FILE[] = "Records.txt";

// Rows of the labyrinth list's window.
const uint32_t LIST_ROWS = 5;

void HandleFlowKeys(Game& game);
bool StartLabyrinth(Game& game);
void FinishLabyrinth(Game& game);
// The ticks due this frame of play, each run on its own so walls are met tick
// by tick. The goal is checked before each, so a slow frame never carries the
// player over it and no tick runs once it is reached.
void RunPlayTicks(Game& game, uint32_t ticks);
void EnterPlayView();
void EnterMenuView();
// A labyrinth's name on screen: its path without the labyrinth folder.
const char* LabyrinthDisplayName(const Game& game, uint32_t index);
