// The scene is checked call by call through the recording GL stand-in, which
// only the native build has.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include <cstdio>
#include <string>
#include <vector>

#include "game/game_state.h"
#include "labyrinth/labyrinth.h"
#include "render/texture_set.h"
#include "render/gl_window.h"
#include "render/scene.h"
#include "support/gl_fake.h"
#include "support/test_grid.h"

namespace {

Game game;

class Scene : public ::testing::Test {
protected:
    TestGrid grid;

    void SetUp() override
    {
        ResetGameState(game);
        GlFakeReset();
    }
    void TearDown() override
    {
        game.labyrinth.grid.cells = nullptr;
        game.labyrinth.grid.width = game.labyrinth.grid.height = 0;
        glWindow.textureNameCount = 0;
        UploadTextures(true, 0, 0);   // lets go of the ids of a test's textures
        glWindow.fontCount = 0;
    }

    void DrawAt(float x, float z)
    {
        game.player.playerX = x;
        game.player.playerZ = z;
        GlFakeReset();
        DrawScene(game.player, game.labyrinth);
    }
};

float Number(const std::string& text, size_t& pos)
{
    size_t used = 0;
    float value = std::stof(text.substr(pos), &used);
    pos += used + 1;   // past the comma or the closing parenthesis
    return value;
}

void ReadThree(const std::string& call, float v[3])
{
    size_t pos = call.find('(') + 1;
    for (int k = 0; k < 3; ++k) v[k] = Number(call, pos);
}

// Every face drawn, as "row,column kind tint": the face kind comes from its
// normal, the cell from the corners' centre moved half a cell along the normal,
// and the tint is the red of the colour current at the time, as a character.
std::vector<std::string> FaceList()
{
    std::vector<std::string> faces;
    char tint = '?';
    float normal[3] = {0, 0, 0};
    float sum[3] = {0, 0, 0};
    for (const std::string& call : glCalls) {
        if (call.compare(0, 12, "glColor3ubv(") == 0) {
            tint = char(std::stoi(call.substr(12)));
        } else if (call == "glBegin(5)") {
            sum[0] = sum[1] = sum[2] = 0;
        } else if (call.compare(0, 11, "glNormal3f(") == 0) {
            ReadThree(call, normal);
        } else if (call.compare(0, 11, "glVertex3f(") == 0) {
            float v[3];
            ReadThree(call, v);
            for (int k = 0; k < 3; ++k) sum[k] += v[k];
        } else if (call == "glEnd()") {
            const char* kind = normal[1] < 0 ? "ceiling" : normal[1] > 0 ? "floor"
                             : normal[2] > 0 ? "north" : normal[2] < 0 ? "south"
                             : normal[0] > 0 ? "west" : "east";
            int column = int(sum[0] / 4 + normal[0] * 0.5f + (sum[0] < 0 ? -0.5f : 0.5f));
            int row = int(sum[2] / 4 + normal[2] * 0.5f + (sum[2] < 0 ? -0.5f : 0.5f));
            char text[64];
            std::snprintf(text, sizeof text, "%d,%d %s %c", row, column, kind, tint);
            faces.push_back(text);
        }
    }
    return faces;
}

// Rows (or columns) that got a ceiling, in the order drawn, without repeats.
std::vector<int> CeilingCoordinates(bool rows)
{
    std::vector<int> found;
    for (const std::string& face : FaceList()) {
        if (face.find("ceiling") == std::string::npos) continue;
        int row = 0, column = 0;
        std::sscanf(face.c_str(), "%d,%d", &row, &column);
        int value = rows ? row : column;
        bool seen = false;
        for (int v : found) seen = seen || v == value;
        if (!seen) found.push_back(value);
    }
    return found;
}

std::vector<int> Range(int first, int last)
{
    std::vector<int> values;
    for (int v = first; v <= last; ++v) values.push_back(v);
    return values;
}

// What the context is left with, whatever order the calls came in: the
// capabilities enabled at the end and the last value given to each setting.
struct GlState {
    std::set<std::string> enabled;
    std::map<std::string, std::string> settings;   // "glFogf(2914" -> "0.5)"
};

GlState StateAfterCalls()
{
    GlState state;
    for (const std::string& call : glCalls) {
        const size_t open = call.find('(');
        const std::string name = call.substr(0, open);
        const std::string args = call.substr(open + 1, call.size() - open - 2);
        if (name == "glEnable") {
            state.enabled.insert(args);
        } else if (name == "glDisable") {
            state.enabled.erase(args);
        } else {
            // The first argument names the setting where there is one.
            const size_t comma = args.find(',');
            const bool keyed = comma != std::string::npos && name != "glClearColor";
            state.settings[keyed ? name + "(" + args.substr(0, comma) : name] =
                keyed ? args.substr(comma + 1) : args;
        }
    }
    return state;
}

TEST_F(Scene, SetsUpTheContextForTexturedLitFoggedWalls)
{
    SetUpGlState();
    const GlState state = StateAfterCalls();
    // 2D textures, depth test, light 0, face culling, colour material.
    EXPECT_EQ(state.enabled, (std::set<std::string>{"3553", "2929", "16384", "2884", "2903"}));
    const std::map<std::string, std::string> expected = {
        {"glShadeModel", "7425"},                  // smooth
        {"glClearColor", "0,0,0,0"},
        {"glClearDepth", "1"},
        {"glDepthFunc", "515"},                    // less or equal
        {"glHint(3152", "4354"},                   // nicest perspective
        {"glHint(3156", "4354"},                   // nicest fog
        {"glLightfv(16384", "4611,0,0,1,0"},       // the last of ambient, diffuse, position
        {"glFogi(2917", "2049"},                   // squared exponential fog
        {"glFogfv(2918", "0.5,0.5,0.5,1"},
        {"glFogf(2914", "0.5"},
        {"glFogf(2915", "1"},
        {"glFogf(2916", "-1"},
        {"glColorMaterial(1028", "5634"},
        {"glGenLists", "224"},
    };
    EXPECT_EQ(state.settings, expected);
    EXPECT_EQ(GlCallsStartingWith("glLightfv(16384,4608,0.2,0.2,0.2,1)").size(), 1u) << "ambient";
    EXPECT_EQ(GlCallsStartingWith("glLightfv(16384,4609,0.5,0.5,0.5,1)").size(), 1u) << "diffuse";
    EXPECT_EQ(glWindow.fontCount, 1u);
}

TEST_F(Scene, FrameDrawsTheSceneOnlyWhilePlaying)
{
    for (GameScreen screen : {SCREEN_MAIN_MENU, SCREEN_LIST, SCREEN_SOLVED, SCREEN_PLAY}) {
        game.flow.screen = screen;
        // The same frame drawn with no labyrinth at all, then with one.
        game.labyrinth.grid = LabyrinthGrid{};
        DrawFrame(game);
        GlFakeReset();
        DrawFrame(game);
        const std::vector<std::string> withoutLabyrinth = glCalls;
        grid.Set(game.labyrinth, {"."});
        GlFakeReset();
        DrawFrame(game);
        if (screen == SCREEN_PLAY)
            EXPECT_EQ(FaceList().size(), 6u);
        else
            EXPECT_EQ(glCalls, withoutLabyrinth) << "the labyrinth shows through screen " << screen;
        ASSERT_FALSE(glCalls.empty());
        EXPECT_EQ(glCalls.front(), "glClear(16640)") << screen;
    }
}

// Play is lit and fogged before a grey clear; the menus and the solved screen
// are flat on black. The switch is made once, on the first frame of the other.
TEST_F(Scene, TheLookFollowsPlayAndIsGivenWhenItChanges)
{
    const std::vector<std::string> playLook = {"glEnable(2896)", "glEnable(2912)", "glClearColor(0.5,0.5,0.5,1)",
                                               "glClear(16640)"};
    const std::vector<std::string> menuLook = {"glDisable(2896)", "glDisable(2912)", "glClearColor(0,0,0,0)",
                                               "glClear(16640)"};
    grid.Set(game.labyrinth, {"."});
    DrawFrame(game);   // whatever look an earlier test left
    for (int round = 0; round < 2; ++round) {
        game.flow.screen = IsPlaying(game) ? SCREEN_MAIN_MENU : SCREEN_PLAY;
        const std::vector<std::string>& look = IsPlaying(game) ? playLook : menuLook;
        GlFakeReset();
        DrawFrame(game);
        ASSERT_GE(glCalls.size(), look.size());
        EXPECT_TRUE(std::equal(look.begin(), look.end(), glCalls.begin())) << glCalls[0];
        GlFakeReset();
        DrawFrame(game);
        EXPECT_EQ(glCalls.front(), "glClear(16640)") << "no switch while the look stays";
    }
}

TEST_F(Scene, CameraTurnsThenMovesToTheEye)
{
    grid.Set(game.labyrinth, {"w"});
    game.player.pitch = 12.5f;
    game.player.yaw = 30.0f;
    DrawAt(2.5f, 3.25f);
    EXPECT_EQ(glCalls, (std::vector<std::string>{"glLoadIdentity()", "glRotatef(12.5,1,0,0)",
                                                 "glRotatef(330,0,1,0)", "glTranslatef(-2.5,0,-3.25)"}));
}

// Each face drawn as "normal texture colour: texcoord@corner ...", its
// corners sorted, the faces sorted: what is on screen, not the call order.
std::vector<std::string> FacesDrawn()
{
    std::vector<std::string> faces;
    std::string texture = "0", colour = "?", face, texCoord;
    std::vector<std::string> corners;
    auto inside = [](const std::string& call) { return call.substr(call.find('(') + 1, call.size() - call.find('(') - 2); };
    for (const std::string& call : glCalls) {
        if (call.compare(0, 14, "glBindTexture(") == 0) {
            texture = inside(call).substr(5);   // past "3553,"
        } else if (call.compare(0, 12, "glColor3ubv(") == 0) {
            colour = inside(call);
        } else if (call.compare(0, 11, "glNormal3f(") == 0) {
            face = inside(call) + " texture " + texture + " colour " + colour + ":";
        } else if (call.compare(0, 13, "glTexCoord2i(") == 0) {
            texCoord = inside(call);
        } else if (call.compare(0, 11, "glVertex3f(") == 0) {
            corners.push_back(" " + texCoord + "@" + inside(call));
        } else if (call == "glEnd()") {
            std::sort(corners.begin(), corners.end());
            for (const std::string& corner : corners) face += corner;
            faces.push_back(face);
            corners.clear();
        }
    }
    std::sort(faces.begin(), faces.end());
    return faces;
}

// One open cell alone: all six faces, each corner with its texture
// coordinate, each face with its surface's texture and the cell's tint.
TEST_F(Scene, DrawsEachFaceKindWithItsExactCorners)
{
    AddTextureName("missing/Wall.png");
    AddTextureName("missing/Ceiling.png");
    AddTextureName("missing/Floor.png");
    UploadTextures(true, 0, 0);   // ids 1, 2, 3 for slots 0, 1, 2
    grid.Set(game.labyrinth, {"www", "wfw", "www"});
    game.labyrinth.palette.entries[int('f')] = PaletteEntry{'f', 200, 100, 50};
    DrawAt(1.0f, 1.0f);

    std::vector<std::string> expected = {
        // ceiling, texture 2
        "0,-1,0 texture 2 colour 200,100,50: 0,0@0.5,0.5,0.5 0,1@0.5,0.5,1.5 1,0@1.5,0.5,0.5 1,1@1.5,0.5,1.5",
        // floor, texture 3
        "0,1,0 texture 3 colour 200,100,50: 0,0@1.5,-0.5,0.5 0,1@1.5,-0.5,1.5 1,0@0.5,-0.5,0.5 1,1@0.5,-0.5,1.5",
        // walls towards row 0, row 2, column 0 and column 2, texture 1
        "0,0,1 texture 1 colour 200,100,50: 0,0@0.5,-0.5,0.5 0,1@0.5,0.5,0.5 1,0@1.5,-0.5,0.5 1,1@1.5,0.5,0.5",
        "0,0,-1 texture 1 colour 200,100,50: 0,0@1.5,-0.5,1.5 0,1@1.5,0.5,1.5 1,0@0.5,-0.5,1.5 1,1@0.5,0.5,1.5",
        "1,0,0 texture 1 colour 200,100,50: 0,0@0.5,-0.5,1.5 0,1@0.5,0.5,1.5 1,0@0.5,-0.5,0.5 1,1@0.5,0.5,0.5",
        "-1,0,0 texture 1 colour 200,100,50: 0,0@1.5,-0.5,0.5 0,1@1.5,0.5,0.5 1,0@1.5,-0.5,1.5 1,1@1.5,0.5,1.5",
    };
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FacesDrawn(), expected);
}

