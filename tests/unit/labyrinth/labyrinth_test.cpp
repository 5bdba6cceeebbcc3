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
    for (int32_t r = 0; r < labyrinthGrid.height; ++r) {
        rows.emplace_back();
        for (int32_t c = 0; c < labyrinthGrid.width; ++c) rows.back().push_back(labyrinthGrid.cells[r * labyrinthGrid.width + c]);
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
    const PaletteEntry& e = palette.entries[index];
    return {e.kind, e.red, e.green, e.blue};
}

std::vector<PaletteRow> ReadRows(const std::string& path, bool& opened)
{
    unsigned count = 0;
    opened = ReadPaletteFile(path.c_str(), count);
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
    void SetUp() override { ReleaseLabyrinthGrid(); }
    void TearDown() override { ReleaseLabyrinthGrid(); }
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
    palette.entries[0] = {'q', 1, 2, 3};
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
        {"8-bit BMP", Bmp8Of(MAZE, MAZE_COLOURS)},
        {"RGB PNG", PngOf(MAZE, MAZE_COLOURS)},
    };
    for (const Case& c : cases) {
        ReleaseLabyrinthGrid();
        std::string path = folder.File("maze.img");   // the readers go by content, not by name
        WriteBytes(path, c.bytes);
        ASSERT_TRUE(LoadLabyrinth(path.c_str(), folder.File("Palette.txt").c_str())) << c.what;
        EXPECT_EQ(labyrinthGrid.width, 21) << c.what;
        EXPECT_EQ(labyrinthGrid.height, 5) << c.what;
        EXPECT_EQ(GridRows(), expected) << c.what;
        EXPECT_EQ(CellKind(1, 1), 's') << c.what;
        EXPECT_EQ(CellKind(3, 19), 'g') << c.what;
        EXPECT_EQ(CellKind(0, 20), 'w') << c.what;
        EXPECT_EQ(RowAt(4), (PaletteRow{0, 10, 20, 30})) << c.what;
        EXPECT_EQ(RowAt(5), (PaletteRow{0, 200, 100, 50})) << c.what;
    }
}

TEST_F(LabyrinthTest, EarlierPaletteLineDecidesADuplicateColour)
{
    const Picture picture = {"#S", "S#"};
    WriteBytes(folder.File("Palette.txt"), "w0 0 0\ns0 0 0\ns255 0 0\ng255 0 0\n");
    WriteBytes(folder.File("a.png"), PngOf(picture, MAZE_COLOURS));
    ASSERT_TRUE(LoadLabyrinth(folder.File("a.png").c_str(), folder.File("Palette.txt").c_str()));
    EXPECT_EQ(GridRows(), (std::vector<std::vector<int>>{{0, 2}, {2, 0}}));
    EXPECT_EQ(CellKind(0, 0), 'w');
    EXPECT_EQ(CellKind(0, 1), 's');
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
    ASSERT_TRUE(LoadLabyrinth(folder.File("a.png").c_str(), folder.File("Palette.txt").c_str()));
    EXPECT_EQ(GridRows(), (std::vector<std::vector<int>>{{255, 255, 255}, {0, 255, 255}}));
    EXPECT_EQ(RowAt(255), (PaletteRow{0, 200, 100, 50}));

    // 256 lines: every unlisted colour gets the file's last entry.
    WriteBytes(folder.File("Palette.txt"), lines + "z1 2 3\n");
    ASSERT_TRUE(LoadLabyrinth(folder.File("a.png").c_str(), folder.File("Palette.txt").c_str()));
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
        ASSERT_TRUE(LoadLabyrinth(folder.File("grey.png").c_str(), folder.File("Palette.txt").c_str())) << c.what;
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
    ASSERT_TRUE(LoadLabyrinth(good.c_str(), paletteFile.c_str()));
    const unsigned char* cells = labyrinthGrid.cells;
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
        EXPECT_FALSE(LoadLabyrinth(c.image.c_str(), c.palette.c_str())) << c.what;
        EXPECT_EQ(labyrinthGrid.cells, cells) << c.what;
        EXPECT_EQ(labyrinthGrid.width, 21) << c.what;
        EXPECT_EQ(labyrinthGrid.height, 5) << c.what;
        EXPECT_EQ(GridRows(), before) << c.what;
    }
    EXPECT_FALSE(LoadLabyrinth(nullptr, paletteFile.c_str()));
    EXPECT_FALSE(LoadLabyrinth(good.c_str(), nullptr));
}

