// The game-wide state: one set of plain globals, read and written by the
// frame, the game flow, movement, the window procedure and the drawing code.
#pragma once
#include <cstdint>

#include "platform/keys.h"

extern float playerX;            // along the grid columns, in cells; cell centres on whole numbers
extern float playerZ;            // along the grid rows, in cells
extern float yaw;                // degrees; 0 looks towards lower rows, growing turns left; never wrapped
extern float pitch;              // degrees, positive looks down; kept within -90..90
extern bool menuShown;
extern bool listShown;
extern bool playing;
extern bool solved;
extern uint32_t menuCursor;      // 0 "New Game", 1 "Exit Game"; 0..4 in the list window
extern uint32_t listScroll;      // labyrinth shown in the list window's first row
extern uint32_t selectedLabyrinth;
extern uint32_t solveTimeMs;     // play time, counted as speedLimitMs per tick
extern bool windowActive;
extern unsigned char keys[KEY_CODES];   // by key code, 1 from each key-down until its key-up or use
extern int32_t mouseCentreX;     // screen point the cursor was last put at
extern int32_t mouseCentreY;

// Par and best time of the labyrinth being played, for the solved screen.
const uint32_t NO_TIME = 0xFFFFFFFFu;   // no route to a goal, or no record
extern uint32_t parMs;
extern uint32_t bestMs;
extern bool newBest;             // the solve just made set bestMs

// Why the labyrinth last chosen could not be played ("Cannot load 07.png: no
// open cell"), shown in the menu until the next key press; empty when none.
const unsigned LOAD_MESSAGE_SIZE = 256;
extern char loadFailureMessage[LOAD_MESSAGE_SIZE];

// Set by "Exit Game" or F12; the loop ends after the frame that set it.
extern bool quitRequested;

// Ends a frame for the keys: releases that waited for a frame to see their
// press take effect now (see NoteKey).
void SettleKeys();

// Puts every field back to its start-of-process value (for tests).
void ResetGameState();
