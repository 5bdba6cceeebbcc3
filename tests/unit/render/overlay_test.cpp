// The overlay is checked call by call through the recording GL stand-in, which
// only the native build has.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "game/game_state.h"
#include "game/settings.h"
#include "labyrinth/labyrinth.h"
#include "render/gl_window.h"
#include "render/overlay.h"
#include "support/gl_fake.h"

namespace {

Game game;

const unsigned FONT_BASE = 1000;

class Overlay : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetGameState(game);
        GlFakeReset();
        game.labyrinthList.count = 0;
        glWindow.fontCount = 1;
        glWindow.fontListBases[0] = FONT_BASE;
    }
    void TearDown() override
    {
        game.labyrinthList.count = 0;
        glWindow.fontCount = 0;
    }

    void AddLabyrinth(const char* path)
    {
        std::snprintf(game.labyrinthList.paths[game.labyrinthList.count], LABYRINTH_PATH_SIZE, "%s", path);
        ++game.labyrinthList.count;
    }
};

// What PrintText sends for one text with font 0.
std::vector<std::string> Printed(const std::string& text)
{
    return {"glPushAttrib(131072)", "glListBase(968)",
            "glCallLists(" + std::to_string(text.size()) + ",5121," + text + ")", "glPopAttrib()"};
}

void Append(std::vector<std::string>& calls, const std::vector<std::string>& more)
{
    calls.insert(calls.end(), more.begin(), more.end());
}

std::vector<std::string> RedTextAt(const char* position, const std::string& text)
{
    std::vector<std::string> calls = {"glColor3f(1,0,0)", std::string("glRasterPos2f(") + position + ")"};
    Append(calls, Printed(text));
    return calls;
}

std::vector<std::string> PointerOnRow(const char* y1, const char* y2, const char* y3)
{
    return {"glColor3f(1,1,1)",
            "glBegin(4)",
            std::string("glVertex2f(-0.65,") + y1 + ")",
            std::string("glVertex2f(-0.6,") + y2 + ")",
            std::string("glVertex2f(-0.65,") + y3 + ")",
            "glEnd()"};
}

// The texts of PrintText, in the order drawn.
std::vector<std::string> Texts()
{
    std::vector<std::string> texts;
    for (const std::string& call : GlCallsStartingWith("glCallLists(")) {
        size_t first = call.find(',');
        size_t second = call.find(',', first + 1);
        texts.push_back(call.substr(second + 1, call.size() - second - 2));
    }
    return texts;
}

TEST_F(Overlay, FontsTakeTheNextSlotUntilAllTenAreUsed)
{
    glWindow.fontCount = 0;
    BuildFont("Arial", -12);
    BuildFont("Arial", -20);
    EXPECT_EQ(glCalls, (std::vector<std::string>{"glGenLists(224)", "glGenLists(224)"}));
    EXPECT_EQ(glWindow.fontCount, 2u);
    EXPECT_EQ(glWindow.fontListBases[0], 1000u);
    EXPECT_EQ(glWindow.fontListBases[1], 1224u);

    GlFakeReset();
    DeleteFont(1);
    DeleteFont(2);   // never built: nothing to delete
    EXPECT_EQ(glCalls, (std::vector<std::string>{"glDeleteLists(1224,224)"}));

    for (int k = 0; k < 12; ++k) BuildFont("Arial", -12);
    EXPECT_EQ(glWindow.fontCount, MAX_FONTS);
}

TEST_F(Overlay, PrintsThroughTheFontsLists)
{
    PrintText(0, "Labyrinth: %s", "a.bmp");
    EXPECT_EQ(glCalls, Printed("Labyrinth: a.bmp"));

    GlFakeReset();
    PrintText(0, nullptr);
    PrintText(1, "no such font");
    EXPECT_TRUE(glCalls.empty());

    // Longer texts are cut to what the 256-byte buffer holds.
    GlFakeReset();
    const std::string longName(400, 'n');
    PrintText(0, "%s", longName.c_str());
    EXPECT_EQ(Texts(), std::vector<std::string>{std::string(255, 'n')});
}

TEST_F(Overlay, SolvedScreenShowsNameAndTime)
{
    struct Case {
        uint32_t ms;
        const char* time;
    };
    const Case cases[] = {
        {0, "Time to solve: 0 mins 0 secs"},
        {61999, "Time to solve: 1 mins 1 secs"},
        {3600000, "Time to solve: 60 mins 0 secs"},
        {4294967295u, "Time to solve: 71582 mins 47 secs"},
    };
    AddLabyrinth("Labyrinths\\first.bmp");
    AddLabyrinth("Labyrinths\\second.png");
    game.settings.selectedLabyrinth = 1;
    game.flow.screen = SCREEN_SOLVED;
    for (const Case& c : cases) {
        game.flow.solveTimeMs = c.ms;
        GlFakeReset();
        DrawOverlay(game);
        std::vector<std::string> expected = {"glLoadIdentity()", "glTranslatef(0,0,-6)"};
        Append(expected, RedTextAt("-0.6,0.3", "Labyrinth solved!"));
        Append(expected, RedTextAt("-0.8,0.1", "Labyrinth: second.png"));
        Append(expected, RedTextAt("-0.9,-0.1", c.time));
        EXPECT_EQ(glCalls, expected) << c.ms << " ms";
    }
}

