#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "labyrinth/labyrinth.h"
#include "support/temp_folder.h"
#include "png_writer.h"

namespace fs = std::filesystem;

namespace {

// The labyrinth the loads build, and the list the searches fill.
Labyrinth current;
LabyrinthList list;

void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream file(path, std::ios::binary);
    file << bytes;
}

void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    ASSERT_FALSE(bytes.empty());
    ASSERT_TRUE(WriteFileBytes(path.c_str(), bytes));
}

struct Rgb {
    uint8_t r, g, b;
};

// A picture drawn as text, top row first; each letter stands for a colour.
typedef std::vector<std::string> Picture;
typedef std::map<char, Rgb> Colours;

std::vector<unsigned char> TopFirstRgb(const Picture& picture, const Colours& colours)
{
    std::vector<unsigned char> rgb;
    for (const std::string& row : picture) {
        for (char letter : row) {
            Rgb c = colours.at(letter);
            rgb.insert(rgb.end(), {c.r, c.g, c.b});
        }
    }
    return rgb;
}

std::vector<unsigned char> PngOf(const Picture& picture, const Colours& colours)
{
    std::vector<unsigned char> rgb = TopFirstRgb(picture, colours);
    RawImage image = {int32_t(picture[0].size()), int32_t(picture.size()), 3, rgb.data()};
    return EncodePng(image);
}

std::vector<unsigned char> Bmp24Of(const Picture& picture, const Colours& colours)
{
    std::vector<unsigned char> rgb = TopFirstRgb(picture, colours);
    RawImage image = {int32_t(picture[0].size()), int32_t(picture.size()), 3, rgb.data()};
    return EncodeBmp(image);
}

// The same 24-bit BMP stored top row first, as a negative height says.
std::vector<unsigned char> TopDown(std::vector<unsigned char> bmp)
{
    const int32_t width = int32_t(bmp[18] | bmp[19] << 8 | bmp[20] << 16 | uint32_t(bmp[21]) << 24);
    const int32_t height = int32_t(bmp[22] | bmp[23] << 8 | bmp[24] << 16 | uint32_t(bmp[25]) << 24);
    const uint32_t negative = uint32_t(-height);
    for (int i = 0; i < 4; ++i) bmp[size_t(22 + i)] = (unsigned char)(negative >> (8 * i));
    const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
    const size_t pixels = bmp[10] | bmp[11] << 8 | bmp[12] << 16 | size_t(bmp[13]) << 24;
    for (int32_t row = 0; row < height / 2; ++row)
        std::swap_ranges(bmp.begin() + long(pixels + size_t(row) * stride),
                         bmp.begin() + long(pixels + size_t(row + 1) * stride),
                         bmp.begin() + long(pixels + size_t(height - 1 - row) * stride));
    return bmp;
}

void PutLe(std::vector<unsigned char>& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) out.push_back((unsigned char)(value >> (8 * i)));
}

// An 8-bit palettised BMP laid out by hand, so the loader is tried on a file
// our own writer did not make.
std::vector<unsigned char> Bmp8Of(const Picture& picture, const Colours& colours)
{
    std::vector<char> letters;
    for (const auto& entry : colours) letters.push_back(entry.first);
    const uint32_t width = uint32_t(picture[0].size());
    const uint32_t height = uint32_t(picture.size());
    const uint32_t stride = (width + 3) & ~3u;
    const uint32_t offset = 14 + 40 + 1024;
    std::vector<unsigned char> out = {'B', 'M'};
    PutLe(out, offset + stride * height, 4);
    PutLe(out, 0, 4);
    PutLe(out, offset, 4);
    PutLe(out, 40, 4);
    PutLe(out, width, 4);
    PutLe(out, height, 4);
    PutLe(out, 1, 2);
    PutLe(out, 8, 2);
    PutLe(out, 0, 4);
    PutLe(out, stride * height, 4);
    PutLe(out, 2835, 4);
    PutLe(out, 2835, 4);
    PutLe(out, uint32_t(letters.size()), 4);   // colours used: the table is still 256 entries
    PutLe(out, 0, 4);
    for (unsigned i = 0; i < 256; ++i) {
        Rgb c = i < letters.size() ? colours.at(letters[i]) : Rgb{0x12, 0x34, 0x56};
        out.insert(out.end(), {c.b, c.g, c.r, 0});
    }
    for (uint32_t row = height; row-- > 0;) {
        for (char letter : picture[row]) {
            out.push_back((unsigned char)(std::find(letters.begin(), letters.end(), letter) - letters.begin()));
        }
        for (uint32_t pad = width; pad < stride; ++pad) out.push_back(0xEE);
    }
    return out;
}

// The grid as text, top row first, each cell shown as its palette row number.
std::vector<std::vector<int>> GridRows()
{
    std::vector<std::vector<int>> rows;
    for (int32_t r = 0; r < current.grid.height; ++r) {
        rows.emplace_back();
        for (int32_t c = 0; c < current.grid.width; ++c) rows.back().push_back(current.grid.cells[r * current.grid.width + c]);
    }
    return rows;
}

