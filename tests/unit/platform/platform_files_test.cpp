// The file calls behind the command line, the game's own folder and the
// save watch, on each platform (natively and under Wine).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/temp_folder.h"

namespace {

class PlatformFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous = std::filesystem::current_path();
        std::filesystem::current_path(folder.path);
    }
    void TearDown() override { std::filesystem::current_path(previous); }
    TempFolder folder;
    std::filesystem::path previous;
};

TEST_F(PlatformFiles, FoldersAbsolutePathsAndTheProgramsFolder)
{
    std::filesystem::create_directory("Labyrinths");
    std::ofstream("file.txt") << "x";
    EXPECT_TRUE(PlatformIsFolder("Labyrinths"));
    EXPECT_FALSE(PlatformIsFolder("file.txt"));
    EXPECT_FALSE(PlatformIsFolder("missing"));

    char absolute[1024];
    ASSERT_TRUE(PlatformAbsolutePath("file.txt", absolute, sizeof absolute));
    EXPECT_TRUE(std::filesystem::equivalent(absolute, folder.path / "file.txt")) << absolute;
    char tiny[4];
    EXPECT_FALSE(PlatformAbsolutePath("file.txt", tiny, sizeof tiny)) << "cut short is no path";

    char program[1024];
    ASSERT_TRUE(PlatformProgramFolder(program, sizeof program));
    EXPECT_TRUE(PlatformIsFolder(program)) << program;
    EXPECT_FALSE(PlatformProgramFolder(program, 4));

    ASSERT_TRUE(PlatformChangeFolder("Labyrinths"));
    EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::current_path(), folder.path / "Labyrinths"));
    EXPECT_FALSE(PlatformChangeFolder("no such folder"));
}

TEST_F(PlatformFiles, AStampFollowsTheFileWithoutOpeningIt)
{
    long long size = -1, modified = -1;
    EXPECT_FALSE(PlatformFileStamp("missing.png", size, modified));
    std::filesystem::create_directory("folder.png");
    EXPECT_FALSE(PlatformFileStamp("folder.png", size, modified)) << "a folder is no picture";

    std::ofstream("a.png", std::ios::binary) << "12345";
    ASSERT_TRUE(PlatformFileStamp("a.png", size, modified));
    EXPECT_EQ(size, 5);
    const long long firstModified = modified;
    std::filesystem::last_write_time("a.png", std::filesystem::last_write_time("a.png") + std::chrono::seconds(3));
    ASSERT_TRUE(PlatformFileStamp("a.png", size, modified));
    EXPECT_EQ(size, 5);
    EXPECT_NE(modified, firstModified) << "the same size saved again still counts";
}

// A name outside any code page, in the game's UTF-8, through every file call.
TEST_F(PlatformFiles, NamesBeyondAsciiAreFoundOpenedAndReplaced)
{
    const std::string name = "\xC3\x89t\xC3\xA9-\xE8\xBF\xB7\xE8\xB7\xAF.png";   // Été-迷路.png
    std::FILE* file = PlatformOpenFile((name + ".tmp").c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("pixels", file);
    std::fclose(file);
    ASSERT_TRUE(PlatformReplaceFile((name + ".tmp").c_str(), name.c_str()));

    std::vector<std::string> found;
    PlatformFindFiles("*.png", [](const char* fileName, void* seen) {
        static_cast<std::vector<std::string>*>(seen)->push_back(fileName);
        return true;
    }, &found);
    EXPECT_EQ(found, std::vector<std::string>{name});
    long long size = 0, modified = 0;
    EXPECT_TRUE(PlatformFileStamp(name.c_str(), size, modified));
    EXPECT_EQ(size, 6);
    char absolute[1024];
    ASSERT_TRUE(PlatformAbsolutePath(name.c_str(), absolute, sizeof absolute));
    file = PlatformOpenFile(absolute, "rb");
    ASSERT_NE(file, nullptr) << absolute;
    char text[8] = {};
    EXPECT_EQ(std::fread(text, 1, sizeof text, file), 6u);
    std::fclose(file);
    EXPECT_STREQ(text, "pixels");
}

}  // namespace
