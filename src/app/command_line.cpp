#include "app/command_line.h"

#include <cstdio>
#include <cstring>

const char USAGE_TEXT[] =
    "Usage: quorvel [FILE] [--trace TRACE] [--help] [--version]\n"
    "       quorvel --replay REPLAY --verify\n"
    "\n"
    "  FILE           a labyrinth picture (BMP or PNG) to play at once, with the\n"
    "                 Palette.txt beside it when there is one, else the game's\n"
    "  --trace TRACE  write what the game does to TRACE, one line per event\n"
    "  --replay REPLAY --verify\n"
    "                 play a best run's replay (Replays\\*.qrp) without a window and\n"
    "                 say whether it reaches the goal at its recorded tick\n"
    "  --help         show this text\n"
    "  --version      show the game's version\n"
    "\n"
    "Without FILE the game opens its main menu. It keeps its files in the folder\n"
    "it is started from, or in its own folder when that one holds no labyrinths.\n";

const char VERSION_TEXT[] = "Quorvel 1.0.0\n";

CommandLine ParseCommandLine(int argc, const char* const* argv)
{
    CommandLine line;
    bool optionsEnded = false;
    for (int k = 1; k < argc && line.problem[0] == '\0'; ++k) {
        const char* word = argv[k];
        if (word == nullptr) continue;
        const bool option = !optionsEnded && word[0] == '-' && word[1] != '\0';
        if (!option) {
            if (line.labyrinthFile) {
                std::snprintf(line.problem, sizeof line.problem, "one labyrinth at a time: %s", word);
                break;
            }
            line.labyrinthFile = word;
        } else if (std::strcmp(word, "--") == 0) {
            optionsEnded = true;
        } else if (std::strcmp(word, "--help") == 0 || std::strcmp(word, "-h") == 0) {
            line.help = true;
        } else if (std::strcmp(word, "--version") == 0) {
            line.version = true;
        } else if (std::strcmp(word, "--trace") == 0) {
            if (k + 1 >= argc || argv[k + 1] == nullptr || argv[k + 1][0] == '\0') {
                std::snprintf(line.problem, sizeof line.problem, "--trace needs a file to write");
                break;
            }
            line.traceFile = argv[++k];
        } else if (std::strcmp(word, "--replay") == 0) {
            if (k + 1 >= argc || argv[k + 1] == nullptr || argv[k + 1][0] == '\0') {
                std::snprintf(line.problem, sizeof line.problem, "--replay needs a replay file");
                break;
            }
            line.replayFile = argv[++k];
        } else if (std::strcmp(word, "--verify") == 0) {
            line.verify = true;
        } else if (std::strncmp(word, "--trace=", 8) == 0 && word[8] != '\0') {
            line.traceFile = word + 8;
        } else {
            std::snprintf(line.problem, sizeof line.problem, "unknown option: %.100s", word);
        }
    }
    if (line.problem[0] == '\0' && (line.verify != (line.replayFile != nullptr)))
        std::snprintf(line.problem, sizeof line.problem, "--replay and --verify go together");
    return line;
}
