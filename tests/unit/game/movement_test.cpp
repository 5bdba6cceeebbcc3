#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "game/game_state.h"
#include "game/movement.h"
#include "labyrinth/labyrinth.h"
#include "platform/keys.h"
#include "platform/platform.h"
#ifndef _WIN32
#include "null/null_platform.h"
#endif

namespace {

Game game;

// One tick of play with the keys held and the mouse's travel.
void Tick()
{
    RunTick(game.player, game.labyrinth, TakeTickInput(game.keys, game.options, game.mouse));
}

// Each character names its own palette row, whose kind is the character.
class Movement : public ::testing::Test {
protected:
    std::vector<unsigned char> cells;

    void SetUp() override
    {
        ResetGameState(game);
        game.flow.screen = SCREEN_PLAY;
        for (int code = 0; code < 256; ++code) game.labyrinth.palette.entries[code] = PaletteEntry{char(code), 0, 0, 0};
#ifndef _WIN32
        PlatformFakeSetWindowRect(nullptr);   // no window: mouse look stays out of the way
#endif
    }
    void TearDown() override
    {
        game.labyrinth.grid.cells = nullptr;
        game.labyrinth.grid.width = game.labyrinth.grid.height = 0;
    }

    void SetGrid(const std::vector<std::string>& rows)
    {
        cells.clear();
        for (const std::string& row : rows)
            for (char c : row) cells.push_back((unsigned char)c);
        game.labyrinth.grid.width = int32_t(rows[0].size());
        game.labyrinth.grid.height = int32_t(rows.size());
        game.labyrinth.grid.cells = cells.data();
    }

    void Hold(const std::vector<int>& codes)
    {
        for (int code : codes) NoteKeyEvent(game.keys, unsigned(code), true);
        StartKeyFrame(game.keys);
    }

