#include "game/game_state.h"

#include <cstring>

#include "platform/platform.h"

float playerX = 0.0f;
float playerZ = 0.0f;
float yaw = 0.0f;
float pitch = 0.0f;
bool menuShown = true;
bool listShown = false;
bool playing = false;
bool solved = false;
uint32_t menuCursor = 0;
uint32_t listScroll = 0;
uint32_t selectedLabyrinth = 0;
uint32_t solveTimeMs = 0;
bool windowActive = false;
unsigned char keys[256] = {};
int32_t mouseCentreX = 0;
int32_t mouseCentreY = 0;
uint32_t parMs = NO_TIME;
uint32_t bestMs = NO_TIME;
bool newBest = false;
char loadFailureMessage[LOAD_MESSAGE_SIZE] = {};
bool quitRequested = false;

void ResetGameState()
{
    playerX = playerZ = yaw = pitch = 0.0f;
    menuShown = true;
    listShown = playing = solved = false;
    menuCursor = listScroll = selectedLabyrinth = solveTimeMs = 0;
    windowActive = false;
    std::memset(keys, 0, sizeof keys);
    SettleKeys();
    mouseCentreX = mouseCentreY = 0;
    parMs = bestMs = NO_TIME;
    newBest = false;
    loadFailureMessage[0] = '\0';
    quitRequested = false;
}

// A key pressed and released between two frames would be gone before any
// frame saw it: at a few frames a second a quick tap is simply lost. So the
// release of a press no frame has seen yet waits until a frame has run.
// Keys already held release at once, so a held key never walks on.
static unsigned char pressUnseen[KEY_CODES];
static unsigned char releaseWaiting[KEY_CODES];

void NoteKey(unsigned code, bool down)
{
    if (code >= KEY_CODES) return;
    if (down) {
        if (!keys[code]) pressUnseen[code] = 1;
        keys[code] = 1;
        releaseWaiting[code] = 0;
    } else if (pressUnseen[code]) {
        releaseWaiting[code] = 1;
    } else {
        keys[code] = 0;
    }
}

void SettleKeys()
{
    for (unsigned code = 0; code < KEY_CODES; ++code) {
        if (releaseWaiting[code]) keys[code] = 0;
    }
    std::memset(pressUnseen, 0, sizeof pressUnseen);
    std::memset(releaseWaiting, 0, sizeof releaseWaiting);
}
