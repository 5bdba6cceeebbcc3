#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "game/records.h"
#include "support/temp_folder.h"

namespace {

std::string Read(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void Write(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

RecordTable table;   // 140 KiB: not on the stack

TEST(Records, DamagedAndForeignLinesAreSkippedNeverTheRest)
{
    TempFolder folder;
    Write(folder.File("Records.txt"),
          "# a comment\n"
          "00000000000000a1 7420 01-First Steps.bmp\r\n"   // a name with a blank, CR LF
          "00000000000000a2 abc 02.bmp\n"                  // no time
          "00000000000000a3 0 03.bmp\n"                    // a time of 0 is no time
          "0000000000000a4 500 04.bmp\n"                   // fifteen digits
          "00000000000000a5 4294967295 05.bmp\n"           // the "no time" value itself
          "00000000000000a6 99999999999999999999 06.bmp\n" // too long a number
          "zz000000000000a7 500 07.bmp\n"
          "\n"
          "00000000000000A8 61000\n"                       // upper-case hex, no name
          + std::string(300, 'x') + "\n"                   // longer than any line we write
          "00000000000000a9 1234 09.png");                 // the last line, without its end
    ReadRecords(folder.File("Records.txt").c_str(), table);
    ASSERT_EQ(table.count, 3u);
    EXPECT_EQ(BestTime(table, 0xa1), 7420u);
    EXPECT_STREQ(table.rows[0].name, "01-First Steps.bmp");
    EXPECT_EQ(BestTime(table, 0xa8), 61000u);
    EXPECT_EQ(BestTime(table, 0xa9), 1234u);
    for (uint64_t refused : {0xa2u, 0xa3u, 0xa4u, 0xa5u, 0xa6u, 0xa7u}) EXPECT_EQ(BestTime(table, refused), NO_TIME);
}

TEST(Records, AHashMetTwiceKeepsItsBetterTime)
{
    TempFolder folder;
    Write(folder.File("Records.txt"), "00000000000000b1 9000 old.bmp\n00000000000000b1 8000 new.bmp\n"
                                      "00000000000000b1 9500 later.bmp\n");
    ReadRecords(folder.File("Records.txt").c_str(), table);
    ASSERT_EQ(table.count, 1u);
    EXPECT_EQ(BestTime(table, 0xb1), 8000u);
}

TEST(Records, AMissingFileIsAnEmptyTable)
{
    TempFolder folder;
    table.count = 5;
    ReadRecords(folder.File("none.txt").c_str(), table);
    EXPECT_EQ(table.count, 0u);
    ReadRecords(nullptr, table);
    EXPECT_EQ(table.count, 0u);
}

TEST(Records, OnlyABetterTimeIsKeptAndTheNameFollowsTheFile)
{
    table.count = 0;
    EXPECT_TRUE(OfferTime(table, 0xc1, 9000, "maze.bmp"));
    EXPECT_FALSE(OfferTime(table, 0xc1, 9000, "maze.bmp")) << "a tie is no new best";
    EXPECT_FALSE(OfferTime(table, 0xc1, 9500, "renamed.bmp"));
    EXPECT_STREQ(table.rows[0].name, "renamed.bmp");
    EXPECT_TRUE(OfferTime(table, 0xc1, 100, "renamed.bmp"));
    EXPECT_EQ(BestTime(table, 0xc1), 100u);
    EXPECT_FALSE(OfferTime(table, 0, 1, "unreadable.bmp")) << "a file that could not be hashed has no record";
    EXPECT_TRUE(OfferTime(table, 0xc2, 5, "two\nlines.bmp"));
    EXPECT_STREQ(table.rows[1].name, "two lines.bmp") << "a name never breaks the file's lines";
}

TEST(Records, WrittenRecordsReadBackAndAFailedWriteKeepsTheOldFile)
{
    TempFolder folder;
    const std::string path = folder.File("Records.txt");
    table.count = 0;
    OfferTime(table, 0x0123456789abcdefull, 7420, "01 First.bmp");
    OfferTime(table, 0xfedcba9876543210ull, 61000, "");
    ASSERT_TRUE(WriteRecords(path.c_str(), table));
    const std::string text = Read(path);
    EXPECT_NE(text.find("\r\n0123456789abcdef 7420 01 First.bmp\r\n"), std::string::npos) << text;
    EXPECT_FALSE(std::ifstream(path + ".tmp").good()) << "no temporary file left behind";

    RecordTable& again = *new RecordTable;
    ReadRecords(path.c_str(), again);
    EXPECT_EQ(again.count, 2u);
    EXPECT_EQ(BestTime(again, 0x0123456789abcdefull), 7420u);
    EXPECT_EQ(BestTime(again, 0xfedcba9876543210ull), 61000u);
    delete &again;

    // A folder where the temporary file would go: the write fails, the old records stay.
    std::filesystem::create_directory(path + ".tmp");
    OfferTime(table, 0x0123456789abcdefull, 10, "01 First.bmp");
    EXPECT_FALSE(WriteRecords(path.c_str(), table));
    EXPECT_EQ(Read(path), text);
    EXPECT_FALSE(WriteRecords(folder.File("no/such/folder/Records.txt").c_str(), table));
}

// A collection bigger than any fixed table: every record kept, written and read back.
TEST(Records, EveryRecordIsKeptHoweverManyThereAre)
{
    TempFolder folder;
    table.count = 0;
    const uint64_t MANY = 5000;
    for (uint64_t k = 1; k <= MANY; ++k) ASSERT_TRUE(OfferTime(table, k, 1000 + uint32_t(k), "x"));
    EXPECT_EQ(table.count, MANY);
    EXPECT_TRUE(OfferTime(table, 7, 10, "x")) << "kept records still improve";
    ASSERT_TRUE(WriteRecords(folder.File("Records.txt").c_str(), table));
    ReadRecords(folder.File("Records.txt").c_str(), table);
    EXPECT_EQ(table.count, MANY);
    EXPECT_EQ(BestTime(table, MANY), 1000 + MANY);
    EXPECT_EQ(BestTime(table, 7), 10u);
}

TEST(Records, TheHashFollowsTheBytesNotTheName)
{
    TempFolder folder;
    Write(folder.File("a.bmp"), "BM same bytes");
    Write(folder.File("b.bmp"), "BM same bytes");
    Write(folder.File("c.bmp"), "BM same bytez");
    uint64_t a = 0, b = 0, c = 0, none = 42;
    ASSERT_TRUE(HashFile(folder.File("a.bmp").c_str(), a));
    ASSERT_TRUE(HashFile(folder.File("b.bmp").c_str(), b));
    ASSERT_TRUE(HashFile(folder.File("c.bmp").c_str(), c));
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
    EXPECT_NE(a, 0u);
    EXPECT_FALSE(HashFile(folder.File("gone.bmp").c_str(), none));
    EXPECT_EQ(none, 42u);
}

}  // namespace