std::vector<std::vector<int>> ExpectedRows(const Picture& picture, const std::map<char, int>& rowOf)
{
    std::vector<std::vector<int>> rows;
    for (const std::string& line : picture) {
        rows.emplace_back();
        for (char letter : line) rows.back().push_back(rowOf.at(letter));
    }
    return rows;
}

struct PaletteRow {
    char kind;
    int r, g, b;
    bool operator==(const PaletteRow& o) const { return kind == o.kind && r == o.r && g == o.g && b == o.b; }
};

std::ostream& operator<<(std::ostream& out, const PaletteRow& row)
{
    return out << "{'" << (row.kind ? std::string(1, row.kind) : std::string("\\0")) << "' " << row.r << " " << row.g
               << " " << row.b << "}";
}

PaletteRow RowAt(unsigned index)
{
    const PaletteEntry& e = current.palette.entries[index];
    return {e.kind, e.red, e.green, e.blue};
}

std::vector<PaletteRow> ReadRows(const std::string& path, bool& opened)
{
    unsigned count = 0;
    opened = ReadPaletteFile(current.palette, path.c_str(), count);
    std::vector<PaletteRow> rows;
    for (unsigned i = 0; opened && i < count; ++i) rows.push_back(RowAt(i));
    return rows;
}

std::string ManyPaletteLines(unsigned count)
{
    std::string text;
    for (unsigned i = 0; i < count; ++i) {
        text += (i % 2 ? 'x' : 'y') + std::to_string(i) + " " + std::to_string(i / 256) + " 200\n";
    }
    return text;
}

class LabyrinthTest : public ::testing::Test {
protected:
    TempFolder folder;
    void SetUp() override { ReleaseLabyrinth(current); }
    void TearDown() override { ReleaseLabyrinth(current); }
};

}  // namespace

// ---------------------------------------------------------------------------
// Palette file

TEST_F(LabyrinthTest, PaletteLinesAreReadAsKindAndThreeNumbers)
{
    const std::string pad121(121, ' ');
    struct Case {
        const char* what;
        std::string text;
        std::vector<PaletteRow> rows;
    };
    const Case cases[] = {
        {"one entry per line", "w0 0 0\ns255 0 0\ng0 255 0\n.0 0 255\n",
         {{'w', 0, 0, 0}, {'s', 255, 0, 0}, {'g', 0, 255, 0}, {'.', 0, 0, 255}}},
        {"a blank first character is the kind", " 10 20 30\n", {{' ', 10, 20, 30}}},
        {"a digit first is the kind too", "123 4 5\n", {{'1', 23, 4, 5}}},
        {"two numbers define nothing; the next line takes the number", "w1 2\ns4 5 6\n", {{'s', 4, 5, 6}}},
        {"256 is stored as 0 and 300 as 44", "g256 300 7\n", {{'g', 0, 44, 7}}},
        {"long numbers keep their low 8 bits", "w4294967296 99999999999999999999 513\n", {{'w', 0, 255, 1}}},
        {"blanks and tabs before numbers, words after them", "w  1\t2   3 the outer wall\n", {{'w', 1, 2, 3}}},
        {"empty lines and comments are skipped", "\n# walls\n\nw1 1 1\n;\n", {{'w', 1, 1, 1}}},
        {"no line end after the last line", "w1 2 3", {{'w', 1, 2, 3}}},
        {"CR LF reads like LF", "w1 2 3\r\n\r\ns4 5 6\r\n", {{'w', 1, 2, 3}, {'s', 4, 5, 6}}},
        {"a letter where a number belongs", "w1 x 3\n", {}},
        {"the piece after 127 characters is a line of its own", "w1 2 3" + pad121 + "s4 5 6\n",
         {{'w', 1, 2, 3}, {'s', 4, 5, 6}}},
        {"a long comment hides nothing past its first piece", "#" + std::string(126, 'x') + "g7 8 9\n",
         {{'g', 7, 8, 9}}},
        {"CR LF split from its line by the piece boundary", "w1 2 3" + std::string(120, ' ') + "\r\ns4 5 6\r\n",
         {{'w', 1, 2, 3}, {'s', 4, 5, 6}}},
    };
    for (const Case& c : cases) {
        std::string path = folder.File("Palette.txt");
        WriteBytes(path, c.text);
        bool opened = false;
        EXPECT_EQ(ReadRows(path, opened), c.rows) << c.what;
        EXPECT_TRUE(opened) << c.what;
    }
}

TEST_F(LabyrinthTest, PaletteStopsAt256Entries)
{
    std::string path = folder.File("Palette.txt");
    WriteBytes(path, ManyPaletteLines(300));
    bool opened = false;
    std::vector<PaletteRow> rows = ReadRows(path, opened);
    ASSERT_EQ(rows.size(), 256u);
    EXPECT_EQ(rows[255], (PaletteRow{'x', 255, 0, 200}));
    // Rows the file did not reach are not touched.
    current.palette.entries[0] = {'q', 1, 2, 3};
    WriteBytes(path, "# nothing here\n");
    EXPECT_TRUE(ReadRows(path, opened).empty());
    EXPECT_EQ(RowAt(0), (PaletteRow{'q', 1, 2, 3}));
    EXPECT_TRUE(ReadRows(folder.File("Missing.txt"), opened).empty());
    EXPECT_FALSE(opened);
}

