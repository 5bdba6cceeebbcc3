// The trace a player can attach to a bug report (and the e2e tests read):
// one line per event, the event's name then key=value words. A trace that
// cannot be opened or written is dropped; the game never waits on it.
#pragma once

// Null or a file that cannot be made: no trace.
void OpenTrace(const char* path);
void CloseTrace();
bool TraceOpen();
// One line, printf-style, without its line end; flushed at once, so a crash
// keeps every line before it.
void Trace(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
