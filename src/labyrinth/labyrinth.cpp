#include "labyrinth/labyrinth.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "labyrinth/text_lines.h"
#include "image/image_data.h"
#include "image/image_reader.h"

Palette palette;
LabyrinthGrid labyrinthGrid;

// ---------------------------------------------------------------------------
// Palette file

// One number as "%u" reads it: blanks skipped, an optional sign, at least one
// digit. The value wraps modulo 2^32 (a sign negates it) rather than
// overflowing; only its low 8 bits are kept anyway, and those come out the
// same for any length of number.
static bool ParsePaletteNumber(const char*& text, uint8_t& value)
{
    const char* p = text;
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\v' || *p == '\f' || *p == '\r') ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (*p < '0' || *p > '9') return false;
    uint32_t number = 0;
    while (*p >= '0' && *p <= '9') number = number * 10u + uint32_t(*p++ - '0');
    if (negative) number = 0u - number;
    value = uint8_t(number & 0xFFu);
    text = p;
    return true;
}

// "%c%u %u %u": the very first character is the kind, blank or not.
static bool ParsePaletteLine(const char* line, PaletteEntry& entry)
{
    if (line[0] == '\0') return false;
    PaletteEntry parsed;
    parsed.kind = line[0];
    const char* p = line + 1;
    if (!ParsePaletteNumber(p, parsed.red)) return false;
    if (!ParsePaletteNumber(p, parsed.green)) return false;
    if (!ParsePaletteNumber(p, parsed.blue)) return false;
    entry = parsed;
    return true;
}

static bool ReadPaletteInto(Palette& palette, const char* path, unsigned& count)
{
    if (!path) return false;
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    unsigned rows = 0;
    char line[TEXT_LINE_SIZE];
    while (rows < MAX_PALETTE_ROWS && ReadTextLine(file, line)) {
        if (ParsePaletteLine(line, palette.entries[rows])) ++rows;
    }
    std::fclose(file);
    count = rows;
    return true;
}

bool ReadPaletteFile(const char* path, unsigned& count)
{
    return ReadPaletteInto(palette, path, count);
}

// ---------------------------------------------------------------------------
// Grid

// Colour to palette row, giving exactly what a first-match search over the
// rows in use would give, without paying up to 256 comparisons per pixel.
// Each colour is entered once, by the first row that has it, so later
// duplicates never shadow it. At most 256 colours live in 512 slots, so
// probe chains stay short.
struct ColourIndex {
    static const unsigned SLOTS = 512;
    uint32_t keys[SLOTS];             // colour | OCCUPIED, 0 for an empty slot
    unsigned char rows[SLOTS];
    static const uint32_t OCCUPIED = 0x1000000u;
};

static unsigned ColourSlot(uint32_t colour)
{
    return (colour * 2654435761u) >> 23;   // top 9 bits: 0 to 511
}

// The slot holding `colour`, or the empty slot where it would go.
static unsigned FindColourSlot(const ColourIndex& index, uint32_t colour)
{
    unsigned slot = ColourSlot(colour);
    while (index.keys[slot] != 0 && index.keys[slot] != (colour | ColourIndex::OCCUPIED)) {
        slot = (slot + 1) & (ColourIndex::SLOTS - 1);
    }
    return slot;
}

static void AddColour(ColourIndex& index, uint32_t colour, unsigned row)
{
    unsigned slot = FindColourSlot(index, colour);
    if (index.keys[slot] != 0) return;   // an earlier row already owns the colour
    index.keys[slot] = colour | ColourIndex::OCCUPIED;
    index.rows[slot] = (unsigned char)row;
}

static uint32_t PackColour(uint8_t red, uint8_t green, uint8_t blue)
{
    return (uint32_t(red) << 16) | (uint32_t(green) << 8) | blue;
}

// The row for one pixel colour, appending a kind-0 row for a colour the table
// lacks while there is room; once all 256 rows are used, such colours get 255.
static unsigned char LookUpColour(Palette& palette, ColourIndex& index, unsigned& rowCount, uint32_t colour)
{
    unsigned slot = FindColourSlot(index, colour);
    if (index.keys[slot] != 0) return index.rows[slot];
    if (rowCount >= MAX_PALETTE_ROWS) return (unsigned char)(MAX_PALETTE_ROWS - 1);
    PaletteEntry& entry = palette.entries[rowCount];
    entry.kind = 0;
    entry.red = uint8_t(colour >> 16);
    entry.green = uint8_t(colour >> 8);
    entry.blue = uint8_t(colour);
    index.keys[slot] = colour | ColourIndex::OCCUPIED;
    index.rows[slot] = (unsigned char)rowCount;
    return (unsigned char)rowCount++;
}

