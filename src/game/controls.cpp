#include "game/controls.h"

bool IsActionHeld(const KeyState& keys, const KeyBindings& bindings, Action action)
{
    for (unsigned code : bindings.keys[action]) {
        if (code != NO_KEY && IsHeld(keys, code)) return true;
    }
    return false;
}

bool TakeAction(KeyState& keys, const KeyBindings& bindings, Action action)
{
    bool taken = false;
    for (unsigned code : bindings.keys[action]) {
        if (code != NO_KEY && TakePress(keys, code)) taken = true;
    }
    return taken;
}

bool IsBound(const KeyBindings& bindings, unsigned code)
{
    for (const auto& keys : bindings.keys)
        for (unsigned bound : keys)
            if (bound == code) return true;
    return false;
}

uint32_t HeldMovement(const KeyState& keys, const KeyBindings& bindings)
{
    static const Action MOVES[] = {ACTION_FORWARD,    ACTION_BACK,      ACTION_TURN_LEFT,
                                   ACTION_TURN_RIGHT, ACTION_STEP_LEFT, ACTION_STEP_RIGHT};
    uint32_t actions = 0;
    for (Action action : MOVES) {
        if (IsActionHeld(keys, bindings, action)) actions |= 1u << action;
    }
    return actions;
}
