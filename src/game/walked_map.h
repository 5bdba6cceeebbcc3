// What the map may show: the cells the player has walked through, and the
// goal cells seen along a straight open line from one of them. Cleared when
// a labyrinth starts; the map itself is off until the player asks for it.
#pragma once
#include <cstdint>

extern bool mapShown;

// Forgets everything and sizes the sets to the current grid; with no memory
// for them the map simply stays empty.
void ResetWalkedMap();
// Notes the cell under the player (called each tick; cheap when it has not changed).
void NoteWalkedCell(int32_t row, int32_t column);
bool WasWalked(int32_t row, int32_t column);
bool GoalSeen(int32_t row, int32_t column);
