#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/frame.h"
#include "game/game_flow.h"
#include "game/game_state.h"
#include "game/movement.h"
#include "game/records.h"
#include "game/replay.h"
#include "game/settings.h"
#include "game/tick_pacing.h"
#include "game/walked_map.h"
#include "labyrinth/labyrinth.h"
#include "platform/keys.h"
#include "platform/platform.h"
#ifndef _WIN32
#include "null/null_platform.h"
#endif
#ifndef _WIN32
#include "support/gl_fake.h"
#endif

namespace {

// The process's game, as the window events of frame.cpp reach it.
Game& game = TheGame();

bool IsScreen(GameScreen screen)
{
    return game.flow.screen == screen;
}

// One frame of the flow: the keys noted since the last one, then their handling.
void Frame()
{
    StartKeyFrame(game.keys);
    HandleFlowKeys(game);
}

// A key tapped: down, one frame, and up again before the next one. The
// frame's view still says whether the press was taken.
void Press(unsigned code)
{
    NoteKeyEvent(game.keys, code, true);
    Frame();
    NoteKeyEvent(game.keys, code, false);
}

// Back to the main menu of a new run, with the labyrinths, records and
// folders found so far kept.
void ResetPlay()
{
    game.flow = FlowState{};
    game.player = Player{};
    game.mouse = MouseLook{};
    game.keys = KeyState{};
    game.settings.selectedLabyrinth = 0;
}

void SetListCount(uint32_t count)
{
    game.labyrinthList.count = count;
    for (uint32_t k = 0; k < count; ++k)
        std::snprintf(game.labyrinthList.paths[k], LABYRINTH_PATH_SIZE, "missing%u.bmp", k);
}

// Menus only: nothing here starts a labyrinth, so no platform or GL is touched.
class MenuKeys : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetGameState(game);
        SetListCount(8);
    }
    void TearDown() override { game.labyrinthList.count = 0; }
};

TEST_F(MenuKeys, MainMenuPointerStaysOnItsThreeRows)
{
    Press(KEY_UP);
    EXPECT_EQ(game.flow.menuCursor, 0u);
    EXPECT_TRUE(WentDown(game.keys, KEY_UP)) << "a key that does nothing is not taken";
    NoteKeyEvent(game.keys, KEY_UP, false);
    Press(KEY_DOWN);
    EXPECT_EQ(game.flow.menuCursor, 1u);
    EXPECT_FALSE(WentDown(game.keys, KEY_DOWN));
    Press(KEY_DOWN);
    EXPECT_EQ(game.flow.menuCursor, 2u);
    Press(KEY_DOWN);
    EXPECT_EQ(game.flow.menuCursor, 2u);
    Press(KEY_UP);
    NoteKeyEvent(game.keys, KEY_DOWN, false);
    Press(KEY_UP);
    EXPECT_EQ(game.flow.menuCursor, 0u);
}

TEST_F(MenuKeys, ExitGameEndsTheProgram)
{
    game.flow.menuCursor = MAIN_MENU_EXIT_GAME;
    Press(KEY_RETURN);
    EXPECT_TRUE(game.flow.quitRequested);
    EXPECT_FALSE(IsScreen(SCREEN_LIST));
}

TEST_F(MenuKeys, ListOpensOnTheCurrentLabyrinth)
{
    struct Case {
        const char* what;
        uint32_t selected;
        uint32_t scrollBefore;
        uint32_t scroll, cursor;
    };
    const Case cases[] = {
        {"first five: from the top", 2, 3, 0, 2},
        {"labyrinth 0", 0, 0, 0, 0},
        {"labyrinth 4: still the first window", 4, 0, 0, 4},
        {"beyond the first five: on the last row", 6, 0, 2, 4},
        {"the last of eight", 7, 0, 3, 4},
    };
    for (const Case& c : cases) {
        ResetPlay();
        game.settings.selectedLabyrinth = c.selected;
        game.flow.listScroll = c.scrollBefore;
        Press(KEY_RETURN);
        EXPECT_TRUE(IsScreen(SCREEN_LIST)) << c.what;
        EXPECT_FALSE(WentDown(game.keys, KEY_RETURN)) << c.what;
        EXPECT_EQ(game.flow.listScroll, c.scroll) << c.what;
        EXPECT_EQ(game.flow.menuCursor, c.cursor) << c.what;
        EXPECT_EQ(game.flow.listScroll + game.flow.menuCursor, c.selected) << c.what;
    }
}

TEST_F(MenuKeys, ListScrollsThroughEightLabyrinths)
{
    struct Step {
        int key;
        uint32_t scroll, cursor;
        bool taken;
    };
    // Opened on labyrinth 6: labyrinths 2 to 6, the pointer on the fifth row.
    const Step steps[] = {
        {KEY_DOWN, 3, 4, true},    // 3 to 7, the pointer on 7
        {KEY_DOWN, 3, 4, true},    // nothing further below
        {KEY_UP, 3, 3, true},
        {KEY_UP, 3, 2, true},
        {KEY_UP, 3, 1, true},
        {KEY_UP, 3, 0, true},
        {KEY_UP, 2, 0, true},      // the top row moves the window up...
        {KEY_UP, 1, 0, true},
        {KEY_UP, 0, 0, true},
        {KEY_UP, 0, 0, true},      // ...until it reaches the first labyrinth
        {KEY_DOWN, 0, 1, true},
    };
    game.settings.selectedLabyrinth = 6;
    Press(KEY_RETURN);
    ASSERT_EQ(game.flow.listScroll, 2u);
    ASSERT_EQ(game.flow.menuCursor, 4u);
    int n = 0;
    for (const Step& s : steps) {
        Press(s.key);
        EXPECT_EQ(game.flow.listScroll, s.scroll) << "step " << n;
        EXPECT_EQ(game.flow.menuCursor, s.cursor) << "step " << n;
        EXPECT_EQ(!WentDown(game.keys, s.key), s.taken) << "step " << n;
        NoteKeyEvent(game.keys, s.key, false);
        ++n;
    }
}

// A real collection: the window moves by pages and to either end.
TEST_F(MenuKeys, PagesAndEndsOfALongList)
{
    SetListCount(300);
    const struct {
        unsigned key;
        uint32_t scroll, cursor;
    } steps[] = {
        {KEY_END, 295, 4},  {KEY_END, 295, 4},   {KEY_PRIOR, 290, 4}, {KEY_UP, 290, 3},
        {KEY_HOME, 0, 0},   {KEY_HOME, 0, 0},    {KEY_NEXT, 5, 0},    {KEY_DOWN, 5, 1},
        {KEY_NEXT, 10, 1},  {KEY_PRIOR, 5, 1},   {KEY_PRIOR, 0, 1},   {KEY_PRIOR, 0, 0},
        {KEY_END, 295, 4},  {KEY_NEXT, 295, 4},  {KEY_HOME, 0, 0},
    };
    Press(KEY_RETURN);   // the list, on labyrinth 0
    int n = 0;
    for (const auto& step : steps) {
        Press(step.key);
        EXPECT_EQ(game.flow.listScroll, step.scroll) << "step " << n;
        EXPECT_EQ(game.flow.menuCursor, step.cursor) << "step " << n;
        ++n;
    }
    Press(KEY_END);
    EXPECT_EQ(game.flow.listScroll + game.flow.menuCursor, 299u) << "the 300th";
}

TEST_F(MenuKeys, ShortListsStopAtTheirLastRow)
{
    SetListCount(3);
    Press(KEY_RETURN);
    Press(KEY_DOWN);
    Press(KEY_DOWN);
    EXPECT_EQ(game.flow.menuCursor, 2u);
    Press(KEY_DOWN);
    EXPECT_EQ(game.flow.menuCursor, 2u);
    EXPECT_EQ(game.flow.listScroll, 0u);
    EXPECT_TRUE(WentDown(game.keys, KEY_DOWN)) << "Down below the last labyrinth is not taken";

    // An empty list: Down never moves; Enter closes it and starts nothing.
    ResetPlay();
    SetListCount(0);
    Press(KEY_RETURN);
    ASSERT_TRUE(IsScreen(SCREEN_LIST));
    Press(KEY_DOWN);
    EXPECT_EQ(game.flow.menuCursor, 0u);
    NoteKeyEvent(game.keys, KEY_DOWN, false);
    Press(KEY_RETURN);
    EXPECT_FALSE(IsScreen(SCREEN_LIST));
    EXPECT_TRUE(IsScreen(SCREEN_MAIN_MENU));
    EXPECT_FALSE(IsScreen(SCREEN_PLAY));
}

TEST_F(MenuKeys, EscapeLeavesTheListForNewGame)
{
    game.settings.selectedLabyrinth = 6;
    Press(KEY_RETURN);
    Press(KEY_UP);
    Press(KEY_ESCAPE);
    EXPECT_FALSE(IsScreen(SCREEN_LIST));
    EXPECT_TRUE(IsScreen(SCREEN_MAIN_MENU));
    EXPECT_EQ(game.flow.menuCursor, 0u);
    EXPECT_EQ(game.settings.selectedLabyrinth, 6u);
    EXPECT_FALSE(WentDown(game.keys, KEY_ESCAPE));
}