// ---------------------------------------------------------------------------
// Grid

namespace {

const Colours MAZE_COLOURS = {
    {'#', {0, 0, 0}}, {'S', {255, 0, 0}}, {'G', {0, 255, 0}}, {'.', {255, 255, 255}}, {'o', {200, 100, 50}},
    {'p', {10, 20, 30}},
};
const char* const MAZE_PALETTE = "w0 0 0\ns255 0 0\ng0 255 0\n.255 255 255\n";

// 21 wide: BMP rows of 63 bytes (24-bit) and 21 bytes (8-bit) both need padding.
const Picture MAZE = {
    "#####################",
    "#S....#.....o.......#",
    "#.###.#.###.#####.#.#",
    "#...#...#p..#.....#G#",
    "#####################",
};

}  // namespace

TEST_F(LabyrinthTest, SameGridFromBmp24Bmp8AndPngWithRowZeroOnTop)
{
    // Unlisted colours are numbered by first appearance scanning from the
    // bottom row up: 'p' (row 3) before 'o' (row 1).
    const std::map<char, int> rowOf = {{'#', 0}, {'S', 1}, {'G', 2}, {'.', 3}, {'p', 4}, {'o', 5}};
    const std::vector<std::vector<int>> expected = ExpectedRows(MAZE, rowOf);
    WriteBytes(folder.File("Palette.txt"), MAZE_PALETTE);
    struct Case {
        const char* what;
        std::vector<unsigned char> bytes;
    };
    const Case cases[] = {
        {"24-bit BMP", Bmp24Of(MAZE, MAZE_COLOURS)},
        {"24-bit BMP, top row first", TopDown(Bmp24Of(MAZE, MAZE_COLOURS))},
        {"8-bit BMP", Bmp8Of(MAZE, MAZE_COLOURS)},
        {"RGB PNG", PngOf(MAZE, MAZE_COLOURS)},
    };
    for (const Case& c : cases) {
        ReleaseLabyrinth(current);
        std::string path = folder.File("maze.img");   // the readers go by content, not by name
        WriteBytes(path, c.bytes);
        ASSERT_TRUE(LoadLabyrinth(current, path.c_str(), folder.File("Palette.txt").c_str())) << c.what;
        EXPECT_EQ(current.grid.width, 21) << c.what;
        EXPECT_EQ(current.grid.height, 5) << c.what;
        EXPECT_EQ(GridRows(), expected) << c.what;
        EXPECT_EQ(CellKind(current, 1, 1), 's') << c.what;
        EXPECT_EQ(CellKind(current, 3, 19), 'g') << c.what;
        EXPECT_EQ(CellKind(current, 0, 20), 'w') << c.what;
        EXPECT_EQ(RowAt(4), (PaletteRow{0, 10, 20, 30})) << c.what;
        EXPECT_EQ(RowAt(5), (PaletteRow{0, 200, 100, 50})) << c.what;
    }
}

TEST_F(LabyrinthTest, EarlierPaletteLineDecidesADuplicateColour)
{
    const Picture picture = {"#S", "S#"};
    WriteBytes(folder.File("Palette.txt"), "w0 0 0\ns0 0 0\ns255 0 0\ng255 0 0\n");
    WriteBytes(folder.File("a.png"), PngOf(picture, MAZE_COLOURS));
    ASSERT_TRUE(LoadLabyrinth(current, folder.File("a.png").c_str(), folder.File("Palette.txt").c_str()));
    EXPECT_EQ(GridRows(), (std::vector<std::vector<int>>{{0, 2}, {2, 0}}));
    EXPECT_EQ(CellKind(current, 0, 0), 'w');
    EXPECT_EQ(CellKind(current, 0, 1), 's');
}

TEST_F(LabyrinthTest, FullTableGivesUnlistedColoursRow255)
{
    // Bottom row first: 'o' is met before 'p'.
    const Picture picture = {"ppo", "#op"};
    WriteBytes(folder.File("a.png"), PngOf(picture, MAZE_COLOURS));

    // 255 lines: 'o' takes the last free row, 'p' finds the table full and
    // shares row 255, so it shows in 'o''s tint.
    std::string lines = "w0 0 0\n" + ManyPaletteLines(254);
    WriteBytes(folder.File("Palette.txt"), lines);
    ASSERT_TRUE(LoadLabyrinth(current, folder.File("a.png").c_str(), folder.File("Palette.txt").c_str()));
    EXPECT_EQ(GridRows(), (std::vector<std::vector<int>>{{255, 255, 255}, {0, 255, 255}}));
    EXPECT_EQ(RowAt(255), (PaletteRow{0, 200, 100, 50}));

    // 256 lines: every unlisted colour gets the file's last entry.
    WriteBytes(folder.File("Palette.txt"), lines + "z1 2 3\n");
    ASSERT_TRUE(LoadLabyrinth(current, folder.File("a.png").c_str(), folder.File("Palette.txt").c_str()));
    EXPECT_EQ(GridRows(), (std::vector<std::vector<int>>{{255, 255, 255}, {0, 255, 255}}));
    EXPECT_EQ(RowAt(255), (PaletteRow{'z', 1, 2, 3}));
}

