// Turning, walking with collision against walls, mouse look, and the goal check.
#pragma once
#include <cstdint>

#include "game/controls.h"
#include "game/options.h"
#include "labyrinth/labyrinth.h"

struct Player {
    float playerX = 0.0f;   // along the grid columns, in cells; cell centres on whole numbers
    float playerZ = 0.0f;   // along the grid rows, in cells
    float yaw = 0.0f;       // degrees; 0 looks towards lower rows, growing turns left; never wrapped
    float pitch = 0.0f;     // degrees, positive looks down; kept within -90..90
};

// Screen point the cursor was last put at; mouse look measures from there.
struct MouseLook {
    int32_t mouseCentreX = 0;
    int32_t mouseCentreY = 0;
};

// All one tick of play is given: the movement actions held and how far the
// mouse travelled since the tick before, in pixels. Ticks given the same
// input move the player the same way, whatever the frame rate.
struct TickInput {
    uint32_t actions;   // bits of HeldMovement
    int32_t mouseDx;
    int32_t mouseDy;    // already turned round for an inverted mouse
    double degreesPerPixel = 0.15;
};

// Reads the cursor's travel since the last tick and puts it back in the middle.
TickInput TakeTickInput(const KeyState& keys, const Options& options, MouseLook& mouse);
void RunTick(Player& player, const Labyrinth& labyrinth, const TickInput& input);
// Whether the player's place counts as lying in a goal cell.
bool ReachedGoal(const Player& player, const Labyrinth& labyrinth);

bool CollidesWithWall(const Labyrinth& labyrinth, float row, float column);
int CellOfCoordinate(float v);
// Puts the cursor in the middle of the window, so mouse look measures from there.
void RecentreMouse(MouseLook& mouse);
