#include "win32/win32_local.h"

#include "platform/platform.h"

#include <cstring>
#include <string>

static HWND gameWindow = nullptr;

// Paths are UTF-8 inside the game and wide for Windows, so a name outside
// the code page is found and opened. Bytes that are no UTF-8 (a settings
// file saved in the code page by an older editor) are read in the code page.
bool WidePath(const char* text, std::wstring& wide)
{
    if (!text) return false;
    for (UINT codePage : {UINT(CP_UTF8), UINT(CP_ACP)}) {
        const DWORD flags = codePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
        const int length = MultiByteToWideChar(codePage, flags, text, -1, nullptr, 0);
        if (length <= 0) continue;
        wide.assign(size_t(length), L'\0');
        if (MultiByteToWideChar(codePage, flags, text, -1, &wide[0], length) != length) continue;
        wide.resize(size_t(length - 1));
        return true;
    }
    return false;
}

bool Utf8Text(const wchar_t* wide, std::string& text)
{
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return false;
    text.assign(size_t(length), '\0');
    if (WideCharToMultiByte(CP_UTF8, 0, wide, -1, &text[0], length, nullptr, nullptr) != length) return false;
    text.resize(size_t(length - 1));
    return true;
}

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
    std::wstring widePattern;
    if (!pattern || !WidePath(pattern, widePattern)) return;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(widePattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        std::string name;
        if (Utf8Text(found.cFileName, name) && !visit(name.c_str(), context)) break;
    } while (FindNextFileW(search, &found));
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
    std::wstring wideTemp, widePath;
    if (!WidePath(tempPath, wideTemp) || !WidePath(path, widePath)) return false;
    return MoveFileExW(wideTemp.c_str(), widePath.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

std::FILE* PlatformOpenFile(const char* path, const char* mode)
{
    std::wstring widePath, wideMode;
    if (!path || !mode || !WidePath(path, widePath) || !WidePath(mode, wideMode)) return nullptr;
    return _wfopen(widePath.c_str(), wideMode.c_str());
}

bool PlatformIsFolder(const char* path)
{
    std::wstring wide;
    if (!WidePath(path, wide)) return false;
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The UTF-8 text `wide` spells into `out`, when it fits with its NUL.
static bool CopyOut(const std::wstring& wide, char* out, size_t size)
{
    std::string text;
    if (!Utf8Text(wide.c_str(), text) || text.size() >= size) return false;
    std::memcpy(out, text.c_str(), text.size() + 1);
    return true;
}

bool PlatformProgramFolder(char* folder, size_t size)
{
    if (size == 0) return false;
    std::wstring wide(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, &wide[0], DWORD(wide.size()));
    if (length == 0 || length >= wide.size()) return false;   // cut short: no folder to trust
    wide.resize(length);
    size_t separator = wide.rfind(L'\\');
    if (separator == std::wstring::npos) return false;
    if (separator == 2 && wide[1] == L':') separator += 1;   // "C:\" keeps its backslash
    wide.resize(separator);
    return CopyOut(wide, folder, size);
}

bool PlatformChangeFolder(const char* path)
{
    std::wstring wide;
    return WidePath(path, wide) && SetCurrentDirectoryW(wide.c_str()) != 0;
}

bool PlatformAbsolutePath(const char* path, char* out, size_t size)
{
    std::wstring wide;
    if (size == 0 || !WidePath(path, wide)) return false;
    std::wstring full(32768, L'\0');
    const DWORD length = GetFullPathNameW(wide.c_str(), DWORD(full.size()), &full[0], nullptr);
    if (length == 0 || length >= full.size()) return false;
    full.resize(length);
    return CopyOut(full, out, size);
}

bool PlatformFileStamp(const char* path, long long& size, long long& modified)
{
    std::wstring wide;
    if (!WidePath(path, wide)) return false;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) return false;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    size = static_cast<long long>((static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    modified = static_cast<long long>((static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                      data.ftLastWriteTime.dwLowDateTime);
    return true;
}

bool PlatformMakeFolder(const char* path)
{
    std::wstring wide;
    if (!WidePath(path, wide)) return false;
    return CreateDirectoryW(wide.c_str(), nullptr) != 0 || PlatformIsFolder(path);
}