TEST_F(LabyrinthTest, GreyImagesMatchAsEqualRedGreenBlueAndAlphaIsIgnored)
{
    WriteBytes(folder.File("Palette.txt"), "w0 0 0\ns128 128 128\ng255 255 255\n");
    struct Case {
        const char* what;
        unsigned components;
        std::vector<unsigned char> pixels;   // top row first: wall, start / goal, unlisted
    };
    const Case cases[] = {
        {"grey", 1, {0, 128, 255, 77}},
        {"grey and alpha", 2, {0, 9, 128, 0, 255, 255, 77, 1}},
        {"RGBA", 4, {0, 0, 0, 9, 128, 128, 128, 0, 255, 255, 255, 255, 77, 77, 77, 3}},
    };
    for (const Case& c : cases) {
        RawImage image = {2, 2, c.components, c.pixels.data()};
        WriteBytes(folder.File("grey.png"), EncodePng(image));
        ASSERT_TRUE(LoadLabyrinth(current, folder.File("grey.png").c_str(), folder.File("Palette.txt").c_str())) << c.what;
        EXPECT_EQ(GridRows(), (std::vector<std::vector<int>>{{0, 1}, {2, 3}})) << c.what;
        EXPECT_EQ(RowAt(3), (PaletteRow{0, 77, 77, 77})) << c.what;
    }
}

TEST_F(LabyrinthTest, FailedLoadsLeaveTheGridAsItWas)
{
    const std::string good = folder.File("good.bmp");
    const std::string paletteFile = folder.File("Palette.txt");
    WriteBytes(good, Bmp24Of(MAZE, MAZE_COLOURS));
    WriteBytes(paletteFile, MAZE_PALETTE);
    WriteBytes(folder.File("Empty.txt"), "# no entries\nw1 2\n");
    WriteBytes(folder.File("junk.png"), std::string("\x89PNG\r\n\x1a\n this is not an image"));
    WriteBytes(folder.File("empty.bmp"), std::string());
    ASSERT_TRUE(LoadLabyrinth(current, good.c_str(), paletteFile.c_str()));
    const unsigned char* cells = current.grid.cells;
    const std::vector<std::vector<int>> before = GridRows();

    struct Case {
        const char* what;
        std::string image, palette;
    };
    const Case cases[] = {
        {"palette file missing", good, folder.File("Nowhere.txt")},
        {"palette without a valid line", good, folder.File("Empty.txt")},
        {"image missing", folder.File("gone.png"), paletteFile},
        {"image neither PNG nor BMP", folder.File("junk.png"), paletteFile},
        {"image file empty", folder.File("empty.bmp"), paletteFile},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(LoadLabyrinth(current, c.image.c_str(), c.palette.c_str())) << c.what;
        EXPECT_EQ(current.grid.cells, cells) << c.what;
        EXPECT_EQ(current.grid.width, 21) << c.what;
        EXPECT_EQ(current.grid.height, 5) << c.what;
        EXPECT_EQ(GridRows(), before) << c.what;
    }
    EXPECT_FALSE(LoadLabyrinth(current, nullptr, paletteFile.c_str()));
    EXPECT_FALSE(LoadLabyrinth(current, good.c_str(), nullptr));
}

TEST_F(LabyrinthTest, AnotherSizeReplacesWidthHeightAndCells)
{
    WriteBytes(folder.File("Palette.txt"), MAZE_PALETTE);
    WriteBytes(folder.File("big.png"), PngOf(MAZE, MAZE_COLOURS));
    WriteBytes(folder.File("small.bmp"), Bmp24Of({"S", "#", "G"}, MAZE_COLOURS));
    ASSERT_TRUE(LoadLabyrinth(current, folder.File("big.png").c_str(), folder.File("Palette.txt").c_str()));
    ASSERT_TRUE(LoadLabyrinth(current, folder.File("small.bmp").c_str(), folder.File("Palette.txt").c_str()));
    EXPECT_EQ(current.grid.width, 1);
    EXPECT_EQ(current.grid.height, 3);
    EXPECT_EQ(GridRows(), (std::vector<std::vector<int>>{{1}, {0}, {2}}));
}