TEST_F(Overlay, MainMenuShowsItsRowsAndThePointer)
{
    struct Case {
        uint32_t cursor;
        std::vector<std::string> pointer;
    };
    const Case cases[] = {
        {0, PointerOnRow("0.1", "0.15", "0.2")},
        {1, PointerOnRow("-0.1", "-0.05", "0")},
        {2, PointerOnRow("-0.3", "-0.25", "-0.2")},
    };
    for (const Case& c : cases) {
        game.flow.menuCursor = c.cursor;
        GlFakeReset();
        DrawOverlay(game);
        std::vector<std::string> expected = {"glLoadIdentity()", "glTranslatef(0,0,-6)"};
        Append(expected, RedTextAt("-0.6,0.1", "New Game"));
        Append(expected, RedTextAt("-0.6,-0.1", "Options"));
        Append(expected, RedTextAt("-0.6,-0.3", "Exit Game"));
        Append(expected, c.pointer);
        EXPECT_EQ(glCalls, expected) << "pointer on row " << c.cursor;
    }
}

// The player's field of view and picture shape are the scene's: the menus
// are drawn exactly as before, within the standard projection.
TEST_F(Overlay, TheMenusKeepTheirPlaceWhateverTheViewShape)
{
    for (GameScreen screen : {SCREEN_MAIN_MENU, SCREEN_OPTIONS, SCREEN_KEYS, SCREEN_SOLVED}) {
        game.flow.screen = screen;
        GlFakeReset();
        DrawOverlay(game);
        const std::vector<std::string> standard = glCalls;
        glWindow.fieldOfView = 90.0;
        glWindow.keepAspect = true;
        GlFakeReset();
        DrawOverlay(game);
        glWindow.fieldOfView = 45.0;
        glWindow.keepAspect = false;
        ASSERT_EQ(glCalls.size(), standard.size() + 8) << screen;
        EXPECT_EQ(glCalls[3], "gluPerspective(45,1.3333333333333333,0.10000000149011612,10)") << screen;
        EXPECT_TRUE(std::equal(standard.begin(), standard.end(), glCalls.begin() + 5)) << screen;
    }
}

TEST_F(Overlay, ListShowsFiveRowsFromTheScrollPosition)
{
    for (int k = 0; k < 12; ++k) {
        char path[32];
        std::snprintf(path, sizeof path, "Labyrinths\\lab%02d.bmp", k);
        AddLabyrinth(path);
    }
    game.flow.screen = SCREEN_LIST;
    game.flow.listScroll = 7;
    game.flow.menuCursor = 2;
    DrawOverlay(game);
    std::vector<std::string> expected = {"glLoadIdentity()", "glTranslatef(0,0,-6)"};
    Append(expected, RedTextAt("-0.6,0.1", "lab07.bmp"));
    Append(expected, RedTextAt("-0.6,-0.1", "lab08.bmp"));
    Append(expected, RedTextAt("-0.6,-0.3", "lab09.bmp"));
    Append(expected, RedTextAt("-0.6,-0.5", "lab10.bmp"));
    Append(expected, RedTextAt("-0.6,-0.7", "lab11.bmp"));
    Append(expected, PointerOnRow("-0.3", "-0.25", "-0.2"));
    EXPECT_EQ(glCalls, expected);
}

TEST_F(Overlay, ListRowsFollowTheLabyrinthCount)
{
    struct Case {
        const char* what;
        uint32_t count;
        uint32_t scroll;
        std::vector<std::string> texts;
    };
    const Case cases[] = {
        {"three labyrinths, three rows", 3, 0, {"l0.bmp", "l1.bmp", "l2.bmp"}},
        {"none: no row", 0, 0, {}},
        {"a window reaching past the end stops at the last", 6, 3, {"l3.bmp", "l4.bmp", "l5.bmp"}},
        {"a window wholly past the end shows nothing", 3, 200, {}},
    };
    game.flow.screen = SCREEN_LIST;
    for (const Case& c : cases) {
        game.labyrinthList.count = 0;
        for (uint32_t k = 0; k < c.count; ++k) {
            char path[32];
            std::snprintf(path, sizeof path, "Labyrinths\\l%u.bmp", k);
            AddLabyrinth(path);
        }
        game.flow.listScroll = c.scroll;
        GlFakeReset();
        DrawOverlay(game);
        EXPECT_EQ(Texts(), c.texts) << c.what;
        EXPECT_EQ(GlCallsStartingWith("glBegin(4)").size(), 1u) << c.what << ": the pointer is always drawn";
    }
}

