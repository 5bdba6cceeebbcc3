// The six settings kept in "Quorvel.ini", with their built-in defaults.
#pragma once
#include <cstdint>

const unsigned FOLDER_SIZE = 128;   // bytes, NUL included
// Values beyond these cannot work and are clamped as the file is read.
const unsigned MAX_SPEED_LIMIT_MS = 1000;
const unsigned MAX_WINDOW_SIDE = 16384;

struct Settings {
    uint32_t selectedLabyrinth = 0;   // index of the current labyrinth in the list
    uint32_t speedLimitMs = 10;       // milliseconds per game tick
    uint8_t fullscreen = 0;
    char imagesFolder[FOLDER_SIZE] = "Images\\";   // a prefix ending in its separator
    char labyrinthsFolder[FOLDER_SIZE] = "Labyrinths\\";
    int32_t windowWidth = 640;        // last client size reported by the window
    int32_t windowHeight = 480;
    // The last client size with both sides non-zero: a window minimised at
    // exit reports 0 x 0, which is not worth keeping for the next start.
    int32_t restoredWidth = 640;
    int32_t restoredHeight = 480;
};

void ReadSettings(Settings& settings, const char* path);
// Applies the "Labyrinth" clamp for the number of labyrinths found.
void ClampSelectedLabyrinth(Settings& settings, uint32_t labyrinthCount);
void WriteSettings(const Settings& settings, const char* path);
// Each size message of the window, minimised (0 x 0) included.
void KeepClientSize(Settings& settings, int32_t width, int32_t height);
