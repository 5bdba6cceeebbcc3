// quorvel-tool check and generate: what the game makes of a labyrinth image,
// and new labyrinths that are sure to be playable.
#include "tool_commands.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "image/image_data.h"
#include "image/image_reader.h"
#include "labyrinth/labyrinth.h"
#include "labyrinth/route.h"
#include "check_details.h"
#include "generate_variety.h"
#include "png_writer.h"
#include "tool_grid.h"

static const char CHECK_HELP[] =
    "usage: quorvel-tool check LABYRINTH [--palette FILE]\n"
    "\n"
    "Loads LABYRINTH (PNG or BMP) with the palette FILE (default \"Palette.txt\" in\n"
    "the current folder) exactly as the game does. Says first which kinds are\n"
    "missing (no start cell, no goal cell), then prints the grid, top row first,\n"
    "one character per cell: '#' wall (kind \"w\"), 'S' start, 'G' goal, '.' the\n"
    "palette's first floor entry, and letters a to z ('+' beyond) for other\n"
    "floor colours, explained under the grid. Then a summary: the size, the\n"
    "number of start and goal cells, the start cell the game uses (the last one,\n"
    "row by row; rows and columns count from 0 at the top left), the colours the\n"
    "palette does not list with their cell counts, first cell and, when within 8\n"
    "on every channel, the palette entry they nearly match, whether a goal cell\n"
    "can be reached from that start (through cell edges, never between two walls\n"
    "that meet only at a corner), and how many open cells cannot be.\n"
    "\n"
    "Exit codes: 0 playable; 2 loads but is not playable (the reason is printed);\n"
    "1 cannot be loaded (palette missing or without a valid line, image unreadable)\n"
    "or wrong arguments.\n";

static const char GENERATE_HELP[] =
    "usage: quorvel-tool generate WIDTH HEIGHT OUT [--seed N] [--palette FILE]\n"
    "                             [--loops PERCENT] [--rooms N]\n"
    "\n"
    "Writes a random labyrinth of WIDTH x HEIGHT cells to OUT, as PNG or BMP by\n"
    "OUT's extension (.png or .bmp, any case). By default the labyrinth is a\n"
    "perfect maze: every open cell can be reached and there is exactly one path\n"
    "between any two. The start and the goal are the two ends of its longest path.\n"
    "\n"
    "--loops PERCENT opens that share (0 to 100) of the walls left between two\n"
    "passages, so some places can be reached by more than one way. --rooms N\n"
    "clears N open rectangles of up to 7 x 7 cells, tinted in turn with the\n"
    "palette's floor entries after the first. Every open cell stays reachable,\n"
    "so the labyrinth is always solvable; the start and the goal are then two\n"
    "cells far apart.\n"
    "\n"
    "Colours come from the palette FILE (default \"Palette.txt\"): its first \"w\",\n"
    "\"s\" and \"g\" entries for wall, start and goal, its first entry of any other\n"
    "kind for the floor, or white when it has none. A palette that lacks one of\n"
    "\"w\", \"s\", \"g\", or whose chosen colours the game would read as another kind\n"
    "(an earlier line with the same colour), is refused.\n"
    "\n"
    "Sizes: WIDTH and HEIGHT run from 5 to 4096; smaller sizes are refused, as\n"
    "there is no room for a start, a goal and a wall around them. Passages and\n"
    "walls are one cell wide with a wall all round, which fits odd sizes exactly;\n"
    "an even size keeps the size asked for, and the extra column (or row) becomes\n"
    "wall next to the right (or bottom) border.\n"
    "\n"
    "The same seed, size and colours give the same file. Without --seed a seed is\n"
    "taken from the clock; it is printed either way.\n"
    "\n"
    "Exit codes: 0 written; 1 palette unusable or OUT cannot be written;\n"
    "2 wrong arguments.\n";

static const int MIN_GENERATED_SIZE = 5;
static const int MAX_GENERATED_SIZE = 4096;

static bool IsHelp(const char* argument)
{
    return std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0;
}

// "--option VALUE": takes both words when argv[i] is the option and a value follows.
static bool TakeOption(int argc, char** argv, int& i, const char* option, const char*& value)
{
    if (std::strcmp(argv[i], option) != 0 || i + 1 >= argc) return false;
    value = argv[++i];
    return true;
}

