#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_line.h"

namespace {

CommandLine Parse(std::vector<const char*> words)
{
    words.insert(words.begin(), "quorvel");
    return ParseCommandLine(int(words.size()), words.data());
}

std::string Text(const char* text)
{
    return text ? text : "(none)";
}

TEST(CommandLine, EachFormAndEachMistake)
{
    const struct {
        std::vector<const char*> words;
        bool help, version;
        const char* labyrinth;
        const char* trace;
        const char* problem;   // "" when the line is sound
    } cases[] = {
        {{}, false, false, nullptr, nullptr, ""},
        {{"x.png"}, false, false, "x.png", nullptr, ""},
        {{"C:\\Mazes\\x.png"}, false, false, "C:\\Mazes\\x.png", nullptr, ""},   // as Explorer passes a dropped file
        {{"--trace", "t.txt", "x.png"}, false, false, "x.png", "t.txt", ""},
        {{"x.png", "--trace=t.txt"}, false, false, "x.png", "t.txt", ""},
        {{"--help"}, true, false, nullptr, nullptr, ""},
        {{"-h", "--version"}, true, true, nullptr, nullptr, ""},
        {{"--", "--odd-name.png"}, false, false, "--odd-name.png", nullptr, ""},
        {{"-"}, false, false, "-", nullptr, ""},   // a bare dash is a name
        {{"--trace"}, false, false, nullptr, nullptr, "--trace needs a file to write"},
        {{"--trace", ""}, false, false, nullptr, nullptr, "--trace needs a file to write"},
        {{"--trace="}, false, false, nullptr, nullptr, "unknown option: --trace="},
        {{"--fullscreen"}, false, false, nullptr, nullptr, "unknown option: --fullscreen"},
        {{"a.png", "b.png"}, false, false, "a.png", nullptr, "one labyrinth at a time: b.png"},
    };
    for (const auto& c : cases) {
        const CommandLine line = Parse(c.words);
        const std::string shown = c.words.empty() ? "(nothing)" : c.words[0];
        EXPECT_EQ(line.help, c.help) << shown;
        EXPECT_EQ(line.version, c.version) << shown;
        EXPECT_EQ(Text(line.labyrinthFile), Text(c.labyrinth)) << shown;
        EXPECT_EQ(Text(line.traceFile), Text(c.trace)) << shown;
        EXPECT_STREQ(line.problem, c.problem) << shown;
    }
}

TEST(CommandLine, AnOverlongWordIsCutInTheProblemNotOverrun)
{
    const std::string longWord = "--" + std::string(5000, 'x');
    const CommandLine line = Parse({longWord.c_str()});
    EXPECT_EQ(std::string(line.problem).rfind("unknown option: --xxx", 0), 0u);
    EXPECT_LT(std::string(line.problem).size(), sizeof line.problem);
}

}  // namespace
