// Entry point and message pump of quorvel.exe.
#include "win32/win32_local.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/frame.h"
#include "render/gl_window.h"

#include <mmsystem.h>
#include <shellapi.h>

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

// The command line as UTF-8, like every path inside the game: a dropped
// file's name outside the code page arrives whole.
static void ReadCommandLine(std::vector<std::string>& words, std::vector<const char*>& argv)
{
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int k = 0; wide && k < count; ++k) {
        std::string word;
        if (Utf8Text(wide[k], word)) words.push_back(word);
    }
    if (wide) LocalFree(wide);
    for (const std::string& word : words) argv.push_back(word.c_str());
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // Sleep(1) would otherwise last a whole scheduler period (about 15.6 ms),
    // capping the game near 64 frames, and ticks, a second.
    // A GUI program has no console to print to: help, version and a wrong
    // argument are shown in a message box.
    std::vector<std::string> words;
    std::vector<const char*> argv;
    ReadCommandLine(words, argv);
    const CommandLine commandLine = ParseCommandLine(int(argv.size()), argv.data());
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
    if (commandLine.verify) {
        // A check for scripts: its words go to the output it was given, or
        // to the console it was started from.
        const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
        if ((!output || GetFileType(output) == FILE_TYPE_UNKNOWN) && AttachConsole(ATTACH_PARENT_PROCESS))
            std::freopen("CONOUT$", "w", stdout);
        const int result = VerifyReplayFile(commandLine, stdout);
        std::fflush(stdout);
        return result;
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
