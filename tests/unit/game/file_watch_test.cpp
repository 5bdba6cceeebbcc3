#include <gtest/gtest.h>

#include "game/file_watch.h"

namespace {

FileStamp Stamp(long long size, long long modified)
{
    FileStamp stamp;
    stamp.exists = true;
    stamp.size = size;
    stamp.modified = modified;
    return stamp;
}

const FileStamp PALETTE = Stamp(60, 1);

// Looks at the files at `nowMs` as the game does: only when due.
WatchVerdict Look(FileWatch& watch, uint32_t nowMs, const FileStamp& picture)
{
    if (!WatchDue(watch, nowMs)) return WATCH_NOTHING;
    return CheckWatch(watch, picture, PALETTE, nowMs);
}

TEST(FileWatch, ASaveIsSeenWithinHalfASecondAndOnlyOnce)
{
    FileWatch watch;
    StartWatch(watch, Stamp(100, 1), PALETTE);
    EXPECT_EQ(Look(watch, 1000, Stamp(100, 1)), WATCH_NOTHING) << "the files as they were read";
    EXPECT_EQ(Look(watch, 1200, Stamp(120, 2)), WATCH_NOTHING) << "not due yet: the files are not looked at";
    EXPECT_EQ(Look(watch, 1500, Stamp(120, 2)), WATCH_RELOAD_QUIETLY);
    NoteReloadResult(watch, true, 1500);
    EXPECT_EQ(Look(watch, 2000, Stamp(120, 2)), WATCH_NOTHING);
    // The same size with a new time, a removed file and the palette all count.
    EXPECT_EQ(Look(watch, 2500, Stamp(120, 3)), WATCH_RELOAD_QUIETLY);
    EXPECT_EQ(Look(watch, 3000, FileStamp{}), WATCH_RELOAD_QUIETLY);
    EXPECT_EQ(CheckWatch(watch, FileStamp{}, Stamp(61, 1), 3500), WATCH_RELOAD_QUIETLY);
}

TEST(FileWatch, AHalfWrittenSaveIsRetriedQuietlyAndToldOnlyAfterASecond)
{
    FileWatch watch;
    StartWatch(watch, Stamp(100, 1), PALETTE);
    Look(watch, 0, Stamp(100, 1));
    EXPECT_EQ(Look(watch, 500, Stamp(50, 2)), WATCH_RELOAD_QUIETLY);   // the first half
    NoteReloadResult(watch, false, 500);
    EXPECT_EQ(Look(watch, 1000, Stamp(50, 2)), WATCH_RELOAD_QUIETLY) << "still failing: tried again";
    NoteReloadResult(watch, false, 1000);
    EXPECT_EQ(Look(watch, 1500, Stamp(100, 3)), WATCH_RELOAD_AND_TELL) << "a second of failures is told";
    // Told once: the watch waits for the next save.
    EXPECT_EQ(Look(watch, 2000, Stamp(100, 3)), WATCH_NOTHING);
    EXPECT_EQ(Look(watch, 2500, Stamp(200, 4)), WATCH_RELOAD_QUIETLY);
    NoteReloadResult(watch, false, 2500);
    EXPECT_EQ(Look(watch, 3000, Stamp(210, 5)), WATCH_RELOAD_QUIETLY);   // the rest of the save
    NoteReloadResult(watch, true, 3000);
    EXPECT_EQ(Look(watch, 3500, Stamp(210, 5)), WATCH_NOTHING) << "a save that took ends the retries";
}

TEST(FileWatch, TheClockWrappingAroundKeepsTheRhythm)
{
    FileWatch watch;
    StartWatch(watch, Stamp(1, 1), PALETTE);
    Look(watch, 0xFFFFFF00u, Stamp(1, 1));
    EXPECT_FALSE(WatchDue(watch, 0xFFFFFFF0u));
    EXPECT_TRUE(WatchDue(watch, 0x00000100u)) << "500 ms later, past the wrap";
}

}  // namespace