TEST_F(Overlay, NamesAreShownWithoutTheFolder)
{
    struct Case {
        const char* what;
        const char* folder;
        const char* path;
        const char* shown;
    };
    const Case cases[] = {
        {"default folder", "Labyrinths\\", "Labyrinths\\a.bmp", "a.bmp"},
        {"a percent sign stays as it is", "Labyrinths\\", "Labyrinths\\100%s %d%%.bmp", "100%s %d%%.bmp"},
        {"the folder's length now, not the list's", "L\\", "Labyrinths\\a.bmp", "byrinths\\a.bmp"},
        {"empty folder", "", "maze.png", "maze.png"},
        {"folder longer than the path: its file name", "Some\\much\\longer\\folder\\", "Labs\\b.bmp", "b.bmp"},
        {"folder as long as the path: its file name", "Labs\\x.bmp", "Labs/c.bmp", "c.bmp"},
        {"no separator at all: the whole path", "A much longer folder\\", "d.bmp", "d.bmp"},
    };
    for (const Case& c : cases) {
        std::snprintf(game.settings.labyrinthsFolder, FOLDER_SIZE, "%s", c.folder);
        game.labyrinthList.count = 0;
        AddLabyrinth(c.path);

        game.flow.screen = SCREEN_LIST;
        GlFakeReset();
        DrawOverlay(game);
        EXPECT_EQ(Texts(), std::vector<std::string>{c.shown}) << c.what << ", in the list";

        game.flow.screen = SCREEN_SOLVED;
        GlFakeReset();
        DrawOverlay(game);
        ASSERT_EQ(Texts().size(), 3u);
        EXPECT_EQ(Texts()[1], std::string("Labyrinth: ") + c.shown) << c.what << ", when solved";
    }
}

// A path slot filled to the last byte without its NUL must not be read past.
TEST_F(Overlay, UnterminatedPathIsNotReadPastItsSlot)
{
    game.labyrinthList.count = 1;
    std::memset(game.labyrinthList.paths[0], 'z', LABYRINTH_PATH_SIZE);
    std::memset(game.labyrinthList.paths[1], 'q', LABYRINTH_PATH_SIZE);
    game.flow.screen = SCREEN_LIST;
    DrawOverlay(game);
    for (const std::string& text : Texts()) EXPECT_EQ(text.find('q'), std::string::npos);
}

TEST_F(Overlay, AFailedLoadIsToldInTheMenuAndTheListBelowTheirRows)
{
    std::snprintf(game.flow.loadFailureMessage, sizeof game.flow.loadFailureMessage, "Cannot load 100%%.png: no open cell");
    for (bool list : {false, true}) {
        game.flow.screen = list ? SCREEN_LIST : SCREEN_MAIN_MENU;
        GlFakeReset();
        DrawOverlay(game);
        const std::vector<std::string> message = RedTextAt("-2.2,-0.9", "Cannot load 100%.png: no open cell");
        auto at = std::search(glCalls.begin(), glCalls.end(), message.begin(), message.end());
        EXPECT_NE(at, glCalls.end()) << (list ? "list" : "main menu");
    }
    game.flow.screen = SCREEN_SOLVED;
    GlFakeReset();
    DrawOverlay(game);
    for (const std::string& call : glCalls) EXPECT_EQ(call.find("Cannot load"), std::string::npos) << call;
    game.flow.loadFailureMessage[0] = '\0';
}

// A reload that fails in play is told over the scene, with nothing of the
// scene's light, fog, depth or texture on the text, and the state put back.
TEST_F(Overlay, AFailedReloadIsToldOverTheScene)
{
    game.flow.screen = SCREEN_PLAY;
    GlFakeReset();
    DrawOverlay(game);
    EXPECT_TRUE(glCalls.empty()) << "no message, nothing drawn over play";

    std::snprintf(game.flow.loadFailureMessage, sizeof game.flow.loadFailureMessage, "Cannot load 07.png: no open cell");
    GlFakeReset();
    DrawOverlay(game);
    std::vector<std::string> expected = {"glPushAttrib(8192)", "glDisable(2896)", "glDisable(2912)",
                                         "glDisable(2929)", "glDisable(3553)", "glLoadIdentity()",
                                         "glTranslatef(0,0,-6)"};
    Append(expected, RedTextAt("-2.2,-0.9", "Cannot load 07.png: no open cell"));
    expected.push_back("glPopAttrib()");
    EXPECT_EQ(glCalls, expected);
    game.flow.loadFailureMessage[0] = '\0';
}

