#include "render/map_view.h"

#include <cmath>

#include "game/game_flow.h"
#include "render/gl_api.h"

// The map shows at most this many cells across, around the player, so a
// frame costs the same for any size of labyrinth: one pixel rectangle of
// MAP_CELLS x MAP_CELLS, scaled up by GL, and one pointer.
static const int32_t MAP_CELLS = 25;
static const int32_t MAP_MARGIN_PIXELS = 8;
static const double DEGREES_TO_RADIANS = 0.0174532925;

// RGBA, so rows need no padding whatever the unpack alignment.
static unsigned char mapPixels[MAP_CELLS * MAP_CELLS * 4];

struct Colour {
    unsigned char r, g, b;
};
static const Colour UNKNOWN = {0, 0, 0};
static const Colour WALKED = {90, 90, 90};
static const Colour WALL = {220, 220, 220};
static const Colour GOAL = {0, 200, 0};
static const Colour HINT = {255, 0, 0};   // the overlay's red

// First cell of the view along one axis: the whole labyrinth, centred, when
// it fits; otherwise centred on the player and kept inside the labyrinth.
static int32_t ViewStart(int32_t player, int32_t size, int32_t across)
{
    if (size <= across) return -(across - size) / 2;
    int32_t start = player - across / 2;
    if (start < 0) start = 0;
    if (start > size - across) start = size - across;
    return start;
}

static bool NextToWalked(const Game& game, int32_t row, int32_t column)
{
    for (int32_t r = row - 1; r <= row + 1; ++r) {
        for (int32_t c = column - 1; c <= column + 1; ++c) {
            if (WasWalked(game.map, game.labyrinth, r, c)) return true;
        }
    }
    return false;
}

static Colour CellColour(const Game& game, int32_t row, int32_t column)
{
    const LabyrinthGrid& grid = game.labyrinth.grid;
    if (row < 0 || column < 0 || row >= grid.height || column >= grid.width) return UNKNOWN;
    const char kind = CellKind(game.labyrinth, row, column);
    if (kind == 'g') return GoalSeen(game.map, game.labyrinth, row, column) ? GOAL : UNKNOWN;
    if (kind == 'w') return NextToWalked(game, row, column) ? WALL : UNKNOWN;
    return WasWalked(game.map, game.labyrinth, row, column) ? WALKED : UNKNOWN;
}

// A red arrowhead at the player's place, pointing where the player looks:
// heading 0 is up the map (towards lower rows), growing turns left.
static void DrawPointer(float yaw, float x, float y, float size)
{
    const double heading = double(yaw) * DEGREES_TO_RADIANS;
    const float ahead[2] = {float(-std::sin(heading)), float(std::cos(heading))};
    const float side[2] = {ahead[1], -ahead[0]};
    glColor3f(1.0f, 0.0f, 0.0f);
    glBegin(GL_TRIANGLES);
    glVertex2f(x + ahead[0] * size, y + ahead[1] * size);
    glVertex2f(x - (ahead[0] + side[0]) * size * 0.6f, y - (ahead[1] + side[1]) * size * 0.6f);
    glVertex2f(x - (ahead[0] - side[0]) * size * 0.6f, y - (ahead[1] - side[1]) * size * 0.6f);
    glEnd();
}

// The hint's cells, over whatever the map knows of them.
static void MarkHint(const Game& game, int32_t firstRow, int32_t firstColumn, int32_t across)
{
    if (!HintShown(game)) return;
    for (const RouteCell& cell : game.flow.hintCells) {
        const int32_t r = cell.row - firstRow;
        const int32_t c = cell.column - firstColumn;
        if (r < 0 || c < 0 || r >= across || c >= across) continue;
        unsigned char* out = mapPixels + (size_t(across - 1 - r) * size_t(across) + size_t(c)) * 4;
        out[0] = HINT.r;
        out[1] = HINT.g;
        out[2] = HINT.b;
    }
}

// The ghost as a translucent red square on its place, under the pointer.
static void DrawGhostMark(float x, float y, float size)
{
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1.0f, 0.0f, 0.0f, 0.55f);
    glBegin(GL_TRIANGLE_STRIP);
    glVertex2f(x - size, y - size);
    glVertex2f(x + size, y - size);
    glVertex2f(x - size, y + size);
    glVertex2f(x + size, y + size);
    glEnd();
    glDisable(GL_BLEND);
}

void DrawMap(const Game& game)
{
    // A hint shows on the map even where the player keeps it hidden.
    if (!(game.map.mapShown || HintShown(game)) || !IsPlaying(game) || !HasCells(game.labyrinth)) return;
    const LabyrinthGrid& labyrinthGrid = game.labyrinth.grid;
    const Player& player = game.player;
    const int32_t width = game.settings.windowWidth;
    const int32_t height = game.settings.windowHeight;
    const int32_t grid = labyrinthGrid.width > labyrinthGrid.height ? labyrinthGrid.width : labyrinthGrid.height;
    const int32_t across = grid < MAP_CELLS ? grid : MAP_CELLS;
    // Half the width and half the height at most: a quarter of the window.
    const int32_t cellPixels = ((width < height ? width : height) / 2) / across;
    if (width <= 0 || height <= 0 || cellPixels < 1) return;

    const int32_t firstRow = ViewStart(CellOfCoordinate(player.playerZ), labyrinthGrid.height, across);
    const int32_t firstColumn = ViewStart(CellOfCoordinate(player.playerX), labyrinthGrid.width, across);
    for (int32_t r = 0; r < across; ++r) {
        // Pixel rows run bottom up; the map's top row is the view's first.
        unsigned char* out = mapPixels + size_t(across - 1 - r) * size_t(across) * 4;
        for (int32_t c = 0; c < across; ++c, out += 4) {
            const Colour colour = CellColour(game, firstRow + r, firstColumn + c);
            out[0] = colour.r;
            out[1] = colour.g;
            out[2] = colour.b;
            out[3] = 255;
        }
    }

    MarkHint(game, firstRow, firstColumn, across);

    const float side = float(across * cellPixels);
    const float left = float(width - MAP_MARGIN_PIXELS) - side;
    const float bottom = float(height - MAP_MARGIN_PIXELS) - side;
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, double(width), 0.0, double(height), -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    glRasterPos2f(left, bottom);
    glPixelZoom(float(cellPixels), float(cellPixels));
    glDrawPixels(across, across, GL_RGBA, GL_UNSIGNED_BYTE, mapPixels);
    glPixelZoom(1.0f, 1.0f);
    // Cell centres lie on whole numbers: column c spans c - 0.5 to c + 0.5.
    const auto mapX = [&](float column) { return left + (column - float(firstColumn) + 0.5f) * float(cellPixels); };
    const auto mapY = [&](float row) { return bottom + side - (row - float(firstRow) + 0.5f) * float(cellPixels); };
    const Player& ghost = game.flow.ghost;
    const float ghostX = mapX(ghost.playerX), ghostY = mapY(ghost.playerZ);
    if (GhostShown(game) && ghostX >= left && ghostX <= left + side && ghostY >= bottom && ghostY <= bottom + side)
        DrawGhostMark(ghostX, ghostY, float(cellPixels) * 0.45f + 1.0f);
    const float x = mapX(player.playerX);
    const float y = mapY(player.playerZ);
    DrawPointer(player.yaw, x, y, float(cellPixels) * 0.8f + 2.0f);

    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
}
