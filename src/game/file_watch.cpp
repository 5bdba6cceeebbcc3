#include "game/file_watch.h"

bool SameStamp(const FileStamp& a, const FileStamp& b)
{
    return a.exists == b.exists && a.size == b.size && a.modified == b.modified;
}

void StartWatch(FileWatch& watch, const FileStamp& picture, const FileStamp& palette)
{
    watch = FileWatch{};
    watch.picture = picture;
    watch.palette = palette;
}

// The clock may wrap after 49 days: times are compared by their difference.
bool WatchDue(const FileWatch& watch, uint32_t nowMs)
{
    return watch.checkNow || int32_t(nowMs - watch.nextCheckMs) >= 0;
}

WatchVerdict CheckWatch(FileWatch& watch, const FileStamp& picture, const FileStamp& palette, uint32_t nowMs)
{
    watch.checkNow = false;
    watch.nextCheckMs = nowMs + WATCH_INTERVAL_MS;
    const bool changed = !SameStamp(picture, watch.picture) || !SameStamp(palette, watch.palette);
    watch.picture = picture;
    watch.palette = palette;
    if (!watch.failing) return changed ? WATCH_RELOAD_QUIETLY : WATCH_NOTHING;
    // An editor still saving changes the stamps as it goes; the grace counts
    // from the first failure, so a save that never ends is told in the end.
    if (nowMs - watch.failingSinceMs >= UNREADABLE_GRACE_MS) {
        watch.failing = false;   // told once; the next save starts afresh
        return WATCH_RELOAD_AND_TELL;
    }
    return WATCH_RELOAD_QUIETLY;
}

void NoteReloadResult(FileWatch& watch, bool loaded, uint32_t nowMs)
{
    if (loaded) {
        watch.failing = false;
    } else if (!watch.failing) {
        watch.failing = true;
        watch.failingSinceMs = nowMs;
    }
}
