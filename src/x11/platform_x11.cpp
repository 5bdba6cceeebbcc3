// The platform operations of the native Linux game: the POSIX clock and
// files, the cursor and the window rectangle through Xlib.
#include "platform/platform.h"

#include <dirent.h>
#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "x11/x11_local.h"

static Display* gameDisplay = nullptr;
static Window gameWindow = 0;
static Cursor blankCursor = 0;
// As on Windows: the cursor shows while the count is 0 or more.
static int cursorCount = 0;

void PlatformSetGameWindow(Display* display, Window window)
{
    if (gameDisplay && blankCursor && !display) XFreeCursor(gameDisplay, blankCursor);
    if (!display) blankCursor = 0;
    gameDisplay = display;
    gameWindow = window;
}

long long PlatformCounter()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (long long)now.tv_sec * 1000000000LL + now.tv_nsec;
}

long long PlatformCounterFrequency()
{
    return 1000000000LL;
}

void PlatformSleepMs(unsigned ms)
{
    timespec pause = {time_t(ms / 1000), long(ms % 1000) * 1000000L};
    nanosleep(&pause, nullptr);
}

// The game's patterns are "<folder>*<suffix>" with the folder spelt for
// Windows: its backslashes are separators here, and the suffix matches
// whatever its case, as FindFirstFileA matches it. Names are listed sorted so
// every run finds the same order.
void PlatformFindFiles(const char* pattern, PlatformFileVisitor visit, void* context)
{
    if (!pattern) return;
    std::string text(pattern);
    size_t star = text.rfind('*');
    if (star == std::string::npos) return;
    std::string directory = text.substr(0, star);
    std::string suffix = text.substr(star + 1);
    std::replace(directory.begin(), directory.end(), '\\', '/');
    if (directory.empty()) directory = ".";

    DIR* dir = opendir(directory.c_str());
    if (!dir) return;
    std::vector<std::string> names;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == ".." || name.size() < suffix.size()) continue;
        if (strcasecmp(name.c_str() + name.size() - suffix.size(), suffix.c_str()) != 0) continue;
        names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        if (!visit(name.c_str(), context)) break;
    }
}

void PlatformLocalPath(char* path)
{
    for (char* p = path; p && *p; ++p) {
        if (*p == '\\') *p = '/';
    }
}

// Without a window manager the window is its own outer rectangle; with one,
// the centre of the client area is what mouse look needs.
bool PlatformGetWindowRect(PlatformRect& rect)
{
    if (!gameDisplay || !gameWindow) return false;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(gameDisplay, gameWindow, &attributes)) return false;
    int x = 0;
    int y = 0;
    Window child;
    if (!XTranslateCoordinates(gameDisplay, gameWindow, attributes.root, 0, 0, &x, &y, &child)) return false;
    rect.left = x;
    rect.top = y;
    rect.right = x + attributes.width;
    rect.bottom = y + attributes.height;
    return true;
}

bool PlatformGetCursorPos(int& x, int& y)
{
    if (!gameDisplay) return false;
    Window root, child;
    int windowX, windowY;
    unsigned buttons;
    if (!XQueryPointer(gameDisplay, DefaultRootWindow(gameDisplay), &root, &child, &x, &y, &windowX, &windowY,
                       &buttons)) {
        return false;
    }
    return true;
}

void PlatformSetCursorPos(int x, int y)
{
    if (!gameDisplay) return;
    XWarpPointer(gameDisplay, None, DefaultRootWindow(gameDisplay), 0, 0, 0, 0, x, y);
    // The next tick reads the pointer back: it must find it where it was put.
    XFlush(gameDisplay);
}

// X has no hidden cursor: a cursor of one transparent pixel stands in for it.
static Cursor BlankCursor()
{
    if (blankCursor) return blankCursor;
    static const char NO_BITS[1] = {0};
    Pixmap empty = XCreateBitmapFromData(gameDisplay, gameWindow, NO_BITS, 1, 1);
    XColor black = {};
    blankCursor = XCreatePixmapCursor(gameDisplay, empty, empty, &black, &black, 0, 0);
    XFreePixmap(gameDisplay, empty);
    return blankCursor;
}

int PlatformShowCursor(bool show)
{
    cursorCount += show ? 1 : -1;
    if (gameDisplay && gameWindow) {
        if (cursorCount >= 0)
            XUndefineCursor(gameDisplay, gameWindow);
        else
            XDefineCursor(gameDisplay, gameWindow, BlankCursor());
        XFlush(gameDisplay);
    }
    return cursorCount;
}

bool PlatformReplaceFile(const char* tempPath, const char* path)
{
    return std::rename(tempPath, path) == 0;
}
