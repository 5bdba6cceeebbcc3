#include "app/trace.h"
#include "platform/platform.h"

#include <cstdarg>
#include <cstdio>

static std::FILE* traceFile = nullptr;

void OpenTrace(const char* path)
{
    CloseTrace();
    if (path) traceFile = PlatformOpenFile(path, "wb");
}

void CloseTrace()
{
    if (traceFile) std::fclose(traceFile);
    traceFile = nullptr;
}

bool TraceOpen()
{
    return traceFile != nullptr;
}

void Trace(const char* format, ...)
{
    if (!traceFile) return;
    va_list args;
    va_start(args, format);
    const int written = std::vfprintf(traceFile, format, args);
    va_end(args);
    // A full disk or a vanished drive ends the trace, not the game.
    if (written < 0 || std::fputc('\n', traceFile) == EOF || std::fflush(traceFile) != 0) CloseTrace();
}
