#include "win32/win32_local.h"

#include "platform/platform.h"

#include <cstring>

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

bool PlatformIsFolder(const char* path)
{
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool PlatformProgramFolder(char* folder, size_t size)
{
    if (size == 0 || size > 32768) return false;
    const DWORD length = GetModuleFileNameA(nullptr, folder, DWORD(size));
    if (length == 0 || length >= size) return false;   // cut short: no folder to trust
    char* separator = std::strrchr(folder, '\\');
    if (!separator) return false;
    if (separator == folder + 2 && folder[1] == ':') separator += 1;   // "C:\" keeps its backslash
    *separator = '\0';
    return true;
}

bool PlatformChangeFolder(const char* path)
{
    return SetCurrentDirectoryA(path) != 0;
}

bool PlatformAbsolutePath(const char* path, char* out, size_t size)
{
    if (size == 0 || size > 32768) return false;
    const DWORD length = GetFullPathNameA(path, DWORD(size), out, nullptr);
    return length > 0 && length < size;
}

bool PlatformFileStamp(const char* path, long long& size, long long& modified)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return false;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    size = static_cast<long long>((static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    modified = static_cast<long long>((static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                      data.ftLastWriteTime.dwLowDateTime);
    return true;
}
