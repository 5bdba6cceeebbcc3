// The POSIX half of the platform, shared by the native game (x11/) and the
// native tools and tests: the clock, sleeping and files.
#include "platform/platform.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
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
    for (char& c : folder) {
        if (c == '\\') c = '/';
    }
    // What follows the folder's last separator starts the names, as on Windows.
    const size_t separator = folder.rfind('/');
    std::string directory = separator == std::string::npos ? "." : folder.substr(0, separator + 1);
    const std::string start = separator == std::string::npos ? folder : folder.substr(separator + 1);

    DIR* dir = opendir(directory.c_str());
    if (!dir) return;
    std::vector<std::string> names;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name.size() < start.size() + suffix.size()) continue;
        if (strncasecmp(name.c_str(), start.c_str(), start.size()) != 0) continue;
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

bool PlatformIsFolder(const char* path)
{
    struct stat info;
    return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

bool PlatformProgramFolder(char* folder, size_t size)
{
    if (size == 0) return false;
    const ssize_t length = readlink("/proc/self/exe", folder, size - 1);
    if (length <= 0 || size_t(length) >= size - 1) return false;
    folder[length] = '\0';
    char* slash = std::strrchr(folder, '/');
    if (!slash) return false;
    if (slash == folder) slash += 1;   // a program in / keeps its folder
    *slash = '\0';
    return true;
}

bool PlatformChangeFolder(const char* path)
{
    return chdir(path) == 0;
}

bool PlatformAbsolutePath(const char* path, char* out, size_t size)
{
    if (path[0] == '/') return std::snprintf(out, size, "%s", path) < int(size);
    char current[PATH_MAX];
    if (!getcwd(current, sizeof current)) return false;
    return std::snprintf(out, size, "%s/%s", current, path) < int(size);
}

bool PlatformFileStamp(const char* path, long long& size, long long& modified)
{
    struct stat info;
    if (stat(path, &info) != 0 || !S_ISREG(info.st_mode)) return false;
    size = static_cast<long long>(info.st_size);
    modified = static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec;
    return true;
}

std::FILE* PlatformOpenFile(const char* path, const char* mode)
{
    return path && mode ? std::fopen(path, mode) : nullptr;
}

bool PlatformMakeFolder(const char* path)
{
    return mkdir(path, 0777) == 0 || PlatformIsFolder(path);
}
