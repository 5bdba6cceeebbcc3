// The map's revealed cells and its drawing, through the recording GL stand-in.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/game_state.h"
#include "game/settings.h"
#include "game/walked_map.h"
#include "render/map_view.h"
#include "support/gl_fake.h"
#include "support/test_grid.h"

namespace {

Game game;

class Map : public ::testing::Test {
protected:
    TestGrid grid;

    void SetUp() override
    {
        ResetGameState(game);   // a 640 x 480 window
        GlFakeReset();
        game.map.mapShown = true;
        game.flow.screen = SCREEN_PLAY;
    }
    void TearDown() override
    {
        game.labyrinth.grid.cells = nullptr;
        game.labyrinth.grid.width = game.labyrinth.grid.height = 0;
        ResetWalkedMap(game.map, game.labyrinth);
        game.map.mapShown = false;
    }
    void Start(const std::vector<std::string>& rows)
    {
        grid.Set(game.labyrinth, rows);
        ResetWalkedMap(game.map, game.labyrinth);
    }
    // The map's picture as text, top row first: '#' wall, '.' walked,
    // 'G' goal, ' ' not shown.
    std::vector<std::string> Picture()
    {
        GlFakeReset();
        DrawMap(game);
        std::vector<std::string> rows;
        const std::vector<std::string> drawn = GlCallsStartingWith("glDrawPixels(");
        if (drawn.size() != 1) return rows;
        int across = 0;
        std::sscanf(drawn[0].c_str(), "glDrawPixels(%d", &across);
        for (int r = across - 1; r >= 0; --r) {
            std::string row;
            for (int c = 0; c < across; ++c) {
                const unsigned char* p = lastDrawnPixels + (size_t(r) * across + c) * 4;
                row += p[1] == 200 && p[0] == 0 ? 'G'
                       : p[0] == 255           ? 'H'
                       : p[0] == 220           ? '#'
                       : p[0] == 90            ? '.'
                                               : ' ';
            }
            rows.push_back(row);
        }
        return rows;
    }
};

TEST_F(Map, ShowsWalkedCellsTheirWallsAndGoalsSeenAlongAnOpenLine)
{
    Start({"wwwwwww",
           "wsf.fgw",
           "wfwwwfw",
           "wfffwgw",
           "wwwwwww"});
    NoteWalkedCell(game.map, game.labyrinth, 1, 1);
    // Seven cells across for a 7 x 5 labyrinth, centred: a blank row above and below.
    EXPECT_EQ(Picture(), (std::vector<std::string>{"       ",
                                                   "###    ",
                                                   "#.   G ",   // seen along row 1, over open cells
                                                   "# #    ",
                                                   "       ",
                                                   "       ",
                                                   "       "}));
    NoteWalkedCell(game.map, game.labyrinth, 2, 1);
    NoteWalkedCell(game.map, game.labyrinth, 3, 1);
    NoteWalkedCell(game.map, game.labyrinth, 3, 2);
    EXPECT_EQ(Picture(), (std::vector<std::string>{"       ",
                                                   "###    ",
                                                   "#.   G ",
                                                   "#.##   ",
                                                   "#..    ",   // the goal behind the wall at (3, 4) stays hidden
                                                   "####   ",
                                                   "       "}));
    EXPECT_FALSE(GoalSeen(game.map, game.labyrinth, 3, 5));
    EXPECT_TRUE(GoalSeen(game.map, game.labyrinth, 1, 5));

    // Starting again forgets it all.
    ResetWalkedMap(game.map, game.labyrinth);
    EXPECT_FALSE(WasWalked(game.map, game.labyrinth, 1, 1));
    EXPECT_FALSE(GoalSeen(game.map, game.labyrinth, 1, 5));
}

TEST_F(Map, NothingIsDrawnUnlessAskedForDuringPlay)
{
    Start({"sg"});
    game.map.mapShown = false;
    DrawMap(game);
    EXPECT_TRUE(glCalls.empty());
    game.map.mapShown = true;
    game.flow.screen = SCREEN_MAIN_MENU;
    DrawMap(game);
    EXPECT_TRUE(glCalls.empty());
}

TEST_F(Map, FitsAQuarterOfTheWindowAndLeavesGlAsItWas)
{
    Start({"sfg"});
    NoteWalkedCell(game.map, game.labyrinth, 0, 0);
    DrawMap(game);
    // Three cells across, each (480 / 2) / 3 = 80 pixels, in the top-right corner.
    const std::vector<std::string> expected = {
        "glPushAttrib(24576)", "glDisable(3553)", "glDisable(2896)", "glDisable(2912)", "glDisable(2929)",
        "glDisable(2884)", "glMatrixMode(5889)", "glPushMatrix()", "glLoadIdentity()",
        "glOrtho(0,640,0,480,-1,1)", "glMatrixMode(5888)", "glPushMatrix()", "glLoadIdentity()",
        "glRasterPos2f(392,232)", "glPixelZoom(80,80)", "glDrawPixels(3,3,6408,5121)", "glPixelZoom(1,1)"};
    ASSERT_GE(glCalls.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(glCalls.begin(), glCalls.begin() + expected.size()), expected);
    const std::vector<std::string> tail = {"glPopMatrix()", "glMatrixMode(5889)", "glPopMatrix()",
                                           "glMatrixMode(5888)", "glPopAttrib()"};
    EXPECT_EQ(std::vector<std::string>(glCalls.end() - tail.size(), glCalls.end()), tail);
}

TEST_F(Map, ThePointerShowsWhereThePlayerLooks)
{
    Start({"sfg"});
    game.player.playerX = 1.0f;   // the middle cell: 392 + 80 * 1.5 = 512, 232 + 240 - 80 * 1.5 = 352 on screen
    game.player.playerZ = 0.0f;
    struct Case {
        float yaw;
        const char* tip;
    };
    const Case cases[] = {
        {0.0f, "glVertex2f(512,418)"},     // up the map, towards lower rows
        {90.0f, "glVertex2f(446,352)"},    // turned left
        {-90.0f, "glVertex2f(578,352)"},   // turned right
    };
    for (const Case& c : cases) {
        game.player.yaw = c.yaw;
        GlFakeReset();
        DrawMap(game);
        const std::vector<std::string> vertices = GlCallsStartingWith("glVertex2f(");
        ASSERT_EQ(vertices.size(), 3u);
        EXPECT_EQ(vertices[0], c.tip) << c.yaw;
    }
}

TEST_F(Map, ScrollsWithThePlayerOnALargeLabyrinth)
{
    std::vector<std::string> rows(300, std::string(300, 'f'));
    Start(rows);
    for (int32_t column = 0; column < 300; ++column) NoteWalkedCell(game.map, game.labyrinth, 150, column);
    game.player.playerZ = 150.0f;
    for (float x : {0.0f, 150.0f, 299.0f}) {
        game.player.playerX = x;
        const std::vector<std::string> picture = Picture();
        ASSERT_EQ(picture.size(), 25u) << "a view of 25 cells across";
        EXPECT_EQ(picture[12], std::string(25, '.')) << "the player's row in the middle, at x " << x;
        EXPECT_EQ(picture[11], std::string(25, ' '));
    }
    // Near the top edge the view stops at the labyrinth's first row.
    game.player.playerZ = 3.0f;
    NoteWalkedCell(game.map, game.labyrinth, 0, 0);
    game.player.playerX = 0.0f;
    EXPECT_EQ(Picture()[0][0], '.');
}

// H marks the way ahead in red over cells the map does not know yet, and
// brings the map up while it lasts; the ghost is a translucent square.
TEST_F(Map, TheHintShowsTheWayAndTheGhostItsPlace)
{
    Start({"wwwww", "wsffw", "wwwfw", "wgffw", "wwwww"});
    game.player = Player{1.0f, 1.0f, 0.0f, 0.0f};
    NoteWalkedCell(game.map, game.labyrinth, 1, 1);
    game.map.mapShown = false;
    game.flow.hintCells = {{1, 2}, {1, 3}, {2, 3}};
    game.flow.hintUntilTick = 10;
    game.flow.runTicks = 3;
    const std::vector<std::string> hinted = {"###  ", "#.HH ", "###H ", "     ", "     "};
    EXPECT_EQ(Picture(), hinted) << "shown though the map is hidden";
    game.flow.runTicks = 10;
    EXPECT_TRUE(Picture().empty()) << "gone after its time, with the map it brought";

    game.map.mapShown = true;
    game.flow.ghostRun.ticks.assign(1, TickInput{0, 0, 0, 0.15});
    game.flow.ghost = Player{3.0f, 3.0f, 0.0f, 0.0f};
    Picture();
    EXPECT_TRUE(GlCallsStartingWith("glColor4f").empty()) << "the ghost is off by default";
    game.options.ghost = true;
    Picture();
    EXPECT_EQ(GlCallsStartingWith("glColor4f(1,0,0,").size(), 1u);
    EXPECT_EQ(GlCallsStartingWith("glBlendFunc(770,771)").size(), 1u);
    EXPECT_EQ(glCalls.back(), "glPopAttrib()") << "the blending goes with the map";
}

}  // namespace
#endif
