#include "app/frame.h"

#include <cstdio>

#include "app/trace.h"
#include "game/game_flow.h"
#include "game/tick_pacing.h"
#include "platform/keys.h"
#include "platform/platform.h"
#include "render/gl_window.h"
#include "render/overlay.h"
#include "render/scene.h"
#include "render/texture_set.h"

static const char SETTINGS_FILE[] = "Quorvel.ini";
static const char OPTIONS_FILE[] = "Options.ini";
// Nothing moves in the menus or on the solved screen: more frames a second
// than a screen shows would only keep a core busy.
static const uint32_t STILL_SCREEN_FRAME_LIMIT = 60;

// Frames slower than this are played slower: catching up more at once would
// carry the player through cells between two pictures.
static const uint32_t MAX_CATCH_UP_MS = 250;

static Game game;

// What only the loop around the game knows.
struct Pacing {
    TickClock tickClock = {1, 0, 0};
    // True while frames of play follow each other without a pause (menu,
    // solved screen, inactive window); only then are the ticks of a slow frame
    // caught up.
    bool playFlowing = false;
    bool windowActive = false;
    // The options as the file gave them: the file is written again only
    // once they differ, so a hand-edited file keeps its own spelling.
    Options optionsAsRead;
    Options optionsApplied;      // what the window and GL were last fitted to
    bool swapControl = false;    // the driver lets the game set the swap interval
    bool fullscreenAsked = false;   // Alt+Enter since the last frame
    long long frameStart = 0;
    // What the trace said last, to tell what changed since.
    int tracedScreen = -1;
    uint32_t tracedStarts = 0;
    uint32_t tracedReloads = 0;
    long long fpsSince = 0;
    uint32_t fpsFrames = 0;
};
static Pacing pacing;

Game& TheGame()
{
    return game;
}

bool IsWindowActive()
{
    return pacing.windowActive;
}

static void StartTickClockNow()
{
    const long long frequency = PlatformCounterFrequency();
    StartTickClock(pacing.tickClock, frequency, PlatformCounter());
    pacing.playFlowing = false;
}

void ResetGame()
{
    ResetGameState(game);
    pacing = Pacing{};
    StartTickClockNow();
}

static uint32_t MaxTicksThisFrame()
{
    const uint32_t speedLimitMs = game.settings.speedLimitMs;
    if (!pacing.playFlowing || speedLimitMs == 0 || speedLimitMs >= MAX_CATCH_UP_MS) return 1;
    return MAX_CATCH_UP_MS / speedLimitMs;
}

void NoteKey(unsigned code, bool down)
{
    NoteKeyEvent(game.keys, code, down);
}

void NoteClientSize(int32_t width, int32_t height)
{
    KeepClientSize(game.settings, width, height);
}

// Time away from play is a pause: it ends in one tick, with no catch-up.
void NoteWindowActive(bool active)
{
    pacing.windowActive = active;
    pacing.playFlowing = false;
    if (!active) ForgetKeys(game.keys);
    // No frames run meanwhile: the menu's idle time starts again on return.
    game.flow.idleClockRunning = false;
    // The cursor travelled freely meanwhile; that travel is no look.
    if (active && IsPlaying(game)) RecentreMouse(game.mouse);
}

void NoteFullscreenToggle()
{
    pacing.fullscreenAsked = true;
}

// Milliseconds of the counter, wrapping after 49 days (the watch allows for it).
static uint32_t NowMs()
{
    const long long ticksPerMs = PlatformCounterFrequency() / 1000;
    return uint32_t(PlatformCounter() / (ticksPerMs > 0 ? ticksPerMs : 1));
}

// Started from a shortcut, a file manager or a terminal elsewhere, the game
// uses its own folder for its files; a folder with labyrinths or textures of
// its own, or settings naming other folders, is the player's choice and is
// kept. The command line's path is made independent of the folder first.
static const char* MoveToTheDataFolder(const char* labyrinthFile, char (&absolute)[OUTSIDE_PATH_SIZE])
{
    if (labyrinthFile && !PlatformAbsolutePath(labyrinthFile, absolute, sizeof absolute)) absolute[0] = '\0';
    long long size = 0, modified = 0;
    const bool settingsHere = PlatformFileStamp(SETTINGS_FILE, size, modified);
    if (!PlatformIsFolder("Labyrinths") && !PlatformIsFolder("Images") && !settingsHere) {
        char folder[OUTSIDE_PATH_SIZE];
        if (PlatformProgramFolder(folder, sizeof folder)) PlatformChangeFolder(folder);
    }
    return labyrinthFile ? absolute : nullptr;
}

