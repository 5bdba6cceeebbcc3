#include "game/game_flow.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "game/autopilot.h"
#include "game/options_page.h"
#include "labyrinth/route.h"
#include "platform/keys.h"
#include "platform/platform.h"

static const char* const PALETTE_FILE = "Palette.txt";
static const unsigned SOLVED_KEYS[SOLVED_KEY_COUNT] = {KEY_RETURN, KEY_SPACE, KEY_ESCAPE};

void ResetGameState(Game& game)
{
    ReleaseLabyrinth(game.labyrinth);
    game.settings = Settings{};
    game.options = Options{};
    game.keys = KeyState{};
    game.flow = FlowState{};
    game.player = Player{};
    game.mouse = MouseLook{};
    game.labyrinthList.count = 0;
    game.labyrinth.palette = Palette{};
    game.records.table.count = 0;
    ForgetLabyrinthHashes(game.records);
    game.map = WalkedMap{};
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

// Light, fog and the clear colour follow the screen where the frame is drawn;
// here only the cursor changes.
void EnterPlayView()
{
    HideCursor();
}

void EnterMenuView()
{
    ShowCursorAgain();
}

// The last cell of [begin, end) whose palette row is `row`, or SIZE_MAX:
// eight cells a step, so the scan of a large labyrinth from its end to a start
// near its top takes a few milliseconds.
static size_t LastCellOfRow(const unsigned char* cells, size_t begin, size_t end, unsigned char row)
{
    const uint64_t ones = 0x0101010101010101ull, highs = 0x8080808080808080ull;
    size_t k = end;
    while (k > begin && (k - begin) % 8 != 0) {
        if (cells[--k] == row) return k;
    }
    for (; k > begin; k -= 8) {
        uint64_t word;
        std::memcpy(&word, cells + k - 8, 8);
        const uint64_t x = word ^ (ones * row);
        if (((x - ones) & ~x & highs) == 0) continue;   // none of the eight is `row`
        for (size_t j = k; j-- > k - 8;)
            if (cells[j] == row) return j;
    }
    return SIZE_MAX;
}

// Where the player starts: the last start cell in row-major order, or, without
// one, the first open cell so the player never stands in a wall. False when the
// grid has no open cell at all. The start cells' palette rows are few: each is
// looked for from the end.
static bool FindStartPosition(const Labyrinth& labyrinth, int32_t& row, int32_t& column)
{
    const LabyrinthGrid& grid = labyrinth.grid;
    if (!grid.cells || grid.width <= 0 || grid.height <= 0) return false;
    const size_t count = size_t(grid.width) * size_t(grid.height);
    size_t found = SIZE_MAX;
    for (unsigned k = 0; k < 256; ++k) {
        if (labyrinth.palette.entries[k].kind != 's') continue;
        const size_t last = LastCellOfRow(grid.cells, found == SIZE_MAX ? 0 : found + 1, count, (unsigned char)k);
        if (last != SIZE_MAX) found = last;
    }
    if (found == SIZE_MAX) {
        bool isOpen[256];
        for (unsigned k = 0; k < 256; ++k) isOpen[k] = labyrinth.palette.entries[k].kind != 'w';
        for (size_t k = 0; k < count && found == SIZE_MAX; ++k)
            if (isOpen[grid.cells[k]]) found = k;
    }
    if (found == SIZE_MAX) return false;
    row = int32_t(found / size_t(grid.width));
    column = int32_t(found % size_t(grid.width));
    return true;
}

static const char* FileNameOf(const char* path)
{
    return path + FolderPartLength(path);
}

uint32_t CurrentLabyrinth(const Game& game)
{
    return game.flow.playingOutside ? OUTSIDE_LABYRINTH : game.settings.selectedLabyrinth;
}

static const char* LabyrinthPath(const Game& game, uint32_t index)
{
    if (index == OUTSIDE_LABYRINTH) return game.flow.outside.path;
    if (index >= game.labyrinthList.count || index >= MAX_LABYRINTHS) return nullptr;
    return game.labyrinthList.paths[index];
}

static const char* PalettePath(const Game& game, uint32_t index)
{
    return index == OUTSIDE_LABYRINTH ? game.flow.outside.palette : PALETTE_FILE;
}

static uint64_t* HashSlot(Game& game, uint32_t index)
{
    if (index == OUTSIDE_LABYRINTH) return &game.flow.outside.hash;
    return index < MAX_LABYRINTHS ? &game.records.labyrinthHashes[index] : nullptr;
}

const char* LabyrinthDisplayName(const Game& game, uint32_t index)
{
    if (index == OUTSIDE_LABYRINTH) return FileNameOf(game.flow.outside.path);
    const LabyrinthList& list = game.labyrinthList;
    if (index >= list.count || index >= MAX_LABYRINTHS) return "";
    const char* path = list.paths[index];
    const void* end = std::memchr(path, '\0', LABYRINTH_PATH_SIZE);
    if (end == nullptr) return "";
    const size_t pathLength = size_t(static_cast<const char*>(end) - path);
    const char* folder = game.settings.labyrinthsFolder;
    // The listed paths hold the folder part of the value ("Mazes" is a name prefix).
    const size_t folderLength = std::memchr(folder, '\0', FOLDER_SIZE) ? FolderPartLength(folder) : 0;
    if (folderLength > 0 && folderLength < pathLength) return path + folderLength;
    return FileNameOf(path);
}

static void ReportLoadFailure(Game& game, uint32_t index, const char* reason)
{
    std::snprintf(game.flow.loadFailureMessage, sizeof game.flow.loadFailureMessage, "Cannot load %s: %s",
                  LabyrinthDisplayName(game, index), reason);
    std::memcpy(game.flow.keysUnderMessage, game.keys.held, sizeof game.flow.keysUnderMessage);
}

// Reads labyrinth `index` into `next`; on failure the menu says why.
static bool ReadPlayableLabyrinth(Game& game, uint32_t index, Labyrinth& next, int32_t& startRow,
                                  int32_t& startColumn, bool tell = true)
{
    const char* path = LabyrinthPath(game, index);
    if (!path) return false;
    const char* reason = "cannot be read";
    if (!ReadLabyrinth(path, PalettePath(game, index), next, &reason)) {
        if (tell) ReportLoadFailure(game, index, reason);
        return false;
    }
    if (!FindStartPosition(next, startRow, startColumn)) {
        ReleaseLabyrinth(next);
        if (tell) ReportLoadFailure(game, index, "no open cell");
        return false;
    }
    return true;
}

// What every grid brings as it becomes the one played: its par from the
// start, its file's hash as the file is now (an edited picture is a new
// labyrinth for the records) and an empty map.
static void AdoptNewGrid(Game& game, uint32_t index, Labyrinth& next, int32_t startRow, int32_t startColumn)
{
    game.flow.parSearch.Start(next, startRow, startColumn, game.settings.speedLimitMs);
    game.flow.parMs = NO_TIME;
    AdoptLabyrinth(game.labyrinth, next);
    if (index == OUTSIDE_LABYRINTH) {
        if (!HashFile(game.flow.outside.path, game.flow.outside.hash)) game.flow.outside.hash = 0;
    } else if (!HashStillHolds(game.records, game.labyrinthList, index)) {
        HashLabyrinth(game.records, game.labyrinthList, index);
    }
    ResetWalkedMap(game.map, game.labyrinth);
    game.flow.loadFailureMessage[0] = '\0';
}

// The files as a reload has read them; the watch keeps its rhythm.
static void RestampWatch(Game& game, uint32_t index)
{
    FileWatch& watch = game.flow.watch;
    watch.picture = StampOfFile(LabyrinthPath(game, index));
    watch.palette = StampOfFile(PalettePath(game, index));
    watch.failing = false;
}

static void NoteCellUnderPlayer(Game& game)
{
    NoteWalkedCell(game.map, game.labyrinth, CellOfCoordinate(game.player.playerZ),
                   CellOfCoordinate(game.player.playerX));
}

// The kept best run of the labyrinth whose content has `hash`; false without one.
static bool ReadBestRun(uint64_t hash, Replay& replay)
{
    if (hash == 0) return false;
    char path[64];
    ReplayPath(hash, path, sizeof path);
    return ReadReplay(path, replay) == ReplayRefusal::NONE && replay.labyrinthHash == hash;
}

// The best run of the labyrinth just started, to run beside this one.
static void LoadGhost(Game& game, uint64_t hash)
{
    FlowState& flow = game.flow;
    flow.ghost = game.player;
    flow.ghostTick = 0;
    if (!ReadBestRun(hash, flow.ghostRun)) flow.ghostRun.ticks.clear();
}

// Loads labyrinth `index` and enters play. A labyrinth that cannot be read, or
// has nowhere to stand, changes nothing: the one being played, its palette and
// the selected labyrinth stay as they were, and the menu says what went wrong
// (unless `tell` is false).
static bool StartLabyrinthAt(Game& game, uint32_t index, bool tell = true)
{
    Labyrinth next;
    int32_t row = 0;
    int32_t column = 0;
    if (!ReadPlayableLabyrinth(game, index, next, row, column, tell)) return false;
    AdoptNewGrid(game, index, next, row, column);
    StartWatch(game.flow.watch, StampOfFile(LabyrinthPath(game, index)), StampOfFile(PalettePath(game, index)));
    // The settings' index keeps naming a labyrinth of the list.
    game.flow.playingOutside = index == OUTSIDE_LABYRINTH;
    if (!game.flow.playingOutside) game.settings.selectedLabyrinth = index;
    game.flow.labyrinthStarts += 1;
    game.player = Player{float(column), float(row), 0.0f, 0.0f};
    NoteCellUnderPlayer(game);

    RecentreMouse(game.mouse);
    HideCursor();
    game.flow.recording.ticks.clear();
    game.flow.recording.speedLimitMs = game.settings.speedLimitMs;
    const uint64_t* hash = HashSlot(game, index);
    game.flow.recording.labyrinthHash = hash ? *hash : 0;
    game.flow.recordingKept = game.flow.recording.labyrinthHash != 0;
    LoadGhost(game, game.flow.recording.labyrinthHash);
    game.flow.hintCells.clear();
    game.flow.assisted = false;
    game.flow.runTicks = 0;
    game.flow.solveTimeMs = 0;
    game.flow.screen = SCREEN_PLAY;
    game.flow.labyrinthInProgress = true;
    return true;
}

bool StartLabyrinth(Game& game)
{
    return StartLabyrinthAt(game, game.settings.selectedLabyrinth);
}

bool StartOutsideLabyrinth(Game& game, const char* path)
{
    OutsideLabyrinth& outside = game.flow.outside;
    if (std::snprintf(outside.path, sizeof outside.path, "%s", path) >= int(sizeof outside.path)) {
        outside.path[0] = '\0';
        std::snprintf(game.flow.loadFailureMessage, sizeof game.flow.loadFailureMessage,
                      "Cannot load %.40s...: the path is too long", path);
        return false;
    }
    const size_t folderLength = size_t(FileNameOf(outside.path) - outside.path);
    std::snprintf(outside.palette, sizeof outside.palette, "%.*s%s", int(folderLength), outside.path, PALETTE_FILE);
    if (std::FILE* beside = PlatformOpenFile(outside.palette, "rb"))
        std::fclose(beside);
    else
        std::snprintf(outside.palette, sizeof outside.palette, "%s", PALETTE_FILE);
    return StartLabyrinthAt(game, OUTSIDE_LABYRINTH);
}

// A record is written the moment it changes; a file that cannot be written
// keeps its old content, and the solved screen still shows this run's best.
static void KeepSolveTime(Game& game)
{
    const uint32_t index = CurrentLabyrinth(game);
    const uint64_t* slot = HashSlot(game, index);
    const uint64_t hash = slot ? *slot : 0;
    FlowState& flow = game.flow;
    // A run that was shown the way is no record.
    flow.newBest = !flow.assisted &&
                   OfferTime(game.records.table, hash, flow.solveTimeMs, LabyrinthDisplayName(game, index));
    flow.bestMs = BestTime(game.records.table, hash);
    if (flow.newBest) WriteRecords(RECORDS_FILE, game.records.table);
    // The best run's replay beside the records; a failed write costs only the replay.
    if (flow.newBest && flow.recordingKept && flow.recording.labyrinthHash == hash && PlatformMakeFolder(REPLAY_FOLDER)) {
        char path[64];
        ReplayPath(hash, path, sizeof path);
        WriteReplay(path, flow.recording);
    }
}

void SettlePar(Game& game)
{
    game.flow.parSearch.Take(game.flow.parMs);
}

void FinishLabyrinth(Game& game)
{
    SettlePar(game);
    KeepSolveTime(game);
    for (unsigned k = 0; k < SOLVED_KEY_COUNT; ++k) game.flow.solvedKeyHeldOver[k] = IsHeld(game.keys, SOLVED_KEYS[k]);
    game.flow.screen = SCREEN_SOLVED;
    game.flow.labyrinthInProgress = false;
    EnterMenuView();
}

// Back where the watching began; the run watched was no run of the player's.
static void EndWatching(Game& game)
{
    FlowState& flow = game.flow;
    flow.watching = false;
    flow.autopilot = false;
    flow.labyrinthInProgress = false;
    flow.screen = flow.watchedFrom;
    EnterMenuView();
}

// The labyrinth just started plays `run` instead of the keys and the mouse.
// Watching changes nothing of the player's: the labyrinth they chose
// (`selected`, `outside`) stays theirs, and no record or replay is kept.
static void WatchRun(Game& game, Replay&& run, GameScreen from, uint32_t selected, bool outside)
{
    FlowState& flow = game.flow;
    game.settings.selectedLabyrinth = selected;
    flow.playingOutside = outside;
    flow.recordingKept = false;
    flow.watched = std::move(run);
    flow.watchedTick = 0;
    flow.watchedFrom = from;
    flow.watching = true;
}

// R on the solved screen, or on a list row with a record: the best run of
// that labyrinth, from its start, as it was played.
static bool StartWatching(Game& game, uint32_t index, GameScreen from)
{
    const uint64_t* hash = HashSlot(game, index);
    Replay replay;
    if (!hash || !ReadBestRun(*hash, replay)) return false;
    const uint32_t selected = game.settings.selectedLabyrinth;
    const bool outside = game.flow.playingOutside;
    if (!StartLabyrinthAt(game, index)) return false;
    if (*HashSlot(game, index) != replay.labyrinthHash) {   // changed on disk since it was listed
        EndWatching(game);
        return false;
    }
    WatchRun(game, std::move(replay), from, selected, outside);
    return true;
}

// The ghost stands where the best run was at this run's moment: tick for
// tick at the same Speedlimit, by the clock at another. Having reached the
// goal, it waits there.
static void AdvanceGhost(FlowState& flow, const Labyrinth& labyrinth, uint32_t speedLimitMs)
{
    const Replay& best = flow.ghostRun;
    const bool sameTicks = best.speedLimitMs == speedLimitMs || best.speedLimitMs == 0 || speedLimitMs == 0;
    const uint64_t due = sameTicks ? flow.runTicks : flow.solveTimeMs / best.speedLimitMs;
    while (flow.ghostTick < best.ticks.size() && flow.ghostTick < due)
        RunTick(flow.ghost, labyrinth, best.ticks[flow.ghostTick++]);
}

bool GhostShown(const Game& game)
{
    return game.options.ghost && !game.flow.watching && !game.flow.ghostRun.ticks.empty();
}

bool HintShown(const Game& game)
{
    return !game.flow.hintCells.empty() && game.flow.runTicks < game.flow.hintUntilTick && !game.flow.watching;
}

// The next cells from where the player stands, for HINT_MS of play.
static void ShowHint(Game& game)
{
    FlowState& flow = game.flow;
    const int32_t row = CellOfCoordinate(game.player.playerZ);
    const int32_t column = CellOfCoordinate(game.player.playerX);
    if (!RouteToGoal(game.labyrinth, row, column, HINT_CELLS, flow.hintCells) || flow.hintCells.empty()) return;
    const uint32_t tickMs = game.settings.speedLimitMs > 0 ? game.settings.speedLimitMs : 1;
    flow.hintUntilTick = flow.runTicks + (HINT_MS + tickMs - 1) / tickMs;
    flow.assisted = true;
}

uint32_t RunPlayTicks(Game& game, uint32_t ticks)
{
    for (uint32_t tick = 0;; ++tick) {
        if (!IsPlaying(game)) return tick;
        if (ReachedGoal(game.player, game.labyrinth)) {
            if (game.flow.watching)
                EndWatching(game);
            else
                FinishLabyrinth(game);
            return tick;
        }
        if (tick == ticks) return tick;
        FlowState& flow = game.flow;
        if (flow.watching && flow.watchedTick >= flow.watched.ticks.size()) {
            EndWatching(game);   // its ticks ran out short of the goal
            return tick;
        }
        const TickInput input = flow.watching ? flow.watched.ticks[flow.watchedTick++]
                                              : TakeTickInput(game.keys, game.options, game.mouse);
        if (flow.recordingKept) {
            if (flow.recording.ticks.size() < MAX_REPLAY_TICKS)
                flow.recording.ticks.push_back(input);
            else
                flow.recordingKept = false;
        }
        flow.solveTimeMs += game.settings.speedLimitMs;
        flow.runTicks += 1;
        RunTick(game.player, game.labyrinth, input);
        NoteCellUnderPlayer(game);
        AdvanceGhost(flow, game.labyrinth, game.settings.speedLimitMs);
    }
}

// Enter, Space or Escape leave the solved screen for the next labyrinth. The
// press is not taken, so an Escape goes on to open the menu over the new
// labyrinth. Returns false when the frame's key handling is over.
static bool HandleSolvedKeys(Game& game)
{
    FlowState& flow = game.flow;
    if (TakePress(game.keys, KEY_WATCH)) {
        StartWatching(game, CurrentLabyrinth(game), SCREEN_SOLVED);
        return false;
    }
    bool pressed = false;
    for (unsigned k = 0; k < SOLVED_KEY_COUNT; ++k) {
        const unsigned code = SOLVED_KEYS[k];
        // A key held over from play counts again once it has been let go,
        // even if it went down anew within the same frame; its auto-repeat
        // just before the release never does.
        if (flow.solvedKeyHeldOver[k]) {
            if (!PressedFromUp(game.keys, code) && IsHeld(game.keys, code)) continue;
            flow.solvedKeyHeldOver[k] = false;
            if (!PressedFromUp(game.keys, code)) continue;
        }
        if (WentDown(game.keys, code)) pressed = true;
    }
    if (!pressed) return true;
    // An Escape still held from before the goal must not open the menu over
    // the next labyrinth either.
    for (unsigned k = 0; k < SOLVED_KEY_COUNT; ++k) {
        if (flow.solvedKeyHeldOver[k]) TakePress(game.keys, SOLVED_KEYS[k]);
        flow.solvedKeyHeldOver[k] = false;
    }

    // A labyrinth from outside the list is played again.
    uint32_t next = game.settings.selectedLabyrinth + 1;
    if (next >= game.labyrinthList.count) next = 0;
    if (flow.playingOutside) next = OUTSIDE_LABYRINTH;
    if (StartLabyrinthAt(game, next)) return true;

    // The next labyrinth could not be started: fall back on the main menu,
    // which says why. The press is used up here, or it would go on to act on
    // "New Game".
    flow.screen = SCREEN_MAIN_MENU;
    flow.menuCursor = MAIN_MENU_NEW_GAME;
    for (unsigned code : SOLVED_KEYS) TakePress(game.keys, code);
    return false;
}

// Puts the pointer on list entry `index`, moving the window as little as it
// must to show it.
static void PointListAt(FlowState& flow, uint32_t count, uint32_t index)
{
    if (count == 0) return;
    if (index >= count) index = count - 1;
    if (index < flow.listScroll) flow.listScroll = index;
    if (index >= flow.listScroll + LIST_ROWS) flow.listScroll = index - (LIST_ROWS - 1);
    flow.menuCursor = index - flow.listScroll;
}

// Page Up / Page Down move the window by its height, the pointer keeping its
// row where it can; Home and End go to the list's ends.
static void HandleListJumps(Game& game)
{
    FlowState& flow = game.flow;
    const uint32_t count = game.labyrinthList.count;
    const uint32_t lastScroll = count > LIST_ROWS ? count - LIST_ROWS : 0;
    const uint32_t index = flow.listScroll + flow.menuCursor;
    if (TakePress(game.keys, KEY_HOME)) PointListAt(flow, count, 0);
    if (TakePress(game.keys, KEY_END) && count > 0) PointListAt(flow, count, count - 1);
    if (TakePress(game.keys, KEY_NEXT)) {
        flow.listScroll = flow.listScroll + LIST_ROWS < lastScroll ? flow.listScroll + LIST_ROWS : lastScroll;
        PointListAt(flow, count, index + LIST_ROWS);
    }
    if (TakePress(game.keys, KEY_PRIOR)) {
        flow.listScroll = flow.listScroll > LIST_ROWS ? flow.listScroll - LIST_ROWS : 0;
        PointListAt(flow, count, index > LIST_ROWS ? index - LIST_ROWS : 0);
    }
}

static void HandleListKeys(Game& game)
{
    FlowState& flow = game.flow;
    const uint32_t count = game.labyrinthList.count;
    if (TakePress(game.keys, KEY_WATCH)) {
        StartWatching(game, flow.listScroll + flow.menuCursor, SCREEN_LIST);
        return;
    }
    if (TakePress(game.keys, KEY_RETURN)) {
        const uint32_t chosen = flow.listScroll + flow.menuCursor;
        flow.screen = SCREEN_MAIN_MENU;
        flow.menuCursor = 0;
        StartLabyrinthAt(game, chosen);
        return;
    }
    if (TakePress(game.keys, KEY_ESCAPE)) {
        flow.screen = SCREEN_MAIN_MENU;
        flow.menuCursor = 0;
        return;
    }
    if (TakePress(game.keys, KEY_UP)) {
        if (flow.menuCursor > 0)
            flow.menuCursor -= 1;
        else if (flow.listScroll > 0)
            flow.listScroll -= 1;
    }
    if (WentDown(game.keys, KEY_DOWN) && flow.menuCursor + 1 < count) {
        TakePress(game.keys, KEY_DOWN);
        if (flow.menuCursor < LIST_ROWS - 1)
            flow.menuCursor += 1;
        else if (flow.listScroll + LIST_ROWS < count)
            flow.listScroll += 1;
    }
    HandleListJumps(game);
}

// Opens the list with the pointer on the current labyrinth, on the window's last
// row when it lies beyond the first five.
static void OpenList(Game& game)
{
    FlowState& flow = game.flow;
    const uint32_t selected = game.settings.selectedLabyrinth;
    flow.screen = SCREEN_LIST;
    if (selected > LIST_ROWS - 1) {
        flow.listScroll = selected - (LIST_ROWS - 1);
        flow.menuCursor = LIST_ROWS - 1;
    } else {
        flow.listScroll = 0;
        flow.menuCursor = selected;
    }
}

static void HandleMainMenuKeys(Game& game)
{
    FlowState& flow = game.flow;
    if (WentDown(game.keys, KEY_RETURN)) {
        if (flow.menuCursor == MAIN_MENU_NEW_GAME) {
            TakePress(game.keys, KEY_RETURN);
            OpenList(game);
            return;
        }
        if (flow.menuCursor == MAIN_MENU_OPTIONS) {
            TakePress(game.keys, KEY_RETURN);
            flow.screen = SCREEN_OPTIONS;
            flow.menuCursor = 0;
            return;
        }
        if (flow.menuCursor == MAIN_MENU_EXIT_GAME) flow.quitRequested = true;
    }
    if (TakePress(game.keys, KEY_ESCAPE) && flow.labyrinthInProgress) {
        // Play goes on where it was left. The cursor may have travelled far in
        // the menu, so mouse look starts again from the middle of the window.
        EnterPlayView();
        RecentreMouse(game.mouse);
        flow.screen = SCREEN_PLAY;
        return;
    }
    if (WentDown(game.keys, KEY_UP) && flow.menuCursor > 0) {
        TakePress(game.keys, KEY_UP);
        flow.menuCursor -= 1;
    }
    if (WentDown(game.keys, KEY_DOWN) && flow.menuCursor < MAIN_MENU_EXIT_GAME) {
        TakePress(game.keys, KEY_DOWN);
        flow.menuCursor += 1;
    }
}

// The reload key in play: the labyrinth and the palette as they are on disk
// now, so an author sees an edit without leaving the game. The player keeps
// place, heading and time while the cell they stand on is still open (moved to
// its middle if a new wall now touches them), else starts again at the start.
// A file that no longer loads leaves the old grid in play and says why.
static bool ReloadLabyrinth(Game& game, bool tell = true)
{
    const uint32_t index = CurrentLabyrinth(game);
    Labyrinth next;
    int32_t startRow = 0;
    int32_t startColumn = 0;
    if (!ReadPlayableLabyrinth(game, index, next, startRow, startColumn, tell)) return false;
    Player& player = game.player;
    const int row = CellOfCoordinate(player.playerZ);
    const int column = CellOfCoordinate(player.playerX);
    const bool standsOnOpenCell = row >= 0 && column >= 0 && row < next.grid.height && column < next.grid.width &&
                                  CellKind(next, row, column) != 'w';
    AdoptNewGrid(game, index, next, startRow, startColumn);
    if (!standsOnOpenCell) {
        player = Player{float(startColumn), float(startRow), 0.0f, 0.0f};
    } else if (CollidesWithWall(game.labyrinth, player.playerZ, player.playerX)) {
        player.playerX = float(column);
        player.playerZ = float(row);
    }
    NoteCellUnderPlayer(game);
    RestampWatch(game, index);
    game.flow.labyrinthReloads += 1;
    game.flow.recordingKept = false;   // the run no longer follows from the start it recorded
    // A best run of other walls would walk through the new ones.
    const uint64_t* hash = HashSlot(game, index);
    if (!hash || *hash != game.flow.ghostRun.labyrinthHash) game.flow.ghostRun.ticks.clear();
    game.flow.hintCells.clear();
    return true;
}

uint32_t RunReplay(Game& game, const Replay& replay)
{
    for (size_t tick = 0;; ++tick) {
        if (ReachedGoal(game.player, game.labyrinth)) return uint32_t(tick);
        if (tick == replay.ticks.size()) return NO_TICK;
        RunTick(game.player, game.labyrinth, replay.ticks[tick]);
    }
}

uint32_t FindListedLabyrinth(Game& game, uint64_t hash)
{
    const LabyrinthList& list = game.labyrinthList;
    for (uint32_t k = 0; k < list.count && k < MAX_LABYRINTHS; ++k) {
        HashLabyrinths(game.records, list, k, 1);
        if (hash != 0 && game.records.labyrinthHashes[k] == hash) return k;
    }
    return NO_TICK;
}

void WatchLabyrinthFiles(Game& game, uint32_t nowMs)
{
    FileWatch& watch = game.flow.watch;
    if (!IsPlaying(game) || !WatchDue(watch, nowMs)) return;
    const uint32_t index = CurrentLabyrinth(game);
    const WatchVerdict verdict =
        CheckWatch(watch, StampOfFile(LabyrinthPath(game, index)), StampOfFile(PalettePath(game, index)), nowMs);
    if (verdict == WATCH_RELOAD_AND_TELL) {
        ReloadLabyrinth(game, true);
    } else if (verdict == WATCH_RELOAD_QUIETLY) {
        NoteReloadResult(watch, ReloadLabyrinth(game, false), nowMs);
    }
}

static uint32_t IndexOfPath(const LabyrinthList& list, const char* path, uint32_t otherwise)
{
    for (uint32_t k = 0; k < list.count; ++k) {
        if (path[0] != '\0' && std::strcmp(list.paths[k], path) == 0) return k;
    }
    if (list.count == 0) return 0;
    return otherwise < list.count ? otherwise : list.count - 1;
}

// The reload key in the menus: the labyrinth folder searched again. The list
// pointer and the current labyrinth follow their files to wherever they now
// stand in the list; where a file is gone, the same place in the (shorter)
// list is taken. A labyrinth whose file is gone can no longer be resumed: its
// index now names another file, which a reload or the solved screen would
// take for it.
static void SearchLabyrinthsAgain(Game& game)
{
    FlowState& flow = game.flow;
    LabyrinthList& list = game.labyrinthList;
    uint32_t& selected = game.settings.selectedLabyrinth;
    const bool listShown = flow.screen == SCREEN_LIST;
    char pointed[LABYRINTH_PATH_SIZE] = "";
    char current[LABYRINTH_PATH_SIZE] = "";
    const uint32_t pointedIndex = flow.listScroll + flow.menuCursor;
    if (listShown && pointedIndex < list.count) std::memcpy(pointed, list.paths[pointedIndex], sizeof pointed);
    if (selected < list.count) std::memcpy(current, list.paths[selected], sizeof current);
    FindLabyrinths(list, game.settings.labyrinthsFolder);
    ForgetLabyrinthHashes(game.records);   // the rows shown are hashed again as they show
    selected = IndexOfPath(list, current, selected);
    const bool currentGone = selected >= list.count || std::strcmp(list.paths[selected], current) != 0;
    if (currentGone && !flow.playingOutside) flow.labyrinthInProgress = false;
    if (!listShown) return;
    const uint32_t at = IndexOfPath(list, pointed, pointedIndex);
    if (at < flow.listScroll) flow.listScroll = at;
    if (at >= flow.listScroll + LIST_ROWS) flow.listScroll = at - (LIST_ROWS - 1);
    flow.menuCursor = at - flow.listScroll;
}

static void HandleReloadKey(Game& game)
{
    if (!IsPlaying(game) && !IsInMenu(game)) return;
    if (!TakeAction(game.keys, game.options.bindings, ACTION_RELOAD)) return;
    if (IsPlaying(game))
        ReloadLabyrinth(game);
    else
        SearchLabyrinthsAgain(game);
}

// The failed-load message stays until a key goes down that was not held when
// it appeared; the keys under it leave that set once let go.
static void ClearMessageOnKeyPress(Game& game)
{
    FlowState& flow = game.flow;
    if (flow.loadFailureMessage[0] == '\0') return;
    for (unsigned code = 0; code < KEY_CODES; ++code) {
        if (flow.keysUnderMessage[code]) {
            if (!PressedFromUp(game.keys, code) && IsHeld(game.keys, code)) continue;
            flow.keysUnderMessage[code] = false;
            if (!PressedFromUp(game.keys, code)) continue;
        }
        if (WentDown(game.keys, code)) {
            flow.loadFailureMessage[0] = '\0';
            return;
        }
    }
}

void HandleFlowKeys(Game& game)
{
    FlowState& flow = game.flow;
    if (flow.watching) {
        // Any key ends the watching, and does nothing else.
        for (unsigned code = 0; code < KEY_CODES; ++code) {
            if (!PressedFromUp(game.keys, code)) continue;
            EndWatching(game);
            for (unsigned other = 0; other < KEY_CODES; ++other) TakePress(game.keys, other);
            break;
        }
        return;
    }
    ClearMessageOnKeyPress(game);
    HandleReloadKey(game);
    if (flow.screen == SCREEN_SOLVED && !HandleSolvedKeys(game)) return;

    if (IsPlaying(game)) {
        if (TakeAction(game.keys, game.options.bindings, ACTION_MAP)) game.map.mapShown = !game.map.mapShown;
        const KeyBindings& bindings = game.options.bindings;
        if (!IsBound(bindings, KEY_GHOST) && TakePress(game.keys, KEY_GHOST)) game.options.ghost = !game.options.ghost;
        if (!IsBound(bindings, KEY_HINT) && TakePress(game.keys, KEY_HINT)) ShowHint(game);
        if (!TakePress(game.keys, KEY_ESCAPE)) return;
        EnterMenuView();
        flow.screen = SCREEN_MAIN_MENU;
    }
    if (flow.screen == SCREEN_LIST)
        HandleListKeys(game);
    else if (flow.screen == SCREEN_MAIN_MENU)
        HandleMainMenuKeys(game);
    else if (flow.screen == SCREEN_OPTIONS)
        HandleOptionsKeys(game);
    else if (flow.screen == SCREEN_KEYS)
        HandleKeyPageKeys(game);
    // The best times beside the names need the shown files' hashes.
    if (flow.screen == SCREEN_LIST) HashLabyrinths(game.records, game.labyrinthList, flow.listScroll, LIST_ROWS);
}

// Walks the current labyrinth, or the first, along its shortest route, as a
// watched run: nothing of the player's changes, and any key ends it.
static void StartAutopilot(Game& game)
{
    const uint32_t selected = game.settings.selectedLabyrinth;
    const bool outside = game.flow.playingOutside;
    const uint32_t current = CurrentLabyrinth(game);
    FlowState& flow = game.flow;
    if (!StartLabyrinthAt(game, current, false) && (current == 0 || !StartLabyrinthAt(game, 0, false))) return;
    const uint32_t tickMs = game.settings.speedLimitMs > 0 ? game.settings.speedLimitMs : 1;
    Replay plan;
    plan.labyrinthHash = flow.recording.labyrinthHash;
    plan.speedLimitMs = game.settings.speedLimitMs;
    const bool planned = PlanAutopilot(game.labyrinth, game.player, ATTRACT_LONGEST_MS / tickMs, plan.ticks);
    WatchRun(game, std::move(plan), SCREEN_MAIN_MENU, selected, outside);
    flow.autopilot = true;
    if (!planned || flow.watched.ticks.empty()) EndWatching(game);
}

void FollowIdleTime(Game& game, uint32_t nowMs)
{
    FlowState& flow = game.flow;
    // Only the main menu counts its idle time: elsewhere nothing is looked at.
    bool input = flow.screen != SCREEN_MAIN_MENU;
    int x = 0, y = 0;
    if (!input && PlatformGetCursorPos(x, y)) input = x != flow.idleCursorX || y != flow.idleCursorY;
    flow.idleCursorX = x;
    flow.idleCursorY = y;
    for (unsigned code = 0; code < KEY_CODES && !input; ++code)
        input = IsHeld(game.keys, code) || WentUp(game.keys, code) || PressedFromUp(game.keys, code);
    if (input || !flow.idleClockRunning) {
        flow.idleSinceMs = nowMs;
        flow.idleClockRunning = true;
        return;
    }
    // A run waiting to be resumed is the player's: the attract mode would take its labyrinth.
    if (nowMs - flow.idleSinceMs < ATTRACT_AFTER_MS || flow.labyrinthInProgress) return;
    flow.idleSinceMs = nowMs;
    StartAutopilot(game);
}