TEST_F(MenuKeys, PlayIgnoresMenuKeys)
{
    game.flow.screen = SCREEN_PLAY;
    Press(KEY_RETURN);
    EXPECT_TRUE(WentDown(game.keys, KEY_RETURN)) << "not taken";
    Press(KEY_DOWN);
    EXPECT_TRUE(WentDown(game.keys, KEY_DOWN)) << "not taken";
    EXPECT_FALSE(IsScreen(SCREEN_LIST));
    EXPECT_EQ(game.flow.menuCursor, 0u);
}

#ifndef _WIN32
// Writes a 24-bit uncompressed BMP, one pixel per cell; rows given top first.
void WriteBmp(const std::filesystem::path& path, const std::vector<std::string>& rows)
{
    const uint32_t width = uint32_t(rows[0].size());
    const uint32_t height = uint32_t(rows.size());
    const uint32_t stride = (width * 3 + 3) & ~3u;
    const uint32_t imageSize = stride * height;
    std::vector<unsigned char> file(54 + imageSize, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int k = 0; k < 4; ++k) file[at + k] = (unsigned char)(v >> (8 * k));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, uint32_t(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, width);
    put32(22, height);
    file[26] = 1;
    file[28] = 24;
    put32(34, imageSize);
    for (uint32_t r = 0; r < height; ++r) {
        unsigned char* row = &file[54 + (height - 1 - r) * stride];   // bottom row first
        for (uint32_t c = 0; c < width; ++c) {
            unsigned char grey = 0;   // 'w'
            switch (rows[r][c]) {
            case 's': grey = 80; break;
            case 'g': grey = 160; break;
            case 'f': grey = 240; break;
            case 'S': grey = 200; break;   // a second start colour, where the palette lists one
            }
            row[3 * c] = row[3 * c + 1] = row[3 * c + 2] = grey;
        }
    }
    std::FILE* out = std::fopen(path.string().c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fwrite(file.data(), 1, file.size(), out);
    std::fclose(out);
}

const PlatformRect WINDOW = {100, 50, 741, 531};   // centre (420, 290)

// Real labyrinths in a scratch folder that is the current directory, as the
// game's content folder is.
class Flow : public ::testing::Test {
protected:
    std::filesystem::path previousDirectory;
    std::filesystem::path folder;

    void SetUp() override
    {
        previousDirectory = std::filesystem::current_path();
        // Other test runs may share the temporary folder: a random name each time.
        folder = std::filesystem::temp_directory_path() /
                 ("quorvel_flow_" + std::to_string(std::random_device{}()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        std::filesystem::current_path(folder);
        std::FILE* paletteFile = std::fopen("Palette.txt", "wb");
        ASSERT_NE(paletteFile, nullptr);
        std::fputs("w0 0 0\ns80 80 80\ng160 160 160\nf240 240 240\n", paletteFile);
        std::fclose(paletteFile);

        game.labyrinthList.count = 0;
        game.flow.recordingKept = false;   // an earlier test's run keeps no replay here
        FinishLabyrinth(game);   // nothing left to resume from an earlier test
        game.records.table.count = 0;
        ResetGameState(game);
        PlatformFakeSetWindowRect(&WINDOW);
        PlatformFakeSetCursorPos(0, 0);
        PlatformFakeSetCursorCount(0);
        GlFakeReset();
    }
    void TearDown() override
    {
        ReleaseLabyrinth(game.labyrinth);
        game.labyrinthList.count = 0;
        PlatformFakeSetWindowRect(nullptr);
        std::filesystem::current_path(previousDirectory);
        std::filesystem::remove_all(folder);
    }

    void AddLabyrinth(const char* name, const std::vector<std::string>& rows)
    {
        WriteBmp(folder / name, rows);
        std::snprintf(game.labyrinthList.paths[game.labyrinthList.count], LABYRINTH_PATH_SIZE, "%s", name);
        ++game.labyrinthList.count;
    }
    void AddMissingLabyrinth(const char* name)
    {
        std::snprintf(game.labyrinthList.paths[game.labyrinthList.count], LABYRINTH_PATH_SIZE, "%s", name);
        ++game.labyrinthList.count;
    }

    void AddThreeCorridors()
    {
        AddLabyrinth("zero.bmp", {"wgw", "wfw", "wsw"});
        AddLabyrinth("one.bmp", {"wwww", "wsgw", "wwww"});
        AddLabyrinth("two.bmp", {"sfg"});
    }
};

// Light, fog and the clear colour are the drawing code's: flow only moves the cursor.
TEST_F(Flow, ViewsSwitchTheCursorAndMakeNoGlCall)
{
    EnterPlayView();
    EXPECT_LT(PlatformFakeCursorCount(), 0);
    EnterMenuView();
    EXPECT_GE(PlatformFakeCursorCount(), 0);
    AddThreeCorridors();
    StartLabyrinth(game);
    FinishLabyrinth(game);
    EXPECT_TRUE(glCalls.empty());
}

TEST_F(Flow, CursorEndsHiddenOrShownWhateverItsCount)
{
    struct Case {
        int before;
        bool show;
        int after;
    };
    const Case cases[] = {
        {0, false, -1}, {3, false, -1}, {-1, false, -2}, {-6, true, 0},
        {-1, true, 0},  {0, true, 1},   {4, true, 5},
    };
    for (const Case& c : cases) {
        PlatformFakeSetCursorCount(c.before);
        if (c.show)
            EnterMenuView();
        else
            EnterPlayView();
        EXPECT_EQ(PlatformFakeCursorCount(), c.after) << "from " << c.before << (c.show ? ", shown" : ", hidden");
    }
}

TEST_F(Flow, StartingPutsThePlayerOnTheLastStartCell)
{
    AddLabyrinth("two_starts.bmp", {"wwwww", "wsfsw", "wfgfw", "wwwww"});
    game.settings.selectedLabyrinth = 0;
    game.player.yaw = 77.0f;
    game.player.pitch = 12.0f;
    game.flow.solveTimeMs = 5000;
    StartLabyrinth(game);
    ASSERT_TRUE(IsScreen(SCREEN_PLAY));
    EXPECT_FALSE(IsScreen(SCREEN_MAIN_MENU));
    EXPECT_EQ(game.player.playerX, 3.0f);
    EXPECT_EQ(game.player.playerZ, 1.0f);
    EXPECT_EQ(game.player.yaw, 0.0f);
    EXPECT_EQ(game.player.pitch, 0.0f);
    EXPECT_EQ(game.flow.solveTimeMs, 0u);
        EXPECT_LT(PlatformFakeCursorCount(), 0);
    EXPECT_EQ(game.mouse.mouseCentreX, 420);
    EXPECT_EQ(game.mouse.mouseCentreY, 290);
    int x = 0, y = 0;
    PlatformGetCursorPos(x, y);
    EXPECT_EQ(x, 420);
    EXPECT_EQ(y, 290);
}

TEST_F(Flow, WithoutAStartCellThePlayerStandsOnTheFirstOpenCell)
{
    AddLabyrinth("no_start.bmp", {"wwww", "wwfw", "wfgw", "wwww"});
    game.player.playerX = 9.0f;
    game.player.playerZ = 9.0f;
    StartLabyrinth(game);
    ASSERT_TRUE(IsScreen(SCREEN_PLAY));
    EXPECT_EQ(game.player.playerX, 2.0f);
    EXPECT_EQ(game.player.playerZ, 1.0f);
}

// The last start cell in reading order wins, whichever start colour it has,
// wherever it falls among the eight-cell steps of the scan; without one the
// first open cell.
TEST_F(Flow, TheStartIsFoundWhereverItLies)
{
    std::FILE* palette = std::fopen("Palette.txt", "ab");
    ASSERT_NE(palette, nullptr);
    std::fputs("s200 200 200\n", palette);
    std::fclose(palette);
    struct Case {
        std::vector<std::string> rows;
        int column, row;
    };
    const Case cases[] = {
        {{"s"}, 0, 0},
        {{"fffffffffffffffs"}, 15, 0},
        {{"sffffffffffffffff"}, 0, 0},
        {{"fffsfffff", "fffffffff", "ffSffffff"}, 2, 2},
        {{"ffffffffS", "fffffsfff", "fffffffff"}, 5, 1},
        {{"fsfffffffffffffffffffffs", "wwwwwwwwwwwwwwwwwwwwwwww"}, 23, 0},
        {{"wwwwwwwwwwwwwwwwwwwwwwwww", "wwwwwwwwwwwwwwwwwwwwwwwwf"}, 24, 1},
    };
    for (const Case& c : cases) {
        game.labyrinthList.count = 0;
        AddLabyrinth("start.bmp", c.rows);
        ASSERT_TRUE(StartLabyrinth(game)) << c.rows[0];
        EXPECT_EQ(game.player.playerX, float(c.column)) << c.rows[0];
        EXPECT_EQ(game.player.playerZ, float(c.row)) << c.rows[0];
    }
}

// A labyrinth chosen from the list keeps the hash its row was shown with
// while its file is unchanged, and is hashed anew once the file changed,
// even at the same size.
TEST_F(Flow, ChosenFromTheListItsHashIsTakenAgainOnlyForAChangedFile)
{
    AddLabyrinth("room.bmp", {"wwww", "wsgw", "wwww"});
    HashLabyrinths(game.records, game.labyrinthList, 0, LIST_ROWS);
    const uint64_t shown = game.records.labyrinthHashes[0];
    ASSERT_NE(shown, 0u);
    game.records.labyrinthHashes[0] = 12345;   // were it hashed again, this would go
    ASSERT_TRUE(StartLabyrinth(game));
    EXPECT_EQ(game.records.labyrinthHashes[0], 12345u) << "the file is as it was shown";

    WriteBmp(folder / "room.bmp", {"wwww", "wgsw", "wwww"});   // the same size
    std::filesystem::last_write_time(folder / "room.bmp",
                                     std::filesystem::last_write_time(folder / "room.bmp") + std::chrono::seconds(2));
    ASSERT_TRUE(StartLabyrinth(game));
    EXPECT_NE(game.records.labyrinthHashes[0], 12345u);
    EXPECT_NE(game.records.labyrinthHashes[0], shown);
    const uint64_t edited = game.records.labyrinthHashes[0];
    ASSERT_TRUE(StartLabyrinth(game));
    EXPECT_EQ(game.records.labyrinthHashes[0], edited);
}

TEST_F(Flow, UnplayableLabyrinthsAreNotStarted)
{
    AddLabyrinth("walls.bmp", {"ww", "ww"});
    AddMissingLabyrinth("missing.bmp");
    for (uint32_t index : {0u, 1u, 2u, 500u}) {
        game.settings.selectedLabyrinth = index;
        game.player.playerX = 1.5f;
        game.player.yaw = 33.0f;
        game.flow.solveTimeMs = 700;
        GlFakeReset();
        StartLabyrinth(game);
        EXPECT_FALSE(IsScreen(SCREEN_PLAY)) << index;
        EXPECT_TRUE(IsScreen(SCREEN_MAIN_MENU)) << index;
        EXPECT_EQ(game.player.playerX, 1.5f) << index;
        EXPECT_EQ(game.player.yaw, 33.0f) << index;
        EXPECT_EQ(game.flow.solveTimeMs, 700u) << index;
        EXPECT_TRUE(glCalls.empty()) << index;
        EXPECT_EQ(PlatformFakeCursorCount(), 0) << index;
    }
}

TEST_F(Flow, ChosenFromTheListItIsPlayed)
{
    AddThreeCorridors();
    Press(KEY_RETURN);   // "New Game"
    Press(KEY_DOWN);
    Press(KEY_RETURN);
    EXPECT_TRUE(IsScreen(SCREEN_PLAY));
    EXPECT_FALSE(IsScreen(SCREEN_MAIN_MENU));
    EXPECT_FALSE(IsScreen(SCREEN_LIST));
    EXPECT_EQ(game.flow.menuCursor, 0u);
    EXPECT_EQ(game.settings.selectedLabyrinth, 1u);
    EXPECT_EQ(game.player.playerX, 1.0f);
    EXPECT_EQ(game.player.playerZ, 1.0f);
}

TEST_F(Flow, AFailedChoiceLeavesTheMainMenu)
{
    AddThreeCorridors();
    AddMissingLabyrinth("missing.bmp");
    game.settings.selectedLabyrinth = 3;
    Press(KEY_RETURN);
    Press(KEY_RETURN);
    EXPECT_FALSE(IsScreen(SCREEN_PLAY));
    EXPECT_TRUE(IsScreen(SCREEN_MAIN_MENU));
    EXPECT_FALSE(IsScreen(SCREEN_LIST));
    EXPECT_EQ(game.flow.menuCursor, 0u);
    EXPECT_EQ(game.settings.selectedLabyrinth, 3u);
}

// Auto-repeat sets the key again with every key-down message, one step each.
TEST_F(Flow, HoldingEnterWalksFromTheMenuIntoPlay)
{
    AddThreeCorridors();
    game.settings.selectedLabyrinth = 2;
    NoteKeyEvent(game.keys, KEY_RETURN, true);
    Frame();
    EXPECT_TRUE(IsScreen(SCREEN_LIST));
    Frame();   // no new key-down message yet: nothing happens
    EXPECT_TRUE(IsScreen(SCREEN_LIST));
    NoteKeyEvent(game.keys, KEY_RETURN, true);
    Frame();
    EXPECT_TRUE(IsScreen(SCREEN_PLAY));
    EXPECT_EQ(game.settings.selectedLabyrinth, 2u);
    NoteKeyEvent(game.keys, KEY_RETURN, true);
    Frame();
    EXPECT_TRUE(IsScreen(SCREEN_PLAY)) << "Enter means nothing during play";
}

TEST_F(Flow, EscapePausesAndResumesWhereItLeft)
{
    AddThreeCorridors();
    StartLabyrinth(game);
    game.player.playerX = 1.25f;
    game.player.playerZ = 1.5f;
    game.player.yaw = 45.0f;
    game.player.pitch = -10.0f;
    game.flow.solveTimeMs = 12340;
    game.flow.menuCursor = 1;

    GlFakeReset();
    Press(KEY_ESCAPE);
    EXPECT_TRUE(IsScreen(SCREEN_MAIN_MENU));
    EXPECT_FALSE(IsScreen(SCREEN_PLAY));
    EXPECT_EQ(game.flow.menuCursor, 1u) << "the pointer keeps its row";
    EXPECT_FALSE(WentDown(game.keys, KEY_ESCAPE));
        EXPECT_GE(PlatformFakeCursorCount(), 0);

    // The cursor wanders in the menu; resuming starts mouse look from the middle.
    PlatformFakeSetCursorPos(5, 7);
    game.mouse.mouseCentreX = game.mouse.mouseCentreY = 0;
    GlFakeReset();
    Press(KEY_ESCAPE);
    EXPECT_TRUE(IsScreen(SCREEN_PLAY));
    EXPECT_FALSE(IsScreen(SCREEN_MAIN_MENU));
        EXPECT_LT(PlatformFakeCursorCount(), 0);
    EXPECT_EQ(game.player.playerX, 1.25f);
    EXPECT_EQ(game.player.playerZ, 1.5f);
    EXPECT_EQ(game.player.yaw, 45.0f);
    EXPECT_EQ(game.player.pitch, -10.0f);
    EXPECT_EQ(game.flow.solveTimeMs, 12340u);
    EXPECT_EQ(game.mouse.mouseCentreX, 420);
    EXPECT_EQ(game.mouse.mouseCentreY, 290);
    int x = 0, y = 0;
    PlatformGetCursorPos(x, y);
    EXPECT_EQ(x, 420);
    EXPECT_EQ(y, 290);
}

TEST_F(Flow, EscapeInTheMainMenuNeedsALabyrinthToResume)
{
    AddThreeCorridors();
    Press(KEY_ESCAPE);
    EXPECT_FALSE(IsScreen(SCREEN_PLAY));
    EXPECT_TRUE(IsScreen(SCREEN_MAIN_MENU));
    EXPECT_FALSE(WentDown(game.keys, KEY_ESCAPE)) << "the press is used up";
    EXPECT_TRUE(glCalls.empty());

    // Nor is a solved labyrinth resumed once its successor failed to load.
    AddMissingLabyrinth("missing.bmp");
    game.settings.selectedLabyrinth = 2;
    StartLabyrinth(game);
    FinishLabyrinth(game);
    NoteKeyEvent(game.keys, KEY_RETURN, true);
    Frame();
    ASSERT_TRUE(IsScreen(SCREEN_MAIN_MENU));
    Press(KEY_ESCAPE);
    EXPECT_FALSE(IsScreen(SCREEN_PLAY));
    EXPECT_FALSE(IsScreen(SCREEN_SOLVED));
}

TEST_F(Flow, SolvingShowsTheSolvedScreen)
{
    AddThreeCorridors();
    StartLabyrinth(game);
    GlFakeReset();
    FinishLabyrinth(game);
    EXPECT_TRUE(IsScreen(SCREEN_SOLVED));
    EXPECT_FALSE(IsScreen(SCREEN_PLAY));
    EXPECT_FALSE(IsScreen(SCREEN_MAIN_MENU));
        EXPECT_GE(PlatformFakeCursorCount(), 0);
}

TEST_F(Flow, SolvedScreenLeadsToTheNextLabyrinth)
{
    AddThreeCorridors();
    struct Case {
        const char* what;
        int key;
        uint32_t solvedIndex;
        uint32_t next;
        bool menu;
    };
    const Case cases[] = {
        {"Enter", KEY_RETURN, 0, 1, false},
        {"Space", KEY_SPACE, 1, 2, false},
        {"Enter after the last wraps to the first", KEY_RETURN, 2, 0, false},
        {"Escape loads the next and opens the menu over it", KEY_ESCAPE, 0, 1, true},
    };
    for (const Case& c : cases) {
        ResetPlay();
        game.settings.selectedLabyrinth = c.solvedIndex;
        StartLabyrinth(game);
        FinishLabyrinth(game);
        game.player.playerX = game.player.playerZ = 7.0f;
        Press(c.key);
        EXPECT_EQ(game.settings.selectedLabyrinth, c.next) << c.what;
        EXPECT_FALSE(IsScreen(SCREEN_SOLVED)) << c.what;
        EXPECT_EQ(IsScreen(SCREEN_PLAY), !c.menu) << c.what;
        EXPECT_EQ(IsScreen(SCREEN_MAIN_MENU), c.menu) << c.what;
        EXPECT_NE(game.player.playerX, 7.0f) << c.what << ": the next labyrinth's start";
        if (c.key != KEY_ESCAPE) {
            EXPECT_TRUE(WentDown(game.keys, c.key)) << c.what << ": not taken";
        }
        NoteKeyEvent(game.keys, c.key, false);

        if (c.menu) {
            Press(KEY_ESCAPE);   // the main menu's Escape plays it
            EXPECT_TRUE(IsScreen(SCREEN_PLAY)) << c.what;
            EXPECT_EQ(game.settings.selectedLabyrinth, c.next) << c.what;
        }
    }
}

TEST_F(Flow, AFailedNextLabyrinthFallsBackOnTheMainMenu)
{
    AddThreeCorridors();
    AddMissingLabyrinth("missing.bmp");
    for (int key : {KEY_RETURN, KEY_SPACE, KEY_ESCAPE}) {
        ResetPlay();
        game.settings.selectedLabyrinth = 2;
        StartLabyrinth(game);
        FinishLabyrinth(game);
        game.flow.menuCursor = 1;
        Press(key);
        EXPECT_EQ(game.settings.selectedLabyrinth, 2u) << "the solved labyrinth stays the current one";
        EXPECT_STREQ(game.flow.loadFailureMessage, "Cannot load missing.bmp: cannot be opened");
        EXPECT_FALSE(IsScreen(SCREEN_SOLVED));
        EXPECT_FALSE(IsScreen(SCREEN_PLAY));
        EXPECT_TRUE(IsScreen(SCREEN_MAIN_MENU));
        EXPECT_FALSE(IsScreen(SCREEN_LIST)) << "the main menu, not the list";
        EXPECT_EQ(game.flow.menuCursor, 0u) << "\"New Game\" pointed at";
        EXPECT_FALSE(WentDown(game.keys, key)) << "the press does not go on to act in the menu";
    }
}

std::string ReadFile(const char* name)
{
    std::string text;
    if (std::FILE* in = std::fopen(name, "rb")) {
        char buffer[512];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0) text.append(buffer, got);
        std::fclose(in);
    }
    return text;
}

void WriteFile(const char* name, const std::string& bytes)
{
    std::FILE* out = std::fopen(name, "wb");
    ASSERT_NE(out, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fclose(out);
}

TEST_F(Flow, AFailedLoadChangesNothingAndSaysWhy)
{
    AddThreeCorridors();
    AddLabyrinth("walls.bmp", {"ww", "ww"});
    AddMissingLabyrinth("text.png");
    WriteFile("text.png", "these are not the pixels you are looking for");
    AddMissingLabyrinth("cut.png");
    WriteFile("cut.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16));
    AddMissingLabyrinth("gone.bmp");

    struct Case {
        uint32_t index;
        const char* message;
    };
    const Case cases[] = {
        {3, "Cannot load walls.bmp: no open cell"},
        {4, "Cannot load text.png: not a BMP or PNG image"},
        {5, "Cannot load cut.png: damaged or unsupported PNG image"},
        {6, "Cannot load gone.bmp: cannot be opened"},
    };
    game.settings.selectedLabyrinth = 1;
    StartLabyrinth(game);
    ASSERT_TRUE(IsScreen(SCREEN_PLAY));
    const unsigned char* cells = game.labyrinth.grid.cells;
    const Palette before = game.labyrinth.palette;
    // A palette edited since: a load that took it in, then failed, would show.
    WriteFile("Palette.txt", "w0 0 0\ns80 80 80\ng160 160 160\nf240 240 240\nx9 9 9\n");

    for (const Case& c : cases) {
        game.player.playerX = 1.25f;
        Press(KEY_ESCAPE);   // to the main menu
        Press(KEY_RETURN);   // the list
        game.flow.listScroll = c.index > 4 ? c.index - 4 : 0;
        game.flow.menuCursor = c.index - game.flow.listScroll;
        Press(KEY_RETURN);
        EXPECT_STREQ(game.flow.loadFailureMessage, c.message);
        EXPECT_TRUE(IsScreen(SCREEN_MAIN_MENU) && !IsScreen(SCREEN_LIST) && !IsScreen(SCREEN_PLAY)) << c.message;
        EXPECT_EQ(game.settings.selectedLabyrinth, 1u) << c.message;
        EXPECT_EQ(game.labyrinth.grid.cells, cells) << c.message;
        EXPECT_EQ(std::memcmp(&game.labyrinth.palette, &before, sizeof game.labyrinth.palette), 0) << c.message;

        Press(KEY_ESCAPE);   // the labyrinth being played resumes
        EXPECT_TRUE(IsScreen(SCREEN_PLAY)) << c.message;
        EXPECT_EQ(game.player.playerX, 1.25f) << c.message;
        EXPECT_EQ(game.flow.loadFailureMessage[0], '\0') << "gone with the next key press";
    }
}

TEST_F(Flow, TheMessageStaysWhileTheKeysUnderItAreHeld)
{
    AddMissingLabyrinth("gone.bmp");
    Press(KEY_RETURN);
    NoteKeyEvent(game.keys, KEY_W, true);     // held before the message went up
    Press(KEY_RETURN);    // the failed choice
    ASSERT_NE(game.flow.loadFailureMessage[0], '\0');
    Frame();
    Frame();
    EXPECT_NE(game.flow.loadFailureMessage[0], '\0');
    NoteKeyEvent(game.keys, KEY_W, false);
    Frame();
    EXPECT_NE(game.flow.loadFailureMessage[0], '\0') << "a release is no press";
    NoteKeyEvent(game.keys, KEY_W, true);
    Frame();
    EXPECT_EQ(game.flow.loadFailureMessage[0], '\0');
}

TEST_F(Flow, AKeyHeldThroughTheGoalDoesNotSkipTheSolvedScreen)
{
    AddThreeCorridors();
    for (int key : {KEY_RETURN, KEY_SPACE, KEY_ESCAPE}) {
        ResetPlay();
        game.settings.selectedLabyrinth = 0;
        StartLabyrinth(game);
        NoteKeyEvent(game.keys, key, true);   // held while walking into the goal
        StartKeyFrame(game.keys);
        FinishLabyrinth(game);
        for (int frame = 0; frame < 3; ++frame) {
            NoteKeyEvent(game.keys, key, true);   // auto-repeat
            Frame();
            EXPECT_TRUE(IsScreen(SCREEN_SOLVED)) << key;
        }
        NoteKeyEvent(game.keys, key, true);   // one last auto-repeat, then the release, in one frame
        NoteKeyEvent(game.keys, key, false);
        Frame();
        EXPECT_TRUE(IsScreen(SCREEN_SOLVED)) << key << ": a release is no press";
        Press(key);
        EXPECT_FALSE(IsScreen(SCREEN_SOLVED)) << key;
        EXPECT_EQ(game.settings.selectedLabyrinth, 1u) << key;
        NoteKeyEvent(game.keys, key, false);
    }

    // A fresh Space while an Escape from before is still down: the next
    // labyrinth is played, the old Escape does not open the menu over it.
    ResetPlay();
    game.settings.selectedLabyrinth = 0;
    StartLabyrinth(game);
    NoteKeyEvent(game.keys, KEY_ESCAPE, true);
    StartKeyFrame(game.keys);
    FinishLabyrinth(game);
    Press(KEY_SPACE);
    EXPECT_TRUE(IsScreen(SCREEN_PLAY));
    EXPECT_FALSE(IsScreen(SCREEN_MAIN_MENU));
}

// F5 during play: the file as it is now, the player kept where that still
// makes sense, and a broken file changing nothing but the message.
TEST_F(Flow, F5InPlayReadsTheLabyrinthAgain)
{
    const std::vector<std::string> room = {"wwwww", "wfffw", "wfffw", "wsfgw", "wwwww"};
    struct Case {
        const char* what;
        std::vector<std::string> edited;   // empty: the file is no longer an image
        float x, z;                        // where the player stands when F5 goes down
        float wantX, wantZ, wantYaw;
        const char* message;
    };
    const Case cases[] = {
        {"a new wall elsewhere", {"wwwww", "wfffw", "wwffw", "wsfgw", "wwwww"}, 3.1f, 1.9f, 3.1f, 1.9f, 40.0f, ""},
        {"a new wall touching the player", {"wwwww", "wffww", "wfffw", "wsfgw", "wwwww"}, 2.3f, 1.6f, 2.0f, 2.0f, 40.0f, ""},
        {"the player's cell walled up", {"wwwww", "wfwfw", "wsffw", "wfwgw", "wwwww"}, 2.0f, 1.0f, 1.0f, 2.0f, 0.0f, ""},
        {"a grid that shrank past the player", {"wwww", "wsgw", "wwww"}, 3.0f, 3.0f, 1.0f, 1.0f, 0.0f, ""},
        {"walls only", {"www", "www"}, 2.0f, 2.0f, 2.0f, 2.0f, 40.0f, "Cannot load room.bmp: no open cell"},
        {"not an image", {}, 2.0f, 2.0f, 2.0f, 2.0f, 40.0f, "Cannot load room.bmp: not a BMP or PNG image"},
    };
    for (const Case& c : cases) {
        game.labyrinthList.count = 0;
        AddLabyrinth("room.bmp", room);
        StartLabyrinth(game);
        ASSERT_TRUE(IsScreen(SCREEN_PLAY)) << c.what;
        game.player.playerX = c.x;
        game.player.playerZ = c.z;
        game.player.yaw = 40.0f;
        game.flow.solveTimeMs = 1234;
        const unsigned char* before = game.labyrinth.grid.cells;
        if (c.edited.empty())
            WriteFile("room.bmp", "painted over");
        else
            WriteBmp(folder / "room.bmp", c.edited);

        Press(KEY_F5);
        EXPECT_FALSE(WentDown(game.keys, KEY_F5)) << c.what;
        EXPECT_TRUE(IsScreen(SCREEN_PLAY) && !IsScreen(SCREEN_MAIN_MENU)) << c.what;
        EXPECT_STREQ(game.flow.loadFailureMessage, c.message) << c.what;
        EXPECT_FLOAT_EQ(game.player.playerX, c.wantX) << c.what;
        EXPECT_FLOAT_EQ(game.player.playerZ, c.wantZ) << c.what;
        EXPECT_FLOAT_EQ(game.player.yaw, c.wantYaw) << c.what;
        EXPECT_EQ(game.flow.solveTimeMs, 1234u) << "the clock runs on: " << c.what;
        if (c.message[0] != '\0') {
            EXPECT_EQ(game.labyrinth.grid.cells, before) << "the old grid goes on: " << c.what;
            continue;
        }
        const std::vector<std::string>& e = c.edited;
        ASSERT_EQ(game.labyrinth.grid.width, int32_t(e[0].size())) << c.what;
        ASSERT_EQ(game.labyrinth.grid.height, int32_t(e.size())) << c.what;
        for (int32_t r = 0; r < game.labyrinth.grid.height; ++r) {
            for (int32_t col = 0; col < game.labyrinth.grid.width; ++col)
                EXPECT_EQ(CellKind(game.labyrinth, r, col) == 'w', e[r][col] == 'w') << c.what << " at " << r << ", " << col;
        }
        EXPECT_FALSE(CollidesWithWall(game.labyrinth, game.player.playerZ, game.player.playerX)) << c.what;
    }
}

TEST_F(Flow, F5InPlayReadsThePaletteAgainAndIsIgnoredOnTheSolvedScreen)
{
    AddLabyrinth("room.bmp", {"wwww", "wsgw", "wwww"});
    StartLabyrinth(game);
    WriteFile("Palette.txt", "w0 0 0\ns80 80 80\nw160 160 160\n");   // the goal is now a wall
    Press(KEY_F5);
    EXPECT_EQ(CellKind(game.labyrinth, 1, 2), 'w');
    EXPECT_STREQ(game.flow.loadFailureMessage, "");

    WriteFile("Palette.txt", "no entries at all\n");
    Press(KEY_F5);
    EXPECT_STREQ(game.flow.loadFailureMessage, "Cannot load room.bmp: the palette file lists no colour");
    EXPECT_EQ(CellKind(game.labyrinth, 1, 2), 'w') << "the grid in play stays";
    Press(KEY_LEFT);   // any new key takes the message away, in play as in the menu
    EXPECT_STREQ(game.flow.loadFailureMessage, "");

    FinishLabyrinth(game);
    Press(KEY_F5);
    EXPECT_TRUE(WentDown(game.keys, KEY_F5)) << "nothing to reload on the solved screen";
    EXPECT_TRUE(IsScreen(SCREEN_SOLVED));
}

// F5 in the menus: the folder searched again, the pointer following its file.
TEST_F(Flow, F5InTheMenuFindsNewAndRemovedFiles)
{
    char savedFolder[FOLDER_SIZE];
    std::memcpy(savedFolder, game.settings.labyrinthsFolder, sizeof savedFolder);
    std::snprintf(game.settings.labyrinthsFolder, FOLDER_SIZE, "Mazes/");
    std::filesystem::create_directories(folder / "Mazes");
    const std::vector<std::string> corridor = {"wwww", "wsgw", "wwww"};
    for (const char* name : {"a.bmp", "c.bmp", "d.bmp", "e.bmp", "f.bmp", "g.bmp", "z.png"})
        WriteBmp(folder / "Mazes" / name, corridor);   // a PNG name on a BMP: the list goes by names
    FindLabyrinths(game.labyrinthList, game.settings.labyrinthsFolder);
    ASSERT_EQ(game.labyrinthList.count, 7u);
    game.settings.selectedLabyrinth = 2;   // d.bmp
    StartLabyrinth(game);
    ASSERT_TRUE(IsScreen(SCREEN_PLAY));
    Press(KEY_ESCAPE);

    WriteBmp(folder / "Mazes" / "b.bmp", corridor);
    Press(KEY_F5);   // the main menu
    EXPECT_EQ(game.labyrinthList.count, 8u);
    EXPECT_STREQ(game.labyrinthList.paths[game.settings.selectedLabyrinth], "Mazes/d.bmp") << "the labyrinth in play keeps its file";
    EXPECT_TRUE(IsScreen(SCREEN_MAIN_MENU) && !IsScreen(SCREEN_LIST) && game.flow.menuCursor == 0);
    Press(KEY_ESCAPE);   // its file is still there: play resumes
    EXPECT_TRUE(IsScreen(SCREEN_PLAY));
    Press(KEY_ESCAPE);

    Press(KEY_RETURN);   // the list opens on d.bmp, now the fourth
    EXPECT_EQ(game.flow.listScroll + game.flow.menuCursor, 3u);
    Press(KEY_DOWN);
    Press(KEY_DOWN);     // f.bmp, in the last row
    ASSERT_EQ(game.flow.menuCursor, 4u);
    std::filesystem::remove(folder / "Mazes" / "a.bmp");
    std::filesystem::remove(folder / "Mazes" / "b.bmp");
    WriteBmp(folder / "Mazes" / "h.bmp", corridor);
    Press(KEY_F5);
    EXPECT_EQ(game.labyrinthList.count, 7u);
    EXPECT_STREQ(game.labyrinthList.paths[game.flow.listScroll + game.flow.menuCursor], "Mazes/f.bmp");
    EXPECT_EQ(game.flow.listScroll, 1u) << "the window stays while its file is in it";
    EXPECT_STREQ(LabyrinthDisplayName(game, 6), "z.png") << "every BMP before any PNG";

    std::filesystem::remove(folder / "Mazes" / "f.bmp");
    Press(KEY_F5);   // the pointed file gone: the same place in the list
    EXPECT_STREQ(game.labyrinthList.paths[game.flow.listScroll + game.flow.menuCursor], "Mazes/g.bmp");
    for (const char* name : {"c.bmp", "d.bmp", "e.bmp", "g.bmp", "h.bmp", "z.png"})
        std::filesystem::remove(folder / "Mazes" / name);
    Press(KEY_F5);
    EXPECT_EQ(game.labyrinthList.count, 0u);
    EXPECT_EQ(game.flow.listScroll + game.flow.menuCursor, 0u);
    EXPECT_EQ(game.settings.selectedLabyrinth, 0u);
    Press(KEY_ESCAPE);
    Press(KEY_ESCAPE);   // d.bmp is gone: nothing to resume
    EXPECT_FALSE(IsScreen(SCREEN_PLAY));
    EXPECT_TRUE(IsScreen(SCREEN_MAIN_MENU));
    std::memcpy(game.settings.labyrinthsFolder, savedFolder, sizeof savedFolder);
}

TEST_F(Flow, ActivationDuringPlayRecentresTheMouse)
{
    AddThreeCorridors();
    StartLabyrinth(game);
    NoteKeyEvent(game.keys, KEY_UP, true);
    NoteWindowActive(false);
    EXPECT_FALSE(IsWindowActive());
    EXPECT_FALSE(WentDown(game.keys, KEY_UP)) << "held keys are forgotten";
    PlatformFakeSetCursorPos(5, 7);   // the player went elsewhere
    NoteWindowActive(true);
    EXPECT_TRUE(IsWindowActive());
    int x = 0, y = 0;
    PlatformGetCursorPos(x, y);
    EXPECT_EQ(x, 420);
    EXPECT_EQ(y, 290);

    Press(KEY_ESCAPE);   // in the menu the cursor is the player's
    PlatformFakeSetCursorPos(5, 7);
    NoteWindowActive(false);
    NoteWindowActive(true);
    PlatformGetCursorPos(x, y);
    EXPECT_EQ(x, 5);
}

TEST_F(Flow, ASolveIsKeptAsTheBestTimeWhenItBeatsTheRecord)
{
    AddThreeCorridors();
    struct Case {
        uint32_t ms;
        bool newBest;
        uint32_t best;
    };
    const Case cases[] = {{5000, true, 5000}, {7000, false, 5000}, {5000, false, 5000}, {3000, true, 3000}};
    for (const Case& c : cases) {
        ResetPlay();
        StartLabyrinth(game);
        game.flow.solveTimeMs = c.ms;
        FinishLabyrinth(game);
        EXPECT_EQ(game.flow.parMs, 1000u) << "two cells at full speed: 0.4 s, a whole second";
        EXPECT_EQ(game.flow.newBest, c.newBest) << c.ms;
        EXPECT_EQ(game.flow.bestMs, c.best) << c.ms;
    }
    const std::string text = ReadFile("Records.txt");
    EXPECT_NE(text.find(" 3000 zero.bmp\r\n"), std::string::npos) << text;
    ReadRecords("Records.txt", game.records.table);
    EXPECT_EQ(game.records.table.count, 1u);

    // The same picture edited is a new labyrinth with no record yet; its old
    // record stays in the file for the old picture.
    AddLabyrinth("zero.bmp", {"wgw", "wfw", "wfw", "wsw"});
    game.labyrinthList.count = 3;
    ResetPlay();
    StartLabyrinth(game);
    game.flow.solveTimeMs = 9000;
    FinishLabyrinth(game);
    EXPECT_EQ(game.flow.parMs, 1000u);
    EXPECT_TRUE(game.flow.newBest);
    EXPECT_EQ(game.flow.bestMs, 9000u);
    ReadRecords("Records.txt", game.records.table);
    EXPECT_EQ(game.records.table.count, 2u);
}

// The goal is looked for before every tick of a frame, so the tick that
// would have followed it never adds to the time: the time shown, the time
// kept and the best are one number.
TEST_F(Flow, TheTimeShownIsTheTimeKept)
{
    AddThreeCorridors();
    StartLabyrinth(game);
    NoteKeyEvent(game.keys, KEY_UP, true);
    StartKeyFrame(game.keys);
    RunPlayTicks(game, 1000);   // a slow frame: the goal is reached within it
    ASSERT_TRUE(IsScreen(SCREEN_SOLVED));
    EXPECT_EQ(game.flow.solveTimeMs, 290u) << "row 2 to 0.55, where row 0 begins: 29 ticks of 10 ms";
    EXPECT_EQ(game.flow.bestMs, game.flow.solveTimeMs);
    RunPlayTicks(game, 5);
    EXPECT_EQ(game.flow.solveTimeMs, game.flow.bestMs) << "no tick runs on the solved screen";
}

TEST_F(Flow, ARecordFileThatCannotBeWrittenNeverStopsTheGame)
{
    AddThreeCorridors();
    WriteFile("Records.txt", "garbage\n\x01\x02\n");
    std::filesystem::create_directory("Records.txt.tmp");   // no temporary file can be made
    ReadRecords("Records.txt", game.records.table);
    StartLabyrinth(game);
    game.flow.solveTimeMs = 4000;
    FinishLabyrinth(game);
    EXPECT_TRUE(IsScreen(SCREEN_SOLVED));
    EXPECT_TRUE(game.flow.newBest);
    EXPECT_EQ(game.flow.bestMs, 4000u) << "this run still knows its best";
    EXPECT_EQ(ReadFile("Records.txt"), "garbage\n\x01\x02\n");
    Press(KEY_RETURN);
    EXPECT_TRUE(IsScreen(SCREEN_PLAY)) << "and the next labyrinth follows";
}

TEST_F(Flow, MTogglesTheMapDuringPlayOnly)
{
    AddThreeCorridors();
    game.map.mapShown = false;
    Press(KEY_M);
    EXPECT_FALSE(game.map.mapShown) << "not in the menu";
    NoteKeyEvent(game.keys, KEY_M, false);
    StartLabyrinth(game);
    EXPECT_TRUE(WasWalked(game.map, game.labyrinth, 2, 1)) << "the start cell is walked at once";
    Press(KEY_M);
    EXPECT_TRUE(game.map.mapShown);
    EXPECT_FALSE(WentDown(game.keys, KEY_M));
    Frame();
    EXPECT_TRUE(game.map.mapShown) << "one press, one toggle";
    Press(KEY_M);
    EXPECT_FALSE(game.map.mapShown);
    game.map.mapShown = false;
}

// Only the rows the list shows are hashed, as they come into view.
TEST_F(Flow, TheListHashesOnlyWhatItShows)
{
    for (int k = 0; k < 8; ++k) AddLabyrinth(("l" + std::to_string(k) + ".bmp").c_str(), {"wgw", "wfw", "wsw"});
    ForgetLabyrinthHashes(game.records);
    Press(KEY_RETURN);
    for (uint32_t k = 0; k < 8; ++k) EXPECT_EQ(game.records.hashed[k], k < 5) << k;
    EXPECT_NE(game.records.labyrinthHashes[0], 0u);
    Press(KEY_END);
    for (uint32_t k = 0; k < 8; ++k) EXPECT_TRUE(game.records.hashed[k]) << k;
}

// A picture named on the command line: its own palette, a record of its own,
// played again from the solved screen, and the list's index left alone.
TEST_F(Flow, AnOutsideLabyrinthPlaysWithThePaletteBesideIt)
{
    AddThreeCorridors();
    game.settings.selectedLabyrinth = 2;
    std::filesystem::create_directories(folder / "elsewhere");
    WriteBmp(folder / "elsewhere" / "x.bmp", {"wwwww", "wsfgw", "wwwww"});
    std::FILE* own = std::fopen((folder / "elsewhere" / "Palette.txt").string().c_str(), "wb");
    ASSERT_NE(own, nullptr);
    std::fputs("w0 0 0\ns80 80 80\nf160 160 160\ng240 240 240\n", own);   // goal and floor swapped
    std::fclose(own);

    ASSERT_TRUE(StartOutsideLabyrinth(game, (folder / "elsewhere" / "x.bmp").string().c_str()));
    EXPECT_TRUE(IsScreen(SCREEN_PLAY));
    EXPECT_EQ(CellKind(game.labyrinth, 1, 2), 'g') << "the palette beside the picture";
    EXPECT_EQ(CellKind(game.labyrinth, 1, 3), 'f');
    EXPECT_STREQ(LabyrinthDisplayName(game, CurrentLabyrinth(game)), "x.bmp");
    EXPECT_EQ(game.settings.selectedLabyrinth, 2u);

    game.player.playerX = 2.0f;
    RunPlayTicks(game, 1);
    ASSERT_TRUE(IsScreen(SCREEN_SOLVED));
    EXPECT_NE(game.flow.bestMs, NO_TIME) << "a record like any labyrinth's";
    Press(KEY_RETURN);
    EXPECT_TRUE(IsScreen(SCREEN_PLAY)) << "Enter plays it again";
    EXPECT_STREQ(LabyrinthDisplayName(game, CurrentLabyrinth(game)), "x.bmp");
    EXPECT_EQ(game.settings.selectedLabyrinth, 2u);

    // The game's own list is still the list: choosing from it leaves the outside picture.
    Press(KEY_ESCAPE);
    Press(KEY_RETURN);
    Press(KEY_RETURN);
    EXPECT_TRUE(IsScreen(SCREEN_PLAY));
    EXPECT_EQ(CurrentLabyrinth(game), 2u);

    // Without a palette beside it, the game's own; a missing picture is told.
    std::filesystem::remove(folder / "elsewhere" / "Palette.txt");
    ASSERT_TRUE(StartOutsideLabyrinth(game, (folder / "elsewhere" / "x.bmp").string().c_str()));
    EXPECT_EQ(CellKind(game.labyrinth, 1, 3), 'g');
    game.flow.screen = SCREEN_MAIN_MENU;
    EXPECT_FALSE(StartOutsideLabyrinth(game, (folder / "elsewhere" / "gone.bmp").string().c_str()));
    EXPECT_TRUE(IsScreen(SCREEN_MAIN_MENU));
    EXPECT_EQ(std::string(game.flow.loadFailureMessage).rfind("Cannot load gone.bmp: ", 0), 0u)
        << game.flow.loadFailureMessage;
}

// The watch asks for reloads; the flow keeps the old grid through a quiet
// failure, and tells only one that lasts.
TEST_F(Flow, ASavedPictureIsReloadedWithoutAKey)
{
    AddLabyrinth("room.bmp", {"wwwww", "wsffw", "wfffw", "wffgw", "wwwww"});
    StartLabyrinth(game);
    game.player.playerX = 2.0f;
    WatchLabyrinthFiles(game, 0);   // the stamps as started
    const uint32_t reloads = game.flow.labyrinthReloads;

    WriteFile("room.bmp", "BM half a picture");
    WatchLabyrinthFiles(game, 500);
    EXPECT_EQ(game.flow.labyrinthReloads, reloads);
    EXPECT_STREQ(game.flow.loadFailureMessage, "") << "nothing told while the save may go on";
    EXPECT_EQ(CellKind(game.labyrinth, 2, 2), 'f') << "the old grid plays on";

    WriteBmp(folder / "room.bmp", {"wwwww", "wsffw", "wfwfw", "wffgw", "wwwww"});
    WatchLabyrinthFiles(game, 1000);
    EXPECT_EQ(game.flow.labyrinthReloads, reloads + 1);
    EXPECT_EQ(CellKind(game.labyrinth, 2, 2), 'w');
    EXPECT_FLOAT_EQ(game.player.playerX, 2.0f) << "the player keeps their place";

    WriteFile("room.bmp", "painted over for good");
    for (uint32_t now = 1500; now <= 3000; now += 500) WatchLabyrinthFiles(game, now);
    EXPECT_STREQ(game.flow.loadFailureMessage, "Cannot load room.bmp: not a BMP or PNG image");
}
// A best run recorded at any frame rate plays back bit for bit: the same
// ticks, the same place and heading at the goal.
TEST_F(Flow, ABestRunRecordedAtAnyFrameRatePlaysBackExactly)
{
    AddLabyrinth("hall.bmp", {"wwwwwww", "wfffgfw", "wfffffw", "wfffffw", "wfffffw", "wfsfffw", "wwwwwww"});
    for (const unsigned framesPerSecond : {5u, 17u, 1000u}) {
        std::filesystem::remove_all(folder / REPLAY_FOLDER);
        game.records.table.count = 0;
        ASSERT_TRUE(StartLabyrinth(game)) << framesPerSecond;
        TickClock clock;
        StartTickClock(clock, 1000, 0);   // a clock in milliseconds
        NoteKeyEvent(game.keys, KEY_UP, true);
        long long now = 0;
        for (int frame = 0; frame < 20000 && IsScreen(SCREEN_PLAY); ++frame) {
            // The mouse moves between frames, right then left: the heading wobbles.
            PlatformFakeSetCursorPos(420 + (frame % 4 < 2 ? 7 : -6), 290 + (frame % 3) - 1);
            now += 1000 / framesPerSecond;
            StartKeyFrame(game.keys);
            RunPlayTicks(game, TakeTicks(clock, now, 10, 25));
        }
        NoteKeyEvent(game.keys, KEY_UP, false);
        ASSERT_TRUE(IsScreen(SCREEN_SOLVED)) << framesPerSecond;
        const Player atGoal = game.player;
        const uint32_t ticks = game.flow.solveTimeMs / 10;

        char path[64];
        ReplayPath(game.records.labyrinthHashes[0], path, sizeof path);
        Replay replay;
        ASSERT_EQ(ReadReplay(path, replay), ReplayRefusal::NONE) << "the best run is kept: " << framesPerSecond;
        EXPECT_EQ(replay.ticks.size(), ticks);
        ASSERT_TRUE(StartLabyrinth(game));
        EXPECT_EQ(RunReplay(game, replay), ticks) << framesPerSecond;
        EXPECT_EQ(std::memcmp(&game.player, &atGoal, sizeof atGoal), 0)
            << framesPerSecond << ": " << game.player.playerX << "," << game.player.playerZ << " against "
            << atGoal.playerX << "," << atGoal.playerZ;
        replay.ticks.resize(replay.ticks.size() / 2);
        ASSERT_TRUE(StartLabyrinth(game));
        EXPECT_EQ(RunReplay(game, replay), NO_TICK) << "half the run ends before the goal";
        FinishLabyrinth(game);
    }
}

// A run that read its labyrinth again on the way follows no recorded start: no replay.
TEST_F(Flow, ARunWithAReloadKeepsNoReplay)
{
    AddLabyrinth("room.bmp", {"wwww", "wsgw", "wwww"});
    StartLabyrinth(game);
    Press(KEY_F5);
    game.player.playerX = 2.0f;
    RunPlayTicks(game, 1);
    ASSERT_TRUE(IsScreen(SCREEN_SOLVED));
    EXPECT_TRUE(game.flow.newBest);
    EXPECT_FALSE(std::filesystem::exists(folder / REPLAY_FOLDER)) << "a best time, but no replay";
}
// R on the solved screen plays the best run back through the same ticks: it
// reaches the goal at its recorded tick, keeps no record and changes no choice.
TEST_F(Flow, RWatchesTheBestRunAndAnyKeyEndsIt)
{
    AddLabyrinth("zero.bmp", {"wgw", "wfw", "wfw", "wsw"});
    AddLabyrinth("hall.bmp", {"wwwww", "wfgfw", "wfffw", "wfffw", "wfsfw", "wwwww"});
    game.settings.selectedLabyrinth = 1;
    ASSERT_TRUE(StartLabyrinth(game));
    NoteKeyEvent(game.keys, KEY_UP, true);
    StartKeyFrame(game.keys);
    PlatformFakeSetCursorPos(400, 290);   // a turn to the right on the way
    RunPlayTicks(game, 1);
    for (int k = 0; k < 1000 && IsScreen(SCREEN_PLAY); ++k) RunPlayTicks(game, 1);
    NoteKeyEvent(game.keys, KEY_UP, false);
    ASSERT_TRUE(IsScreen(SCREEN_SOLVED));
    const uint32_t solveMs = game.flow.solveTimeMs;
    const Player atGoal = game.player;
    const uint32_t records = game.records.table.count;
    Frame();

    Press('R');
    ASSERT_TRUE(IsScreen(SCREEN_PLAY)) << "watching";
    EXPECT_TRUE(game.flow.watching);
    EXPECT_EQ(game.flow.solveTimeMs, 0u);
    uint32_t ticks = 0;
    while (IsScreen(SCREEN_PLAY) && ticks < 2000) ticks += RunPlayTicks(game, 7);   // any frame rate
    EXPECT_TRUE(IsScreen(SCREEN_SOLVED)) << "back where it began";
    EXPECT_EQ(game.flow.solveTimeMs, solveMs) << "the recorded time";
    EXPECT_EQ(std::memcmp(&game.player, &atGoal, sizeof atGoal), 0);
    EXPECT_EQ(game.records.table.count, records);
    EXPECT_FALSE(game.flow.newBest && game.flow.watching);
    EXPECT_EQ(game.settings.selectedLabyrinth, 1u);

    Press('R');
    RunPlayTicks(game, 3);
    ASSERT_TRUE(game.flow.watching);
    Press(KEY_SPACE);   // any key: back, and the key does nothing more
    EXPECT_FALSE(game.flow.watching);
    EXPECT_TRUE(IsScreen(SCREEN_SOLVED)) << "Space ended the watching, it did not go on to the next labyrinth";

    // From the list: a row with a record, and one without.
    game.flow.screen = SCREEN_MAIN_MENU;
    game.flow.menuCursor = MAIN_MENU_NEW_GAME;
    Press(KEY_RETURN);
    ASSERT_TRUE(IsScreen(SCREEN_LIST));
    Press(KEY_UP);   // zero.bmp: never solved
    Press('R');
    EXPECT_TRUE(IsScreen(SCREEN_LIST));
    Press(KEY_DOWN);
    Press('R');
    EXPECT_TRUE(game.flow.watching);
    while (IsScreen(SCREEN_PLAY) && ticks < 4000) ticks += RunPlayTicks(game, 50);
    EXPECT_TRUE(IsScreen(SCREEN_LIST));
}
// Walks hall.bmp's start straight to its goal with Up held; the best run is kept.
void SolveStraightUp()
{
    NoteKeyEvent(game.keys, KEY_UP, true);
    StartKeyFrame(game.keys);
    for (int k = 0; k < 2000 && IsScreen(SCREEN_PLAY); ++k) RunPlayTicks(game, 1);
    NoteKeyEvent(game.keys, KEY_UP, false);
    StartKeyFrame(game.keys);
}

// G shows where the best run stood at this moment of this run; it waits at
// the goal once its run is over, and goes with a picture of other walls.
TEST_F(Flow, TheGhostWalksTheBestRunBesideThisOne)
{
    AddLabyrinth("hall.bmp", {"wwwww", "wfgfw", "wfffw", "wfffw", "wfffw", "wfsfw", "wwwww"});
    ASSERT_TRUE(StartLabyrinth(game));
    EXPECT_FALSE(GhostShown(game)) << "no best run yet";
    SolveStraightUp();
    ASSERT_TRUE(IsScreen(SCREEN_SOLVED));
    const uint32_t bestTicks = game.flow.solveTimeMs / 10;

    ASSERT_TRUE(StartLabyrinth(game));
    EXPECT_FALSE(GhostShown(game)) << "off until asked for";
    Press('G');
    EXPECT_TRUE(game.options.ghost);
    EXPECT_TRUE(GhostShown(game));
    // The player stands still; the ghost walks on as the best run did.
    Player best = game.player;
    Replay replay;
    char path[64];
    ReplayPath(game.records.labyrinthHashes[0], path, sizeof path);
    ASSERT_EQ(ReadReplay(path, replay), ReplayRefusal::NONE);
    for (uint32_t tick = 0; tick < bestTicks + 30; tick += 5) {
        EXPECT_EQ(std::memcmp(&game.flow.ghost, &best, sizeof best), 0) << "tick " << tick;
        RunPlayTicks(game, 5);
        for (uint32_t k = tick; k < tick + 5 && k < replay.ticks.size(); ++k) RunTick(best, game.labyrinth, replay.ticks[k]);
    }
    EXPECT_TRUE(ReachedGoal(game.flow.ghost, game.labyrinth)) << "waits at the goal";
    EXPECT_TRUE(IsScreen(SCREEN_PLAY)) << "the ghost's goal is not the player's";

    // At another Speedlimit the ghost keeps to the clock: twice the ticks' length, half the ticks.
    game.settings.speedLimitMs = 20;
    ASSERT_TRUE(StartLabyrinth(game));
    RunPlayTicks(game, 10);
    best = game.player;
    for (uint32_t k = 0; k < 20; ++k) RunTick(best, game.labyrinth, replay.ticks[k]);
    EXPECT_EQ(std::memcmp(&game.flow.ghost, &best, sizeof best), 0);
    game.settings.speedLimitMs = 10;

    Press('G');
    EXPECT_FALSE(GhostShown(game));
    BindKey(game.options.bindings, ACTION_FORWARD, 1, 'G');
    Press('G');
    EXPECT_FALSE(game.options.ghost) << "a G bound to walking only walks";
    BindKey(game.options.bindings, ACTION_FORWARD, 1, KEY_W);
    Press('G');
    EXPECT_TRUE(GhostShown(game));

    // Other walls: the best run no longer belongs here.
    WriteBmp(folder / "hall.bmp", {"wwwww", "wfgfw", "wfwfw", "wfffw", "wfffw", "wfsfw", "wwwww"});
    Press(KEY_F5);
    EXPECT_FALSE(GhostShown(game));
}

// H shows the next cells of the way for three seconds of play, on the map
// even where it is hidden; the run that asked is no record.
TEST_F(Flow, HShowsTheWayAndTheRunIsNoRecord)
{
    AddLabyrinth("bend.bmp", {"wwwwww", "wsfffw", "wwwwfw", "wgfffw", "wwwwww"});
    ASSERT_TRUE(StartLabyrinth(game));
    Press('H');
    ASSERT_TRUE(HintShown(game));
    EXPECT_TRUE(game.flow.assisted);
    ASSERT_EQ(game.flow.hintCells.size(), size_t(HINT_CELLS));
    EXPECT_EQ(game.flow.hintCells[0].row * 10 + game.flow.hintCells[0].column, 12) << "the cell beside the start";
    EXPECT_EQ(game.flow.hintCells[3].row * 10 + game.flow.hintCells[3].column, 24) << "round the bend";
    RunPlayTicks(game, HINT_MS / 10 - 1);
    EXPECT_TRUE(HintShown(game));
    RunPlayTicks(game, 1);
    EXPECT_FALSE(HintShown(game)) << "three seconds of play";

    game.player.playerX = 1.0f;   // on the goal
    game.player.playerZ = 3.0f;
    RunPlayTicks(game, 0);
    ASSERT_TRUE(IsScreen(SCREEN_SOLVED));
    EXPECT_FALSE(game.flow.newBest);
    EXPECT_EQ(game.flow.bestMs, NO_TIME);
    EXPECT_EQ(game.records.table.count, 0u);
    EXPECT_FALSE(std::filesystem::exists(folder / REPLAY_FOLDER));

    // The next run is the player's own again; H bound to an action is that action.
    ASSERT_TRUE(StartLabyrinth(game));
    EXPECT_FALSE(game.flow.assisted);
    BindKey(game.options.bindings, ACTION_MAP, 1, 'H');
    Press('H');
    EXPECT_FALSE(game.flow.assisted);
    EXPECT_TRUE(game.map.mapShown);
}

// A frame of the main menu at `nowMs` on the app's clock.
void IdleFrame(uint32_t nowMs)
{
    StartKeyFrame(game.keys);
    FollowIdleTime(game, nowMs);
}

// Left alone for 30 s in the main menu, the game walks the current
// labyrinth by itself as a watched run: to the goal within par, or until a
// key; nothing of the player's changes.
TEST_F(Flow, AnIdleMainMenuWalksTheLabyrinthByItself)
{
    AddLabyrinth("bend.bmp", {"wwwwww", "wsfffw", "wwwwfw", "wgfffw", "wwwwww"});
    AddMissingLabyrinth("gone.bmp");
    game.settings.selectedLabyrinth = 1;   // cannot be read: the first is walked instead
    game.flow.menuCursor = MAIN_MENU_OPTIONS;
    IdleFrame(1000);
    IdleFrame(1000 + ATTRACT_AFTER_MS - 1);
    EXPECT_TRUE(IsScreen(SCREEN_MAIN_MENU));
    IdleFrame(1000 + ATTRACT_AFTER_MS);
    EXPECT_TRUE(game.flow.autopilot) << "the first of the list, since the current cannot be read";
    EXPECT_EQ(game.settings.selectedLabyrinth, 1u);
    EXPECT_STREQ(game.flow.loadFailureMessage, "") << "and nothing said of it";
    ResetPlay();
    game.flow.menuCursor = MAIN_MENU_OPTIONS;

    // Input within the 30 s starts them again: a key, or the cursor moving.
    IdleFrame(0);
    NoteKeyEvent(game.keys, KEY_SHIFT, true);
    IdleFrame(20000);
    NoteKeyEvent(game.keys, KEY_SHIFT, false);
    IdleFrame(21000);
    PlatformFakeSetCursorPos(5, 5);
    IdleFrame(45000);
    IdleFrame(45000 + ATTRACT_AFTER_MS - 1);
    EXPECT_TRUE(IsScreen(SCREEN_MAIN_MENU));
    IdleFrame(45000 + ATTRACT_AFTER_MS);
    ASSERT_TRUE(IsScreen(SCREEN_PLAY));
    EXPECT_TRUE(game.flow.watching && game.flow.autopilot);
    EXPECT_FALSE(GhostShown(game));

    uint32_t ticks = 0;
    while (IsScreen(SCREEN_PLAY) && ticks < 5000) ticks += RunPlayTicks(game, 3);
    EXPECT_TRUE(IsScreen(SCREEN_MAIN_MENU));
    SettlePar(game);
    EXPECT_LE(double(game.flow.solveTimeMs), 1.2 * double(game.flow.parMs)) << "par " << game.flow.parMs;
    EXPECT_TRUE(ReachedGoal(game.player, game.labyrinth));
    EXPECT_EQ(game.records.table.count, 0u);
    EXPECT_FALSE(std::filesystem::exists(folder / REPLAY_FOLDER));
    EXPECT_EQ(game.settings.selectedLabyrinth, 0u);
    EXPECT_EQ(game.flow.menuCursor, MAIN_MENU_OPTIONS);
    EXPECT_FALSE(game.flow.labyrinthInProgress) << "Escape resumes nothing";

    // Again after 30 s more; a key ends it and does nothing in the menu.
    IdleFrame(200000);
    IdleFrame(200000 + ATTRACT_AFTER_MS);
    ASSERT_TRUE(game.flow.autopilot);
    RunPlayTicks(game, 10);
    Press(KEY_RETURN);
    EXPECT_TRUE(IsScreen(SCREEN_MAIN_MENU));
    EXPECT_FALSE(game.flow.watching || game.flow.autopilot);
    EXPECT_EQ(game.flow.menuCursor, MAIN_MENU_OPTIONS) << "Enter did not open the options";

    // Time spent in another window is not time left alone: no frames ran.
    IdleFrame(240000);
    NoteWindowActive(false);
    NoteWindowActive(true);
    IdleFrame(900000);
    EXPECT_TRUE(IsScreen(SCREEN_MAIN_MENU)) << "back from another window";
    IdleFrame(900000 + ATTRACT_AFTER_MS);
    EXPECT_TRUE(game.flow.autopilot);
    Press(KEY_ESCAPE);

    // A run waiting in the menu is never taken over.
    ASSERT_TRUE(StartLabyrinth(game));
    Press(KEY_ESCAPE);
    ASSERT_TRUE(IsScreen(SCREEN_MAIN_MENU));
    IdleFrame(300000);
    IdleFrame(300000 + 10 * ATTRACT_AFTER_MS);
    EXPECT_TRUE(IsScreen(SCREEN_MAIN_MENU));
}
#endif

}  // namespace