TEST_F(Scene, DrawsTheFacesOfSmallGrids)
{
    struct Case {
        const char* what;
        std::vector<std::string> rows;
        float x, z;
        std::vector<std::string> faces;
    };
    const Case cases[] = {
        {"open 3 x 3 seen from the middle: outer faces on every edge, none inside",
         {"...", "...", "..."}, 1.0f, 1.0f,
         {"0,0 ceiling .", "0,0 floor .", "0,0 north .", "0,0 west .",
          "0,1 ceiling .", "0,1 floor .", "0,1 north .",
          "0,2 ceiling .", "0,2 floor .", "0,2 north .", "0,2 east .",
          "1,0 ceiling .", "1,0 floor .", "1,0 west .",
          "1,1 ceiling .", "1,1 floor .",
          "1,2 ceiling .", "1,2 floor .", "1,2 east .",
          "2,0 ceiling .", "2,0 floor .", "2,0 south .", "2,0 west .",
          "2,1 ceiling .", "2,1 floor .", "2,1 south .",
          "2,2 ceiling .", "2,2 floor .", "2,2 south .", "2,2 east ."}},
        {"one row: both row faces on every cell, the column edges at its ends",
         {"s.g"}, 0.0f, 0.0f,
         {"0,0 ceiling s", "0,0 floor s", "0,0 north s", "0,0 south s", "0,0 west s",
          "0,1 ceiling .", "0,1 floor .", "0,1 north .", "0,1 south .",
          "0,2 ceiling g", "0,2 floor g", "0,2 north g", "0,2 south g", "0,2 east g"}},
        {"one column: the column faces on every cell",
         {".", "."}, 0.0f, 1.0f,
         {"0,0 ceiling .", "0,0 floor .", "0,0 north .", "0,0 west .", "0,0 east .",
          "1,0 ceiling .", "1,0 floor .", "1,0 south .", "1,0 west .", "1,0 east ."}},
        {"a wall between two open cells: each gets its own face, in its own tint",
         {"swg"}, 1.0f, 0.0f,
         {"0,0 ceiling s", "0,0 floor s", "0,0 north s", "0,0 south s", "0,0 west s", "0,0 east s",
          "0,2 ceiling g", "0,2 floor g", "0,2 north g", "0,2 south g", "0,2 west g", "0,2 east g"}},
        {"walls above, below and beside a cell inside the grid",
         {"w.w", ".w.", "..."}, 1.0f, 1.0f,
         {"0,1 ceiling .", "0,1 floor .", "0,1 north .", "0,1 south .", "0,1 west .", "0,1 east .",
          "1,0 ceiling .", "1,0 floor .", "1,0 north .", "1,0 west .", "1,0 east .",
          "1,2 ceiling .", "1,2 floor .", "1,2 north .", "1,2 west .", "1,2 east .",
          "2,0 ceiling .", "2,0 floor .", "2,0 south .", "2,0 west .",
          "2,1 ceiling .", "2,1 floor .", "2,1 north .", "2,1 south .",
          "2,2 ceiling .", "2,2 floor .", "2,2 south .", "2,2 east ."}},
        {"only walls: nothing at all", {"ww", "ww"}, 0.0f, 0.0f, {}},
    };
    for (const Case& c : cases) {
        grid.Set(game.labyrinth, c.rows);
        DrawAt(c.x, c.z);
        EXPECT_EQ(FaceList(), c.faces) << c.what;
    }
}

