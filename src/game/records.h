// Best times, kept in a small text file of their own beside the settings:
// one line per labyrinth, "HASH MILLISECONDS NAME", keyed by the hash of the
// image file's bytes, so an edited picture starts a fresh record and a
// renamed one keeps its own. The name is only for the person reading it.
#pragma once
#include <cstdint>
#include <cstdio>
#include <vector>

#include "game/file_watch.h"
#include "labyrinth/labyrinth.h"

const uint32_t NO_TIME = 0xFFFFFFFFu;   // no route to a goal, or no record
const unsigned RECORD_NAME_SIZE = LABYRINTH_PATH_SIZE;

struct Record {
    uint64_t hash;
    uint32_t bestMs;
    char name[RECORD_NAME_SIZE];
};

// As many records as the player has labyrinths, over all the folders they used.
struct RecordTable {
    std::vector<Record> rows;   // the first `count` are in use
    uint32_t count = 0;
};

// Reads forgivingly: a damaged or foreign line is skipped, never the rest; a
// hash met twice keeps its better time; a missing file is an empty table.
void ReadRecords(const char* path, RecordTable& table);
// Replaces the file in one step; false (the old file intact) when it cannot.
bool WriteRecords(const char* path, const RecordTable& table);

// The best time kept for `hash`, or NO_TIME.
uint32_t BestTime(const RecordTable& table, uint64_t hash);
// Keeps `ms` when it beats the record (or there is none); true when it did.
bool OfferTime(RecordTable& table, uint64_t hash, uint32_t ms, const char* name);

// 64-bit FNV-1a of the file's bytes, read in pieces; false when it cannot be read.
bool HashFile(const char* path, uint64_t& hash);

// The game's records and the hash of each listed labyrinth (0 where its file
// could not be read). A file is hashed only once its row is shown or it is
// played, so a folder of hundreds of large pictures costs nothing at start-up.
struct Records {
    RecordTable table;
    uint64_t labyrinthHashes[MAX_LABYRINTHS] = {};
    bool hashed[MAX_LABYRINTHS] = {};
    // Size and time of each file as it was hashed: a labyrinth chosen from the
    // list is not read a second time when its file is still the one shown.
    FileStamp hashedStamps[MAX_LABYRINTHS];
};
// The file's size and last write, without reading it.
FileStamp StampOfFile(const char* path);
// Row k's hash taken now, with its file's stamp.
void HashLabyrinth(Records& records, const LabyrinthList& list, uint32_t k);
// Whether row k's hash was taken from its file as the file still is.
bool HashStillHolds(const Records& records, const LabyrinthList& list, uint32_t k);
// The list was searched again: every hash is to be taken anew.
void ForgetLabyrinthHashes(Records& records);
// Hashes the rows first .. first + count - 1 of the list not hashed yet.
void HashLabyrinths(Records& records, const LabyrinthList& list, uint32_t first, uint32_t count);
