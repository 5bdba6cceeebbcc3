// A run kept as what each of its ticks was given: the movement held and the
// mouse's travel. Ticks advance the game in fixed steps, so the same inputs
// from the same start walk the same way, at any frame rate. A labyrinth's
// best run is kept as "Replays/HASH.qrp" beside the records.
//
// The file: "QRP1", the picture's content hash (8 bytes), Speedlimit and the
// tick count (4 bytes each, little-endian), then runs of equal ticks — a
// varint count, a byte of movement bits (bit 7: the sensitivity changed, its
// 8-byte double follows), the mouse's x and y travel as zigzag varints — and
// last a 4-byte FNV-1a of everything before it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "game/movement.h"

const char REPLAY_FOLDER[] = "Replays";
const uint32_t MAX_REPLAY_TICKS = 10000000;   // over a day at the fastest Speedlimit

struct Replay {
    uint64_t labyrinthHash = 0;
    uint32_t speedLimitMs = 0;
    std::vector<TickInput> ticks;
};

enum class ReplayRefusal : uint8_t {
    NONE,
    CANNOT_OPEN,
    NOT_A_REPLAY,   // no "QRP1" at its start
    DAMAGED,        // cut short, a run beyond the count, a bad checksum or value
    OTHER_PICTURE,  // made in a labyrinth of other content
};
const char* ReplayRefusalText(ReplayRefusal refusal);

void EncodeReplay(const Replay& replay, std::vector<unsigned char>& bytes);
ReplayRefusal DecodeReplay(const unsigned char* data, size_t size, Replay& replay);
// Through a temporary file and a rename; false (any old file intact) when it cannot.
bool WriteReplay(const char* path, const Replay& replay);
ReplayRefusal ReadReplay(const char* path, Replay& replay);
// "Replays/0123456789abcdef.qrp" in the platform's spelling.
void ReplayPath(uint64_t labyrinthHash, char* path, size_t size);
