#include "game/movement.h"

#include <cmath>

#include "game/game_flow.h"
#include "game/game_state.h"
#include "game/walked_map.h"
#include "labyrinth/labyrinth.h"
#include "labyrinth/route.h"
#include "platform/keys.h"
#include "platform/platform.h"

static const float TURN_STEP_DEGREES = 3.0f;
static const double MOVE_STEP = CELLS_PER_TICK;   // for each held direction
static const double DEGREES_TO_RADIANS = 0.0174532925;
static const float STRAFE_OFFSET_DEGREES = 90.0f;
static const double MOUSE_DEGREES_PER_PIXEL = 0.15;
static const float PITCH_LIMIT_DEGREES = 90.0f;
static const double PLAYER_HALF_SIDE = 0.25;
static const double WALL_REACH = 0.75;          // half a cell plus the player's half side
static const double SEARCH_REACH = 1.75;

static bool GridLoaded()
{
    return labyrinthGrid.cells != nullptr && labyrinthGrid.width > 0 && labyrinthGrid.height > 0;
}

int CellOfCoordinate(float v)
{
    // Far outside any grid (or not a number): answer a cell no grid has, rather
    // than convert an out-of-range float to int.
    if (!(v > -1.0e9f && v < 1.0e9f)) return -1;
    int whole = int(v);
    // Computed in float on purpose: 2.6 stored as a float is a hair below 2.6,
    // so its tenths truncate to 5 and it still counts as cell 2.
    float fraction = v - float(whole);
    int tenths = int(fraction * 10.0f);
    return tenths > 5 ? whole + 1 : whole;
}

void CheckGoal()
{
    if (!GridLoaded()) return;
    int row = CellOfCoordinate(playerZ);
    int column = CellOfCoordinate(playerX);
    if (row < 0 || row >= labyrinthGrid.height || column < 0 || column >= labyrinthGrid.width) return;
    if (CellKind(row, column) == 'g') FinishLabyrinth();
}

// First cell index of the search range around a coordinate already known to lie
// within the grid's bounds.
static int SearchBegin(double v)
{
    return v > SEARCH_REACH ? int(v - SEARCH_REACH) : 0;
}

static int SearchEnd(double v, int size)
{
    int end = int(v + SEARCH_REACH);
    return end < size ? end : size;
}

bool CollidesWithWall(float row, float column)
{
    if (!GridLoaded()) return true;
    const double r = row;
    const double c = column;
    // Written as "not inside" so that a NaN coordinate collides too. The player's
    // square may touch the grid's outer edge but not cross it.
    if (!(c >= -PLAYER_HALF_SIDE && c <= labyrinthGrid.width - WALL_REACH &&
          r >= -PLAYER_HALF_SIDE && r <= labyrinthGrid.height - WALL_REACH))
        return true;

    const int rowEnd = SearchEnd(r, labyrinthGrid.height);
    const int columnEnd = SearchEnd(c, labyrinthGrid.width);
    for (int i = SearchBegin(r); i < rowEnd; ++i) {
        if (!(i - WALL_REACH < r && r < i + WALL_REACH)) continue;
        for (int j = SearchBegin(c); j < columnEnd; ++j) {
            if (j - WALL_REACH < c && c < j + WALL_REACH && CellKind(i, j) == 'w') return true;
        }
    }
    return false;
}

// One axis at a time, so a step that runs diagonally into a wall keeps the
// free axis and the player slides along the wall.
static void TryStep(double dx, double dz)
{
    const float x = float(playerX + dx);
    if (!CollidesWithWall(playerZ, x)) playerX = x;
    const float z = float(playerZ + dz);
    if (!CollidesWithWall(z, playerX)) playerZ = z;
}

// sign +1 steps along (sin, cos) of the heading, -1 against it.
static void StepAlong(float headingDegrees, double sign)
{
    const double radians = headingDegrees * DEGREES_TO_RADIANS;
    TryStep(sign * std::sin(radians) * MOVE_STEP, sign * std::cos(radians) * MOVE_STEP);
}

static void PutCursorInTheMiddle(const PlatformRect& rect)
{
    mouseCentreX = int32_t((static_cast<long long>(rect.left) + rect.right) / 2);
    mouseCentreY = int32_t((static_cast<long long>(rect.top) + rect.bottom) / 2);
    PlatformSetCursorPos(mouseCentreX, mouseCentreY);
}

void RecentreMouse()
{
    PlatformRect rect;
    if (PlatformGetWindowRect(rect)) PutCursorInTheMiddle(rect);
}

static void LookWithMouse()
{
    PlatformRect rect;
    int cursorX = 0;
    int cursorY = 0;
    if (!PlatformGetWindowRect(rect) || !PlatformGetCursorPos(cursorX, cursorY)) return;

    // In double: a cursor far from the centre must not overflow an int difference.
    const double dx = double(cursorX) - double(mouseCentreX);
    const double dy = double(cursorY) - double(mouseCentreY);
    yaw = float(yaw - dx * MOUSE_DEGREES_PER_PIXEL);
    pitch = float(pitch + dy * MOUSE_DEGREES_PER_PIXEL);
    PutCursorInTheMiddle(rect);

    if (pitch > PITCH_LIMIT_DEGREES)
        pitch = PITCH_LIMIT_DEGREES;
    else if (pitch < -PITCH_LIMIT_DEGREES)
        pitch = -PITCH_LIMIT_DEGREES;
}

void RunTick()
{
    if (keys[KEY_LEFT]) yaw += TURN_STEP_DEGREES;
    if (keys[KEY_RIGHT]) yaw -= TURN_STEP_DEGREES;

    // Up and W are one control: holding both still moves one step.
    if (keys[KEY_UP] || keys[KEY_W]) StepAlong(yaw, -1.0);
    if (keys[KEY_DOWN] || keys[KEY_S]) StepAlong(yaw, +1.0);
    if (keys[KEY_A]) StepAlong(yaw + STRAFE_OFFSET_DEGREES, -1.0);
    if (keys[KEY_D]) StepAlong(yaw + STRAFE_OFFSET_DEGREES, +1.0);
    NoteWalkedCell(CellOfCoordinate(playerZ), CellOfCoordinate(playerX));

    LookWithMouse();
}
