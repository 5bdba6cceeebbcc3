#include "labyrinth/labyrinth.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

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

static const unsigned GROUP_SLOT_BITS = 11;   // see CellConverter::GROUP_SLOTS

// Up to four words of colour bytes: eight pixels of one to four bytes.
struct GroupKey {
    uint64_t words[4];
};

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
    // Eight neighbouring pixels at a time, looked up by their colours together: one
    // probe and one store per eight cells. A maze's colour runs are too short for a
    // run cache to pay, but a labyrinth has few colours, so the groups of eight it
    // holds are few too. A slot holds the pixels' colour bytes (at most 32, alpha
    // cleared, a word to an array so a probe needs no address arithmetic) and their
    // eight rows. Slots go in pairs: two groups that hash alike share one, the one
    // last met in front, where the loop looks. Only the slots a picture's groups use
    // are ever in cache; the whole table is 80 KiB.
    static const unsigned GROUP_PIXELS = 8;
    static const unsigned GROUP_SLOTS = 1u << GROUP_SLOT_BITS;

    template <unsigned C, bool BLUE_FIRST>
    void ConvertRow(const unsigned char* pixels, unsigned char* out);
    template <unsigned C, bool BLUE_FIRST>
    uint64_t GroupMiss(unsigned slot, const unsigned char* pixels);
    template <unsigned C>
    bool HoldsKey(unsigned slot, const GroupKey& key) const;
    void SwapSlots(unsigned a, unsigned b);
    bool Start(int32_t width, int32_t height, unsigned components, bool blueFirst);
    void ResetGroups();
    unsigned char RowOf(uint32_t colour);
    void RenumberAppendedRows();

    Palette& palette_;
    const Palette original_;
    const unsigned listedRows_;
    unsigned rowCount_ = 0;
    ColourIndex index_;
    uint64_t groupWords_[4][GROUP_SLOTS];   // word k of each slot's key
    uint64_t groupRows_[GROUP_SLOTS];       // the eight rows as they go into the cells, left first
    GroupKey emptyKey_;
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

// Eight bytes that, laid over pixels in memory, clear the alpha bytes (the last of
// a pixel of two or four components) and keep the rest, whatever the machine's byte order.
static uint64_t AlphaMask(unsigned components)
{
    unsigned char bytes[8];
    for (unsigned k = 0; k < 8; ++k) bytes[k] = components % 2 == 0 && k % components == components - 1 ? 0 : 0xFF;
    return Load64(bytes);
}

// Words in the key of eight pixels of C bytes: grey pixels fill one and leave a second 0.
template <unsigned C>
static constexpr unsigned KeyWords()
{
    return C < 2 ? 2 : C;
}

// The key of the eight pixels at `pixels`: their colour bytes (grey, or red, green
// and blue) as they lie in memory, read a word at a time, alpha cleared. Keys are only
// ever compared with keys made here from the same kind of pixels: each Begin empties
// the cache.
template <unsigned C>
static GroupKey GroupKeyAt(const unsigned char* pixels, uint64_t alphaMask)
{
    GroupKey key = {};
    for (unsigned k = 0; k < C; ++k) key.words[k] = Load64(pixels + 8 * k) & (C % 2 == 0 ? alphaMask : ~uint64_t(0));
    return key;
}

// Odd 64-bit multipliers; the next is tried when busy groups keep taking the same
// slots from each other.
static const uint64_t GROUP_MULTIPLIERS[] = {0x9E3779B97F4A7C15ull, 0xC2B2AE3D27D4EB4Full, 0x165667B19E3779F9ull,
                                             0xD6E8FEB86659FD93ull};

// The front slot of the key's pair. Each later word is spread by its own multiplier
// first, so that groups differing only there do not hash alike; the top bits of the
// product pick the pair.
template <unsigned C>
static unsigned GroupSlot(const GroupKey& key, uint64_t multiplier)
{
    uint64_t mixed = key.words[0];
    if (C >= 2) mixed ^= key.words[1] * 0xFF51AFD7ED558CCDull;
    if (C >= 3) mixed ^= key.words[2] * 0xC4CEB9FE1A85EC53ull;
    if (C >= 4) mixed ^= key.words[3] * 0x9FB21C651E98DF25ull;
    return unsigned((mixed * multiplier) >> (64 - GROUP_SLOT_BITS)) & ~1u;
}

// An unused slot holds eight pixels of row 0's colour, whose rows are all 0, so
// whatever finds it by its own key gets the right rows. Grey pixels cannot make a
// colour whose red, green and blue differ; then a key none makes, its second word
// all ones where grey pixels leave 0 or clear the alpha.
template <unsigned C>
static GroupKey EmptyGroupKey(const PaletteEntry& first, bool blueFirst)
{
    GroupKey key = {};
    if (C < 3 && (first.red != first.green || first.red != first.blue)) {
        key.words[1] = ~uint64_t(0);
        return key;
    }
    unsigned char group[8 * 4] = {};
    for (unsigned char* pixel = group; pixel < group + 8 * C; pixel += C) {
        pixel[0] = blueFirst ? first.blue : first.red;
        if (C >= 3) {
            pixel[1] = first.green;
            pixel[2] = blueFirst ? first.red : first.blue;
        }
    }
    return GroupKeyAt<C>(group, AlphaMask(C));
}

