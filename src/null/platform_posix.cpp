#include "null/null_platform.h"

#include <dirent.h>
#include <strings.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>
#include <algorithm>

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

// Windows patterns here are always "<folder>*<suffix>": match the suffix
// without regard to case, as FindFirstFileA does, and list by name so the
// order is the same on every run.
void PlatformFindFiles(const char* pattern, PlatformFileVisitor visit, void* context)
{
    std::string text(pattern);
    size_t star = text.rfind('*');
    if (star == std::string::npos) return;
    std::string folder = text.substr(0, star);
    std::string suffix = text.substr(star + 1);
    std::string directory = folder;
    for (char& c : directory) {
        if (c == '\\') c = '/';
    }
    if (directory.empty()) directory = ".";

    DIR* dir = opendir(directory.c_str());
    if (!dir) return;
    std::vector<std::string> names;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name.size() < suffix.size()) continue;
        if (strcasecmp(name.c_str() + name.size() - suffix.size(), suffix.c_str()) != 0) continue;
        if (name == "." || name == "..") continue;
        names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        if (!visit(name.c_str(), context)) break;
    }
}

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

void PlatformLocalPath(char* path)
{
    for (char* p = path; p && *p; ++p) {
        if (*p == '\\') *p = '/';
    }
}

bool PlatformReplaceFile(const char* tempPath, const char* path)
{
    return std::rename(tempPath, path) == 0;
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
