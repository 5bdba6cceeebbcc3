// All the game logic asks of the operating system, and the few events the
// operating system's window hands back. One implementation per platform:
// win32/platform_win32.cpp for the Windows game; on Linux the clock and files
// of posix/platform_posix.cpp with the cursor and window of x11/platform_x11.cpp
// for the native game, or of null/platform_fake.cpp (plain values) for the
// native tools and tests.
#pragma once
#include <cstddef>
#include <cstdio>
#include <cstdint>

long long PlatformCounter();            // ticks since an arbitrary start
long long PlatformCounterFrequency();   // ticks per second, fixed while running
void PlatformSleepMs(unsigned ms);

// Lists the files matching a "folder\*.ext" pattern in the platform's search
// order; `visit` returns false to stop the search early.
typedef bool (*PlatformFileVisitor)(const char* fileName, void* context);
void PlatformFindFiles(const char* pattern, PlatformFileVisitor visit, void* context);

struct PlatformRect {
    int left, top, right, bottom;
};

// The game window's outer rectangle in screen coordinates; false when there is no window.
bool PlatformGetWindowRect(PlatformRect& rect);
bool PlatformGetCursorPos(int& x, int& y);
void PlatformSetCursorPos(int x, int y);
// Shows or hides the cursor once and returns the new display count
// (the cursor is visible while the count is 0 or more).
int PlatformShowCursor(bool show);

// The game spells its paths as on Windows ("Labyrinths\\a.bmp", from the
// settings and Images.txt); this turns one into the platform's own spelling
// in place, just before the file is opened or kept for opening.
void PlatformLocalPath(char* path);

// Replaces `path` with the fully written `tempPath` in one step, so an
// interrupted write never leaves a truncated file behind.
bool PlatformReplaceFile(const char* tempPath, const char* path);

// Opens a file as std::fopen does, the path in UTF-8 (wide calls on Windows).
std::FILE* PlatformOpenFile(const char* path, const char* mode);

// Where the game finds its files, all in the platform's own spelling.
bool PlatformIsFolder(const char* path);
// The folder of the running program, without a separator at its end.
bool PlatformProgramFolder(char* folder, size_t size);
bool PlatformChangeFolder(const char* path);
// Makes the folder if it is not there yet; true when it is there afterwards.
bool PlatformMakeFolder(const char* path);
// `path` from the current folder made independent of it; false when it does not fit.
bool PlatformAbsolutePath(const char* path, char* out, size_t size);
// A file's size and last-write time as the file system keeps them, without
// opening it; false when there is no such file.
bool PlatformFileStamp(const char* path, long long& size, long long& modified);

// Events a window hands to the game, called from its window procedure. The
// game keeps them; the window code never writes game state itself.
void NoteKey(unsigned code, bool down);             // every key-down, auto-repeat included, and key-up
void NoteClientSize(int32_t width, int32_t height);   // each size message, minimised (0 x 0) included
void NoteWindowActive(bool active);                 // each activation message
void NoteFullscreenToggle();                         // Alt+Enter went down (not its auto-repeat)
