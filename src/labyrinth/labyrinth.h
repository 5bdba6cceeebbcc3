// Labyrinth images found at start-up, the palette that gives colours meaning,
// and the grid of cells built from one image.
#pragma once
#include <cstddef>
#include <cstdint>

// A real collection: thousands of pictures, and Windows' longest path.
const unsigned MAX_LABYRINTHS = 4096;
const unsigned LABYRINTH_PATH_SIZE = 260;   // bytes, NUL included
const unsigned MAX_PALETTE_ROWS = 256;

struct LabyrinthList {
    char paths[MAX_LABYRINTHS][LABYRINTH_PATH_SIZE] = {};
    uint32_t count = 0;
};

struct PaletteEntry {
    char kind;        // 'w' wall, 's' start, 'g' goal, anything else open floor
    uint8_t red;
    uint8_t green;
    uint8_t blue;
};

struct Palette {
    PaletteEntry entries[MAX_PALETTE_ROWS] = {};
};

struct LabyrinthGrid {
    int32_t width = 0;
    int32_t height = 0;
    unsigned char* cells = nullptr;   // palette row per cell; cell (r, c) at r * width + c, row 0 the picture's top
};

// A palette and the grid built with it: the one being played, or one read
// from its files that may take its place. The grid's cells belong to it.
struct Labyrinth {
    Palette palette;
    LabyrinthGrid grid;
};

// Up to and including the value's last separator: where its files are.
size_t FolderPartLength(const char* folderValue);
void FindLabyrinths(LabyrinthList& list, const char* folder);
// Reads palette and image into `candidate`, whose old grid must already be
// released or handed on. On failure nothing is held and `reason` (when given)
// says why in a few words, e.g. "not a BMP or PNG image".
bool ReadLabyrinth(const char* imagePath, const char* palettePath, Labyrinth& candidate,
                   const char** reason = nullptr);
// The candidate becomes `current`, whose old grid goes; the candidate is left empty.
void AdoptLabyrinth(Labyrinth& current, Labyrinth& candidate);
// Releases the grid's cells; the labyrinth is then empty.
void ReleaseLabyrinth(Labyrinth& labyrinth);
// ReadLabyrinth then AdoptLabyrinth: a failed load changes nothing.
bool LoadLabyrinth(Labyrinth& current, const char* imagePath, const char* palettePath,
                   const char** reason = nullptr);
// The palette step of LoadLabyrinth on its own: fills palette rows from row 0
// and gives how many the file defined; false when the file cannot be opened.
// (quorvel-tool uses it to tell why a load failed and which rows were appended.)
bool ReadPaletteFile(Palette& palette, const char* path, unsigned& count);

bool HasCells(const Labyrinth& labyrinth);
// Kind of the cell at (row, column), which must lie inside the grid.
char CellKind(const Labyrinth& labyrinth, int32_t row, int32_t column);
