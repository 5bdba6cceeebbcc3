#include "game/game_flow.h"

#include <cstdio>
#include <cstring>

#include "game/game_state.h"
#include "game/movement.h"
#include "game/records.h"
#include "game/walked_map.h"
#include "game/settings.h"
#include "labyrinth/labyrinth.h"
#include "labyrinth/route.h"
#include "platform/keys.h"
#include "platform/platform.h"

static const char* const PALETTE_FILE = "Palette.txt";
const char* const RECORDS_FILE = "Records.txt";
static const uint32_t MAIN_MENU_NEW_GAME = 0;
static const uint32_t MAIN_MENU_EXIT_GAME = 1;

// True from a successful start until the labyrinth is solved: only then can
// Escape in the main menu resume play. A grid alone is not enough, since after
// a solve it still holds the finished labyrinth with the player on its goal.
static bool labyrinthInProgress = false;

// The keys of the solved screen that were already down when the goal was
// reached: they count only once released and pressed again, so a key held
// through the goal never skips the solved screen unseen.
static const int SOLVED_KEYS[] = {KEY_RETURN, KEY_SPACE, KEY_ESCAPE};
static bool solvedKeyHeldOver[3] = {};

// The keys that were down when the failed-load message went up; the message
// goes with the next press of any key.
static unsigned char keysUnderMessage[KEY_CODES] = {};

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

