#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "game/game_state.h"
#include "game/settings.h"
#include "platform/platform.h"
#include "support/temp_folder.h"

namespace fs = std::filesystem;

static const char DEFAULT_TEXT[] =
    "[Game]\r\nLabyrinth = 0\r\nSpeedlimit = 10\r\n\r\n[Video]\r\nFullscreen = 0\r\n\r\n"
    "[Folders]\r\nImages = Images\\\r\nLabyrinths = Labyrinths\\\r\n\r\n[Window]\r\nSize = 640 480";

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = folder.File("Quorvel.ini");
    }
    void WriteFile(const std::string& text)
    {
        std::ofstream out(path, std::ios::binary);
        out << text;
    }
    std::string ReadFile()
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void Read(const std::string& text, uint32_t labyrinthCount = 100)
    {
        WriteFile(text);
        ReadSettings(settings, path.c_str());
        ClampSelectedLabyrinth(settings, labyrinthCount);
    }
    TempFolder folder;
    std::string path;
    ::Settings settings;
};

TEST_F(SettingsFile, WithoutAFileTheDefaultsAreWrittenByteForByte)
{
    ReadSettings(settings, path.c_str());
    ClampSelectedLabyrinth(settings, 3);
    EXPECT_EQ(settings.windowWidth, 640);
    EXPECT_EQ(settings.windowHeight, 480);
    EXPECT_EQ(settings.speedLimitMs, 10u);
    WriteSettings(settings, path.c_str());
    EXPECT_EQ(ReadFile(), DEFAULT_TEXT);
}

TEST_F(SettingsFile, TheDefaultTextReadsBackToTheDefaults)
{
    Read(DEFAULT_TEXT);
    WriteSettings(settings, path.c_str());
    EXPECT_EQ(ReadFile(), DEFAULT_TEXT);
}

TEST_F(SettingsFile, LinesAreMatchedScanfStyle)
{
    struct Case {
        const char* what;
        const char* text;
        uint32_t labyrinth;
        uint32_t speed;
        int fullscreenValue;
        const char* images;
        int width;
        int height;
    };
    const Case cases[] = {
        {"no blanks around '='", "Labyrinth=2\nSpeedlimit=7\n", 2, 7, 0, "Images\\", 640, 480},
        {"several blanks on both sides", "Labyrinth   =    4\n", 4, 10, 0, "Images\\", 640, 480},
        {"leading blank: no key", " Labyrinth = 4\n", 0, 10, 0, "Images\\", 640, 480},
        {"lower-case key: no key", "labyrinth = 4\nspeedlimit = 3\n", 0, 10, 0, "Images\\", 640, 480},
        {"Fullscreen keeps its low 8 bits", "Fullscreen = 257\n", 0, 10, 1, "Images\\", 640, 480},
        {"negative speed: the longest tick that works", "Speedlimit = -1\n", 0, 1000, 0, "Images\\", 640, 480},
        {"a tick over a second is clamped", "Speedlimit = 4294967295\n", 0, 1000, 0, "Images\\", 640, 480},
        {"a tick of exactly a second stays", "Speedlimit = 1000\n", 0, 1000, 0, "Images\\", 640, 480},
        {"Size beyond any display is clamped", "Size = 99999 2147483647\n", 0, 10, 0, "Images\\", 16384, 16384},
        {"Size = -1 -1 is the smallest window, not the largest", "Size = -1 -1\n", 0, 10, 0, "Images\\", 64, 48},
        {"digits past 2^31 wrap to a negative side", "Size = 4294967295 3000000000\n", 0, 10, 0, "Images\\", 64, 48},
        {"Size of 16384 stays", "Size = 16384 16383\n", 0, 10, 0, "Images\\", 16384, 16383},
        {"two words keep the first", "Images = My Pictures\\\n", 0, 10, 0, "My", 640, 480},
        {"single Size number sets the width", "Size = 800\n", 0, 10, 0, "Images\\", 800, 480},
        {"Size below the minimum is clamped", "Size = 10 10\n", 0, 10, 0, "Images\\", 64, 48},
        {"a value that does not convert changes nothing", "Speedlimit = fast\nSize = x 5\n", 0, 10, 0, "Images\\", 640, 480},
        {"no sections, keys in another order", "Size = 1024 768\nImages = Tex\\\nLabyrinth = 1\n", 1, 10, 0, "Tex\\", 1024, 768},
        {"a key given twice takes its last value", "Speedlimit = 5\n[Other]\nSpeedlimit = 20\n", 0, 20, 0, "Images\\", 640, 480},
        {"CR LF lines read as LF lines", "Labyrinth = 3\r\nSize = 800 600\r\nImages = A\\\r\n", 3, 10, 0, "A\\", 800, 600},
        {"a last line without a line break", "Speedlimit = 12", 0, 12, 0, "Images\\", 640, 480},
    };
    for (const Case& c : cases) {
        settings = ::Settings{};
        Read(c.text);
        EXPECT_EQ(settings.selectedLabyrinth, c.labyrinth) << c.what;
        EXPECT_EQ(settings.speedLimitMs, c.speed) << c.what;
        EXPECT_EQ(int(settings.fullscreen), c.fullscreenValue) << c.what;
        EXPECT_STREQ(settings.imagesFolder, c.images) << c.what;
        EXPECT_EQ(settings.windowWidth, c.width) << c.what;
        EXPECT_EQ(settings.windowHeight, c.height) << c.what;
    }
}

