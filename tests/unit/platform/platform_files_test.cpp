// The file calls behind the command line, the game's own folder and the
// save watch, on each platform (natively and under Wine).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

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

}  // namespace
