#include "render/overlay.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "app/game_state.h"
#include "app/settings.h"
#include "labyrinth/labyrinth.h"
#include "render/gl_api.h"
#include "render/gl_window.h"

static const unsigned TEXT_FONT = 0;
static const uint32_t LIST_ROWS = 5;

void DeleteFont(unsigned index)
{
    if (index >= glWindow.fontCount || index >= MAX_FONTS) return;
    glDeleteLists(glWindow.fontListBases[index], GLsizei(FONT_GLYPHS));
}

void PrintText(unsigned fontIndex, const char* format, ...)
{
    if (format == nullptr || fontIndex >= glWindow.fontCount || fontIndex >= MAX_FONTS) return;

    // Longer texts are cut at the buffer's end; none of the game's comes close.
    char text[256];
    va_list args;
    va_start(args, format);
    const int written = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (written < 0) return;

    glPushAttrib(GL_LIST_BIT);
    // List base + k holds the glyph of code 32 + k, so offsetting the base by 32
    // lets each byte of the text name its own glyph's list.
    glListBase(glWindow.fontListBases[fontIndex] - FIRST_GLYPH);
    glCallLists(GLsizei(std::strlen(text)), GL_UNSIGNED_BYTE, text);
    glPopAttrib();
}

// A labyrinth's name on screen: its path without the labyrinth folder's prefix,
// skipped by the folder's length now. A folder as long as the path or longer
// (changed since the list was made) would leave nothing or run past the end, so
// the path's file name stands in then. Never reads beyond the path's slot.
static const char* DisplayName(uint32_t index)
{
    if (index >= labyrinthList.count || index >= MAX_LABYRINTHS) return "";
    const char* path = labyrinthList.paths[index];
    const void* end = std::memchr(path, '\0', LABYRINTH_PATH_SIZE);
    if (end == nullptr) return "";
    const size_t pathLength = size_t(static_cast<const char*>(end) - path);
    const void* folderEnd = std::memchr(labyrinthsFolder, '\0', FOLDER_SIZE);
    const size_t folderLength =
        folderEnd ? size_t(static_cast<const char*>(folderEnd) - labyrinthsFolder) : size_t(FOLDER_SIZE);
    if (folderLength < pathLength) return path + folderLength;

    const char* name = path;
    for (const char* p = path; *p != '\0'; ++p) {
        if (*p == '\\' || *p == '/') name = p + 1;
    }
    return name;
}

static void SetOverlayPlane()
{
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -6.0f);
}

// The raster position takes the current colour when it is set, so the colour
// goes first.
static void MoveToRedText(float x, float y)
{
    glColor3f(1.0f, 0.0f, 0.0f);
    glRasterPos2f(x, y);
}

// Rows of the menu and the list are 0.2 apart, from 0.1 down.
static float RowY(uint32_t row)
{
    return float(0.1 - 0.2 * double(row));
}

static void DrawSolvedScreen()
{
    SetOverlayPlane();
    MoveToRedText(-0.6f, 0.3f);
    PrintText(TEXT_FONT, "Labyrinth solved!");
    MoveToRedText(-0.8f, 0.1f);
    PrintText(TEXT_FONT, "Labyrinth: %s", DisplayName(selectedLabyrinth));
    MoveToRedText(-0.9f, -0.1f);
    PrintText(TEXT_FONT, "Time to solve: %d mins %d secs", int(solveTimeMs / 60000u),
              int((solveTimeMs % 60000u) / 1000u));
}

// Up to five rows from listScroll on, and never a row beyond the list's end.
static void DrawLabyrinthList()
{
    for (uint32_t k = 0; k < LIST_ROWS && k < labyrinthList.count; ++k) {
        const uint32_t index = listScroll + k;
        if (index < listScroll || index >= labyrinthList.count) break;
        MoveToRedText(-0.6f, RowY(k));
        PrintText(TEXT_FONT, "%s", DisplayName(index));   // a name is text, never a format
    }
}

static void DrawMainMenu()
{
    MoveToRedText(-0.6f, RowY(0));
    PrintText(TEXT_FONT, "New Game");
    MoveToRedText(-0.6f, RowY(1));
    PrintText(TEXT_FONT, "Exit Game");
}

// A white triangle pointing right at the left end of the row's text, from its
// baseline up to 0.1 above; counter-clockwise so culling keeps it.
static void DrawPointer(uint32_t row)
{
    const double offset = 0.2 * double(row);
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_TRIANGLES);
    glVertex2f(-0.65f, float(0.1 - offset));
    glVertex2f(-0.6f, float(0.15 - offset));
    glVertex2f(-0.65f, float(0.2 - offset));
    glEnd();
}

void DrawOverlay()
{
    if (solved) DrawSolvedScreen();
    if (!menuShown) return;

    SetOverlayPlane();
    if (listShown)
        DrawLabyrinthList();
    else
        DrawMainMenu();
    DrawPointer(menuCursor);
}