// Visits the buffer in its own order, bottom picture row first, so appended
// rows are numbered by first appearance in that scan. Grey images count as
// red = green = blue; an alpha component never takes part.
static void ConvertPixels(const ImageData& image, Palette& palette, unsigned rowCount, unsigned char* cells)
{
    ColourIndex index;   // 2.5 KiB
    std::memset(index.keys, 0, sizeof index.keys);
    for (unsigned row = 0; row < rowCount; ++row) {
        const PaletteEntry& entry = palette.entries[row];
        AddColour(index, PackColour(entry.red, entry.green, entry.blue), row);
    }

    const size_t width = size_t(image.width);
    const size_t height = size_t(image.height);
    const size_t stride = ImageRowStride(image.width, image.components);
    const unsigned components = image.components;
    const bool grey = components < 3;
    for (size_t bufferRow = 0; bufferRow < height; ++bufferRow) {
        const unsigned char* pixel = image.pixels + bufferRow * stride;
        unsigned char* out = cells + (height - 1 - bufferRow) * width;
        for (size_t column = 0; column < width; ++column, pixel += components) {
            uint32_t colour = grey ? PackColour(pixel[0], pixel[0], pixel[0])
                                   : PackColour(pixel[0], pixel[1], pixel[2]);
            out[column] = LookUpColour(palette, index, rowCount, colour);
        }
    }
}

bool ReadLabyrinth(const char* imagePath, const char* palettePath, LabyrinthCandidate& candidate,
                   const char** reason)
{
    const char* ignored = nullptr;
    const char*& why = reason ? *reason : ignored;
    // Rows the file does not reach keep what they held, as in the game's own table.
    candidate.palette = palette;
    candidate.grid = LabyrinthGrid{0, 0, nullptr};
    unsigned rowCount = 0;
    if (!ReadPaletteInto(candidate.palette, palettePath, rowCount)) {
        why = "the palette file cannot be opened";
        return false;
    }
    if (rowCount == 0) {
        why = "the palette file lists no colour";
        return false;
    }

    ImageData image = {};
    ImageFailure failure = IMAGE_CANNOT_OPEN;
    if (!imagePath || !ReadImage(image, imagePath, &failure)) {
        why = ImageFailureText(failure);
        return false;
    }

    // Whatever reader made the image, the grid is no larger than the readers allow.
    if (image.width > MAX_IMAGE_SIDE || image.height > MAX_IMAGE_SIDE) {
        FreeImage(image);
        why = ImageFailureText(IMAGE_TOO_LARGE);
        return false;
    }
    const size_t width = size_t(image.width);
    const size_t height = size_t(image.height);
    unsigned char* cells = new (std::nothrow) unsigned char[width * height];
    if (!cells) {
        FreeImage(image);
        why = "not enough memory";
        return false;
    }
    ConvertPixels(image, candidate.palette, rowCount, cells);
    FreeImage(image);
    candidate.grid = LabyrinthGrid{image.width, image.height, cells};
    return true;
}

void AdoptLabyrinth(LabyrinthCandidate& candidate)
{
    delete[] labyrinthGrid.cells;
    labyrinthGrid = candidate.grid;
    palette = candidate.palette;
    candidate.grid = LabyrinthGrid{0, 0, nullptr};
}

void DiscardLabyrinth(LabyrinthCandidate& candidate)
{
    delete[] candidate.grid.cells;
    candidate.grid = LabyrinthGrid{0, 0, nullptr};
}

bool LoadLabyrinth(const char* imagePath, const char* palettePath, const char** reason)
{
    LabyrinthCandidate candidate;
    if (!ReadLabyrinth(imagePath, palettePath, candidate, reason)) return false;
    AdoptLabyrinth(candidate);
    return true;
}

void ReleaseLabyrinthGrid()
{
    delete[] labyrinthGrid.cells;
    labyrinthGrid.cells = nullptr;
    labyrinthGrid.width = 0;
    labyrinthGrid.height = 0;
}

char CellKindOf(const Palette& palette, const LabyrinthGrid& grid, int32_t row, int32_t column)
{
    return palette.entries[grid.cells[size_t(row) * size_t(grid.width) + size_t(column)]].kind;
}

char CellKind(int32_t row, int32_t column)
{
    return CellKindOf(palette, labyrinthGrid, row, column);
}