TEST_F(Scene, VisitsAWindowOfTenCellsClippedToTheGrid)
{
    struct Case {
        float position;
        int size;
        int first, last;
    };
    const Case cases[] = {
        {2.0f, 22, 0, 7},      // clipped at the start
        {20.7f, 22, 16, 21},   // clipped at the end
        {5.0f, 22, 1, 10},     // just clear of the start
        {10.0f, 22, 6, 15},    // ten whole cells
        {10.9f, 22, 6, 15},    // the window follows the cell, not the rounding
        {-0.25f, 22, 0, 4},    // on the grid's outer edge
        {1.0f, 3, 0, 2},       // smaller than the window on both sides
    };
    for (const Case& c : cases) {
        grid.Set(game.labyrinth, std::vector<std::string>(size_t(c.size), std::string(size_t(c.size), '.')));
        DrawAt(c.position, c.position);
        EXPECT_EQ(CeilingCoordinates(true), Range(c.first, c.last)) << "rows around " << c.position;
        EXPECT_EQ(CeilingCoordinates(false), Range(c.first, c.last)) << "columns around " << c.position;
    }

    // The axes are clipped independently.
    grid.Set(game.labyrinth, std::vector<std::string>(22, std::string(22, '.')));
    DrawAt(20.7f, 2.0f);
    EXPECT_EQ(CeilingCoordinates(true), Range(0, 7));
    EXPECT_EQ(CeilingCoordinates(false), Range(16, 21));
}

