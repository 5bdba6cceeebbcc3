#include "labyrinth/labyrinth.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "labyrinth/text_lines.h"
#include "image/image_data.h"
#include "image/image_reader.h"
#include "platform/platform.h"

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
    std::FILE* file = PlatformOpenFile(path, "rb");
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

bool ReadPaletteFile(Palette& palette, const char* path, unsigned& count)
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

// ---------------------------------------------------------------------------
// Image to cells

static const unsigned QUAD_SLOT_BITS = 10;   // see CellConverter::QUAD_SLOTS

// The rows of the image arrive through ImageRowSink in whatever order the reader
// finishes them (a PNG's top row first), each converted while it is still in
// cache. Colours the palette lacks must be numbered by their first appearance in
// the scan the game has always used, bottom picture row first, so they are
// numbered as met and renumbered afterwards if the rows came in another order.
// Only when the table also ran out of rows on the way can the numbers not be
// mended, and then the image is read again into a buffer and sent bottom row first.
class CellConverter : public ImageRowSink {
public:
    CellConverter(Palette& palette, unsigned listedRows)
        : palette_(palette), original_(palette), listedRows_(listedRows)
    {
    }
    ~CellConverter() { delete[] cells_; }

    bool Begin(int32_t width, int32_t height, unsigned components) override;
    // Colours are only compared, so their bytes may come in either order.
    bool BeginBlueFirst(int32_t width, int32_t height) override;
    void Row(int32_t row, const unsigned char* pixels) override;

    // After the last row: the appended rows in scan order, or false when the
    // rows must be sent again bottom row first.
    bool Finish();
    // The palette as the file left it, for a load that failed.
    void ForgetAppendedRows() { palette_ = original_; }
    // Hands the cells to the caller.
    unsigned char* TakeCells()
    {
        unsigned char* cells = cells_;
        cells_ = nullptr;
        return cells;
    }
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    const char* Refusal() const { return refusal_; }

private:
    // Four neighbouring pixels at a time, looked up by their colours together: one
    // probe and one store per four cells. A maze's colour runs are too short for a
    // run cache to pay, but a labyrinth has few colours, so the runs of four it holds
    // are few too. The cache is direct-mapped and small enough to stay in the L1
    // cache beside the row being converted; a slot holds the four pixels' colour
    // bytes (at most 16, alpha cleared) and their four rows.
    static const unsigned QUAD_SLOTS = 1u << QUAD_SLOT_BITS;

    template <unsigned C, bool BLUE_FIRST>
    void ConvertRow(const unsigned char* pixels, unsigned char* out);
    template <unsigned C, bool BLUE_FIRST>
    uint32_t QuadMiss(uint64_t low, uint64_t high, const unsigned char* pixels);
    void ResetQuads();
    unsigned char RowOf(uint32_t colour);
    void RenumberAppendedRows();

    Palette& palette_;
    const Palette original_;
    const unsigned listedRows_;
    unsigned rowCount_ = 0;
    ColourIndex index_;
    uint64_t quadLows_[QUAD_SLOTS];    // each slot's key, in two halves
    uint64_t quadHighs_[QUAD_SLOTS];
    uint32_t quadRows_[QUAD_SLOTS];    // the four rows as they go into the cells, left first
    uint64_t multiplier_ = 0;
    uint64_t alphaMask_ = 0;
    unsigned evictions_ = 0;
    unsigned rehashes_ = 0;
    unsigned char* cells_ = nullptr;
    int32_t width_ = 0;
    int32_t height_ = 0;
    unsigned components_ = 0;
    bool blueFirst_ = false;   // three-byte pixels stored blue, green, red
    int32_t rowsSeen_ = 0;
    bool inScanOrder_ = true;
    bool tableFull_ = false;   // a colour found no free row
    const char* refusal_ = nullptr;
};

// The pixel's colour as PackColour gives it: grey counts as red = green = blue,
// alpha takes no part.
template <unsigned C, bool BLUE_FIRST>
static uint32_t ColourAt(const unsigned char* pixel)
{
    if (C < 3) return uint32_t(pixel[0]) * 0x010101u;
    if (BLUE_FIRST) return PackColour(pixel[2], pixel[1], pixel[0]);
    return PackColour(pixel[0], pixel[1], pixel[2]);
}

