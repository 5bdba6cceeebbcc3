#include "win32/win32_local.h"

#include "platform/platform.h"

static HWND gameWindow = nullptr;

long long PlatformCounter()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

long long PlatformCounterFrequency()
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart;
}

void PlatformSleepMs(unsigned ms)
{
    Sleep(ms);
}

void PlatformFindFiles(const char* pattern, PlatformFileVisitor visit, void* context)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (!visit(found.cFileName, context)) break;
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

void PlatformSetGameWindow(HWND windowHandle)
{
    gameWindow = windowHandle;
}

bool PlatformGetWindowRect(PlatformRect& rect)
{
    RECT r;
    if (!gameWindow || !GetWindowRect(gameWindow, &r)) return false;
    rect.left = r.left;
    rect.top = r.top;
    rect.right = r.right;
    rect.bottom = r.bottom;
    return true;
}

bool PlatformGetCursorPos(int& x, int& y)
{
    POINT p;
    if (!GetCursorPos(&p)) return false;
    x = p.x;
    y = p.y;
    return true;
}

void PlatformSetCursorPos(int x, int y)
{
    SetCursorPos(x, y);
}

int PlatformShowCursor(bool show)
{
    return ShowCursor(show ? TRUE : FALSE);
}

void PlatformLocalPath(char*)
{
}

bool PlatformReplaceFile(const char* tempPath, const char* path)
{
    return MoveFileExA(tempPath, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}
