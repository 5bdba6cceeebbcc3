// Entry point and event pump of the native Linux game.
#include <cstdio>

#include "app/command_line.h"
#include "app/frame.h"

#include "x11/x11_local.h"

// Drains every pending event before each frame; an inactive window costs
// nothing, the pump then blocks until the next event arrives.
static int RunEventLoop()
{
    Display* display = GameDisplay();
    XEvent event;
    for (;;) {
        while (XPending(display)) {
            XNextEvent(display, &event);
            const WindowEventResult result = HandleWindowEvent(event);
            if (result == EVENT_QUIT) return 0;
        }
        if (IsWindowActive()) {
            if (RunFrame()) return 0;   // "Exit Game" or F12: a normal end
        } else {
            XPeekEvent(display, &event);
        }
    }
}

int main(int argc, char** argv)
{
    const CommandLine commandLine = ParseCommandLine(argc, argv);
    if (commandLine.problem[0] != '\0') {
        std::fprintf(stderr, "quorvel: %s\n\n%s", commandLine.problem, USAGE_TEXT);
        return 2;
    }
    if (commandLine.help || commandLine.version) {
        std::fputs(commandLine.help ? USAGE_TEXT : VERSION_TEXT, stdout);
        return 0;
    }
    if (commandLine.verify) return VerifyReplayFile(commandLine, stdout);
    int exitCode = 0;
    if (StartGame(commandLine)) {
        exitCode = RunEventLoop();
        StopGame();
    } else {
        exitCode = 1;
    }
    return exitCode;
}