// Digits only, no sign; false on anything else or on overflow.
static bool ParseUnsigned(const char* text, unsigned long long limit, unsigned long long& value)
{
    if (!*text) return false;
    unsigned long long number = 0;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9') return false;
        unsigned digit = unsigned(*p - '0');
        if (number > (limit - digit) / 10) return false;
        number = number * 10 + digit;
    }
    value = number;
    return true;
}

// The one labyrinth a command works on: loaded by check, its palette read by generate.
static Labyrinth labyrinth;

// ---------------------------------------------------------------------------
// check

// The colours the palette file does not list, in the order the game meets
// them (bottom row of the picture first), with their cell counts.
static bool FindUnlistedColours(const char* imagePath, unsigned listedRows, std::vector<UnlistedColour>& found)
{
    ImageData image = {};
    if (ReadImage(image, imagePath) != ImageRefusal::NONE) return false;
    std::map<uint32_t, size_t> position;
    for (unsigned row = 0; row < listedRows; ++row) {
        const PaletteEntry& e = labyrinth.palette.entries[row];
        position[(uint32_t(e.red) << 16) | (uint32_t(e.green) << 8) | e.blue] = size_t(-1);
    }
    const size_t stride = ImageRowStride(image.width, image.components);
    for (int32_t y = 0; y < image.height; ++y) {
        const unsigned char* pixel = image.pixels + size_t(y) * stride;
        for (int32_t x = 0; x < image.width; ++x, pixel += image.components) {
            uint32_t colour = image.components < 3
                                  ? (uint32_t(pixel[0]) * 0x010101u)
                                  : (uint32_t(pixel[0]) << 16) | (uint32_t(pixel[1]) << 8) | pixel[2];
            auto known = position.find(colour);
            if (known == position.end()) {
                unsigned row = listedRows + unsigned(found.size());
                bool shared = row >= MAX_PALETTE_ROWS;
                if (shared) row = MAX_PALETTE_ROWS - 1;
                known = position.emplace(colour, found.size()).first;
                found.push_back({colour, 0, row, shared, 0, 0});
            }
            if (known->second == size_t(-1)) continue;
            // Rows come bottom row first, so the top-left cell is the first met
            // in the highest row the colour reaches.
            UnlistedColour& u = found[known->second];
            const int row = int(image.height - 1 - y);
            if (u.cells++ == 0 || row < u.firstRow) {
                u.firstRow = row;
                u.firstColumn = int(x);
            }
        }
    }
    FreeImage(image);
    return true;
}

static GridView ViewOfLoadedGrid()
{
    GridView grid;
    grid.width = labyrinth.grid.width;
    grid.height = labyrinth.grid.height;
    grid.kinds.resize(size_t(grid.width) * size_t(grid.height));
    for (size_t i = 0; i < grid.kinds.size(); ++i) grid.kinds[i] = labyrinth.palette.entries[labyrinth.grid.cells[i]].kind;
    grid.rows.assign(labyrinth.grid.cells, labyrinth.grid.cells + grid.kinds.size());
    return grid;
}

struct CheckSummary {
    size_t starts = 0;
    size_t goals = 0;
    int startRow = -1;      // the start the game uses: the last one, row by row
    int startColumn = -1;
    bool goalReachable = false;
    int routeSteps = -1;    // from the start used to the nearest goal
};

static CheckSummary Summarise(const GridView& grid)
{
    CheckSummary summary;
    for (int row = 0; row < grid.height; ++row) {
        for (int column = 0; column < grid.width; ++column) {
            char kind = grid.At(row, column);
            if (kind == 'g') ++summary.goals;
            if (kind != 's') continue;
            ++summary.starts;
            summary.startRow = row;
            summary.startColumn = column;
        }
    }
    if (summary.starts == 0) return summary;
    std::vector<int> distance = WalkFrom(grid, summary.startRow, summary.startColumn);
    for (size_t i = 0; i < grid.kinds.size(); ++i) {
        if (grid.kinds[i] != 'g' || distance[i] < 0) continue;
        summary.goalReachable = true;
        if (summary.routeSteps < 0 || distance[i] < summary.routeSteps) summary.routeSteps = distance[i];
    }
    return summary;
}