namespace {

// The cells a plain first-match search gives, picture row 0 first: the scan runs
// bottom row first, each pixel searched from row 0, unlisted colours appended
// to `rows` while there is room and given 255 after.
std::vector<int> FirstMatchCells(std::vector<PaletteEntry>& rows, const std::vector<unsigned char>& rgbTopFirst,
                                 int width, int height)
{
    std::vector<int> cells(size_t(width) * size_t(height));
    for (int row = height - 1; row >= 0; --row) {
        for (int column = 0; column < width; ++column) {
            const unsigned char* p = &rgbTopFirst[size_t(row * width + column) * 3];
            size_t found = 0;
            while (found < rows.size() &&
                   !(rows[found].red == p[0] && rows[found].green == p[1] && rows[found].blue == p[2])) {
                ++found;
            }
            if (found == rows.size()) {
                if (rows.size() < 256) rows.push_back({0, p[0], p[1], p[2]});
                else found = 255;
            }
            cells[size_t(row * width + column)] = int(found);
        }
    }
    return cells;
}

std::string PaletteText(const std::vector<PaletteEntry>& rows)
{
    std::string text;
    for (const PaletteEntry& e : rows)
        text += e.kind + std::to_string(e.red) + " " + std::to_string(e.green) + " " + std::to_string(e.blue) + "\n";
    return text;
}

std::vector<PaletteRow> RowsOf(const std::vector<PaletteEntry>& entries)
{
    std::vector<PaletteRow> rows;
    for (const PaletteEntry& e : entries) rows.push_back({e.kind, e.red, e.green, e.blue});
    return rows;
}

std::vector<PaletteRow> LoadedRows(size_t count)
{
    std::vector<PaletteRow> rows;
    for (size_t i = 0; i < count; ++i) rows.push_back(RowAt(unsigned(i)));
    return rows;
}

std::vector<int> LoadedCells()
{
    return std::vector<int>(current.grid.cells,
                            current.grid.cells + size_t(current.grid.width) * size_t(current.grid.height));
}

// The same pixels with other component counts: grey keeps the red byte (the
// pictures that use it are grey), alpha bytes vary and must not matter.
std::vector<unsigned char> WithComponents(const std::vector<unsigned char>& rgb, unsigned components)
{
    std::vector<unsigned char> out;
    for (size_t i = 0; i < rgb.size(); i += 3) {
        if (components < 3) out.push_back(rgb[i]);
        else out.insert(out.end(), rgb.begin() + long(i), rgb.begin() + long(i + 3));
        if (components % 2 == 0) out.push_back(uint8_t(i * 37 + 11));
    }
    return out;
}

// The chunks of a PNG file after its signature, whole (length, type, data, CRC).
std::vector<std::vector<unsigned char>> ChunksOf(const std::vector<unsigned char>& png)
{
    std::vector<std::vector<unsigned char>> chunks;
    for (size_t at = 8; at + 12 <= png.size();) {
        size_t length = size_t(png[at]) << 24 | size_t(png[at + 1]) << 16 | size_t(png[at + 2]) << 8 | png[at + 3];
        chunks.emplace_back(png.begin() + long(at), png.begin() + long(at + 12 + length));
        at += 12 + length;
    }
    return chunks;
}

bool IsChunk(const std::vector<unsigned char>& chunk, const char* type)
{
    return std::memcmp(chunk.data() + 4, type, 4) == 0;
}

}  // namespace

// The loader's colour lookup must agree with the plain first-match search
// over the rows, appending as it goes, on palettes with duplicates and on
// tables that fill up part way through the image.
TEST_F(LabyrinthTest, ColourLookupAgreesWithFirstMatchSearch)
{
    std::mt19937 random(1234);
    for (unsigned paletteSize : {1u, 7u, 200u, 250u, 255u, 256u}) {
        // Colours from a small pool so that duplicates and repeats are common.
        std::vector<Rgb> pool;
        for (int i = 0; i < 300; ++i) pool.push_back({uint8_t(random()), uint8_t(random() % 4), uint8_t(i % 3)});
        std::string text;
        std::vector<PaletteEntry> rows;
        for (unsigned i = 0; i < paletteSize; ++i) {
            Rgb c = pool[random() % 150];
            char kind = "wsg."[random() % 4];
            rows.push_back({kind, c.r, c.g, c.b});
            text += kind + std::to_string(c.r) + " " + std::to_string(c.g) + " " + std::to_string(c.b) + "\n";
        }
        const int width = 37, height = 23;
        std::vector<unsigned char> rgb;
        for (int i = 0; i < width * height; ++i) {
            Rgb c = pool[random() % pool.size()];
            rgb.insert(rgb.end(), {c.r, c.g, c.b});
        }
        std::vector<int> expected = FirstMatchCells(rows, rgb, width, height);
        RawImage image = {width, height, 3, rgb.data()};
        WriteBytes(folder.File("mix.png"), EncodePng(image));
        WriteBytes(folder.File("Palette.txt"), text);
        ASSERT_TRUE(LoadLabyrinth(current, folder.File("mix.png").c_str(), folder.File("Palette.txt").c_str()));
        std::vector<int> got(current.grid.cells, current.grid.cells + width * height);
        EXPECT_EQ(got, expected) << paletteSize << " palette rows";
        for (size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(RowAt(unsigned(i)), (PaletteRow{rows[i].kind, rows[i].red, rows[i].green, rows[i].blue}))
                << "row " << i << " with " << paletteSize << " palette rows";
        }
    }
}