TEST_F(LabyrinthTest, AnotherSizeReplacesWidthHeightAndCells)
{
    WriteBytes(folder.File("Palette.txt"), MAZE_PALETTE);
    WriteBytes(folder.File("big.png"), PngOf(MAZE, MAZE_COLOURS));
    WriteBytes(folder.File("small.bmp"), Bmp24Of({"S", "#", "G"}, MAZE_COLOURS));
    ASSERT_TRUE(LoadLabyrinth(folder.File("big.png").c_str(), folder.File("Palette.txt").c_str()));
    ASSERT_TRUE(LoadLabyrinth(folder.File("small.bmp").c_str(), folder.File("Palette.txt").c_str()));
    EXPECT_EQ(labyrinthGrid.width, 1);
    EXPECT_EQ(labyrinthGrid.height, 3);
    EXPECT_EQ(GridRows(), (std::vector<std::vector<int>>{{1}, {0}, {2}}));
}

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
        // The reference: bottom row first, each pixel searched from row 0.
        std::vector<int> expected(size_t(width * height));
        for (int row = height - 1; row >= 0; --row) {
            for (int column = 0; column < width; ++column) {
                const unsigned char* p = &rgb[size_t((row * width + column) * 3)];
                size_t found = 0;
                while (found < rows.size() &&
                       !(rows[found].red == p[0] && rows[found].green == p[1] && rows[found].blue == p[2])) {
                    ++found;
                }
                if (found == rows.size()) {
                    if (rows.size() < 256) rows.push_back({0, p[0], p[1], p[2]});
                    else found = 255;
                }
                expected[size_t(row * width + column)] = int(found);
            }
        }
        RawImage image = {width, height, 3, rgb.data()};
        WriteBytes(folder.File("mix.png"), EncodePng(image));
        WriteBytes(folder.File("Palette.txt"), text);
        ASSERT_TRUE(LoadLabyrinth(folder.File("mix.png").c_str(), folder.File("Palette.txt").c_str()));
        std::vector<int> got(labyrinthGrid.cells, labyrinthGrid.cells + width * height);
        EXPECT_EQ(got, expected) << paletteSize << " palette rows";
        for (size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(RowAt(unsigned(i)), (PaletteRow{rows[i].kind, rows[i].red, rows[i].green, rows[i].blue}))
                << "row " << i << " with " << paletteSize << " palette rows";
        }
    }
}

// ---------------------------------------------------------------------------
// Labyrinth list (on Windows through the real file search)

namespace {

std::vector<std::string> ListedPaths()
{
    return std::vector<std::string>(labyrinthList.paths, labyrinthList.paths + labyrinthList.count);
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
    FindLabyrinths(folder.Prefix().c_str());
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

TEST_F(LabyrinthTest, ListHoldsAt128EntriesAllBmpWhenThereAreMore)
{
    for (int i = 0; i < 130; ++i) WriteBytes(folder.File("m" + std::to_string(1000 + i) + ".bmp"), std::string("x"));
    for (int i = 0; i < 5; ++i) WriteBytes(folder.File("p" + std::to_string(i) + ".png"), std::string("x"));
    FindLabyrinths(folder.Prefix().c_str());
    ASSERT_EQ(labyrinthList.count, 128u);
    for (const std::string& path : ListedPaths()) EXPECT_TRUE(EndsWithNoCase(path, ".bmp")) << path;
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
    FindLabyrinths(prefix.c_str());
    EXPECT_EQ(ListedPaths(), (std::vector<std::string>{prefix + fits, prefix + "c.png"}));
    EXPECT_EQ(std::strlen(labyrinthList.paths[0]), LABYRINTH_PATH_SIZE - 1);

    FindLabyrinths((prefix + "no such folder" + char(fs::path::preferred_separator)).c_str());
    EXPECT_EQ(labyrinthList.count, 0u);
    FindLabyrinths(std::string(200, 'x').c_str());
    EXPECT_EQ(labyrinthList.count, 0u);
}
