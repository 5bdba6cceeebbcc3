// Best times, kept in a small text file of their own beside the settings:
// one line per labyrinth, "HASH MILLISECONDS NAME", keyed by the hash of the
// image file's bytes, so an edited picture starts a fresh record and a
// renamed one keeps its own. The name is only for the person reading it.
#pragma once
#include <cstdint>
#include <cstdio>

#include "labyrinth/labyrinth.h"

const uint32_t NO_TIME = 0xFFFFFFFFu;   // no route to a goal, or no record
const unsigned MAX_RECORDS = 1024;
const unsigned RECORD_NAME_SIZE = LABYRINTH_PATH_SIZE;

struct Record {
    uint64_t hash;
    uint32_t bestMs;
    char name[RECORD_NAME_SIZE];
};

struct RecordTable {
    Record rows[MAX_RECORDS];
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
// could not be read), kept from start-up and refreshed whenever one starts.
struct Records {
    RecordTable table;
    uint64_t labyrinthHashes[MAX_LABYRINTHS] = {};
};
void HashListedLabyrinths(Records& records, const LabyrinthList& list);
