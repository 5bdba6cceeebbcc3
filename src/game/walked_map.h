// What the map may show: the cells the player has walked through, and the
// goal cells seen along a straight open line from one of them. Cleared when
// a labyrinth starts; the map itself is off until the player asks for it.
#pragma once
#include <cstdint>
#include <vector>

#include "labyrinth/labyrinth.h"

struct WalkedMap {
    bool mapShown = false;
    // One bit per cell each: 2 MiB apiece for a 4096 x 4096 labyrinth.
    std::vector<uint64_t> walked;
    std::vector<uint64_t> goalsSeen;
    int32_t mapWidth = 0;
    int32_t mapHeight = 0;
    int64_t lastCell = -1;
};

// Forgets everything and sizes the sets to the labyrinth's grid; with no
// memory for them the map simply stays empty.
void ResetWalkedMap(WalkedMap& map, const Labyrinth& labyrinth);
// Notes the cell under the player (called each tick; cheap when it has not changed).
void NoteWalkedCell(WalkedMap& map, const Labyrinth& labyrinth, int32_t row, int32_t column);
// A grid replaced without a reset (another size) shows nothing rather than
// being read with the old one's measures.
bool WasWalked(const WalkedMap& map, const Labyrinth& labyrinth, int32_t row, int32_t column);
bool GoalSeen(const WalkedMap& map, const Labyrinth& labyrinth, int32_t row, int32_t column);