    void Ticks(int count)
    {
        for (int k = 0; k < count; ++k) Tick();
    }
};

TEST(CellOfCoordinate, CountsFromSixTenthsOnAsTheNextCell)
{
    struct Case {
        float v;
        int cell;
    };
    const Case cases[] = {
        {2.65f, 3}, {2.5f, 2}, {2.6f, 2},   // 2.6 as a float lies a hair below 2.6
        {2.61f, 3}, {2.55f, 2}, {2.0f, 2},  {2.99f, 3},
        {0.0f, 0},  {0.7f, 1},  {-0.1f, 0}, {-0.25f, 0}, {20.7f, 21},
    };
    for (const Case& c : cases) EXPECT_EQ(CellOfCoordinate(c.v), c.cell) << c.v;

    // Nothing a grid could hold, and no out-of-range conversion on the way.
    EXPECT_EQ(CellOfCoordinate(NAN), -1);
    EXPECT_EQ(CellOfCoordinate(INFINITY), -1);
    EXPECT_EQ(CellOfCoordinate(-1.0e20f), -1);
}

TEST_F(Movement, CollisionBoundsAreStrict)
{
    SetGrid({"....",
             ".w..",
             "....",
             "...."});
    struct Case {
        const char* what;
        float row, column;
        bool collides;
    };
    const Case cases[] = {
        {"open floor", 3.0f, 3.0f, false},
        {"touching the top edge", -0.25f, 3.0f, false},
        {"crossing the top edge", -0.2501f, 3.0f, true},
        {"touching the left edge", 3.0f, -0.25f, false},
        {"crossing the left edge", 3.0f, -0.2501f, true},
        {"touching the bottom edge", 3.25f, 3.0f, false},
        {"crossing the bottom edge", 3.2501f, 3.0f, true},
        {"touching the right edge", 3.0f, 3.25f, false},
        {"crossing the right edge", 3.0f, 3.2501f, true},
        {"exactly 0.75 below a wall", 1.75f, 1.0f, false},
        {"just within 0.75 below a wall", 1.7499f, 1.0f, true},
        {"exactly 0.75 beside a wall", 1.0f, 1.75f, false},
        {"just within 0.75 beside a wall", 1.0f, 1.7499f, true},
        {"exactly 0.75 above a wall", 0.25f, 1.0f, false},
        {"corner: both distances below 0.75", 1.7f, 1.7f, true},
        {"corner: one distance at 0.75", 1.75f, 1.7f, false},
        {"not a number", NAN, 1.0f, true},
    };
    for (const Case& c : cases) EXPECT_EQ(CollidesWithWall(game.labyrinth, c.row, c.column), c.collides) << c.what;
}

TEST_F(Movement, NothingLoadedCollidesEverywhere)
{
    EXPECT_TRUE(CollidesWithWall(game.labyrinth, 0.0f, 0.0f));
    Hold({KEY_UP});
    Tick();
    EXPECT_EQ(game.player.playerZ, 0.0f);
}

TEST_F(Movement, WalkingIntoAWallStopsShortOfIt)
{
    SetGrid({"w",
             ".",
             ".",
             "."});
    game.player.playerZ = 3.0f;
    Hold({KEY_UP});
    Ticks(100);
    // Stopped by the wall's reach of 0.75, within one step of it.
    EXPECT_GE(game.player.playerZ, 0.75f);
    EXPECT_LT(game.player.playerZ, 0.80f);
    EXPECT_EQ(game.player.playerX, 0.0f);
}

TEST_F(Movement, DiagonalStepsSlideAlongAWall)
{
    SetGrid({"wwww",
             "....",
             "...."});
    game.player.playerX = 0.0f;
    game.player.playerZ = 1.0f;
    game.player.yaw = -45.0f;   // forward runs towards row 0 and higher columns at once
    Hold({KEY_UP});
    Ticks(40);
    EXPECT_GE(game.player.playerZ, 0.75f);
    EXPECT_LT(game.player.playerZ, 0.80f);
    EXPECT_GT(game.player.playerX, 1.2f) << "the free axis keeps moving along the wall";

    // The other way round: the column is held by the wall's corner, the row goes
    // on, and once past the corner the column is free again.
    SetGrid({".w",
             "..",
             ".."});
    game.player.playerX = 0.24f;
    game.player.playerZ = 0.7f;
    game.player.yaw = 225.0f;   // forward runs towards higher rows and higher columns
    Tick();
    EXPECT_EQ(game.player.playerX, 0.24f);
    EXPECT_GT(game.player.playerZ, 0.7f);
    Ticks(5);
    EXPECT_GT(game.player.playerX, 0.3f);
}

TEST_F(Movement, OpenGroundEndsAtTheGridsEdge)
{
    SetGrid({"...",
             "...",
             "..."});
    game.player.playerX = game.player.playerZ = 1.0f;
    struct Case {
        float yawDegrees;
        float* coordinate;
        float limit;
    };
    const Case cases[] = {
        {0.0f, &game.player.playerZ, -0.25f},    // towards row 0
        {180.0f, &game.player.playerZ, 2.25f},   // towards the last row: height - 0.75
        {90.0f, &game.player.playerX, -0.25f},   // towards column 0
        {270.0f, &game.player.playerX, 2.25f},   // towards the last column: width - 0.75
    };
    Hold({KEY_W});
    for (const Case& c : cases) {
        game.player.playerX = game.player.playerZ = 1.0f;
        game.player.yaw = c.yawDegrees;
        Ticks(60);
        EXPECT_LE(std::fabs(*c.coordinate - c.limit), 0.05f) << "heading " << c.yawDegrees;
        EXPECT_GE(game.player.playerX, -0.25f);
        EXPECT_LE(game.player.playerX, 2.25f);
        EXPECT_GE(game.player.playerZ, -0.25f);
        EXPECT_LE(game.player.playerZ, 2.25f);
    }
}

TEST_F(Movement, EachKeyStepsItsWay)
{
    SetGrid({".....",
             ".....",
             ".....",
             ".....",
             "....."});
    struct Case {
        const char* what;
        std::vector<int> held;
        float dx, dz;
        float turn;
    };
    const Case cases[] = {
        {"Up", {KEY_UP}, 0.0f, -0.05f, 0.0f},
        {"W", {KEY_W}, 0.0f, -0.05f, 0.0f},
        {"Up and W together: one step", {KEY_UP, KEY_W}, 0.0f, -0.05f, 0.0f},
        {"Down", {KEY_DOWN}, 0.0f, 0.05f, 0.0f},
        {"S", {KEY_S}, 0.0f, 0.05f, 0.0f},
        {"A steps left", {KEY_A}, -0.05f, 0.0f, 0.0f},
        {"D steps right", {KEY_D}, 0.05f, 0.0f, 0.0f},
        {"forward and a side step", {KEY_UP, KEY_D}, 0.05f, -0.05f, 0.0f},
        {"Left turns left", {KEY_LEFT}, 0.0f, 0.0f, 3.0f},
        {"Right turns right", {KEY_RIGHT}, 0.0f, 0.0f, -3.0f},
        {"Left and Right cancel", {KEY_LEFT, KEY_RIGHT}, 0.0f, 0.0f, 0.0f},
    };
    for (const Case& c : cases) {
        ForgetKeys(game.keys);
        Hold(c.held);
        game.player.playerX = game.player.playerZ = 2.0f;
        game.player.yaw = 0.0f;
        Tick();
        EXPECT_NEAR(game.player.playerX - 2.0f, c.dx, 1e-6) << c.what;
        EXPECT_NEAR(game.player.playerZ - 2.0f, c.dz, 1e-6) << c.what;
        EXPECT_EQ(game.player.yaw, c.turn) << c.what;
    }

    // The turn comes first and the step follows the new heading.
    ForgetKeys(game.keys);
    Hold({KEY_LEFT, KEY_UP});
    game.player.playerX = game.player.playerZ = 2.0f;
    game.player.yaw = 87.0f;
    Tick();
    EXPECT_NEAR(game.player.playerX, 1.95f, 1e-6);
    EXPECT_NEAR(game.player.playerZ, 2.0f, 1e-6);
}

TEST_F(Movement, YawIsNeverWrapped)
{
    SetGrid({"."});
    Hold({KEY_LEFT});
    Ticks(200);
    EXPECT_EQ(game.player.yaw, 600.0f);
}

TEST_F(Movement, GoalIsNoticedAsSoonAsItsCellCountsThePosition)
{
    SetGrid({"s",
             ".",
             ".",
             "g",
             ".",
             ".",
             "."});
    // Steps of 0.05 add up in float, so the first position that counts lies
    // between the goal cell's boundary and one step past it.
    const float slack = 1e-5f;
    struct Case {
        const char* what;
        float startZ;
        float heading;
        float low, high;   // where the player is when the goal is noticed
    };
    const Case cases[] = {
        {"from lower rows: 0.4 before the centre", 0.0f, 180.0f, 2.6f, 2.65f + slack},
        {"from higher rows: 0.6 after the centre", 6.0f, 0.0f, 3.55f - slack, 3.6f},
    };
    Hold({KEY_UP});
    for (const Case& c : cases) {
        game.player.playerX = 0.0f;
        game.player.playerZ = c.startZ;
        game.player.yaw = c.heading;
        bool reached = false;
        float before = game.player.playerZ;
        for (int ticks = 0; ticks < 200; ++ticks) {
            reached = ReachedGoal(game.player, game.labyrinth);   // before each tick
            if (reached) break;
            before = game.player.playerZ;
            Tick();
        }
        EXPECT_TRUE(reached) << c.what;
        EXPECT_NE(CellOfCoordinate(before), 3) << c.what << ": not noticed a step early";
        EXPECT_GE(game.player.playerZ, c.low) << c.what;
        EXPECT_LE(game.player.playerZ, c.high) << c.what;
    }
}

TEST_F(Movement, GoalCheckLooksOnlyInsideTheGrid)
{
    SetGrid({"g."});
    game.player.playerX = -0.25f;   // still counts as column 0
    EXPECT_TRUE(ReachedGoal(game.player, game.labyrinth));
    game.player.playerX = 1.0f;
    EXPECT_FALSE(ReachedGoal(game.player, game.labyrinth));
    game.labyrinth.grid.cells = nullptr;
    game.player.playerX = 0.0f;
    EXPECT_FALSE(ReachedGoal(game.player, game.labyrinth));
}

#ifndef _WIN32
class MouseLook : public Movement {
protected:
    void SetUp() override
    {
        Movement::SetUp();
        SetGrid({"."});
        const PlatformRect window = {100, 200, 741, 681};   // centre (420, 440)
        PlatformFakeSetWindowRect(&window);
        game.mouse.mouseCentreX = 420;
        game.mouse.mouseCentreY = 440;
    }
    void TearDown() override
    {
        PlatformFakeSetWindowRect(nullptr);
        Movement::TearDown();
    }
};

TEST_F(MouseLook, TurnsByTheCursorsTravelAndPutsItBack)
{
    PlatformFakeSetCursorPos(520, 440);
    Tick();
    EXPECT_EQ(game.player.yaw, -15.0f) << "100 pixels to the right turn right by 15 degrees";
    EXPECT_EQ(game.player.pitch, 0.0f);
    int x = 0, y = 0;
    PlatformGetCursorPos(x, y);
    EXPECT_EQ(x, 420);
    EXPECT_EQ(y, 440);

    PlatformFakeSetCursorPos(420, 460);
    Tick();
    EXPECT_EQ(game.player.yaw, -15.0f);
    EXPECT_FLOAT_EQ(game.player.pitch, 3.0f) << "moving down looks down";
}

// The same travel of the cursor, turned by the player's sensitivity and,
// for the vertical axis, their choice of inverted look.
TEST_F(MouseLook, SensitivityScalesTheTurnAndInvertFlipsThePitch)
{
    struct Case {
        double sensitivity;
        bool invert;
        float yaw, pitch;
    };
    const Case cases[] = {{0.15, false, -15.0f, 3.0f}, {0.30, false, -30.0f, 6.0f}, {0.05, true, -5.0f, -1.0f}};
    for (const Case& c : cases) {
        game.player = Player{};
        game.options.mouseSensitivity = c.sensitivity;
        game.options.invertMouse = c.invert;
        PlatformFakeSetCursorPos(520, 460);
        Tick();
        EXPECT_FLOAT_EQ(game.player.yaw, c.yaw) << c.sensitivity;
        EXPECT_FLOAT_EQ(game.player.pitch, c.pitch) << c.sensitivity << (c.invert ? " inverted" : "");
    }
}

TEST_F(MouseLook, PitchStaysWithinNinetyDegrees)
{
    PlatformFakeSetCursorPos(420, 440 + 10000);
    Tick();
    EXPECT_EQ(game.player.pitch, 90.0f);
    PlatformFakeSetCursorPos(420, 440 - 700);
    Tick();
    EXPECT_FLOAT_EQ(game.player.pitch, -15.0f);
    PlatformFakeSetCursorPos(420, 440 - 10000);
    Tick();
    EXPECT_EQ(game.player.pitch, -90.0f);
}

TEST_F(MouseLook, CentreIsTheWindowsMiddleTruncated)
{
    const PlatformRect window = {-7, -3, 0, 0};   // sums of -7 and -3 halve towards zero
    PlatformFakeSetWindowRect(&window);
    Tick();
    EXPECT_EQ(game.mouse.mouseCentreX, -3);
    EXPECT_EQ(game.mouse.mouseCentreY, -1);
}

TEST_F(MouseLook, NoWindowNoTurn)
{
    PlatformFakeSetWindowRect(nullptr);
    PlatformFakeSetCursorPos(0, 0);
    Tick();
    EXPECT_EQ(game.player.yaw, 0.0f);
    EXPECT_EQ(game.player.pitch, 0.0f);
    EXPECT_EQ(game.mouse.mouseCentreX, 420);
}
#endif

}  // namespace