// PNG rows arrive top row first and BMP rows bottom row first; either way, and
// whatever the pixel layout, the cells and appended rows are those of the scan.
// Widths with every remainder (the loader takes pixels eight at a time), rows that
// repeat the one before (so groups of eight come again), runs of one colour that go
// on past a row's end, a first palette row of the pool's colours or just beside them
// (the loader's unused slots are made from it), unlisted colours first met in opposite
// orders from the top and from the bottom, and tables that fill up part way.
TEST_F(LabyrinthTest, EveryImageKindGivesTheCellsOfTheFirstMatchSearch)
{
    std::mt19937 random(99);
    const std::vector<uint8_t> greys = {0, 255, 128, 17, 200, 77, 3, 254};
    for (bool grey : {true, false}) {
        for (unsigned listed : {1u, 3u, 254u, 256u}) {
            for (bool firstInPool : {true, false}) {
                for (int width : {1, 2, 3, 5, 7, 8, 9, 15, 16, 17, 34}) {
                    const int height = width == 17 ? 1 : 6;
                    // A pool of 8 colours; the palette lists the first three (and filler rows).
                    std::vector<Rgb> pool;
                    for (uint8_t g : greys)
                        pool.push_back(grey ? Rgb{g, g, g} : Rgb{g, uint8_t(g ^ 0x5A), uint8_t(255 - g)});
                    std::vector<PaletteEntry> rows;
                    for (unsigned i = 0; i < listed; ++i) {
                        Rgb c = i < 3 ? pool[i] : Rgb{uint8_t(i), 1, 2};
                        if (i == 0 && !firstInPool) c.g ^= 1;   // grey no more, red still a pool grey
                        rows.push_back({"wsg."[i % 4], c.r, c.g, c.b});
                    }
                    std::vector<unsigned char> rgb;
                    size_t colour = 0;
                    for (int y = 0; y < height; ++y) {
                        if (y > 0 && random() % 2 == 0) {
                            rgb.insert(rgb.end(), rgb.end() - 3 * width, rgb.end());
                            continue;
                        }
                        for (int x = 0; x < width; ++x) {
                            if (random() % 3 == 0) colour = random() % pool.size();   // runs of about three
                            rgb.insert(rgb.end(), {pool[colour].r, pool[colour].g, pool[colour].b});
                        }
                    }
                    std::vector<int> expected = FirstMatchCells(rows, rgb, width, height);
                    WriteBytes(folder.File("Palette.txt"), PaletteText(std::vector<PaletteEntry>(rows.begin(), rows.begin() + listed)));

                    struct Kind {
                        const char* what;
                        std::vector<unsigned char> file;
                    };
                    std::vector<Kind> kinds;
                    for (unsigned components : {1u, 2u, 3u, 4u}) {
                        if (components < 3 && !grey) continue;
                        std::vector<unsigned char> pixels = WithComponents(rgb, components);
                        RawImage image = {width, height, components, pixels.data()};
                        kinds.push_back({components == 1   ? "grey PNG"
                                         : components == 2 ? "grey and alpha PNG"
                                         : components == 3 ? "RGB PNG"
                                                           : "RGBA PNG",
                                         EncodePng(image)});
                    }
                    RawImage image = {width, height, 3, rgb.data()};
                    kinds.push_back({"24-bit BMP", EncodeBmp(image)});
                    kinds.push_back({"24-bit BMP, top row first", TopDown(EncodeBmp(image))});
                    for (const Kind& kind : kinds) {
                        const std::string what = std::string(kind.what) + ", " + (grey ? "grey" : "colour") + " pool, " +
                                                 std::to_string(listed) + " listed" + (firstInPool ? "" : ", row 0 beside the pool") +
                                                 ", width " + std::to_string(width);
                        WriteBytes(folder.File("kind.img"), kind.file);
                        ASSERT_TRUE(LoadLabyrinth(current, folder.File("kind.img").c_str(), folder.File("Palette.txt").c_str()))
                            << what;
                        ASSERT_EQ(current.grid.width, width) << what;
                        ASSERT_EQ(current.grid.height, height) << what;
                        EXPECT_EQ(LoadedCells(), expected) << what;
                        EXPECT_EQ(LoadedRows(rows.size()), RowsOf(rows)) << what;
                    }
                }
            }
        }
    }
}

// Palettised images: an 8-bit BMP whose table lists the colours in another
// order than the palette file does gives the cells of the RGB image.
TEST_F(LabyrinthTest, PalettisedBmpGivesTheCellsOfTheRgbImage)
{
    WriteBytes(folder.File("Palette.txt"), "g0 255 0\n.255 255 255\nw0 0 0\n");
    const Picture picture = {"#####", "#S.o#", "#p.G#", "oooop", "pp###"};
    std::vector<std::vector<int>> grids[2];
    std::vector<PaletteRow> appended[2];
    const std::vector<unsigned char> files[2] = {PngOf(picture, MAZE_COLOURS), Bmp8Of(picture, MAZE_COLOURS)};
    for (int i = 0; i < 2; ++i) {
        WriteBytes(folder.File("p.img"), files[i]);
        ASSERT_TRUE(LoadLabyrinth(current, folder.File("p.img").c_str(), folder.File("Palette.txt").c_str()));
        grids[i] = GridRows();
        appended[i] = LoadedRows(7);
    }
    EXPECT_EQ(grids[1], grids[0]);
    EXPECT_EQ(appended[1], appended[0]);
    // Bottom row first 'p', 'o', then 'S' (red): the reverse of their order from the top.
    EXPECT_EQ(appended[0][3], (PaletteRow{0, 10, 20, 30}));
    EXPECT_EQ(appended[0][4], (PaletteRow{0, 200, 100, 50}));
    EXPECT_EQ(appended[0][5], (PaletteRow{0, 255, 0, 0}));
}

