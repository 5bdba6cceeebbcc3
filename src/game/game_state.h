// The game as one value: each part written by the module named beside it,
// read by whoever needs it. The app keeps the one instance of the process
// and hands it by reference to the game flow and the drawing code; tests make
// their own.
#pragma once
#include <cstdint>

#include "game/controls.h"
#include "game/file_watch.h"
#include "game/input.h"
#include "game/movement.h"
#include "game/options.h"
#include "game/par_search.h"
#include "game/records.h"
#include "game/replay.h"
#include "game/settings.h"
#include "game/walked_map.h"
#include "labyrinth/labyrinth.h"
#include "labyrinth/route.h"

// What the player sees, one screen at a time.
enum GameScreen {
    SCREEN_MAIN_MENU,   // "New Game", "Exit Game"
    SCREEN_LIST,        // the labyrinth list
    SCREEN_PLAY,        // the 3D view; ticks run
    SCREEN_SOLVED,      // "Labyrinth solved!"
    SCREEN_OPTIONS,     // the player's options, from the main menu
    SCREEN_KEYS,        // the keys of each action, from the options
};

// Rows of the main menu.
const uint32_t MAIN_MENU_NEW_GAME = 0;
const uint32_t MAIN_MENU_OPTIONS = 1;
const uint32_t MAIN_MENU_EXIT_GAME = 2;

// Why the labyrinth last chosen could not be played ("Cannot load 07.png: no
// open cell"), shown until the next key press; empty when none.
const unsigned LOAD_MESSAGE_SIZE = 256;
// Keys of the solved screen: Enter, Space and Escape.
const unsigned SOLVED_KEY_COUNT = 3;

// The screens and what they say, written by the game flow.
// A labyrinth from outside the list (named on the command line), played in
// place of the selected one; its palette is the one beside it, if any.
const uint32_t OUTSIDE_LABYRINTH = UINT32_MAX;   // its index, where a list index would go
const unsigned OUTSIDE_PATH_SIZE = 1024;

struct OutsideLabyrinth {
    char path[OUTSIDE_PATH_SIZE] = {};
    char palette[OUTSIDE_PATH_SIZE] = {};
    uint64_t hash = 0;
};

struct FlowState {
    GameScreen screen = SCREEN_MAIN_MENU;
    uint32_t menuCursor = 0;    // the pointed row: of the main menu, the list window, the options or the keys
    uint32_t keySlot = 0;       // on the key page: the first or second key of the row
    bool awaitingKey = false;   // on the key page: the next key pressed is bound
    uint32_t listScroll = 0;    // labyrinth shown in the list window's first row
    uint32_t solveTimeMs = 0;   // play time, counted as speedLimitMs per tick
    // Par and best time of the labyrinth being played, for the solved screen.
    // The par is searched for as play begins and settled by SettlePar.
    uint32_t parMs = NO_TIME;
    ParSearch parSearch;
    uint32_t bestMs = NO_TIME;
    bool newBest = false;       // the solve just made set bestMs
    char loadFailureMessage[LOAD_MESSAGE_SIZE] = {};
    bool quitRequested = false;   // "Exit Game" or F12; the loop ends after this frame
    // From a successful start until the labyrinth is solved: only then can
    // Escape in the main menu resume play. A grid alone is not enough, since
    // after a solve it still holds the finished labyrinth.
    bool labyrinthInProgress = false;
    // The solved screen's keys that were down when the goal was reached: they
    // count only once released and pressed again.
    bool solvedKeyHeldOver[SOLVED_KEY_COUNT] = {};
    // The keys held when the failed-load message went up; any other key's press takes it away.
    bool keysUnderMessage[KEY_CODES] = {};
    bool playingOutside = false;     // the labyrinth in play is `outside`, not the selected one
    OutsideLabyrinth outside;
    // Counted for whoever watches the game (the trace): starts and reloads that took.
    uint32_t labyrinthStarts = 0;
    uint32_t labyrinthReloads = 0;
    FileWatch watch;                 // the played labyrinth's files, for a reload on save
    // This run's ticks from its start; a run whose labyrinth was read again
    // on the way could not be played back, and is not kept.
    Replay recording;
    bool recordingKept = false;
    // Watching a best run: its ticks are played instead of the keys and the mouse.
    bool watching = false;
    Replay watched;
    uint32_t watchedTick = 0;
    GameScreen watchedFrom = SCREEN_SOLVED;   // where the watching ends
    uint32_t runTicks = 0;           // ticks of the run in play, from its start
    // The best run of this labyrinth beside this one: where it stood at the
    // same moment of its own run. No ticks without a best run.
    Replay ghostRun;
    Player ghost;
    uint32_t ghostTick = 0;
    // H in play: the next cells of the shortest route, on the map until the
    // run reaches hintUntilTick. A run that asked is no record.
    std::vector<RouteCell> hintCells;
    uint32_t hintUntilTick = 0;
    bool assisted = false;
    // The attract mode: after the main menu has been left alone a while, a
    // run the game plans itself is watched.
    bool autopilot = false;
    uint32_t idleSinceMs = 0;
    bool idleClockRunning = false;
    int idleCursorX = 0;
    int idleCursorY = 0;
};

// The labyrinth's cells are released by whoever ends the game (StopGame), not
// by the value itself: tests lend grids of their own to it.
struct Game {
    Game() = default;
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    Settings settings;           // settings.cpp; the window's size through the app
    Options options;             // options.cpp: Options.ini, and the keys bound to actions
    KeyState keys;               // input.cpp, from the window's events through the app
    FlowState flow;              // game_flow.cpp
    Player player;               // movement.cpp and the game flow's starts
    MouseLook mouse;             // movement.cpp
    LabyrinthList labyrinthList; // found at start-up and on F5 in the menus
    Labyrinth labyrinth;         // the one being played, replaced by each successful load
    Records records;             // records.cpp
    WalkedMap map;               // walked_map.cpp
};

inline bool IsPlaying(const Game& game)
{
    return game.flow.screen == SCREEN_PLAY;
}

inline bool IsInMenu(const Game& game)
{
    return game.flow.screen == SCREEN_MAIN_MENU || game.flow.screen == SCREEN_LIST;
}

// Every part back to its start-of-process value; the labyrinth's cells go.
void ResetGameState(Game& game);