bool StartGame(const CommandLine& commandLine)
{
    Settings& settings = game.settings;
    static char labyrinthFile[OUTSIDE_PATH_SIZE];
    // The trace is named from where the player stands, before any move.
    char tracePath[OUTSIDE_PATH_SIZE];
    if (commandLine.traceFile && PlatformAbsolutePath(commandLine.traceFile, tracePath, sizeof tracePath))
        OpenTrace(tracePath);
    const char* outside = MoveToTheDataFolder(commandLine.labyrinthFile, labyrinthFile);
    game.flow.quitRequested = false;
    // The settings come first so that their folders govern this very run;
    // the stored labyrinth index is clamped once the labyrinths are counted.
    ReadSettings(settings, SETTINGS_FILE);
    ReadOptions(game.options, OPTIONS_FILE);
    pacing.optionsAsRead = game.options;
    pacing.optionsApplied = game.options;
    SetViewShape(double(game.options.fieldOfView), game.options.keepAspect);
    FindLabyrinths(game.labyrinthList, settings.labyrinthsFolder);
    ForgetLabyrinthHashes(game.records);
    ReadRecords(RECORDS_FILE, game.records.table);
    if (!ReadTextureList("Images.txt", settings.imagesFolder)) AddDefaultTextureNames(settings.imagesFolder);
    ClampSelectedLabyrinth(settings, game.labyrinthList.count);
    StartTickClockNow();

    SetClassName("Quorvel");
    if (!CreateGlWindow("Quorvel by Tavrin", settings.windowWidth, settings.windowHeight, 16, settings.fullscreen != 0))
        return false;
    if (settings.fullscreen) ResizeProjection(settings.windowWidth, settings.windowHeight, double(0.1f), 10.0);
    pacing.swapControl = HasGlExtension("WGL_EXT_swap_control") || HasGlExtension("GLX_EXT_swap_control") ||
                         HasGlExtension("GLX_MESA_swap_control");
    if (pacing.swapControl) SetSwapInterval(game.options.vsync ? 1 : 0);
    pacing.frameStart = PlatformCounter();
    pacing.fpsSince = pacing.frameStart;
    if (outside) StartOutsideLabyrinth(game, outside);
    return true;
}

static void TraceTick()
{
    const Player& player = game.player;
    Trace("tick n=%u ms=%u x=%.4f z=%.4f yaw=%.3f pitch=%.3f", unsigned(game.flow.runTicks),
          unsigned(game.flow.solveTimeMs), double(player.playerX), double(player.playerZ), double(player.yaw),
          double(player.pitch));
}

int VerifyReplayFile(const CommandLine& commandLine, std::FILE* out)
{
    char replayPath[OUTSIDE_PATH_SIZE];
    const char* path = MoveToTheDataFolder(commandLine.replayFile, replayPath);
    Replay replay;
    ReplayRefusal refusal = ReadReplay(path, replay);
    uint32_t index = NO_TICK;
    if (refusal == ReplayRefusal::NONE) {
        ReadSettings(game.settings, SETTINGS_FILE);
        FindLabyrinths(game.labyrinthList, game.settings.labyrinthsFolder);
        ForgetLabyrinthHashes(game.records);
        index = FindListedLabyrinth(game, replay.labyrinthHash);
        if (index == NO_TICK) refusal = ReplayRefusal::OTHER_PICTURE;
    }
    if (refusal != ReplayRefusal::NONE) {
        std::fprintf(out, "%s: %s\n", commandLine.replayFile, ReplayRefusalText(refusal));
        return 1;
    }
    game.settings.speedLimitMs = replay.speedLimitMs;
    game.settings.selectedLabyrinth = index;
    if (!StartLabyrinth(game)) {
        std::fprintf(out, "%s: %s\n", commandLine.replayFile, game.flow.loadFailureMessage);
        return 1;
    }
    const uint32_t recorded = uint32_t(replay.ticks.size());
    const uint32_t reached = RunReplay(game, replay);
    const char* name = LabyrinthDisplayName(game, index);
    ReleaseLabyrinth(game.labyrinth);
    if (reached != recorded) {
        if (reached == NO_TICK)
            std::fprintf(out, "%s: no goal in %u ticks\n", name, unsigned(recorded));
        else
            std::fprintf(out, "%s: the goal at tick %u, recorded at %u\n", name, unsigned(reached), unsigned(recorded));
        return 1;
    }
    std::fprintf(out, "%s: the goal at tick %u, %u ms, as recorded\n", name, unsigned(reached),
                 unsigned(reached * replay.speedLimitMs));
    return 0;
}