// Far more groups of eight pixels than the loader keeps at once, so that groups keep
// displacing each other and meeting again in the second slot of their pair: from many
// colours, and from few colours in many arrangements, each arrangement coming back
// several times. The cells still come out as the search gives them.
TEST_F(LabyrinthTest, ImagesOfManyColoursAgreeWithFirstMatchSearch)
{
    std::mt19937 random(7);
    const int width = 401, height = 200;
    std::vector<unsigned char> manyColours;
    for (int i = 0; i < width * height; ++i) {
        uint32_t c = random() % 3000;
        manyColours.insert(manyColours.end(), {uint8_t(c), uint8_t(c >> 8), uint8_t(c % 7)});
    }
    std::vector<std::vector<unsigned char>> arrangements(3000);
    for (std::vector<unsigned char>& group : arrangements) {
        for (int k = 0; k < 8; ++k) {
            uint32_t c = random() % 40;
            group.insert(group.end(), {uint8_t(c * 5), uint8_t(c % 3), uint8_t(c / 2)});
        }
    }
    std::vector<unsigned char> manyGroups;
    while (manyGroups.size() < size_t(width) * height * 3) {
        const std::vector<unsigned char>& group = arrangements[random() % arrangements.size()];
        manyGroups.insert(manyGroups.end(), group.begin(), group.end());
    }
    manyGroups.resize(size_t(width) * height * 3);

    const std::vector<PaletteEntry> listed = {{'w', 0, 0, 0}, {'s', 1, 0, 1}, {'g', 2, 0, 2}};
    WriteBytes(folder.File("Palette.txt"), PaletteText(listed));
    for (const auto* rgb : {&manyColours, &manyGroups}) {
        const char* what = rgb == &manyColours ? "many colours" : "many groups";
        std::vector<PaletteEntry> rows = listed;   // with the rows the search appends
        std::vector<int> expected = FirstMatchCells(rows, *rgb, width, height);
        for (unsigned components : {3u, 4u, 0u}) {   // 0: 24-bit BMP
            std::vector<unsigned char> pixels = WithComponents(*rgb, components ? components : 3);
            RawImage image = {width, height, components ? components : 3, pixels.data()};
            WriteBytes(folder.File("many.img"), components ? EncodePng(image) : EncodeBmp(image));
            ASSERT_TRUE(LoadLabyrinth(current, folder.File("many.img").c_str(), folder.File("Palette.txt").c_str()));
            EXPECT_EQ(LoadedCells(), expected) << what << ", " << components << " components";
            EXPECT_EQ(LoadedRows(rows.size()), RowsOf(rows)) << what << ", " << components << " components";
        }
    }
}

// A PNG may carry a second run of image data, which replaces the first: the
// rows the first one appended are forgotten, and rows past those the second
// one appends keep what the game's table held.
TEST_F(LabyrinthTest, LaterImageDataForgetsTheRowsEarlierDataAppended)
{
    WriteBytes(folder.File("Palette.txt"), MAZE_PALETTE);
    const std::vector<unsigned char> first = PngOf({"op#", "po."}, MAZE_COLOURS);
    const std::vector<unsigned char> second = PngOf({"#S.", "G.p"}, MAZE_COLOURS);
    std::vector<unsigned char> file(first.begin(), first.begin() + 8);
    for (const auto& chunk : ChunksOf(first))
        if (!IsChunk(chunk, "IEND")) file.insert(file.end(), chunk.begin(), chunk.end());
    const unsigned char note[] = {0, 0, 0, 2, 't', 'E', 'X', 't', 'k', 0, 0, 0, 0, 0};
    file.insert(file.end(), note, note + sizeof note);
    for (const auto& chunk : ChunksOf(second))
        if (IsChunk(chunk, "IDAT") || IsChunk(chunk, "IEND")) file.insert(file.end(), chunk.begin(), chunk.end());

    WriteBytes(folder.File("two.png"), file);
    ASSERT_TRUE(LoadLabyrinth(current, folder.File("two.png").c_str(), folder.File("Palette.txt").c_str()));
    EXPECT_EQ(GridRows(), (std::vector<std::vector<int>>{{0, 1, 3}, {2, 3, 4}}));
    EXPECT_EQ(RowAt(4), (PaletteRow{0, 10, 20, 30}));
    EXPECT_EQ(RowAt(5), (PaletteRow{0, 0, 0, 0})) << "the first data's own colour is gone";
}

// ---------------------------------------------------------------------------
// Labyrinth list (on Windows through the real file search)

