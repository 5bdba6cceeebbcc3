// The window and cursor of the native tools and tests: plain values, set
// and read back through null_platform.h.
#include "null/null_platform.h"

static bool fakeHasWindow = false;
static PlatformRect fakeWindowRect = {0, 0, 0, 0};
static int fakeCursorX = 0;
static int fakeCursorY = 0;
static int fakeCursorCount = 0;

bool PlatformGetWindowRect(PlatformRect& rect)
{
    if (!fakeHasWindow) return false;
    rect = fakeWindowRect;
    return true;
}

bool PlatformGetCursorPos(int& x, int& y)
{
    x = fakeCursorX;
    y = fakeCursorY;
    return true;
}

void PlatformSetCursorPos(int x, int y)
{
    fakeCursorX = x;
    fakeCursorY = y;
}

int PlatformShowCursor(bool show)
{
    fakeCursorCount += show ? 1 : -1;
    return fakeCursorCount;
}

void PlatformFakeSetWindowRect(const PlatformRect* rect)
{
    fakeHasWindow = rect != nullptr;
    if (rect) fakeWindowRect = *rect;
}

void PlatformFakeSetCursorPos(int x, int y)
{
    PlatformSetCursorPos(x, y);
}

int PlatformFakeCursorCount()
{
    return fakeCursorCount;
}

void PlatformFakeSetCursorCount(int count)
{
    fakeCursorCount = count;
}
