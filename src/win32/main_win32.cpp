// Entry point and message pump of quorvel.exe.
#include "win32/win32_local.h"

#include <cstdio>
#include <cstdlib>

#include "app/command_line.h"
#include "app/frame.h"
#include "render/gl_window.h"

#include <mmsystem.h>

// Drains every pending message before each frame; an inactive window costs
// nothing, the pump then sleeps in WaitMessage.
static int RunMessageLoop()
{
    MSG message = {};
    for (;;) {
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) return int(message.wParam);
            TranslateMessage(&message);
            DispatchMessageA(&message);
        } else if (IsWindowActive()) {
            if (RunFrame()) return 0;   // "Exit Game" or F12: a normal end
        } else {
            WaitMessage();
        }
    }
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // Sleep(1) would otherwise last a whole scheduler period (about 15.6 ms),
    // capping the game near 64 frames, and ticks, a second.
    // A GUI program has no console to print to: help, version and a wrong
    // argument are shown in a message box.
    const CommandLine commandLine = ParseCommandLine(__argc, __argv);
    if (commandLine.problem[0] != '\0') {
        char text[1024];
        std::snprintf(text, sizeof text, "%s\n\n%s", commandLine.problem, USAGE_TEXT);
        MessageBoxA(nullptr, text, "Quorvel", MB_OK | MB_ICONEXCLAMATION);
        return 2;
    }
    if (commandLine.help || commandLine.version) {
        MessageBoxA(nullptr, commandLine.help ? USAGE_TEXT : VERSION_TEXT, "Quorvel", MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    timeBeginPeriod(1);
    glWindow.iconId = 1;   // the exe's own icon, from quorvel.rc
    int exitCode = 0;
    if (StartGame(commandLine)) {
        exitCode = RunMessageLoop();
        StopGame();
    }
    timeEndPeriod(1);
    return exitCode;
}
