// Main menu, labyrinth list, play and the solved screen.
#pragma once
#include <cstdint>

#include "game/game_state.h"

// Best times, beside the settings file.
const char RECORDS_FILE[] = "Records.txt";

// R: watch the best run of the labyrinth just solved, or of the list's row.
const unsigned KEY_WATCH = 'R';

// Rows of the labyrinth list's window.
const uint32_t LIST_ROWS = 5;

void HandleFlowKeys(Game& game);
bool StartLabyrinth(Game& game);
// Plays the picture at `path` at once, with the Palette.txt beside it when
// there is one. A picture that cannot be played leaves the main menu up,
// saying why.
bool StartOutsideLabyrinth(Game& game, const char* path);
// A replay played from the start of the labyrinth in play, without a window:
// the tick at which it reaches the goal (the goal checked before each tick,
// as in play), or NO_TICK when its ticks end first.
const uint32_t NO_TICK = 0xFFFFFFFFu;
uint32_t RunReplay(Game& game, const Replay& replay);
// The list's labyrinth whose content has this hash, or NO_TICK.
uint32_t FindListedLabyrinth(Game& game, uint64_t hash);
// The labyrinth being played or last played: a list index or OUTSIDE_LABYRINTH.
uint32_t CurrentLabyrinth(const Game& game);
void FinishLabyrinth(Game& game);
// The ticks due this frame of play, each run on its own so walls are met tick
// by tick. The goal is checked before each, so a slow frame never carries the
// player over it and no tick runs once it is reached.
uint32_t RunPlayTicks(Game& game, uint32_t ticks);   // the ticks that ran
// While playing: the labyrinth's picture and palette read again once saved
// anew, as the reload key does.
void WatchLabyrinthFiles(Game& game, uint32_t nowMs);
void EnterPlayView();
void EnterMenuView();
// A labyrinth's name on screen: its path without the labyrinth folder (an
// outside one's without its folder).
const char* LabyrinthDisplayName(const Game& game, uint32_t index);
