// Main menu, labyrinth list, play and the solved screen.
#pragma once
#include <cstdint>

#include "game/game_state.h"

// Best times, beside the settings file.
const char RECORDS_FILE[] = "Records.txt";

// R: watch the best run of the labyrinth just solved, or of the list's row.
const unsigned KEY_WATCH = 'R';
// In play, unless bound to an action: G shows or hides the best run's ghost,
// H shows the next cells of the shortest route on the map for a while.
const unsigned KEY_GHOST = 'G';
const unsigned KEY_HINT = 'H';
const uint32_t HINT_CELLS = 8;
const uint32_t HINT_MS = 3000;
// The main menu left alone this long walks a labyrinth by itself.
const uint32_t ATTRACT_AFTER_MS = 30000;
// The attract mode's walk ends after at most this much play time.
const uint32_t ATTRACT_LONGEST_MS = 600000;

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
// The par of the labyrinth in play into flow.parMs, once its search is done:
// waits for it when it still runs. The solved screen's par is settled.
void SettlePar(Game& game);
// The ticks due this frame of play, each run on its own so walls are met tick
// by tick. The goal is checked before each, so a slow frame never carries the
// player over it and no tick runs once it is reached.
uint32_t RunPlayTicks(Game& game, uint32_t ticks);   // the ticks that ran
// While playing: the labyrinth's picture and palette read again once saved
// anew, as the reload key does.
void WatchLabyrinthFiles(Game& game, uint32_t nowMs);
// In the main menu, with no run to resume: once no key and no cursor move
// has come for ATTRACT_AFTER_MS, the current labyrinth (or the first) is
// walked along its shortest route, watched as a best run is; any key ends it.
void FollowIdleTime(Game& game, uint32_t nowMs);
// Whether the best run's ghost is drawn now, and whether the hint is.
bool GhostShown(const Game& game);
bool HintShown(const Game& game);
void EnterPlayView();
void EnterMenuView();
// A labyrinth's name on screen: its path without the labyrinth folder (an
// outside one's without its folder).
const char* LabyrinthDisplayName(const Game& game, uint32_t index);
