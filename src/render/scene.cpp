#include "render/scene.h"

#include <cmath>
#include <cstddef>

#include "game/game_flow.h"
#include "game/options.h"
#include "render/gl_api.h"
#include "render/map_view.h"
#include "render/overlay.h"
#include "render/texture_set.h"

static const unsigned WALL_SLOT = 0;
static const unsigned CEILING_SLOT = 1;
static const unsigned FLOOR_SLOT = 2;

// Cells drawn around the player: 4 before the player's cell and 5 after it, on
// each axis. The fog hides everything beyond that.
static const int CELLS_BEHIND = 4;
static const int CELLS_AHEAD = 5;

// The look last given to GL: play is lit and fogged before a grey clear, the
// menus and the solved screen are flat on black. -1 before the first frame.
static int appliedPlayLook = -1;

void SetUpGlState()
{
    UploadTextures(true, GL_LINEAR, GL_LINEAR_MIPMAP_LINEAR);
    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    appliedPlayLook = 0;   // a new context starts unlit, cleared to black
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);

    // Given while the modelview matrix is still the identity, so the light stays
    // fixed to the viewer and shines along the direction of view.
    const GLfloat ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    const GLfloat diffuse[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    const GLfloat position[4] = {0.0f, 0.0f, 1.0f, 0.0f};
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glEnable(GL_LIGHT0);

    // The fog colour is the grey the screen is cleared to during play. Start and
    // end do nothing in EXP2 mode.
    const GLfloat fogColour[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    glFogi(GL_FOG_MODE, GL_EXP2);
    glFogfv(GL_FOG_COLOR, fogColour);
    glFogf(GL_FOG_DENSITY, 0.5f);
    glHint(GL_FOG_HINT, GL_NICEST);
    glFogf(GL_FOG_START, 1.0f);
    glFogf(GL_FOG_END, -1.0f);

    glEnable(GL_CULL_FACE);
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT, GL_AMBIENT_AND_DIFFUSE);

    FitTextHeight(NORMAL_TEXT_HEIGHT);
}

static void ApplyLook(bool playing)
{
    if (appliedPlayLook == int(playing)) return;
    appliedPlayLook = int(playing);
    if (playing) {
        glEnable(GL_LIGHTING);
        glEnable(GL_FOG);
        glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    } else {
        glDisable(GL_LIGHTING);
        glDisable(GL_FOG);
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    }
}

void DrawFrame(const Game& game)
{
    const bool playing = IsPlaying(game);
    ApplyLook(playing);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (playing) DrawScene(game.player, game.labyrinth);
    UnbindTexture();
    if (playing) DrawGhost(game);
    if (playing) DrawMap(game);
    DrawOverlay(game);
}

static bool IsWall(const Labyrinth& labyrinth, int32_t row, int32_t column)
{
    return CellKind(labyrinth, row, column) == 'w';
}

// One face: the normal, then four corners as a triangle strip, each corner with
// its texture coordinate. Every face lists its corners so that the top edge has
// t = 1 and the strip winds counter-clockwise seen from the open cell.
static void DrawFace(GLfloat nx, GLfloat ny, GLfloat nz, const GLfloat corners[4][3])
{
    static const GLint texCoords[4][2] = {{1, 1}, {0, 1}, {1, 0}, {0, 0}};
    glBegin(GL_TRIANGLE_STRIP);
    glNormal3f(nx, ny, nz);
    for (int k = 0; k < 4; ++k) {
        glTexCoord2i(texCoords[k][0], texCoords[k][1]);
        glVertex3f(corners[k][0], corners[k][1], corners[k][2]);
    }
    glEnd();
}