// Prints the summary and gives the exit code: 0 playable, 2 not (and why).
static int ReportCheck(const GridView& grid, const CheckSummary& summary, const std::vector<UnlistedColour>& unlisted,
                       unsigned listedRows)
{
    std::printf("size: %d x %d\n", grid.width, grid.height);
    std::printf("start cells: %zu\n", summary.starts);
    std::printf("goal cells: %zu\n", summary.goals);
    if (summary.starts > 1)
        std::printf("start used: row %d, column %d (the last of %zu, row by row)\n", summary.startRow,
                    summary.startColumn, summary.starts);
    else if (summary.starts == 1)
        std::printf("start used: row %d, column %d\n", summary.startRow, summary.startColumn);
    else
        std::printf("start used: none\n");
    std::printf("colours not in the palette: %zu\n", unlisted.size());
    for (const UnlistedColour& u : unlisted) PrintUnlistedColour(u, labyrinth.palette, listedRows);
    std::printf("goal reachable: %s\n", summary.goalReachable ? "yes" : "no");
    if (summary.routeSteps >= 0) {
        // The game's par: the walk at full speed with the default tick of 10 ms.
        const uint32_t par = ParTimeMs(uint32_t(summary.routeSteps), 10);
        std::printf("route to the goal: %d cells, par %u mins %u secs (at Speedlimit 10)\n", summary.routeSteps,
                    unsigned(par / 60000u), unsigned(par % 60000u / 1000u));
    }
    if (summary.starts > 0) PrintUnreachable(grid, summary.startRow, summary.startColumn);

    std::string reasons;
    if (summary.starts == 0) reasons += "no start cell";
    if (summary.goals == 0) reasons += std::string(reasons.empty() ? "" : ", ") + "no goal cell";
    if (reasons.empty() && !summary.goalReachable) reasons = "no goal cell can be reached from the start";
    if (reasons.empty()) {
        std::printf("playable\n");
        return 0;
    }
    std::printf("not playable: %s\n", reasons.c_str());
    return 2;
}

int RunCheck(int argc, char** argv)
{
    const char* imagePath = nullptr;
    const char* palettePath = "Palette.txt";
    for (int i = 1; i < argc; ++i) {
        if (IsHelp(argv[i])) {
            std::fputs(CHECK_HELP, stdout);
            return 0;
        }
        if (TakeOption(argc, argv, i, "--palette", palettePath)) continue;
        if (argv[i][0] != '-' && !imagePath) {
            imagePath = argv[i];
        } else {
            std::fprintf(stderr, "quorvel-tool check: unexpected argument '%s'\n\n%s", argv[i], CHECK_HELP);
            return 1;
        }
    }
    if (!imagePath) {
        std::fprintf(stderr, "quorvel-tool check: no labyrinth given\n\n%s", CHECK_HELP);
        return 1;
    }

    const char* reason = "cannot be read";
    if (!LoadLabyrinth(labyrinth, imagePath, palettePath, &reason)) {
        // The game's own words, and which palette file was meant.
        std::fprintf(stderr, "quorvel-tool: cannot load %s: %s (palette \"%s\")\n", imagePath, reason, palettePath);
        return 1;
    }
    // The walk numbers cells in 32 bits; no labyrinth the game can hold comes near that.
    if (size_t(labyrinth.grid.width) * size_t(labyrinth.grid.height) > 0xFFFFFFFFu) {
        std::fprintf(stderr, "quorvel-tool: %s is too large to check\n", imagePath);
        ReleaseLabyrinth(labyrinth);
        return 1;
    }
    GridView grid = ViewOfLoadedGrid();
    ReleaseLabyrinth(labyrinth);
    unsigned listedRows = 0;
    std::vector<UnlistedColour> unlisted;
    // Read again only to tell the file's rows from appended ones; the grid is already built.
    if (!ReadPaletteFile(labyrinth.palette, palettePath, listedRows) || !FindUnlistedColours(imagePath, listedRows, unlisted)) {
        std::fprintf(stderr, "quorvel-tool: %s or %s changed while being read\n", imagePath, palettePath);
        return 1;
    }
    PrintMissingKinds(grid);
    PrintGridWithLegend(grid, labyrinth.palette, listedRows);
    return ReportCheck(grid, Summarise(grid), unlisted, listedRows);
}