// Where the player starts: the last start cell in row-major order, or, without
// one, the first open cell so the player never stands in a wall. False when the
// grid has no open cell at all.
static bool FindStartPosition(const LabyrinthCandidate& labyrinth, int32_t& row, int32_t& column)
{
    bool foundStart = false;
    bool foundOpen = false;
    for (int32_t r = 0; r < labyrinth.grid.height; ++r) {
        for (int32_t c = 0; c < labyrinth.grid.width; ++c) {
            const char kind = CellKindOf(labyrinth.palette, labyrinth.grid, r, c);
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

// Light, fog and the clear colour follow `playing` where the frame is drawn;
// here only the cursor changes.
void EnterPlayView()
{
    HideCursor();
}

void EnterMenuView()
{
    ShowCursorAgain();
}

const char* LabyrinthDisplayName(uint32_t index)
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

static void ReportLoadFailure(uint32_t index, const char* reason)
{
    std::snprintf(loadFailureMessage, sizeof loadFailureMessage, "Cannot load %s: %s", LabyrinthDisplayName(index),
                  reason);
    std::memcpy(keysUnderMessage, keys, sizeof keysUnderMessage);
}

// What every grid brings as it becomes the one played: its par from the
// start, its file's hash as the file is now (an edited picture is a new
// labyrinth for the records) and an empty map.
static void AdoptNewGrid(uint32_t index, LabyrinthCandidate& next, int32_t startRow, int32_t startColumn)
{
    uint32_t steps = 0;
    const bool routed = ShortestRouteToGoal(next.palette, next.grid, startRow, startColumn, steps);
    parMs = routed ? ParTimeMs(steps, speedLimitMs) : NO_TIME;
    AdoptLabyrinth(next);
    if (!HashFile(labyrinthList.paths[index], labyrinthHashes[index])) labyrinthHashes[index] = 0;
    ResetWalkedMap();
}

// Loads labyrinth `index` and enters play. A labyrinth that cannot be read, or
// has nowhere to stand, changes nothing: the one being played, its palette and
// `selectedLabyrinth` stay as they were, and the menu says what went wrong.
static bool StartLabyrinthAt(uint32_t index)
{
    if (index >= labyrinthList.count || index >= MAX_LABYRINTHS) return false;
    LabyrinthCandidate next;
    const char* reason = "cannot be read";
    if (!ReadLabyrinth(labyrinthList.paths[index], PALETTE_FILE, next, &reason)) {
        ReportLoadFailure(index, reason);
        return false;
    }
    int32_t row = 0;
    int32_t column = 0;
    if (!FindStartPosition(next, row, column)) {
        DiscardLabyrinth(next);
        ReportLoadFailure(index, "no open cell");
        return false;
    }
    AdoptNewGrid(index, next, row, column);
    selectedLabyrinth = index;
    loadFailureMessage[0] = '\0';
    playerX = float(column);
    playerZ = float(row);
    NoteWalkedCell(row, column);

    RecentreMouse();
    HideCursor();

    solveTimeMs = 0;
    menuShown = false;
    yaw = 0.0f;
    pitch = 0.0f;
    playing = true;
    labyrinthInProgress = true;
    return true;
}

void StartLabyrinth()
{
    StartLabyrinthAt(selectedLabyrinth);
}

// A record is written the moment it changes; a file that cannot be written
// keeps its old content, and the solved screen still shows this run's best.
static void KeepSolveTime()
{
    const uint64_t hash = selectedLabyrinth < MAX_LABYRINTHS ? labyrinthHashes[selectedLabyrinth] : 0;
    newBest = OfferTime(records, hash, solveTimeMs, LabyrinthDisplayName(selectedLabyrinth));
    bestMs = BestTime(records, hash);
    if (newBest) WriteRecords(RECORDS_FILE, records);
}

void FinishLabyrinth()
{
    KeepSolveTime();
    for (unsigned k = 0; k < 3; ++k) solvedKeyHeldOver[k] = keys[SOLVED_KEYS[k]] != 0;
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
    bool pressed = false;
    for (unsigned k = 0; k < 3; ++k) {
        const int code = SOLVED_KEYS[k];
        if (solvedKeyHeldOver[k] && !keys[code]) solvedKeyHeldOver[k] = false;
        if (keys[code] && !solvedKeyHeldOver[k]) pressed = true;
    }
    if (!pressed) return true;
    // An Escape still held from before the goal must not open the menu over
    // the next labyrinth either.
    for (unsigned k = 0; k < 3; ++k) {
        if (solvedKeyHeldOver[k]) keys[SOLVED_KEYS[k]] = 0;
        solvedKeyHeldOver[k] = false;
    }

    uint32_t next = selectedLabyrinth + 1;
    if (next >= labyrinthList.count) next = 0;
    solved = false;
    if (StartLabyrinthAt(next)) return true;

    // The next labyrinth could not be started: fall back on the main menu,
    // which says why. The press is used up here, or it would go on to act on
    // "New Game".
    menuShown = true;
    listShown = false;
    menuCursor = MAIN_MENU_NEW_GAME;
    keys[KEY_RETURN] = keys[KEY_SPACE] = keys[KEY_ESCAPE] = 0;
    return false;
}

static void HandleListKeys()
{
    if (TakeKey(KEY_RETURN)) {
        const uint32_t chosen = listScroll + menuCursor;
        listShown = false;
        menuCursor = 0;
        StartLabyrinthAt(chosen);
    }
    if (TakeKey(KEY_ESCAPE)) {
        listShown = false;
        menuCursor = 0;
    }
    if (TakeKey(KEY_UP)) {
        if (menuCursor > 0)
            menuCursor -= 1;
        else if (listScroll > 0)
            listScroll -= 1;
    }
    if (keys[KEY_DOWN] && menuCursor + 1 < labyrinthList.count) {
        keys[KEY_DOWN] = 0;
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
    if (keys[KEY_RETURN]) {
        if (menuCursor == MAIN_MENU_NEW_GAME) {
            keys[KEY_RETURN] = 0;
            OpenList();
        } else if (menuCursor == MAIN_MENU_EXIT_GAME) {
            quitRequested = true;
        }
    }
    if (TakeKey(KEY_ESCAPE) && labyrinthInProgress) {
        // Play goes on where it was left. The cursor may have travelled far in
        // the menu, so mouse look starts again from the middle of the window.
        EnterPlayView();
        RecentreMouse();
        playing = true;
        menuShown = false;
    }
    if (keys[KEY_UP] && menuCursor > 0) {
        keys[KEY_UP] = 0;
        menuCursor -= 1;
    }
    if (keys[KEY_DOWN] && menuCursor < MAIN_MENU_EXIT_GAME) {
        keys[KEY_DOWN] = 0;
        menuCursor += 1;
    }
}

// F5 in play: the labyrinth and the palette as they are on disk now, so an
// author sees an edit without leaving the game. The player keeps place,
// heading and time while the cell they stand on is still open (moved to its
// middle if a new wall now touches them), else starts again at the start. A
// file that no longer loads leaves the old grid in play and says why.
static void ReloadLabyrinth()
{
    const uint32_t index = selectedLabyrinth;
    if (index >= labyrinthList.count || index >= MAX_LABYRINTHS) return;
    LabyrinthCandidate next;
    const char* reason = "cannot be read";
    if (!ReadLabyrinth(labyrinthList.paths[index], PALETTE_FILE, next, &reason)) {
        ReportLoadFailure(index, reason);
        return;
    }
    int32_t startRow = 0;
    int32_t startColumn = 0;
    if (!FindStartPosition(next, startRow, startColumn)) {
        DiscardLabyrinth(next);
        ReportLoadFailure(index, "no open cell");
        return;
    }
    const int row = CellOfCoordinate(playerZ);
    const int column = CellOfCoordinate(playerX);
    const bool standsOnOpenCell = row >= 0 && column >= 0 && row < next.grid.height && column < next.grid.width &&
                                  CellKindOf(next.palette, next.grid, row, column) != 'w';
    AdoptNewGrid(index, next, startRow, startColumn);
    loadFailureMessage[0] = '\0';
    if (!standsOnOpenCell) {
        playerX = float(startColumn);
        playerZ = float(startRow);
        yaw = 0.0f;
        pitch = 0.0f;
    } else if (CollidesWithWall(playerZ, playerX)) {
        playerX = float(column);
        playerZ = float(row);
    }
    NoteWalkedCell(CellOfCoordinate(playerZ), CellOfCoordinate(playerX));
}

static uint32_t IndexOfPath(const char* path, uint32_t otherwise)
{
    for (uint32_t k = 0; k < labyrinthList.count; ++k) {
        if (path[0] != '\0' && std::strcmp(labyrinthList.paths[k], path) == 0) return k;
    }
    if (labyrinthList.count == 0) return 0;
    return otherwise < labyrinthList.count ? otherwise : labyrinthList.count - 1;
}

// F5 in the menus: the labyrinth folder searched again. The list pointer and
// the current labyrinth follow their files to wherever they now stand in the
// list; where a file is gone, the same place in the (shorter) list is taken.
// A labyrinth whose file is gone can no longer be resumed: its index now names
// another file, which a reload or the solved screen would take for it.
static void SearchLabyrinthsAgain()
{
    char pointed[LABYRINTH_PATH_SIZE] = "";
    char current[LABYRINTH_PATH_SIZE] = "";
    const uint32_t pointedIndex = listScroll + menuCursor;
    if (listShown && pointedIndex < labyrinthList.count)
        std::memcpy(pointed, labyrinthList.paths[pointedIndex], sizeof pointed);
    if (selectedLabyrinth < labyrinthList.count)
        std::memcpy(current, labyrinthList.paths[selectedLabyrinth], sizeof current);
    FindLabyrinths(labyrinthsFolder);
    HashListedLabyrinths();   // for the best times beside the names
    selectedLabyrinth = IndexOfPath(current, selectedLabyrinth);
    if (selectedLabyrinth >= labyrinthList.count || std::strcmp(labyrinthList.paths[selectedLabyrinth], current) != 0)
        labyrinthInProgress = false;
    if (!listShown) return;
    const uint32_t at = IndexOfPath(pointed, pointedIndex);
    if (at < listScroll) listScroll = at;
    if (at >= listScroll + LIST_ROWS) listScroll = at - (LIST_ROWS - 1);
    menuCursor = at - listScroll;
}

static void HandleReloadKey()
{
    if (!keys[KEY_F5] || (!playing && !menuShown)) return;
    keys[KEY_F5] = 0;
    if (playing)
        ReloadLabyrinth();
    else
        SearchLabyrinthsAgain();
}

// The failed-load message stays until a key goes down that was not down
// when it appeared.
static void ClearMessageOnKeyPress()
{
    if (loadFailureMessage[0] == '\0') return;
    for (unsigned code = 0; code < sizeof keys; ++code) {
        if (keys[code] && !keysUnderMessage[code]) {
            loadFailureMessage[0] = '\0';
            return;
        }
    }
    std::memcpy(keysUnderMessage, keys, sizeof keysUnderMessage);
}

void HandleFlowKeys()
{
    ClearMessageOnKeyPress();
    HandleReloadKey();
    if (solved && !HandleSolvedKeys()) return;

    if (playing && TakeKey(KEY_M)) mapShown = !mapShown;
    if (playing && TakeKey(KEY_ESCAPE)) {
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
