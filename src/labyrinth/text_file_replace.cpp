// Apart from the line reader, so programs that only read text files (the
// tool) need no platform to link.
#include <cstdio>

#include "labyrinth/text_lines.h"
#include "platform/platform.h"

bool ReplaceTextFile(const char* path, TextFileWriter writeBody, const void* context)
{
    char tempPath[512];
    if (!path || std::snprintf(tempPath, sizeof tempPath, "%s.tmp", path) >= int(sizeof tempPath)) return false;
    FILE* file = PlatformOpenFile(tempPath, "wb");
    if (!file) return false;
    bool complete = writeBody(file, context) && std::fflush(file) == 0;
    if (std::fclose(file) != 0) complete = false;
    if (complete && PlatformReplaceFile(tempPath, path)) return true;
    std::remove(tempPath);
    return false;
}