// Draws the open cell (r, c) with its tint; a neighbour outside the grid counts
// as a wall and is never read.
static void DrawOpenCell(const Labyrinth& labyrinth, int32_t r, int32_t c, const PaletteEntry& entry)
{
    const GLubyte tint[3] = {entry.red, entry.green, entry.blue};
    glColor3ubv(tint);

    const GLfloat h = 0.5f;
    const GLfloat x0 = GLfloat(c) - h, x1 = GLfloat(c) + h;   // columns run along x
    const GLfloat z0 = GLfloat(r) - h, z1 = GLfloat(r) + h;   // rows run along z
    const GLfloat top = h, bottom = -h;

    const GLfloat ceilingCorners[4][3] = {{x1, top, z1}, {x0, top, z1}, {x1, top, z0}, {x0, top, z0}};
    const GLfloat floorCorners[4][3] = {{x0, bottom, z1}, {x1, bottom, z1}, {x0, bottom, z0}, {x1, bottom, z0}};
    BindTexture(CEILING_SLOT);
    DrawFace(0.0f, -1.0f, 0.0f, ceilingCorners);
    BindTexture(FLOOR_SLOT);
    DrawFace(0.0f, 1.0f, 0.0f, floorCorners);
    BindTexture(WALL_SLOT);

    const LabyrinthGrid& grid = labyrinth.grid;
    if (r == 0 || IsWall(labyrinth, r - 1, c)) {
        const GLfloat wall[4][3] = {{x1, top, z0}, {x0, top, z0}, {x1, bottom, z0}, {x0, bottom, z0}};
        DrawFace(0.0f, 0.0f, 1.0f, wall);
    }
    if (r + 1 == grid.height || IsWall(labyrinth, r + 1, c)) {
        const GLfloat wall[4][3] = {{x0, top, z1}, {x1, top, z1}, {x0, bottom, z1}, {x1, bottom, z1}};
        DrawFace(0.0f, 0.0f, -1.0f, wall);
    }
    if (c == 0 || IsWall(labyrinth, r, c - 1)) {
        const GLfloat wall[4][3] = {{x0, top, z0}, {x0, top, z1}, {x0, bottom, z0}, {x0, bottom, z1}};
        DrawFace(1.0f, 0.0f, 0.0f, wall);
    }
    if (c + 1 == grid.width || IsWall(labyrinth, r, c + 1)) {
        const GLfloat wall[4][3] = {{x1, top, z1}, {x1, top, z0}, {x1, bottom, z1}, {x1, bottom, z0}};
        DrawFace(-1.0f, 0.0f, 0.0f, wall);
    }
}

// The half-open range [begin, end) of cells drawn along one axis, cut off at the
// grid's edges. Worked out in double so that no position, however far off,
// reaches an out-of-range int conversion.
static void VisibleRange(float position, int32_t size, int32_t& begin, int32_t& end)
{
    const double cell = std::floor(double(position));
    double first = cell - CELLS_BEHIND;
    double last = cell + CELLS_AHEAD + 1;
    if (!(first > 0.0)) first = 0.0;
    if (!(last < double(size))) last = double(size);
    if (!(first < last)) {
        begin = end = 0;
        return;
    }
    begin = int32_t(first);
    end = int32_t(last);
}

void DrawScene(const Player& player, const Labyrinth& labyrinth)
{
    glLoadIdentity();
    glRotatef(player.pitch, 1.0f, 0.0f, 0.0f);
    glRotatef(360.0f - player.yaw, 0.0f, 1.0f, 0.0f);
    glTranslatef(-player.playerX, 0.0f, -player.playerZ);

    if (!HasCells(labyrinth)) return;
    const LabyrinthGrid& grid = labyrinth.grid;
    int32_t rowBegin, rowEnd, columnBegin, columnEnd;
    VisibleRange(player.playerZ, grid.height, rowBegin, rowEnd);
    VisibleRange(player.playerX, grid.width, columnBegin, columnEnd);
    for (int32_t r = rowBegin; r < rowEnd; ++r) {
        for (int32_t c = columnBegin; c < columnEnd; ++c) {
            const size_t index = size_t(r) * size_t(grid.width) + size_t(c);
            const PaletteEntry& entry = labyrinth.palette.entries[grid.cells[index]];
            if (entry.kind != 'w') DrawOpenCell(labyrinth, r, c, entry);
        }
    }
}

// The best run's ghost: a translucent red post where it stands, unlit but
// fogged like the walls and hidden behind them. It is drawn after them and
// leaves the depth alone, so what stands behind it shows through. A ghost
// right on the player would only tint the whole view.
void DrawGhost(const Game& game)
{
    if (!GhostShown(game)) return;
    const Player& ghost = game.flow.ghost;
    const float dx = ghost.playerX - game.player.playerX;
    const float dz = ghost.playerZ - game.player.playerZ;
    if (dx * dx + dz * dz < 0.3f * 0.3f) return;
    const GLfloat half = 0.2f, bottom = -0.5f, top = 0.1f;
    const GLfloat x = ghost.playerX, z = ghost.playerZ;
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthMask(GL_FALSE);
    glColor4f(1.0f, 0.0f, 0.0f, 0.55f);
    // Two crossed panels look the same from every side.
    const GLfloat panels[2][4][3] = {
        {{x - half, top, z}, {x + half, top, z}, {x - half, bottom, z}, {x + half, bottom, z}},
        {{x, top, z - half}, {x, top, z + half}, {x, bottom, z - half}, {x, bottom, z + half}},
    };
    for (const auto& panel : panels) {
        glBegin(GL_TRIANGLE_STRIP);
        for (const auto& corner : panel) glVertex3f(corner[0], corner[1], corner[2]);
        glEnd();
    }
    glPopAttrib();
}