// ---------------------------------------------------------------------------
// generate

// A perfect maze: rooms on odd rows and columns, joined by knocking out the
// wall between two rooms along a random depth-first walk, which visits every
// room once and so leaves exactly one path between any two cells.
static GridView CarveMaze(int width, int height, Random& random)
{
    GridView grid;
    grid.width = width;
    grid.height = height;
    grid.kinds.assign(size_t(width) * size_t(height), 'w');
    const int roomColumns = (width - 1) / 2;
    const int roomRows = (height - 1) / 2;
    auto cell = [&](int roomRow, int roomColumn) -> char& {
        return grid.kinds[size_t(2 * roomRow + 1) * size_t(width) + size_t(2 * roomColumn + 1)];
    };

    std::vector<std::pair<int, int>> stack;
    int firstRow = int(random.Below(unsigned(roomRows)));
    int firstColumn = int(random.Below(unsigned(roomColumns)));
    cell(firstRow, firstColumn) = '.';
    stack.push_back({firstRow, firstColumn});
    while (!stack.empty()) {
        auto [row, column] = stack.back();
        const int STEPS[4][2] = {{-1, 0}, {0, -1}, {0, 1}, {1, 0}};
        int choices[4];
        int count = 0;
        for (int i = 0; i < 4; ++i) {
            int r = row + STEPS[i][0];
            int c = column + STEPS[i][1];
            if (r >= 0 && c >= 0 && r < roomRows && c < roomColumns && cell(r, c) == 'w') choices[count++] = i;
        }
        if (count == 0) {
            stack.pop_back();
            continue;
        }
        int step = choices[random.Below(unsigned(count))];
        int r = row + STEPS[step][0];
        int c = column + STEPS[step][1];
        grid.kinds[size_t(2 * row + 1 + STEPS[step][0]) * size_t(width) + size_t(2 * column + 1 + STEPS[step][1])] = '.';
        cell(r, c) = '.';
        stack.push_back({r, c});
    }
    return grid;
}

// The open cell farthest from (row, column); the first such in walking order.
static size_t FarthestCell(const GridView& grid, int row, int column)
{
    std::vector<int> distance = WalkFrom(grid, row, column);
    size_t best = size_t(row) * size_t(grid.width) + size_t(column);
    for (size_t i = 0; i < distance.size(); ++i) {
        if (distance[i] > distance[best]) best = i;
    }
    return best;
}

static bool IsOpenAbove(const GridView& grid, size_t cell)
{
    return cell >= size_t(grid.width) && grid.kinds[cell - size_t(grid.width)] != 'w';
}

// In a tree the farthest cell from anywhere is one end of a longest path,
// and the farthest cell from that end is the other. The player starts looking
// up the picture, so the start goes on the end with an open cell above it
// when only one of them has one: the first view is then down a corridor.
static void PlaceStartAndGoal(GridView& grid)
{
    size_t end = FarthestCell(grid, 1, 1);
    int endRow = int(end / size_t(grid.width));
    int endColumn = int(end % size_t(grid.width));
    size_t other = FarthestCell(grid, endRow, endColumn);
    if (!IsOpenAbove(grid, end) && IsOpenAbove(grid, other)) std::swap(end, other);
    grid.kinds[end] = 's';
    grid.kinds[other] = 'g';
}

struct MazeColours {
    uint32_t wall, start, goal, floor;   // 0xRRGGBB
    std::vector<uint32_t> rooms;         // tints of --rooms, in turn
};

static uint32_t ColourOfRow(unsigned row)
{
    const PaletteEntry& e = labyrinth.palette.entries[row];
    return (uint32_t(e.red) << 16) | (uint32_t(e.green) << 8) | e.blue;
}

// The kind the game gives a colour: the first palette row with it, or for an
// unlisted colour a new open row (the last row once the table is full).
static char KindGameGives(uint32_t colour, unsigned rows)
{
    for (unsigned i = 0; i < rows; ++i) {
        if (ColourOfRow(i) == colour) return labyrinth.palette.entries[i].kind;
    }
    return rows < MAX_PALETTE_ROWS ? '\0' : labyrinth.palette.entries[MAX_PALETTE_ROWS - 1].kind;
}

