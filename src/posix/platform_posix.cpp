// The POSIX half of the platform, shared by the native game (x11/) and the
// native tools and tests: the clock, sleeping and files.
#include "platform/platform.h"

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
