#include "game/movement.h"

#include <cmath>

#include "labyrinth/route.h"
#include "platform/platform.h"

static const float TURN_STEP_DEGREES = 3.0f;
static const double MOVE_STEP = CELLS_PER_TICK;   // for each held direction
static const double DEGREES_TO_RADIANS = 0.0174532925;
static const float STRAFE_OFFSET_DEGREES = 90.0f;
static const float PITCH_LIMIT_DEGREES = 90.0f;
static const double PLAYER_HALF_SIDE = 0.25;
static const double WALL_REACH = 0.75;          // half a cell plus the player's half side
static const double SEARCH_REACH = 1.75;

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

bool ReachedGoal(const Player& player, const Labyrinth& labyrinth)
{
    if (!HasCells(labyrinth)) return false;
    const int row = CellOfCoordinate(player.playerZ);
    const int column = CellOfCoordinate(player.playerX);
    if (row < 0 || row >= labyrinth.grid.height || column < 0 || column >= labyrinth.grid.width) return false;
    return CellKind(labyrinth, row, column) == 'g';
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

bool CollidesWithWall(const Labyrinth& labyrinth, float row, float column)
{
    if (!HasCells(labyrinth)) return true;
    const LabyrinthGrid& grid = labyrinth.grid;
    const double r = row;
    const double c = column;
    // Written as "not inside" so that a NaN coordinate collides too. The player's
    // square may touch the grid's outer edge but not cross it.
    if (!(c >= -PLAYER_HALF_SIDE && c <= grid.width - WALL_REACH && r >= -PLAYER_HALF_SIDE &&
          r <= grid.height - WALL_REACH))
        return true;

    const int rowEnd = SearchEnd(r, grid.height);
    const int columnEnd = SearchEnd(c, grid.width);
    for (int i = SearchBegin(r); i < rowEnd; ++i) {
        if (!(i - WALL_REACH < r && r < i + WALL_REACH)) continue;
        for (int j = SearchBegin(c); j < columnEnd; ++j) {
            if (j - WALL_REACH < c && c < j + WALL_REACH && CellKind(labyrinth, i, j) == 'w') return true;
        }
    }
    return false;
}

// One axis at a time, so a step that runs diagonally into a wall keeps the
// free axis and the player slides along the wall.
static void TryStep(Player& player, const Labyrinth& labyrinth, double dx, double dz)
{
    const float x = float(player.playerX + dx);
    if (!CollidesWithWall(labyrinth, player.playerZ, x)) player.playerX = x;
    const float z = float(player.playerZ + dz);
    if (!CollidesWithWall(labyrinth, z, player.playerX)) player.playerZ = z;
}

// sign +1 steps along (sin, cos) of the heading, -1 against it.
static void StepAlong(Player& player, const Labyrinth& labyrinth, float headingDegrees, double sign)
{
    const double radians = headingDegrees * DEGREES_TO_RADIANS;
    TryStep(player, labyrinth, sign * std::sin(radians) * MOVE_STEP, sign * std::cos(radians) * MOVE_STEP);
}

static void PutCursorInTheMiddle(MouseLook& mouse, const PlatformRect& rect)
{
    mouse.mouseCentreX = int32_t((static_cast<long long>(rect.left) + rect.right) / 2);
    mouse.mouseCentreY = int32_t((static_cast<long long>(rect.top) + rect.bottom) / 2);
    PlatformSetCursorPos(mouse.mouseCentreX, mouse.mouseCentreY);
}

void RecentreMouse(MouseLook& mouse)
{
    PlatformRect rect;
    if (PlatformGetWindowRect(rect)) PutCursorInTheMiddle(mouse, rect);
}

// A cursor far from the centre must not overflow an int difference.
static int32_t Travel(int position, int32_t centre)
{
    const long long difference = static_cast<long long>(position) - centre;
    return int32_t(difference > INT32_MAX ? INT32_MAX : difference < -INT32_MAX ? -INT32_MAX : difference);
}

TickInput TakeTickInput(const KeyState& keys, const Options& options, MouseLook& mouse)
{
    TickInput input = {HeldMovement(keys, options.bindings), 0, 0, options.mouseSensitivity};
    PlatformRect rect;
    int cursorX = 0;
    int cursorY = 0;
    if (!PlatformGetWindowRect(rect) || !PlatformGetCursorPos(cursorX, cursorY)) return input;
    input.mouseDx = Travel(cursorX, mouse.mouseCentreX);
    input.mouseDy = Travel(cursorY, mouse.mouseCentreY);
    if (options.invertMouse) input.mouseDy = -input.mouseDy;
    PutCursorInTheMiddle(mouse, rect);
    return input;
}

static void LookWithMouse(Player& player, const TickInput& input)
{
    player.yaw = float(player.yaw - double(input.mouseDx) * input.degreesPerPixel);
    player.pitch = float(player.pitch + double(input.mouseDy) * input.degreesPerPixel);
    if (player.pitch > PITCH_LIMIT_DEGREES)
        player.pitch = PITCH_LIMIT_DEGREES;
    else if (player.pitch < -PITCH_LIMIT_DEGREES)
        player.pitch = -PITCH_LIMIT_DEGREES;
}

void RunTick(Player& player, const Labyrinth& labyrinth, const TickInput& input)
{
    const uint32_t actions = input.actions;
    if (HasAction(actions, ACTION_TURN_LEFT)) player.yaw += TURN_STEP_DEGREES;
    if (HasAction(actions, ACTION_TURN_RIGHT)) player.yaw -= TURN_STEP_DEGREES;
    if (HasAction(actions, ACTION_FORWARD)) StepAlong(player, labyrinth, player.yaw, -1.0);
    if (HasAction(actions, ACTION_BACK)) StepAlong(player, labyrinth, player.yaw, +1.0);
    if (HasAction(actions, ACTION_STEP_LEFT)) StepAlong(player, labyrinth, player.yaw + STRAFE_OFFSET_DEGREES, -1.0);
    if (HasAction(actions, ACTION_STEP_RIGHT)) StepAlong(player, labyrinth, player.yaw + STRAFE_OFFSET_DEGREES, +1.0);
    LookWithMouse(player, input);
}
