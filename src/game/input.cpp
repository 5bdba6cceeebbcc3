#include "game/input.h"

#include <cstring>

void NoteKeyEvent(KeyState& keys, unsigned code, bool down)
{
    if (code >= KEY_CODES) return;
    if (down) {
        if (!keys.down[code]) keys.pressSeen[code] = true;
        keys.downSeen[code] = true;
    } else {
        keys.upSeen[code] = true;
    }
    keys.down[code] = down;
}

void StartKeyFrame(KeyState& keys)
{
    for (unsigned code = 0; code < KEY_CODES; ++code) {
        keys.held[code] = keys.down[code] || keys.pressSeen[code];
        keys.wentDown[code] = keys.downSeen[code];
        keys.wentUp[code] = keys.upSeen[code];
        keys.pressedFromUp[code] = keys.pressSeen[code];
    }
    std::memset(keys.downSeen, 0, sizeof keys.downSeen);
    std::memset(keys.pressSeen, 0, sizeof keys.pressSeen);
    std::memset(keys.upSeen, 0, sizeof keys.upSeen);
}

void ForgetKeys(KeyState& keys)
{
    keys = KeyState{};
}

bool IsHeld(const KeyState& keys, unsigned code)
{
    return code < KEY_CODES && keys.held[code];
}

bool WentDown(const KeyState& keys, unsigned code)
{
    return code < KEY_CODES && keys.wentDown[code];
}

bool WentUp(const KeyState& keys, unsigned code)
{
    return code < KEY_CODES && keys.wentUp[code];
}

bool PressedFromUp(const KeyState& keys, unsigned code)
{
    return code < KEY_CODES && keys.pressedFromUp[code];
}

bool TakePress(KeyState& keys, unsigned code)
{
    if (!WentDown(keys, code)) return false;
    keys.wentDown[code] = false;
    return true;
}
