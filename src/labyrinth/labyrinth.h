// Labyrinth images found at start-up, the palette that gives colours meaning,
// and the grid of cells built from one image.
#pragma once
#include <cstdint>

const unsigned MAX_LABYRINTHS = 128;
const unsigned LABYRINTH_PATH_SIZE = 128;   // bytes, NUL included
const unsigned MAX_PALETTE_ROWS = 256;

struct LabyrinthList {
    char paths[MAX_LABYRINTHS][LABYRINTH_PATH_SIZE];
    uint32_t count;
};

struct PaletteEntry {
    char kind;        // 'w' wall, 's' start, 'g' goal, anything else open floor
    uint8_t red;
    uint8_t green;
    uint8_t blue;
};

struct Palette {
    PaletteEntry entries[MAX_PALETTE_ROWS];
};

struct LabyrinthGrid {
    int32_t width;
    int32_t height;
    unsigned char* cells;   // palette row per cell; cell (r, c) at r * width + c, row 0 the picture's top
};

extern LabyrinthList labyrinthList;
extern Palette palette;
extern LabyrinthGrid labyrinthGrid;

// A labyrinth read from its files but not yet the one being played.
struct LabyrinthCandidate {
    Palette palette;
    LabyrinthGrid grid;
};

void FindLabyrinths(const char* folder);
// Reads palette and image into `candidate`, leaving the game's palette and
// grid as they are. On failure nothing is held and `reason` (when given)
// says why in a few words, e.g. "not a BMP or PNG image".
bool ReadLabyrinth(const char* imagePath, const char* palettePath, LabyrinthCandidate& candidate,
                   const char** reason = nullptr);
// The candidate becomes the game's palette and grid; the old grid goes.
void AdoptLabyrinth(LabyrinthCandidate& candidate);
void DiscardLabyrinth(LabyrinthCandidate& candidate);
// ReadLabyrinth then AdoptLabyrinth: a failed load changes nothing.
bool LoadLabyrinth(const char* imagePath, const char* palettePath, const char** reason = nullptr);
// The palette step of LoadLabyrinth on its own: fills palette rows from row 0
// and gives how many the file defined; false when the file cannot be opened.
// (quorvel-tool uses it to tell why a load failed and which rows were appended.)
bool ReadPaletteFile(const char* path, unsigned& count);
void ReleaseLabyrinthGrid();

// Kind of the cell at (row, column), which must lie inside the grid.
char CellKind(int32_t row, int32_t column);
char CellKindOf(const Palette& palette, const LabyrinthGrid& grid, int32_t row, int32_t column);