static uint64_t Load64(const unsigned char* p)
{
    uint64_t value;
    std::memcpy(&value, p, 8);
    return value;
}

static uint32_t Load32(const unsigned char* p)
{
    uint32_t value;
    std::memcpy(&value, p, 4);
    return value;
}

// Eight bytes that, laid over pixels in memory, clear the alpha bytes (the last of
// a pixel of two or four components) and keep the rest, whatever the machine's byte order.
static uint64_t AlphaMask(unsigned components)
{
    unsigned char bytes[8];
    for (unsigned k = 0; k < 8; ++k) bytes[k] = components % 2 == 0 && k % components == components - 1 ? 0 : 0xFF;
    return Load64(bytes);
}

// The key of the four pixels at `pixels`: their colour bytes (grey, or red, green and
// blue) as they lie in memory, read a word at a time, alpha cleared. A key's `high`
// never has all its bits set, since for every layout some of them are cleared or lie
// beyond the pixels; that marks an unused slot. Keys are only ever compared with keys
// made here from the same kind of pixels: each Begin empties the cache.
template <unsigned C>
static uint64_t QuadKeyLow(const unsigned char* pixels, uint64_t alphaMask)
{
    if (C == 1) return Load32(pixels);
    if (C == 3) return Load64(pixels);
    return Load64(pixels) & alphaMask;
}

template <unsigned C>
static uint64_t QuadKeyHigh(const unsigned char* pixels, uint64_t alphaMask)
{
    if (C < 3) return 0;
    if (C == 3) return Load32(pixels + 8);
    return Load64(pixels + 8) & alphaMask;
}

// The top bits of the product pick the slot; `high` is spread first, so that runs
// differing only in their last pixel do not share one.
static unsigned QuadSlot(uint64_t low, uint64_t high, uint64_t multiplier)
{
    return unsigned(((high * 0xFF51AFD7ED558CCDull ^ low) * multiplier) >> (64 - QUAD_SLOT_BITS));
}

// Odd 64-bit multipliers; the next is tried when two busy runs of four keep taking
// the same slot from each other.
static const uint64_t QUAD_MULTIPLIERS[] = {0x9E3779B97F4A7C15ull, 0xC2B2AE3D27D4EB4Full, 0x165667B19E3779F9ull,
                                            0xD6E8FEB86659FD93ull};

bool CellConverter::Begin(int32_t width, int32_t height, unsigned components)
{
    // Whatever reader made the image, the grid is no larger than the readers allow.
    if (width <= 0 || height <= 0 || components < 1 || components > 4) {
        refusal_ = "damaged or unsupported image";
        return false;
    }
    if (width > MAX_IMAGE_SIDE || height > MAX_IMAGE_SIDE) {
        refusal_ = RefusalSummary(ImageRefusal::TOO_LARGE);
        return false;
    }
    if (!cells_ || width != width_ || height != height_) {
        delete[] cells_;
        // Every cell is written once by its row, so the memory is not cleared first.
        cells_ = new (std::nothrow) unsigned char[size_t(width) * size_t(height)];
        if (!cells_) {
            refusal_ = "not enough memory";
            return false;
        }
    }
    width_ = width;
    height_ = height;
    components_ = components;
    blueFirst_ = false;
    rowsSeen_ = 0;
    inScanOrder_ = true;
    tableFull_ = false;

    // An image that begins again forgets the rows the last one appended.
    palette_ = original_;
    rowCount_ = listedRows_;
    std::memset(index_.keys, 0, sizeof index_.keys);
    for (unsigned row = 0; row < listedRows_; ++row) {
        const PaletteEntry& entry = palette_.entries[row];
        AddColour(index_, PackColour(entry.red, entry.green, entry.blue), row);
    }
    alphaMask_ = AlphaMask(components);
    rehashes_ = 0;
    ResetQuads();
    return true;
}

bool CellConverter::BeginBlueFirst(int32_t width, int32_t height)
{
    if (!Begin(width, height, 3)) return false;
    blueFirst_ = true;
    return true;
}

void CellConverter::ResetQuads()
{
    for (unsigned slot = 0; slot < QUAD_SLOTS; ++slot) {
        quadLows_[slot] = 0;
        quadHighs_[slot] = ~uint64_t(0);
    }
    multiplier_ = QUAD_MULTIPLIERS[rehashes_];
    evictions_ = 0;
}

