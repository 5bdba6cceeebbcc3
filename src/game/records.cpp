#include "game/records.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "labyrinth/text_lines.h"
#include "platform/platform.h"

// Longer than any line we write (16 + 10 + a name of up to 127 bytes).
static const int RECORD_LINE_SIZE = 256;

static int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "HASH MILLISECONDS NAME": sixteen hex digits, a time of 1 to 4294967294 ms,
// and the rest of the line as the name (which may hold blanks, or be empty).
static bool ParseRecord(const char* line, Record& record)
{
    uint64_t hash = 0;
    int digits = 0;
    for (; digits < 16; ++digits) {
        const int value = HexDigit(line[digits]);
        if (value < 0) return false;
        hash = hash << 4 | uint64_t(value);
    }
    const char* p = line + digits;
    if (*p++ != ' ' || *p < '0' || *p > '9') return false;
    uint64_t ms = 0;
    while (*p >= '0' && *p <= '9') {
        ms = ms * 10 + uint64_t(*p++ - '0');
        if (ms >= NO_TIME) return false;
    }
    if (ms == 0 || hash == 0) return false;
    if (*p == ' ') ++p;
    else if (*p != '\0') return false;
    const size_t length = std::strlen(p);
    if (length >= RECORD_NAME_SIZE) return false;
    record.hash = hash;
    record.bestMs = uint32_t(ms);
    std::memcpy(record.name, p, length + 1);
    return true;
}

// A line without its end, or false at the end of the file. A line too long
// for the buffer is read to its end and comes back empty, so it is skipped.
static bool ReadRecordLine(std::FILE* file, char (&line)[RECORD_LINE_SIZE])
{
    if (!std::fgets(line, RECORD_LINE_SIZE, file)) return false;
    size_t length = std::strlen(line);
    if (length > 0 && line[length - 1] == '\n') {
        line[--length] = '\0';
        if (length > 0 && line[length - 1] == '\r') line[--length] = '\0';
        return true;
    }
    if (std::feof(file)) return true;   // the last line, without a line end
    int c;
    while ((c = std::fgetc(file)) != EOF && c != '\n') {
    }
    line[0] = '\0';
    return true;
}

void ReadRecords(const char* path, RecordTable& table)
{
    table.count = 0;
    std::FILE* file = path ? PlatformOpenFile(path, "rb") : nullptr;
    if (!file) return;
    char line[RECORD_LINE_SIZE];
    Record record;
    while (ReadRecordLine(file, line)) {
        if (ParseRecord(line, record)) OfferTime(table, record.hash, record.bestMs, record.name);
    }
    std::fclose(file);
}

static bool WriteRecordLines(std::FILE* file, const void* context)
{
    const RecordTable& table = *static_cast<const RecordTable*>(context);
    if (std::fputs("# Quorvel best times: image hash, best time in milliseconds, file name\r\n", file) < 0) {
        return false;
    }
    for (uint32_t k = 0; k < table.count && k < table.rows.size(); ++k) {
        const Record& record = table.rows[k];
        if (std::fprintf(file, "%016llx %u %s\r\n", (unsigned long long)record.hash, unsigned(record.bestMs),
                         record.name) < 0) {
            return false;
        }
    }
    return true;
}

bool WriteRecords(const char* path, const RecordTable& table)
{
    return ReplaceTextFile(path, WriteRecordLines, &table);
}

static Record* FindRecord(RecordTable& table, uint64_t hash)
{
    for (uint32_t k = 0; k < table.count && k < table.rows.size(); ++k) {
        if (table.rows[k].hash == hash) return &table.rows[k];
    }
    return nullptr;
}

uint32_t BestTime(const RecordTable& table, uint64_t hash)
{
    const Record* record = FindRecord(const_cast<RecordTable&>(table), hash);
    return record ? record->bestMs : NO_TIME;
}

bool OfferTime(RecordTable& table, uint64_t hash, uint32_t ms, const char* name)
{
    if (hash == 0) return false;
    Record* record = FindRecord(table, hash);
    if (!record) {
        if (table.count >= table.rows.size()) {
            try {
                table.rows.resize(table.count + 1);
            } catch (const std::bad_alloc&) {
                return false;   // no memory left: this one time is not kept
            }
        }
        record = &table.rows[table.count++];
        record->hash = hash;
        record->bestMs = NO_TIME;
    }
    // The file's name as it is now, so a renamed labyrinth's line says so.
    const char* shown = name ? name : "";
    std::strncpy(record->name, shown, RECORD_NAME_SIZE - 1);
    record->name[RECORD_NAME_SIZE - 1] = '\0';
    for (char* p = record->name; *p; ++p) {
        if (*p == '\r' || *p == '\n') *p = ' ';
    }
    if (ms >= record->bestMs) return false;
    record->bestMs = ms;
    return true;
}

bool HashFile(const char* path, uint64_t& hash)
{
    std::FILE* file = path ? PlatformOpenFile(path, "rb") : nullptr;
    if (!file) return false;
    uint64_t value = 14695981039346656037ull;
    unsigned char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        for (size_t k = 0; k < got; ++k) value = (value ^ buffer[k]) * 1099511628211ull;
    }
    const bool complete = !std::ferror(file);
    std::fclose(file);
    if (!complete) return false;
    hash = value == 0 ? 1 : value;   // 0 stands for "no hash"
    return true;
}

void ForgetLabyrinthHashes(Records& records)
{
    for (uint32_t k = 0; k < MAX_LABYRINTHS; ++k) {
        records.labyrinthHashes[k] = 0;
        records.hashed[k] = false;
    }
}

void HashLabyrinths(Records& records, const LabyrinthList& list, uint32_t first, uint32_t count)
{
    for (uint32_t k = first; k < list.count && k < MAX_LABYRINTHS && k - first < count; ++k) {
        if (!records.hashed[k]) HashLabyrinth(records, list, k);
    }
}

void HashLabyrinth(Records& records, const LabyrinthList& list, uint32_t k)
{
    if (k >= list.count || k >= MAX_LABYRINTHS) return;
    // Stamped first: a file written while it is hashed differs from its stamp.
    records.hashedStamps[k] = StampOfFile(list.paths[k]);
    if (!HashFile(list.paths[k], records.labyrinthHashes[k])) records.labyrinthHashes[k] = 0;
    records.hashed[k] = true;
}

FileStamp StampOfFile(const char* path)
{
    char local[1024];
    FileStamp stamp;
    if (!path || std::snprintf(local, sizeof local, "%s", path) >= int(sizeof local)) return stamp;
    PlatformLocalPath(local);
    stamp.exists = PlatformFileStamp(local, stamp.size, stamp.modified);
    return stamp;
}

bool HashStillHolds(const Records& records, const LabyrinthList& list, uint32_t k)
{
    if (k >= list.count || k >= MAX_LABYRINTHS || !records.hashed[k] || !records.hashedStamps[k].exists) return false;
    return SameStamp(records.hashedStamps[k], StampOfFile(list.paths[k]));
}