TEST_F(Overlay, BlankGlyphsBecomeAMoveByTheirAdvance)
{
    // A fake font of four glyphs: a space, a letter, a blank of odd width
    // (a no-break space) and another letter.
    const GlyphMetrics metrics[4] = {{true, 4.0f}, {false, 7.0f}, {true, 3.5f}, {false, 8.0f}};
    GlFakeReset();
    RecordBlankGlyphs(500, metrics, 4);
    const std::vector<std::string> expected = {
        "glNewList(500,4864)", "glBitmap(1,1,0,0,4,0,bits)", "glEndList()",
        "glNewList(502,4864)", "glBitmap(1,1,0,0,3.5,0,bits)", "glEndList()",
    };
    EXPECT_EQ(glCalls, expected) << "inked glyphs keep the lists the font made";
}

// Names are UTF-8; the font has the Latin-1 glyphs, and one mark for the rest.
TEST(TextToLatin1, EachCharacterIsOneGlyph)
{
    const struct {
        const char* text;
        const char* glyphs;
    } cases[] = {
        {"maze.png", "maze.png"},
        {"\xC3\x89t\xC3\xA9.png", "\xC9t\xE9.png"},                           // Été: É and é are Latin-1
        {"\xE8\xBF\xB7\xE8\xB7\xAF.png", "??.png"},                           // 迷路: one mark each
        {"\xF0\x9F\x98\x80!", "?!"},                                             // four bytes, one mark
        {"\xC2\xA0\xC3\xBF", "\xA0\xFF"},                                       // the ends of Latin-1
        {"\xC2\x85", "?"},                                                         // a C1 control
        {"a\tb", "a?b"},                                                            // a C0 control
        {"caf\xE9", "caf\xE9"},                  // a Latin-1 name on disk: its bytes are its characters
        {"\xC3(", "\xC3("},                      // a lead byte without its follower
        {"\xE0\x80\xAF", "\xE0?\xAF"},          // an overlong '/' is no slash, byte by byte
        {"\xED\xA0\x80", "\xED\xA0?"},          // a lone surrogate, byte by byte
        {"\xE8\xBF", "\xE8\xBF"},               // cut short at the end
    };
    for (const auto& c : cases) {
        char out[64];
        const size_t count = TextToLatin1(c.text, out, sizeof out);
        EXPECT_EQ(std::string(out, count), std::string(c.glyphs)) << c.text;
        EXPECT_EQ(std::strlen(out), count);
    }
    char small[4];
    EXPECT_EQ(TextToLatin1("\xC3\x89t\xC3\xA9.png", small, sizeof small), 3u) << "cut to fit, NUL kept";
    EXPECT_EQ(std::string(small), "\xC9t\xE9");
}

TEST_F(Overlay, TheFontIsRebuiltOnlyWhenItsHeightChanges)
{
    glWindow.fontCount = 0;
    FitTextHeight(12);
    FitTextHeight(12);
    EXPECT_EQ(GlCallsStartingWith("glGenLists").size(), 1u) << "one font for one height, however many frames ask";
    EXPECT_TRUE(GlCallsStartingWith("glDeleteLists").empty());
    FitTextHeight(24);
    EXPECT_EQ(GlCallsStartingWith("glDeleteLists").size(), 1u) << "the old font's lists go before the new one's";
    EXPECT_EQ(GlCallsStartingWith("glGenLists").size(), 2u);
    EXPECT_EQ(glWindow.fontCount, 1u) << "still one font: the text keeps its index";
    EXPECT_EQ(glWindow.textHeight, 24);
}

TEST_F(Overlay, NothingIsDrawnDuringPlay)
{
    game.flow.screen = SCREEN_PLAY;
    DrawOverlay(game);
    EXPECT_TRUE(glCalls.empty());
}

// A run shown the way says so; the attract mode's walk is named as such.
TEST_F(Overlay, AssistedRunsAndTheAutopilotAreToldApart)
{
    AddLabyrinth("Labyrinths\\first.bmp");
    game.flow.screen = SCREEN_SOLVED;
    game.flow.solveTimeMs = 61000;
    game.flow.assisted = true;
    GlFakeReset();
    DrawOverlay(game);
    ASSERT_GE(Texts().size(), 3u);
    EXPECT_EQ(Texts()[2], "Time to solve: 1 mins 1 secs  assisted");
    game.flow.assisted = false;

    game.flow.screen = SCREEN_PLAY;
    game.flow.watching = true;
    for (const bool autopilot : {false, true}) {
        game.flow.autopilot = autopilot;
        GlFakeReset();
        DrawOverlay(game);
        EXPECT_EQ(Texts(), std::vector<std::string>{autopilot ? "Autopilot: 1 mins 1 secs" : "Best run: 1 mins 1 secs"});
    }
    game.flow.watching = game.flow.autopilot = false;
}

}  // namespace
#endif
