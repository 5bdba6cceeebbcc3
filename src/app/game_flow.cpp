#include "app/game_flow.h"

#include "app/game_state.h"
#include "labyrinth/labyrinth.h"
#include "platform/keys.h"
#include "platform/platform.h"
#include "render/gl_api.h"

static const char* const PALETTE_FILE = "Palette.txt";
static const uint32_t LIST_ROWS = 5;
static const uint32_t MAIN_MENU_NEW_GAME = 0;
static const uint32_t MAIN_MENU_EXIT_GAME = 1;

// True from a successful start until the labyrinth is solved (or its grid is
// replaced by one that cannot be played): only then can Escape in the main menu
// resume play. A grid alone is not enough, since after a solve it still holds the
// finished labyrinth with the player standing on its goal.
static bool labyrinthInProgress = false;

// Takes one press of a key: the handler acts once per key-down message.
static bool TakeKey(int code)
{
    if (!keys[code]) return false;
    keys[code] = 0;
    return true;
}

// The cursor keeps a display count and is visible while it is 0 or more. Calling
// until the count has crossed over leaves the cursor hidden or shown whatever the
// count was before; a count that stops moving ends the loop rather than hang it.
static void HideCursor()
{
    int count = PlatformShowCursor(false);
    while (count >= 0) {
        const int next = PlatformShowCursor(false);
        if (next >= count) break;
        count = next;
    }
}

static void ShowCursorAgain()
{
    int count = PlatformShowCursor(true);
    while (count < 0) {
        const int next = PlatformShowCursor(true);
        if (next <= count) break;
        count = next;
    }
}

// Puts the cursor in the middle of the window, so mouse look measures from there.
static void RecentreMouse()
{
    PlatformRect rect;
    if (!PlatformGetWindowRect(rect)) return;
    mouseCentreX = int32_t((static_cast<long long>(rect.left) + rect.right) / 2);
    mouseCentreY = int32_t((static_cast<long long>(rect.top) + rect.bottom) / 2);
    PlatformSetCursorPos(mouseCentreX, mouseCentreY);
}

// Where the player starts: the last start cell in row-major order, or, without
// one, the first open cell so the player never stands in a wall. False when the
// grid has no open cell at all.
static bool FindStartPosition(int32_t& row, int32_t& column)
{
    bool foundStart = false;
    bool foundOpen = false;
    for (int32_t r = 0; r < labyrinthGrid.height; ++r) {
        for (int32_t c = 0; c < labyrinthGrid.width; ++c) {
            const char kind = CellKind(r, c);
            if (kind == 's') {
                row = r;
                column = c;
                foundStart = true;
            } else if (kind != 'w' && !foundStart && !foundOpen) {
                row = r;
                column = c;
                foundOpen = true;
            }
        }
    }
    return foundStart || foundOpen;
}

void EnterPlayView()
{
    glEnable(GL_LIGHTING);
    glEnable(GL_FOG);
    HideCursor();
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
}

void EnterMenuView()
{
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    ShowCursorAgain();
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
}

void StartLabyrinth()
{
    if (selectedLabyrinth >= labyrinthList.count || selectedLabyrinth >= MAX_LABYRINTHS) return;
    if (!LoadLabyrinth(labyrinthList.paths[selectedLabyrinth], PALETTE_FILE)) return;

    int32_t row = 0;
    int32_t column = 0;
    if (!FindStartPosition(row, column)) {
        // The grid that was being played has been replaced by one with nowhere to
        // stand: nothing is left to resume.
        labyrinthInProgress = false;
        return;
    }
    playerX = float(column);
    playerZ = float(row);

    glEnable(GL_LIGHTING);
    glEnable(GL_FOG);
    RecentreMouse();
    HideCursor();
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);

    solveTimeMs = 0;
    menuShown = false;
    yaw = 0.0f;
    pitch = 0.0f;
    playing = true;
    labyrinthInProgress = true;
}

void FinishLabyrinth()
{
    playing = false;
    solved = true;
    labyrinthInProgress = false;
    EnterMenuView();
}

// Enter, Space or Escape leave the solved screen for the next labyrinth. The keys
// stay set, so an Escape goes on to open the menu over the new labyrinth.
// Returns false when the frame's key handling is over.
static bool HandleSolvedKeys()
{
    if (!keys[VK_RETURN] && !keys[VK_SPACE] && !keys[VK_ESCAPE]) return true;

    selectedLabyrinth += 1;
    if (selectedLabyrinth >= labyrinthList.count) selectedLabyrinth = 0;
    solved = false;
    StartLabyrinth();
    if (playing) return true;

    // The next labyrinth could not be started: fall back on the main menu. The
    // press is used up here, or it would go on to act on "New Game".
    menuShown = true;
    listShown = false;
    menuCursor = MAIN_MENU_NEW_GAME;
    keys[VK_RETURN] = keys[VK_SPACE] = keys[VK_ESCAPE] = 0;
    return false;
}

static void HandleListKeys()
{
    if (TakeKey(VK_RETURN)) {
        selectedLabyrinth = listScroll + menuCursor;
        listShown = false;
        menuCursor = 0;
        StartLabyrinth();
    }
    if (TakeKey(VK_ESCAPE)) {
        listShown = false;
        menuCursor = 0;
    }
    if (TakeKey(VK_UP)) {
        if (menuCursor > 0)
            menuCursor -= 1;
        else if (listScroll > 0)
            listScroll -= 1;
    }
    if (keys[VK_DOWN] && menuCursor + 1 < labyrinthList.count) {
        keys[VK_DOWN] = 0;
        if (menuCursor < LIST_ROWS - 1)
            menuCursor += 1;
        else if (listScroll + LIST_ROWS < labyrinthList.count)
            listScroll += 1;
    }
}

// Opens the list with the pointer on the current labyrinth, on the window's last
// row when it lies beyond the first five.
static void OpenList()
{
    listShown = true;
    if (selectedLabyrinth > LIST_ROWS - 1) {
        listScroll = selectedLabyrinth - (LIST_ROWS - 1);
        menuCursor = LIST_ROWS - 1;
    } else {
        listScroll = 0;
        menuCursor = selectedLabyrinth;
    }
}

static void HandleMainMenuKeys()
{
    if (keys[VK_RETURN]) {
        if (menuCursor == MAIN_MENU_NEW_GAME) {
            keys[VK_RETURN] = 0;
            OpenList();
        } else if (menuCursor == MAIN_MENU_EXIT_GAME) {
            quitRequested = true;
        }
    }
    if (TakeKey(VK_ESCAPE) && labyrinthInProgress) {
        // Play goes on where it was left. The cursor may have travelled far in
        // the menu, so mouse look starts again from the middle of the window.
        EnterPlayView();
        RecentreMouse();
        playing = true;
        menuShown = false;
    }
    if (keys[VK_UP] && menuCursor > 0) {
        keys[VK_UP] = 0;
        menuCursor -= 1;
    }
    if (keys[VK_DOWN] && menuCursor < MAIN_MENU_EXIT_GAME) {
        keys[VK_DOWN] = 0;
        menuCursor += 1;
    }
}

void HandleFlowKeys()
{
    if (solved && !HandleSolvedKeys()) return;

    if (playing && TakeKey(VK_ESCAPE)) {
        EnterMenuView();
        menuShown = true;
        playing = false;
    } else if (!menuShown) {
        return;
    }

    if (listShown)
        HandleListKeys();
    else
        HandleMainMenuKeys();
}