namespace {

std::vector<std::string> ListedPaths()
{
    return std::vector<std::string>(list.paths, list.paths + list.count);
}

bool EndsWithNoCase(const std::string& text, const std::string& suffix)
{
    if (text.size() < suffix.size()) return false;
    for (size_t i = 0; i < suffix.size(); ++i) {
        if (std::tolower((unsigned char)text[text.size() - suffix.size() + i]) != suffix[i]) return false;
    }
    return true;
}

}  // namespace

TEST_F(LabyrinthTest, ListsBmpFilesBeforePngFilesWhateverTheCase)
{
    // Not "f.pngx": Windows may match "*.png" against its short 8.3 name.
    for (const char* name : {"b.png", "a.BMP", "c.Png", "d.bmp", "notes.txt", "e.bmp.txt", "g.pn"}) {
        WriteBytes(folder.File(name), std::string("x"));
    }
    FindLabyrinths(list, folder.Prefix().c_str());
    std::vector<std::string> paths = ListedPaths();
    ASSERT_EQ(paths.size(), 4u) << ::testing::PrintToString(paths);
    for (const std::string& path : paths) EXPECT_EQ(path.compare(0, folder.Prefix().size(), folder.Prefix()), 0) << path;
    const std::string prefix = folder.Prefix();
    std::vector<std::string> bmp(paths.begin(), paths.begin() + 2), png(paths.begin() + 2, paths.end());
#ifndef _WIN32
    // Here the search lists by name, so the order is known exactly.
    EXPECT_EQ(bmp, (std::vector<std::string>{prefix + "a.BMP", prefix + "d.bmp"}));
    EXPECT_EQ(png, (std::vector<std::string>{prefix + "b.png", prefix + "c.Png"}));
#endif
    std::sort(bmp.begin(), bmp.end());
    std::sort(png.begin(), png.end());
    EXPECT_EQ(bmp, (std::vector<std::string>{prefix + "a.BMP", prefix + "d.bmp"}));
    EXPECT_EQ(png, (std::vector<std::string>{prefix + "b.png", prefix + "c.Png"}));
}

// "Labyrinths = Mazes" without its separator: the files whose names start
// with Mazes, beside the folder part, on both builds; each entry opens.
TEST_F(LabyrinthTest, AFolderWithoutItsSeparatorIsANamePrefix)
{
    for (const char* name : {"Mazes1.bmp", "mazes2.png", "Maze3.bmp", "other.bmp"}) WriteBytes(folder.File(name), std::string("x"));
    fs::create_directories(folder.path / "Mazes");
    WriteBytes((folder.path / "Mazes" / "inside.bmp").string(), std::string("x"));
    const std::string prefix = folder.Prefix();
    FindLabyrinths(list, (prefix + "Mazes").c_str());
    std::vector<std::string> paths = ListedPaths();
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, (std::vector<std::string>{prefix + "Mazes1.bmp", prefix + "mazes2.png"}));
    for (const std::string& path : paths) EXPECT_TRUE(fs::exists(path)) << path;
    EXPECT_EQ(FolderPartLength((prefix + "Mazes").c_str()), prefix.size());
    EXPECT_EQ(FolderPartLength("Mazes"), 0u);
    EXPECT_EQ(FolderPartLength("a/b\\c"), 4u);
}

TEST_F(LabyrinthTest, ListHolds4096EntriesAllBmpWhenThereAreMore)
{
    for (unsigned i = 0; i < MAX_LABYRINTHS + 2; ++i)
        WriteBytes(folder.File("m" + std::to_string(10000 + i) + ".bmp"), std::string("x"));
    for (int i = 0; i < 5; ++i) WriteBytes(folder.File("p" + std::to_string(i) + ".png"), std::string("x"));
    FindLabyrinths(list, folder.Prefix().c_str());
    ASSERT_EQ(list.count, MAX_LABYRINTHS);
    for (const std::string& path : ListedPaths()) ASSERT_TRUE(EndsWithNoCase(path, ".bmp")) << path;
    std::vector<std::string> paths = ListedPaths();
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(std::unique(paths.begin(), paths.end()), paths.end());
}

TEST_F(LabyrinthTest, PathsThatDoNotFitAnEntryAreLeftOut)
{
    const std::string prefix = folder.Prefix();
    ASSERT_LT(prefix.size(), 100u);
    const size_t room = LABYRINTH_PATH_SIZE - 1 - prefix.size();   // longest file name that fits
    const std::string fits = std::string(room - 4, 'a') + ".bmp";
    const std::string tooLong = std::string(room - 3, 'b') + ".bmp";
    WriteBytes(folder.File(fits), std::string("x"));
    WriteBytes(folder.File(tooLong), std::string("x"));
    WriteBytes(folder.File("c.png"), std::string("x"));
    FindLabyrinths(list, prefix.c_str());
    EXPECT_EQ(ListedPaths(), (std::vector<std::string>{prefix + fits, prefix + "c.png"}));
    EXPECT_EQ(std::strlen(list.paths[0]), LABYRINTH_PATH_SIZE - 1);

    FindLabyrinths(list, (prefix + "no such folder" + char(fs::path::preferred_separator)).c_str());
    EXPECT_EQ(list.count, 0u);
    FindLabyrinths(list, std::string(200, 'x').c_str());
    EXPECT_EQ(list.count, 0u);
}