static const char* NameOfKind(char kind)
{
    return kind == 'w' ? "wall" : kind == 's' ? "start" : kind == 'g' ? "goal" : "floor";
}

// Rooms take the palette's other floor entries, each once, in file order;
// an entry the game would read as wall, start or goal is passed over. Without
// any, rooms are plain floor.
static std::vector<uint32_t> ChooseRoomTints(unsigned rows, uint32_t plainFloor)
{
    std::vector<uint32_t> tints;
    for (unsigned i = 0; i < rows; ++i) {
        const char kind = labyrinth.palette.entries[i].kind;
        const uint32_t colour = ColourOfRow(i);
        if (kind == 'w' || kind == 's' || kind == 'g' || colour == plainFloor) continue;
        const char given = KindGameGives(colour, rows);
        if (given == 'w' || given == 's' || given == 'g') continue;
        if (std::find(tints.begin(), tints.end(), colour) == tints.end()) tints.push_back(colour);
    }
    if (tints.empty()) tints.push_back(plainFloor);
    return tints;
}

// The first "w", "s" and "g" rows and the first row of another kind (white
// without one), each checked to read back as its own kind.
static bool ChooseColours(const char* palettePath, MazeColours& colours)
{
    unsigned rows = 0;
    if (!ReadPaletteFile(labyrinth.palette, palettePath, rows)) {
        std::fprintf(stderr, "quorvel-tool generate: palette file \"%s\" is missing or cannot be read\n", palettePath);
        return false;
    }
    int wall = -1, start = -1, goal = -1, floor = -1;
    for (unsigned i = rows; i-- > 0;) {
        char kind = labyrinth.palette.entries[i].kind;
        if (kind == 'w') wall = int(i);
        else if (kind == 's') start = int(i);
        else if (kind == 'g') goal = int(i);
        else floor = int(i);
    }
    const struct { int row; const char* kind; } needed[] = {{wall, "w"}, {start, "s"}, {goal, "g"}};
    for (const auto& n : needed) {
        if (n.row >= 0) continue;
        std::fprintf(stderr, "quorvel-tool generate: palette file \"%s\" has no \"%s\" entry\n", palettePath, n.kind);
        return false;
    }
    colours.wall = ColourOfRow(unsigned(wall));
    colours.start = ColourOfRow(unsigned(start));
    colours.goal = ColourOfRow(unsigned(goal));
    colours.floor = floor >= 0 ? ColourOfRow(unsigned(floor)) : 0xFFFFFFu;

    const struct { uint32_t colour; char kind; } chosen[] = {
        {colours.wall, 'w'}, {colours.start, 's'}, {colours.goal, 'g'}, {colours.floor, '.'}};
    for (const auto& c : chosen) {
        char given = KindGameGives(c.colour, rows);
        bool open = given != 'w' && given != 's' && given != 'g';
        if (c.kind == '.' ? open : given == c.kind) continue;
        std::fprintf(stderr,
                     "quorvel-tool generate: in \"%s\" the %s colour %u %u %u belongs to an earlier %s entry; "
                     "the labyrinth would not read back as drawn\n",
                     palettePath, NameOfKind(c.kind), unsigned(c.colour >> 16), unsigned((c.colour >> 8) & 0xFF),
                     unsigned(c.colour & 0xFF), NameOfKind(given));
        return false;
    }
    colours.rooms = ChooseRoomTints(rows, colours.floor);
    return true;
}

static std::vector<unsigned char> PaintMaze(const GridView& grid, const MazeColours& colours,
                                            const std::vector<unsigned char>& tintOf)
{
    std::vector<unsigned char> rgb;
    rgb.reserve(grid.kinds.size() * 3);
    for (size_t i = 0; i < grid.kinds.size(); ++i) {
        const char kind = grid.kinds[i];
        uint32_t c = kind == 'w' ? colours.wall : kind == 's' ? colours.start : kind == 'g' ? colours.goal : colours.floor;
        if (kind == '.' && !tintOf.empty() && tintOf[i] > 0) c = colours.rooms[tintOf[i] - 1];
        rgb.push_back((unsigned char)(c >> 16));
        rgb.push_back((unsigned char)(c >> 8));
        rgb.push_back((unsigned char)c);
    }
    return rgb;
}