// The row for one pixel colour, appending a kind-0 row for a colour the table
// lacks while there is room; once all 256 rows are used, such colours get 255.
unsigned char CellConverter::RowOf(uint32_t colour)
{
    unsigned slot = FindColourSlot(index_, colour);
    if (index_.keys[slot] != 0) return index_.rows[slot];
    if (rowCount_ >= MAX_PALETTE_ROWS) {
        tableFull_ = true;
        return (unsigned char)(MAX_PALETTE_ROWS - 1);
    }
    PaletteEntry& entry = palette_.entries[rowCount_];
    entry.kind = 0;
    entry.red = uint8_t(colour >> 16);
    entry.green = uint8_t(colour >> 8);
    entry.blue = uint8_t(colour);
    index_.keys[slot] = colour | ColourIndex::OCCUPIED;
    index_.rows[slot] = (unsigned char)rowCount_;
    return (unsigned char)rowCount_++;
}

#if defined(_MSC_VER)
#define QUORVEL_NOINLINE __declspec(noinline)
#else
#define QUORVEL_NOINLINE __attribute__((noinline))
#endif

// Four pixels the cache does not hold: their rows, found one colour at a time, left
// first as the scan meets them, and kept in their slot. Kept out of the conversion
// loop, which a hit runs through in a few instructions.
template <unsigned C, bool BLUE_FIRST>
QUORVEL_NOINLINE uint32_t CellConverter::QuadMiss(uint64_t low, uint64_t high, const unsigned char* pixels)
{
    unsigned char rows[4];
    for (unsigned k = 0; k < 4; ++k) rows[k] = RowOf(ColourAt<C, BLUE_FIRST>(pixels + k * C));
    unsigned slot = QuadSlot(low, high, multiplier_);
    if (quadHighs_[slot] != ~uint64_t(0) && ++evictions_ > 4 * QUAD_SLOTS &&
        rehashes_ + 1 < sizeof QUAD_MULTIPLIERS / sizeof QUAD_MULTIPLIERS[0]) {
        // More runs chase each other out of their slots than a picture of few
        // colours explains: another multiplier may spread them. An image of many
        // colours goes through the few multipliers and then lives with its misses.
        ++rehashes_;
        ResetQuads();
        slot = QuadSlot(low, high, multiplier_);
    }
    quadLows_[slot] = low;
    quadHighs_[slot] = high;
    std::memcpy(&quadRows_[slot], rows, 4);
    return quadRows_[slot];
}

template <unsigned C, bool BLUE_FIRST>
void CellConverter::ConvertRow(const unsigned char* pixels, unsigned char* out)
{
    unsigned char* const end = out + size_t(width_);
    unsigned char* const quadsEnd = out + (size_t(width_) & ~size_t(3));
    const uint64_t alphaMask = alphaMask_;
    uint64_t multiplier = multiplier_;
    for (; out != quadsEnd; out += 4, pixels += 4 * C) {
        const uint64_t low = QuadKeyLow<C>(pixels, alphaMask), high = QuadKeyHigh<C>(pixels, alphaMask);
        const unsigned slot = QuadSlot(low, high, multiplier);
        uint32_t rows = quadRows_[slot];
        if (quadLows_[slot] != low || quadHighs_[slot] != high) {
            rows = QuadMiss<C, BLUE_FIRST>(low, high, pixels);
            multiplier = multiplier_;
        }
        std::memcpy(out, &rows, 4);
    }
    for (; out < end; ++out, pixels += C) *out = RowOf(ColourAt<C, BLUE_FIRST>(pixels));
}

void CellConverter::Row(int32_t row, const unsigned char* pixels)
{
    inScanOrder_ = inScanOrder_ && row == height_ - 1 - rowsSeen_;
    ++rowsSeen_;
    unsigned char* out = cells_ + size_t(row) * size_t(width_);
    switch (components_) {
    case 1: ConvertRow<1, false>(pixels, out); break;
    case 2: ConvertRow<2, false>(pixels, out); break;
    case 3:
        if (blueFirst_) ConvertRow<3, true>(pixels, out);
        else ConvertRow<3, false>(pixels, out);
        break;
    default: ConvertRow<4, false>(pixels, out); break;
    }
}

