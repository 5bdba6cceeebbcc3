// What the game is asked to do when it starts: a labyrinth to play straight
// away, a trace to write, or only its help or version.
#pragma once
#include <cstddef>

struct CommandLine {
    bool help = false;
    bool version = false;
    const char* labyrinthFile = nullptr;   // into argv, as given
    const char* traceFile = nullptr;
    const char* replayFile = nullptr;      // with `verify`: a replay to check, no window
    bool verify = false;
    char problem[160] = "";                // what was wrong with the arguments; "" when nothing
};

// argv[0] is the program. A problem leaves the rest as far as it was read:
// the caller shows it with the usage and ends.
CommandLine ParseCommandLine(int argc, const char* const* argv);

extern const char USAGE_TEXT[];
extern const char VERSION_TEXT[];
