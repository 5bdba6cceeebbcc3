#include "app/frame.h"

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
    // The cursor travelled freely meanwhile; that travel is no look.
    if (active && IsPlaying(game)) RecentreMouse(game.mouse);
}

void NoteFullscreenToggle()
{
    pacing.fullscreenAsked = true;
}

bool StartGame()
{
    Settings& settings = game.settings;
    game.flow.quitRequested = false;
    // The settings come first so that their folders govern this very run;
    // the stored labyrinth index is clamped once the labyrinths are counted.
    ReadSettings(settings, SETTINGS_FILE);
    ReadOptions(game.options, OPTIONS_FILE);
    pacing.optionsAsRead = game.options;
    pacing.optionsApplied = game.options;
    SetViewShape(double(game.options.fieldOfView), game.options.keepAspect);
    FindLabyrinths(game.labyrinthList, settings.labyrinthsFolder);
    HashListedLabyrinths(game.records, game.labyrinthList);
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
    return true;
}

static void RunDueTicks()
{
    const uint32_t ticks =
        TakeTicks(pacing.tickClock, PlatformCounter(), game.settings.speedLimitMs, MaxTicksThisFrame());
    RunPlayTicks(game, ticks);
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
    if (!onOptionPages && !SameOptions(options, pacing.optionsAsRead)) {
        WriteOptions(options, OPTIONS_FILE);
        pacing.optionsAsRead = options;
    }
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
    if (IsPlaying(game)) RunDueTicks();
    pacing.playFlowing = IsPlaying(game);
    HandleFlowKeys(game);
    FollowFullscreenRequest();
    FollowOptions();
    if (IsHeld(game.keys, KEY_F12)) game.flow.quitRequested = true;
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
    if (!SameOptions(game.options, pacing.optionsAsRead)) WriteOptions(game.options, OPTIONS_FILE);
    DestroyGlWindow();
}