static void RunDueTicks()
{
    const uint32_t ticks =
        TakeTicks(pacing.tickClock, PlatformCounter(), game.settings.speedLimitMs, MaxTicksThisFrame());
    if (!TraceOpen()) {
        RunPlayTicks(game, ticks);
        return;
    }
    // One at a time, so each tick has its line; the goal is checked as in one call.
    if (ticks == 0) RunPlayTicks(game, 0);
    for (uint32_t k = 0; k < ticks; ++k) {
        if (RunPlayTicks(game, 1) == 0) break;
        TraceTick();
    }
}

static const char* ScreenName(GameScreen screen)
{
    switch (screen) {
    case SCREEN_MAIN_MENU: return "menu";
    case SCREEN_LIST: return "list";
    case SCREEN_PLAY: return "play";
    case SCREEN_SOLVED: return "solved";
    default: return "options";   // the options page and its key page
    }
}

// What changed in this frame, as the trace tells it.
static void TraceEvents()
{
    FlowState& flow = game.flow;
    if (flow.labyrinthStarts != pacing.tracedStarts) {
        pacing.tracedStarts = flow.labyrinthStarts;
        SettlePar(game);
        char par[16] = "none";
        if (flow.parMs != NO_TIME) std::snprintf(par, sizeof par, "%u", unsigned(flow.parMs));
        Trace("start file=%s cells=%dx%d par_ms=%s", LabyrinthDisplayName(game, CurrentLabyrinth(game)),
              int(game.labyrinth.grid.width), int(game.labyrinth.grid.height), par);
    }
    if (flow.labyrinthReloads != pacing.tracedReloads) {
        pacing.tracedReloads = flow.labyrinthReloads;
        Trace("reload file=%s", LabyrinthDisplayName(game, CurrentLabyrinth(game)));
    }
    if (int(flow.screen) != pacing.tracedScreen) {
        if (flow.screen == SCREEN_SOLVED) {
            char best[16] = "none";
            if (flow.bestMs != NO_TIME) std::snprintf(best, sizeof best, "%u", unsigned(flow.bestMs));
            Trace("solved ms=%u best_ms=%s", unsigned(flow.solveTimeMs), best);
        }
        pacing.tracedScreen = int(flow.screen);
        Trace("screen name=%s", ScreenName(flow.screen));
    }
}

static void TraceFrameRate()
{
    pacing.fpsFrames += 1;
    const long long frequency = PlatformCounterFrequency();
    const long long now = PlatformCounter();
    if (frequency > 0 && now - pacing.fpsSince >= frequency) {
        Trace("fps value=%u", unsigned((pacing.fpsFrames * frequency + (now - pacing.fpsSince) / 2) /
                                       (now - pacing.fpsSince)));
        pacing.fpsSince = now;
        pacing.fpsFrames = 0;
    }
}

// Written only when something differs from the file. The ghost's G alone
// keeps its choice only where the player already has the file: a key pressed
// in play does not make one.
static void KeepOptions()
{
    Options beside = game.options;
    beside.ghost = pacing.optionsAsRead.ghost;
    long long size = 0, modified = 0;
    if (!SameOptions(beside, pacing.optionsAsRead) || PlatformFileStamp(OPTIONS_FILE, size, modified))
        WriteOptions(game.options, OPTIONS_FILE);
    pacing.optionsAsRead = game.options;
}

