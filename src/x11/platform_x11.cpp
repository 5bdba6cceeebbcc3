// The platform operations of the native Linux game that need the X server:
// the cursor and the window rectangle. The clock and the files are the POSIX
// ones of posix/platform_posix.cpp.
#include "platform/platform.h"

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