bool CellConverter::Finish()
{
    if (inScanOrder_) return true;
    // Which colours took the last free rows and which found none depends on the
    // scan order; with no row free from the start, all of them get 255 anyway.
    if (tableFull_ && rowCount_ > listedRows_) return false;
    RenumberAppendedRows();
    return true;
}

// The appended rows were numbered in the order the rows came; the scan, bottom
// picture row first, decides. Only the cells up to where the last appended colour
// first shows need looking at, and usually their order already stands.
void CellConverter::RenumberAppendedRows()
{
    if (rowCount_ - listedRows_ < 2) return;
    unsigned char renumbered[MAX_PALETTE_ROWS];
    for (unsigned row = 0; row < MAX_PALETTE_ROWS; ++row) renumbered[row] = (unsigned char)row;
    bool met[MAX_PALETTE_ROWS] = {};
    unsigned next = listedRows_;
    for (size_t row = size_t(height_); row-- > 0 && next < rowCount_;) {
        const unsigned char* line = cells_ + row * size_t(width_);
        for (size_t column = 0; column < size_t(width_); ++column) {
            const unsigned cell = line[column];
            if (cell >= listedRows_ && !met[cell]) {
                met[cell] = true;
                renumbered[cell] = (unsigned char)next++;
            }
        }
    }
    bool same = true;
    for (unsigned row = listedRows_; row < rowCount_; ++row) same = same && renumbered[row] == row;
    if (same) return;

    const Palette numberedAsMet = palette_;
    for (unsigned row = listedRows_; row < rowCount_; ++row)
        palette_.entries[renumbered[row]] = numberedAsMet.entries[row];
    unsigned char* cell = cells_;
    for (size_t n = size_t(width_) * size_t(height_); n > 0; --n, ++cell) *cell = renumbered[*cell];
}

bool ReadLabyrinth(const char* imagePath, const char* palettePath, Labyrinth& candidate,
                   const char** reason)
{
    const char* ignored = nullptr;
    const char*& why = reason ? *reason : ignored;
    // Rows beyond those the file and the image fill are never looked at: every
    // cell names a row this load wrote.
    candidate.palette = Palette{};
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

    CellConverter converter(candidate.palette, rowCount);
    ImageRefusal refusal = imagePath ? ReadImageRows(imagePath, converter) : ImageRefusal::CANNOT_OPEN;
    bool read = refusal == ImageRefusal::NONE;
    if (read && !converter.Finish()) {
        ImageData image = {};
        refusal = ReadImage(image, imagePath);
        read = refusal == ImageRefusal::NONE && SendImageRows(image, converter) && converter.Finish();
        FreeImage(image);
    }
    if (!read) {
        converter.ForgetAppendedRows();
        why = converter.Refusal() ? converter.Refusal() : RefusalSummary(refusal);
        return false;
    }
    candidate.grid = LabyrinthGrid{converter.Width(), converter.Height(), converter.TakeCells()};
    return true;
}

void AdoptLabyrinth(Labyrinth& current, Labyrinth& candidate)
{
    if (&current == &candidate) return;
    delete[] current.grid.cells;
    current = candidate;
    candidate.grid = LabyrinthGrid{0, 0, nullptr};
}

void ReleaseLabyrinth(Labyrinth& labyrinth)
{
    delete[] labyrinth.grid.cells;
    labyrinth.grid = LabyrinthGrid{0, 0, nullptr};
}

bool LoadLabyrinth(Labyrinth& current, const char* imagePath, const char* palettePath, const char** reason)
{
    Labyrinth candidate;
    if (!ReadLabyrinth(imagePath, palettePath, candidate, reason)) return false;
    AdoptLabyrinth(current, candidate);
    return true;
}

bool HasCells(const Labyrinth& labyrinth)
{
    return labyrinth.grid.cells != nullptr && labyrinth.grid.width > 0 && labyrinth.grid.height > 0;
}

char CellKind(const Labyrinth& labyrinth, int32_t row, int32_t column)
{
    const LabyrinthGrid& grid = labyrinth.grid;
    return labyrinth.palette.entries[grid.cells[size_t(row) * size_t(grid.width) + size_t(column)]].kind;
}