TEST_F(SettingsFile, LongLinesAreReadInPiecesOf127Characters)
{
    // The second piece of the long line starts with a key and is read as a line.
    std::string line = "#" + std::string(126, 'x') + "Speedlimit = 33\n";
    Read(line);
    EXPECT_EQ(settings.speedLimitMs, 33u);
    // A key that starts a piece in the middle of a CR LF file also counts.
    settings = ::Settings{};
    Read("#" + std::string(126, 'y') + "Size = 700 500\r\n");
    EXPECT_EQ(settings.windowWidth, 700);
}

TEST_F(SettingsFile, TheLabyrinthIndexIsClampedToTheLabyrinthsFound)
{
    Read("Labyrinth = 99\n", 10);
    EXPECT_EQ(settings.selectedLabyrinth, 9u);
    settings = ::Settings{};
    Read("Labyrinth = 4\n", 10);
    EXPECT_EQ(settings.selectedLabyrinth, 4u);
    // With no labyrinth at all there is no last index to give: keep 0 rather
    // than writing 4294967295 back.
    settings = ::Settings{};
    Read("Labyrinth = 5\n", 0);
    EXPECT_EQ(settings.selectedLabyrinth, 0u);
}

TEST_F(SettingsFile, OddFilesAreWrittenBackInTheCanonicalShape)
{
    Read("Size=800 600\nlabyrinth = 3\nLabyrinth=2\nFullscreen = 257\nImages = Two Words\n", 5);
    WriteSettings(settings, path.c_str());
    EXPECT_EQ(ReadFile(),
              "[Game]\r\nLabyrinth = 2\r\nSpeedlimit = 10\r\n\r\n[Video]\r\nFullscreen = 1\r\n\r\n"
              "[Folders]\r\nImages = Two\r\nLabyrinths = Labyrinths\\\r\n\r\n[Window]\r\nSize = 800 600");
}

TEST_F(SettingsFile, AMinimisedWindowKeepsTheLastRealSize)
{
    Read("Size = 800 600\n");
    KeepClientSize(settings, 1024, 700);
    KeepClientSize(settings, 0, 0);
    EXPECT_EQ(settings.windowWidth, 0);
    WriteSettings(settings, path.c_str());
    EXPECT_NE(ReadFile().find("Size = 1024 700"), std::string::npos) << ReadFile();
}

TEST_F(SettingsFile, AFailedWriteKeepsTheOldFile)
{
    WriteFile("Labyrinth = 1\n");
    // The temporary file cannot be created where a folder of its name stands.
    fs::create_directory(path + ".tmp");
    WriteSettings(settings, path.c_str());
    EXPECT_EQ(ReadFile(), "Labyrinth = 1\n");
    // And a folder that does not exist is skipped silently.
    WriteSettings(settings, (folder.path / "missing" / "Quorvel.ini").string().c_str());
}

TEST_F(SettingsFile, AnExistingFileIsReplacedWhole)
{
    WriteFile(std::string(4000, '#'));
    WriteSettings(settings, path.c_str());
    EXPECT_EQ(ReadFile(), DEFAULT_TEXT);
    EXPECT_FALSE(fs::exists(path + ".tmp"));
}