bool CellConverter::Begin(int32_t width, int32_t height, unsigned components)
{
    return Start(width, height, components, false);
}

bool CellConverter::BeginBlueFirst(int32_t width, int32_t height)
{
    return Start(width, height, 3, true);
}

bool CellConverter::Start(int32_t width, int32_t height, unsigned components, bool blueFirst)
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
    blueFirst_ = blueFirst;   // before the unused slots' key is made: it is blue first too
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
    ResetGroups();
    return true;
}


void CellConverter::ResetGroups()
{
    const PaletteEntry& first = palette_.entries[0];
    switch (components_) {
    case 1: emptyKey_ = EmptyGroupKey<1>(first, false); break;
    case 2: emptyKey_ = EmptyGroupKey<2>(first, false); break;
    case 3: emptyKey_ = EmptyGroupKey<3>(first, blueFirst_); break;
    default: emptyKey_ = EmptyGroupKey<4>(first, false); break;
    }
    for (unsigned slot = 0; slot < GROUP_SLOTS; ++slot) {
        for (unsigned k = 0; k < 4; ++k) groupWords_[k][slot] = emptyKey_.words[k];
        groupRows_[slot] = 0;
    }
    multiplier_ = GROUP_MULTIPLIERS[rehashes_];
    evictions_ = 0;
}

template <unsigned C>
bool CellConverter::HoldsKey(unsigned slot, const GroupKey& key) const
{
    for (unsigned k = 0; k < KeyWords<C>(); ++k)
        if (groupWords_[k][slot] != key.words[k]) return false;
    return true;
}

void CellConverter::SwapSlots(unsigned a, unsigned b)
{
    for (unsigned k = 0; k < 4; ++k) std::swap(groupWords_[k][a], groupWords_[k][b]);
    std::swap(groupRows_[a], groupRows_[b]);
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

// Eight pixels not in the front slot of their pair. Kept out of the conversion
// loop, which a hit runs through in a few instructions.
template <unsigned C, bool BLUE_FIRST>
QUORVEL_NOINLINE uint64_t CellConverter::GroupMiss(unsigned slot, const unsigned char* pixels)
{
    // Made again here rather than handed over, so the loop never keeps it in memory.
    const GroupKey key = GroupKeyAt<C>(pixels, alphaMask_);
    if (HoldsKey<C>(slot + 1, key)) {
        SwapSlots(slot, slot + 1);
        return groupRows_[slot];
    }
    // Their rows, found one colour at a time, left first as the scan meets them.
    unsigned char rows[GROUP_PIXELS];
    for (unsigned k = 0; k < GROUP_PIXELS; ++k) rows[k] = RowOf(ColourAt<C, BLUE_FIRST>(pixels + k * C));
    if (!HoldsKey<C>(slot + 1, emptyKey_) && ++evictions_ > 4 * GROUP_SLOTS &&
        rehashes_ + 1 < sizeof GROUP_MULTIPLIERS / sizeof GROUP_MULTIPLIERS[0]) {
        // More groups chase each other out of their slots than a picture of few
        // colours explains: another multiplier may spread them. An image of many
        // colours goes through the few multipliers and then lives with its misses.
        ++rehashes_;
        ResetGroups();
        slot = GroupSlot<C>(key, multiplier_);
    }
    // The front one moves back, pushing out what was there.
    SwapSlots(slot, slot + 1);
    for (unsigned k = 0; k < 4; ++k) groupWords_[k][slot] = key.words[k];
    std::memcpy(&groupRows_[slot], rows, GROUP_PIXELS);
    return groupRows_[slot];
}

template <unsigned C, bool BLUE_FIRST>
void CellConverter::ConvertRow(const unsigned char* pixels, unsigned char* out)
{
    unsigned char* const end = out + size_t(width_);
    unsigned char* const groupsEnd = out + size_t(width_) / GROUP_PIXELS * GROUP_PIXELS;
    const uint64_t alphaMask = alphaMask_;
    uint64_t multiplier = multiplier_;
    for (; out != groupsEnd; out += GROUP_PIXELS, pixels += GROUP_PIXELS * C) {
        const GroupKey key = GroupKeyAt<C>(pixels, alphaMask);
        const unsigned slot = GroupSlot<C>(key, multiplier);
        uint64_t rows = groupRows_[slot];
        if (!HoldsKey<C>(slot, key)) {
            rows = GroupMiss<C, BLUE_FIRST>(slot, pixels);
            multiplier = multiplier_;
        }
        std::memcpy(out, &rows, GROUP_PIXELS);
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
