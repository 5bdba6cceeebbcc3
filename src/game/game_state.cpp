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
    mouseCentreX = mouseCentreY = 0;
    parMs = bestMs = NO_TIME;
    newBest = false;
    loadFailureMessage[0] = '\0';
    quitRequested = false;
}

void NoteKey(unsigned code, bool down)
{
    if (code < sizeof keys) keys[code] = down ? 1 : 0;
}
