#include "app/frame.h"

#include "app/game_flow.h"
#include "app/game_state.h"
#include "app/movement.h"
#include "app/settings.h"
#include "app/tick_pacing.h"
#include "labyrinth/labyrinth.h"
#include "labyrinth/texture_set.h"
#include "platform/keys.h"
#include "platform/platform.h"
#include "render/gl_window.h"
#include "render/scene.h"

static const char SETTINGS_FILE[] = "Quorvel.ini";

static long long counterFrequency = 1;
static long long lastTickCount = 0;
static uint32_t tickRemainderMs = 0;

void ResetTickClock()
{
    counterFrequency = PlatformCounterFrequency();
    PlatformCounter();
    lastTickCount = PlatformCounter();
    tickRemainderMs = 0;
}

bool StartGame()
{
    quitRequested = false;
    // The settings come first so that their folders govern this very run;
    // the stored labyrinth index is clamped once the labyrinths are counted.
    ReadSettings(SETTINGS_FILE);
    FindLabyrinths(labyrinthsFolder);
    if (!ReadTextureList("Images.txt")) AddDefaultTextureNames(imagesFolder);
    ClampSelectedLabyrinth(labyrinthList.count);
    ResetTickClock();

    SetClassName("Quorvel");
    if (!CreateGlWindow("Quorvel by Tavrin", windowWidth, windowHeight, 16, fullscreen != 0)) return false;
    if (fullscreen) ResizeProjection(windowWidth, windowHeight, double(0.1f), 10.0);
    if (HasGlExtension("WGL_EXT_swap_control")) SetSwapInterval(0);
    return true;
}

bool RunFrame()
{
    if (playing) {
        long long now = PlatformCounter();
        CheckGoal();
        if (TakeTick(now, lastTickCount, counterFrequency, speedLimitMs, tickRemainderMs)) {
            solveTimeMs += speedLimitMs;
            RunTick();
            lastTickCount = now;
        }
    }
    HandleFlowKeys();
    if (keys[VK_F12]) quitRequested = true;
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
