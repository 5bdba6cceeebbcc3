// Watching the played labyrinth's picture and palette for an author's save:
// their size and last-write time, looked at about twice a second, never the
// files themselves. A save caught half-written is tried again quietly; only a
// file that stays unreadable for a second is reported.
#pragma once
#include <cstdint>

struct FileStamp {
    bool exists = false;
    long long size = 0;
    long long modified = 0;
};

bool SameStamp(const FileStamp& a, const FileStamp& b);

const uint32_t WATCH_INTERVAL_MS = 500;
const uint32_t UNREADABLE_GRACE_MS = 1000;

struct FileWatch {
    FileStamp picture;
    FileStamp palette;
    bool checkNow = true;            // a watch just started is looked at on the next check
    uint32_t nextCheckMs = 0;
    bool failing = false;            // the last reload it asked for did not take
    uint32_t failingSinceMs = 0;
};

enum WatchVerdict {
    WATCH_NOTHING,
    WATCH_RELOAD_QUIETLY,    // a failure says nothing yet
    WATCH_RELOAD_AND_TELL,   // unreadable for the whole grace: the player hears why
};

void StartWatch(FileWatch& watch, const FileStamp& picture, const FileStamp& palette);
// True when the stamps are due to be looked at again.
bool WatchDue(const FileWatch& watch, uint32_t nowMs);
WatchVerdict CheckWatch(FileWatch& watch, const FileStamp& picture, const FileStamp& palette, uint32_t nowMs);
// After a quiet reload. A told failure is not noted: the watch then waits for
// the next save rather than telling it again every second.
void NoteReloadResult(FileWatch& watch, bool loaded, uint32_t nowMs);