// A neighbour just outside the window but inside the grid is read like any
// other: a wall row below the window still closes the window's last row.
TEST_F(Scene, ReadsNeighboursBeyondTheWindow)
{
    std::vector<std::string> rows(12, std::string(3, '.'));
    rows[8] = "www";
    grid.Set(game.labyrinth, rows);
    DrawAt(1.0f, 2.0f);   // rows 0 to 7
    int southFaces = 0;
    for (const std::string& face : FaceList()) {
        if (face.find("south") != std::string::npos) {
            EXPECT_EQ(face.compare(0, 2, "7,"), 0) << face;
            ++southFaces;
        }
    }
    EXPECT_EQ(southFaces, 3);
}

TEST_F(Scene, DrawsNothingWithoutAGrid)
{
    DrawAt(0.0f, 0.0f);
    EXPECT_TRUE(FaceList().empty());
    EXPECT_EQ(glCalls.size(), 4u);   // the camera only
}

// The ghost: two crossed translucent panels at its place, fogged (the fog
// stays on), blended, leaving the depth buffer alone; not drawn on the player.
TEST_F(Scene, TheGhostIsATranslucentPostWhereTheBestRunStands)
{
    grid.Set(game.labyrinth, {"...", "...", "..."});
    game.flow.screen = SCREEN_PLAY;
    game.player = Player{1.0f, 2.0f, 0.0f, 0.0f};
    game.flow.ghostRun.ticks.assign(1, TickInput{0, 0, 0, 0.15});
    game.flow.ghost = Player{1.0f, 0.0f, 0.0f, 0.0f};
    struct Case {
        const char* what;
        bool option, watching;
        float ghostZ;
        size_t panels;
    };
    const Case cases[] = {
        {"off", false, false, 0.0f, 0},
        {"two cells ahead", true, false, 0.0f, 2},
        {"on the player", true, false, 1.9f, 0},
        {"watching the best run itself", true, true, 0.0f, 0},
    };
    for (const Case& c : cases) {
        game.options.ghost = c.option;
        game.flow.watching = c.watching;
        game.flow.ghost.playerZ = c.ghostZ;
        GlFakeReset();
        DrawFrame(game);
        EXPECT_EQ(GlCallsStartingWith("glColor4f(1,0,0,").size(), c.panels ? 1u : 0u) << c.what;
        if (!c.panels) continue;
        const auto& calls = glCalls;
        const auto colour = std::find(calls.begin(), calls.end(), GlCallsStartingWith("glColor4f(1,0,0,")[0]);
        const std::vector<std::string> before(calls.begin(), colour);
        for (const char* expected : {"glEnable(3042)", "glBlendFunc(770,771)", "glDepthMask(0)", "glDisable(2896)"})
            EXPECT_NE(std::find(before.begin(), before.end(), expected), before.end()) << expected;
        EXPECT_EQ(std::find(before.begin(), before.end(), "glDisable(2912)"), before.end()) << "the fog applies";
        EXPECT_EQ(std::count(colour, calls.end(), "glBegin(5)"), long(c.panels));
        EXPECT_NE(std::find(colour, calls.end(), "glVertex3f(0.8,0.1,0)"), calls.end()) << "at its place";
    }
    game.flow.watching = false;
}

}  // namespace
#endif
