// The six settings kept in "Quorvel.ini", with their built-in defaults.
#pragma once
#include <cstdint>

const unsigned FOLDER_SIZE = 128;   // bytes, NUL included
// Values beyond these cannot work and are clamped as the file is read.
const unsigned MAX_SPEED_LIMIT_MS = 1000;
const unsigned MAX_WINDOW_SIDE = 16384;

extern uint32_t speedLimitMs;       // milliseconds per game tick
extern uint8_t fullscreen;
extern char imagesFolder[FOLDER_SIZE];       // a prefix ending in its separator
extern char labyrinthsFolder[FOLDER_SIZE];
extern int32_t windowWidth;         // last client size reported by the window
extern int32_t windowHeight;
// selectedLabyrinth, the sixth, is a GameState field.

void ReadSettings(const char* path);
// Applies the "Labyrinth" clamp for the number of labyrinths found.
void ClampSelectedLabyrinth(uint32_t labyrinthCount);
void WriteSettings(const char* path);

// Puts every setting back to its default (for tests).
void ResetSettings();

// The window's size messages arrive through NoteClientSize (platform.h): the
// last non-zero size is what a minimised window writes at exit.