// An option changed on the options page shows at once; the file is written
// when the pages are left, and only if something differs from it.
static void FollowOptions()
{
    const Options& options = game.options;
    Options& applied = pacing.optionsApplied;
    if (options.fieldOfView != applied.fieldOfView || options.keepAspect != applied.keepAspect)
        SetViewShape(double(options.fieldOfView), options.keepAspect);
    if (options.vsync != applied.vsync && pacing.swapControl) SetSwapInterval(options.vsync ? 1 : 0);
    FitTextHeight(TextPixelHeight(options.textSize, glWindow.projectionHeight));
    applied = options;
    const bool onOptionPages = game.flow.screen == SCREEN_OPTIONS || game.flow.screen == SCREEN_KEYS;
    if (!onOptionPages && !SameOptions(options, pacing.optionsAsRead)) KeepOptions();
}

// Alt+Enter or F11, in every screen. The game goes on as it was; the
// settings file keeps what the window system granted.
static void FollowFullscreenRequest()
{
    const bool asked = pacing.fullscreenAsked || PressedFromUp(game.keys, KEY_F11);
    pacing.fullscreenAsked = false;
    if (!asked) return;
    const bool wasFullscreen = glWindow.fullscreenActive;
    ToggleFullscreen(game.settings.windowWidth, game.settings.windowHeight);
    if (glWindow.fullscreenActive == wasFullscreen) return;   // refused: no window manager offers it
    game.settings.fullscreen = glWindow.fullscreenActive ? 1 : 0;
    // The window moved under the cursor, and the switch took its time: neither is play.
    pacing.playFlowing = false;
    if (IsPlaying(game)) RecentreMouse(game.mouse);
}

// Without a limit a frame gives up the processor for a millisecond, as it
// always has; with one it sleeps out the rest of its share of the second.
// The ticks follow the clock either way.
static void SleepOutFrame()
{
    uint32_t limit = game.options.frameLimit;
    if (!IsPlaying(game) && (limit == 0 || limit > STILL_SCREEN_FRAME_LIMIT)) limit = STILL_SCREEN_FRAME_LIMIT;
    const long long frequency = PlatformCounterFrequency();
    if (limit == 0 || frequency <= 0) {
        PlatformSleepMs(1);
        pacing.frameStart = PlatformCounter();
        return;
    }
    const long long end = pacing.frameStart + frequency / limit;
    long long now = PlatformCounter();
    // A sleep may last a little longer than asked: whole milliseconds only,
    // the last part left to the next frame's start.
    while (end - now >= frequency / 1000) {
        PlatformSleepMs(unsigned((end - now) * 1000 / frequency));
        now = PlatformCounter();
    }
    // A frame far behind (a window dragged, say) starts the count afresh.
    pacing.frameStart = now - end > frequency / limit ? now : end;
}

bool RunFrame()
{
    StartKeyFrame(game.keys);
    // A start made before this frame (the command line's) is told before its ticks.
    if (TraceOpen()) TraceEvents();
    if (IsPlaying(game)) RunDueTicks();
    pacing.playFlowing = IsPlaying(game);
    WatchLabyrinthFiles(game, NowMs());
    HandleFlowKeys(game);
    FollowIdleTime(game, NowMs());
    FollowFullscreenRequest();
    FollowOptions();
    if (IsHeld(game.keys, KEY_F12)) game.flow.quitRequested = true;
    if (TraceOpen()) {
        TraceEvents();
        TraceFrameRate();
    }
    DrawFrame(game);
    SwapGlBuffers();
    SleepOutFrame();
    return game.flow.quitRequested;
}

void PaintFrame()
{
    DrawFrame(game);
    SwapGlBuffers();
}

void StopGame()
{
    ReleaseLabyrinth(game.labyrinth);
    WriteSettings(game.settings, SETTINGS_FILE);
    if (!SameOptions(game.options, pacing.optionsAsRead)) KeepOptions();
    DestroyGlWindow();
    CloseTrace();
}
