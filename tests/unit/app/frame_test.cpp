#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/frame.h"
#include "game/game_state.h"
#include "game/settings.h"
#include "labyrinth/labyrinth.h"
#include "platform/keys.h"
#include "platform/platform.h"
#include "render/gl_window.h"
#include "support/temp_folder.h"

#ifndef _WIN32
#include "support/gl_fake.h"

Game& game = TheGame();

// Start-up, one frame and shutdown, driven natively in a content folder of
// the test's own.
class Spine : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous = std::filesystem::current_path();
        std::filesystem::current_path(folder.path);
        // A game folder: started in one without labyrinths, textures or
        // settings, the game would go to its own (the test program's).
        std::filesystem::create_directories("Labyrinths");
        ResetGame();
        glWindow.textureNameCount = 0;
        GlFakeReset();
    }
    void TearDown() override
    {
        StopGame();
        std::filesystem::current_path(previous);
        glWindow.textureNameCount = 0;
        ResetGame();
    }
    static void Write(const std::string& name, const std::string& text)
    {
        std::filesystem::path path(name);
        if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
        std::ofstream(name, std::ios::binary) << text;
    }
    static std::string Read(const std::string& name)
    {
        std::ifstream in(name, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    TempFolder folder;
    std::filesystem::path previous;
};

TEST_F(Spine, SettingsGovernTheFoldersOfThisVeryRun)
{
    Write("Quorvel.ini", "Images = Tex/\nLabyrinths = Mazes/\nLabyrinth = 7\nSize = 800 600\n");
    Write("Mazes/a.bmp", "not really a bitmap");
    Write("Mazes/b.png", "nor a PNG");
    ASSERT_TRUE(StartGame());
    EXPECT_EQ(game.labyrinthList.count, 2u);
    EXPECT_STREQ(game.labyrinthList.paths[0], "Mazes/a.bmp");
    EXPECT_EQ(game.settings.selectedLabyrinth, 1u);   // clamped to the two labyrinths found
    ASSERT_EQ(glWindow.textureNameCount, 3u);
    EXPECT_STREQ(glWindow.textureNames[0], "Tex/Wall.png");
    EXPECT_STREQ(glWindow.textureNames[2], "Tex/Floor.png");
    EXPECT_FALSE(GlCallsStartingWith("glViewport(0,0,800,600)").empty());
}

// A settings file from Windows: its folders end in backslashes. Here they
// still find the labyrinths and the textures, and go back to the file as read.
TEST_F(Spine, WindowsFoldersFindTheirFilesAndAreWrittenBackAsTheyWere)
{
    Write("Quorvel.ini", "[Folders]\r\nImages = Tex\\\r\nLabyrinths = Mazes\\\r\n");
    Write("Mazes/a.BMP", "not really a bitmap");
    Write("Images.txt", "Texture (Wall, old\\Stone.png)\n");
    std::filesystem::create_directories("Tex/old");
    std::filesystem::copy_file(std::string(QUORVEL_SOURCE_DIR) + "/data/Images/Wall.png", "Tex/old/Stone.png");
    ASSERT_TRUE(StartGame());
    ASSERT_EQ(game.labyrinthList.count, 1u);
    EXPECT_STREQ(game.labyrinthList.paths[0], "Mazes/a.BMP");
    ASSERT_GE(glWindow.textureNameCount, 1u);
    EXPECT_STREQ(glWindow.textureNames[0], "Tex\\old\\Stone.png");   // kept as listed
    EXPECT_FALSE(GlCallsStartingWith("gluBuild2DMipmaps").empty()) << "the texture was never read";
    StopGame();
    const std::string written = Read("Quorvel.ini");
    EXPECT_NE(written.find("\r\nImages = Tex\\\r\nLabyrinths = Mazes\\\r\n"), std::string::npos) << written;
}

TEST_F(Spine, F12EndsTheLoopAfterADrawnFrameAndTheSettingsAreWritten)
{
    ASSERT_TRUE(StartGame());
    EXPECT_FALSE(RunFrame());
    NoteKey(KEY_F12, true);
    GlFakeReset();
    EXPECT_TRUE(RunFrame());
    EXPECT_FALSE(GlCallsStartingWith("glClear(").empty());   // the frame that saw F12 is still drawn
    StopGame();
    EXPECT_EQ(Read("Quorvel.ini"),
              "[Game]\r\nLabyrinth = 0\r\nSpeedlimit = 10\r\n\r\n[Video]\r\nFullscreen = 0\r\n\r\n"
              "[Folders]\r\nImages = Images\\\r\nLabyrinths = Labyrinths\\\r\n\r\n[Window]\r\nSize = 640 480");
}

// Alt+Enter comes from the window code, F11 as a key; each press switches
// once, whatever screen is up, and the choice is the file's at exit.
TEST_F(Spine, FullScreenSwitchesOncePerPressAndIsKeptAtExit)
{
    ASSERT_TRUE(StartGame());
    game.flow.screen = SCREEN_OPTIONS;
    NoteFullscreenToggle();
    RunFrame();
    EXPECT_TRUE(glWindow.fullscreenActive);
    EXPECT_EQ(game.settings.fullscreen, 1);
    EXPECT_EQ(game.flow.screen, SCREEN_OPTIONS) << "the switch is no key for the page";
    NoteKey(KEY_F11, true);
    RunFrame();
    EXPECT_FALSE(glWindow.fullscreenActive);
    NoteKey(KEY_F11, true);   // held: its auto-repeat switches nothing
    RunFrame();
    NoteKey(KEY_F11, true);
    RunFrame();
    EXPECT_FALSE(glWindow.fullscreenActive);
    NoteKey(KEY_F11, false);
    NoteKey(KEY_F11, true);
    RunFrame();
    EXPECT_TRUE(glWindow.fullscreenActive);
    StopGame();
    EXPECT_NE(Read("Quorvel.ini").find("Fullscreen = 1\r\n"), std::string::npos);
}

TEST_F(Spine, TheTextHeightFollowsItsOptionAndTheWindow)
{
    const struct {
        const char* textSize;
        int32_t pixels;
    } cases[] = {{"Normal", 12}, {"Large", 24}, {"FollowWindow", 24}};
    for (const auto& c : cases) {
        Write("Quorvel.ini", "Size = 640 960\n");
        Write("Options.ini", std::string("[View]\nTextSize = ") + c.textSize + "\n");
        ASSERT_TRUE(StartGame());
        RunFrame();
        EXPECT_EQ(glWindow.textHeight, c.pixels) << c.textSize;
        StopGame();
        ResetGame();
    }
}

// G keeps its choice in the player's Options.ini, and makes none of its own;
// a file of a hand's spelling is written again only once something differs.
TEST_F(Spine, TheGhostsChoiceIsKeptOnlyInAnOptionsFileThatExists)
{
    struct Case {
        const char* what;
        const char* file;   // null: none
        bool toggled;
        const char* after;  // null: no file
    };
    const Case cases[] = {
        {"no file, G pressed", nullptr, true, nullptr},
        {"a file, G pressed", "[View]\nFieldOfView = 60\n", true, "Ghost = 1\r\n"},
        {"a file with the ghost, nothing pressed", "Ghost = 1\n", false, "Ghost = 1\n"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove("Options.ini");
        if (c.file) Write("Options.ini", c.file);
        ASSERT_TRUE(StartGame());
        RunFrame();
        if (c.toggled) game.options.ghost = !game.options.ghost;   // what G does in play
        RunFrame();
        StopGame();
        EXPECT_EQ(std::filesystem::exists("Options.ini"), c.after != nullptr) << c.what;
        if (c.after) {
            EXPECT_NE(Read("Options.ini").find(c.after), std::string::npos) << c.what << ": " << Read("Options.ini");
        }
        ResetGame();
    }
    Write("Options.ini", "Ghost = 1\n");
    ASSERT_TRUE(StartGame());
    EXPECT_TRUE(game.options.ghost);
}

// The trace as a bug report shows it: the command line's start before its
// first tick, every tick numbered from the start, the screens as they change.
TEST_F(Spine, TheTraceTellsTheStartEachTickAndTheScreens)
{
    std::filesystem::copy_file(std::string(QUORVEL_SOURCE_DIR) + "/data/Labyrinths/01-First-Steps.bmp", "x.bmp");
    Write("Palette.txt", Read(std::string(QUORVEL_SOURCE_DIR) + "/data/Palette.txt"));
    CommandLine commandLine;
    commandLine.labyrinthFile = "x.bmp";
    commandLine.traceFile = "trace.txt";
    ASSERT_TRUE(StartGame(commandLine));
    for (int frame = 0; frame < 3; ++frame) {
        RunFrame();
        PlatformSleepMs(12);   // a tick or so of the clock each frame
    }
    NoteKey(KEY_ESCAPE, true);
    RunFrame();
    StopGame();

    std::istringstream lines(Read("trace.txt"));
    std::vector<std::string> events;
    std::string line;
    unsigned lastTick = 0;
    while (std::getline(lines, line)) {
        const std::string event = line.substr(0, line.find(' '));
        if (event == "tick") {
            const unsigned n = unsigned(std::stoul(line.substr(line.find("n=") + 2)));
            EXPECT_EQ(n, lastTick + 1) << line;
            lastTick = n;
            if (events.back() == "tick") continue;
        }
        events.push_back(event == "start" || event == "screen" ? line : event);
    }
    ASSERT_GE(events.size(), 4u) << Read("trace.txt");
    EXPECT_EQ(events[0].rfind("start file=x.bmp cells=", 0), 0u) << events[0];
    EXPECT_EQ(events[1], "screen name=play");
    EXPECT_EQ(events[2], "tick");
    EXPECT_EQ(events.back(), "screen name=menu");
    EXPECT_GT(lastTick, 0u);
}

TEST_F(Spine, AnUnwritableTraceIsNoTrace)
{
    CommandLine commandLine;
    commandLine.traceFile = "no/such/folder/trace.txt";
    ASSERT_TRUE(StartGame(commandLine));
    EXPECT_FALSE(RunFrame());
}

TEST_F(Spine, AnImagesTxtReplacesTheDefaultTextureNames)
{
    Write("Images.txt", "Texture (Floor, Planks.png)\n");
    ASSERT_TRUE(StartGame());
    ASSERT_EQ(glWindow.textureNameCount, 1u);
    EXPECT_STREQ(glWindow.textureNames[0], "Images\\Planks.png");
}
#endif

#ifndef _WIN32
// The window's events between two frames: a tap that is over before the next
// frame still acts, once; a key held over many frames steps the menu only on
// its key-down messages.
TEST_F(Spine, ATapShorterThanAFrameCountsOnce)
{
    Write("Labyrinths/a.bmp", "x");
    Write("Labyrinths/b.bmp", "x");
    ASSERT_TRUE(StartGame());
    NoteKey(KEY_DOWN, true);
    NoteKey(KEY_DOWN, false);
    RunFrame();
    EXPECT_EQ(game.flow.menuCursor, 1u) << "the tap moved the pointer";
    NoteKey(KEY_UP, true);
    RunFrame();
    EXPECT_EQ(game.flow.menuCursor, 0u);
    RunFrame();
    RunFrame();
    NoteKey(KEY_DOWN, true);
    RunFrame();
    EXPECT_EQ(game.flow.menuCursor, 1u) << "Up held, and no new key-down of its own";
    NoteKey(KEY_UP, false);
    NoteKey(KEY_DOWN, false);

    // Keys held when the window loses the focus never come up here.
    NoteKey(KEY_RETURN, true);
    NoteWindowActive(false);
    NoteWindowActive(true);
    RunFrame();
    EXPECT_FALSE(game.flow.quitRequested) << "an Enter lost with the focus does not pick \"Exit Game\"";
}
#endif
