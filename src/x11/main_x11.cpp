// Entry point and event pump of the native Linux game.
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

int main()
{
    int exitCode = 0;
    if (StartGame()) {
        exitCode = RunEventLoop();
        StopGame();
    } else {
        exitCode = 1;
    }
    return exitCode;
}