static bool EndsWithNoCase(const char* text, const char* suffix)
{
    size_t length = std::strlen(text), suffixLength = std::strlen(suffix);
    if (length < suffixLength) return false;
    for (size_t i = 0; i < suffixLength; ++i) {
        if (std::tolower((unsigned char)text[length - suffixLength + i]) != suffix[i]) return false;
    }
    return true;
}

int RunGenerate(int argc, char** argv)
{
    const char* positional[3] = {};
    int positionalCount = 0;
    const char* palettePath = "Palette.txt";
    const char* seedText = nullptr;
    const char* loopsText = nullptr;
    const char* roomsText = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (IsHelp(argv[i])) {
            std::fputs(GENERATE_HELP, stdout);
            return 0;
        }
        if (TakeOption(argc, argv, i, "--palette", palettePath) || TakeOption(argc, argv, i, "--seed", seedText) ||
            TakeOption(argc, argv, i, "--loops", loopsText) || TakeOption(argc, argv, i, "--rooms", roomsText))
            continue;
        if (argv[i][0] != '-' && positionalCount < 3) {
            positional[positionalCount++] = argv[i];
        } else {
            std::fprintf(stderr, "quorvel-tool generate: unexpected argument '%s'\n\n%s", argv[i], GENERATE_HELP);
            return 2;
        }
    }
    if (positionalCount < 3) {
        std::fprintf(stderr, "quorvel-tool generate: WIDTH, HEIGHT and OUT are needed\n\n%s", GENERATE_HELP);
        return 2;
    }
    unsigned long long width = 0, height = 0, seed = 0;
    if (!ParseUnsigned(positional[0], MAX_GENERATED_SIZE, width) || !ParseUnsigned(positional[1], MAX_GENERATED_SIZE, height) ||
        width < MIN_GENERATED_SIZE || height < MIN_GENERATED_SIZE) {
        std::fprintf(stderr, "quorvel-tool generate: WIDTH and HEIGHT must be whole numbers from %d to %d\n",
                     MIN_GENERATED_SIZE, MAX_GENERATED_SIZE);
        return 2;
    }
    if (seedText && !ParseUnsigned(seedText, ~0ull, seed)) {
        std::fprintf(stderr, "quorvel-tool generate: --seed takes a whole number, not '%s'\n", seedText);
        return 2;
    }
    unsigned long long loops = 0, rooms = 0;
    if ((loopsText && !ParseUnsigned(loopsText, 100, loops)) ||
        (roomsText && !ParseUnsigned(roomsText, MAX_GENERATED_ROOMS, rooms))) {
        std::fprintf(stderr, "quorvel-tool generate: --loops takes 0 to 100, --rooms 0 to %u\n", MAX_GENERATED_ROOMS);
        return 2;
    }
    if (!seedText) seed = (unsigned long long)std::time(nullptr);
    const char* outPath = positional[2];
    bool asPng = EndsWithNoCase(outPath, ".png");
    if (!asPng && !EndsWithNoCase(outPath, ".bmp")) {
        std::fprintf(stderr, "quorvel-tool generate: OUT must end in .png or .bmp: %s\n", outPath);
        return 2;
    }

    MazeColours colours;
    if (!ChooseColours(palettePath, colours)) return 1;
    Random random = {seed};
    GridView grid = CarveMaze(int(width), int(height), random);
    // Neither draws a number when not asked for, so a plain maze stays the same seed for seed.
    if (loops > 0) OpenLoops(grid, unsigned(loops), random);
    std::vector<unsigned char> tintOf;
    if (rooms > 0) ClearRooms(grid, unsigned(rooms), unsigned(colours.rooms.size()), random, tintOf);
    PlaceStartAndGoal(grid);
    std::vector<unsigned char> rgb = PaintMaze(grid, colours, tintOf);
    RawImage image = {int32_t(width), int32_t(height), 3, rgb.data()};
    std::vector<unsigned char> file = asPng ? EncodePng(image) : EncodeBmp(image);
    if (file.empty() || !WriteFileBytes(outPath, file)) {
        std::fprintf(stderr, "quorvel-tool generate: cannot write %s\n", outPath);
        return 1;
    }
    std::printf("wrote %s: %llu x %llu cells, seed %llu\n", outPath, width, height, seed);
    return 0;
}
