#include "app/frame.h"

#include <cstring>

#include "game/game_flow.h"
#include "game/game_state.h"
#include "game/movement.h"
#include "game/records.h"
#include "game/settings.h"
#include "game/tick_pacing.h"
#include "labyrinth/labyrinth.h"
#include "platform/keys.h"
#include "platform/platform.h"
#include "render/gl_window.h"
#include "render/scene.h"
#include "render/texture_set.h"

static const char SETTINGS_FILE[] = "Quorvel.ini";

// Frames slower than this are played slower: catching up more at once would
// carry the player through cells between two pictures.
static const uint32_t MAX_CATCH_UP_MS = 250;

static TickClock tickClock = {1, 0, 0};
// True while frames of play follow each other without a pause (menu, solved
// screen, inactive window); only then are the ticks of a slow frame caught up.
static bool playFlowing = false;

void ResetTickClock()
{
    const long long frequency = PlatformCounterFrequency();
    PlatformCounter();
    StartTickClock(tickClock, frequency, PlatformCounter());
    playFlowing = false;
}

static uint32_t MaxTicksThisFrame()
{
    if (!playFlowing || speedLimitMs == 0 || speedLimitMs >= MAX_CATCH_UP_MS) return 1;
    return MAX_CATCH_UP_MS / speedLimitMs;
}

// Each due tick runs on its own, so walls are met tick by tick; the goal is
// checked between them, so a slow frame never carries the player over it.
static void RunDueTicks()
{
    const long long now = PlatformCounter();
    CheckGoal();
    const uint32_t ticks = TakeTicks(tickClock, now, speedLimitMs, MaxTicksThisFrame());
    for (uint32_t tick = 0; tick < ticks; ++tick) {
        if (tick > 0) {
            if (!playing) break;
            CheckGoal();
        }
        solveTimeMs += speedLimitMs;
        RunTick();
    }
}

// Time away from play is a pause: it ends in one tick, with no catch-up.
void NoteWindowActive(bool active)
{
    windowActive = active;
    playFlowing = false;
    // Key-up messages go to whichever window has the focus: forget every
    // held key so none keeps acting once we are active again.
    if (!active) std::memset(keys, 0, sizeof keys);
    // The cursor travelled freely meanwhile; that travel is no look.
    if (active && playing) RecentreMouse();
}

bool StartGame()
{
    quitRequested = false;
    // The settings come first so that their folders govern this very run;
    // the stored labyrinth index is clamped once the labyrinths are counted.
    ReadSettings(SETTINGS_FILE);
    FindLabyrinths(labyrinthsFolder);
    HashListedLabyrinths();
    ReadRecords(RECORDS_FILE, records);
    if (!ReadTextureList("Images.txt")) AddDefaultTextureNames(imagesFolder);
    ClampSelectedLabyrinth(labyrinthList.count);
    ResetTickClock();

    SetClassName("Quorvel");
    if (!CreateGlWindow("Quorvel by Tavrin", windowWidth, windowHeight, 16, fullscreen != 0)) return false;
    if (fullscreen) ResizeProjection(windowWidth, windowHeight, double(0.1f), 10.0);
    if (HasGlExtension("WGL_EXT_swap_control") || HasGlExtension("GLX_EXT_swap_control") ||
        HasGlExtension("GLX_MESA_swap_control")) {
        SetSwapInterval(0);
    }
    return true;
}

bool RunFrame()
{
    if (playing) RunDueTicks();
    playFlowing = playing;
    HandleFlowKeys();
    if (keys[KEY_F12]) quitRequested = true;
    SettleKeys();
    DrawFrame();
    SwapGlBuffers();
    PlatformSleepMs(1);
    return quitRequested;
}

void StopGame()
{
    ReleaseLabyrinthGrid();
    WriteSettings(SETTINGS_FILE);
    DestroyGlWindow();
}
