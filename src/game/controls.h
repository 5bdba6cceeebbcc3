// What the player does, and the keys that do it: the one place where
// actions meet keys.
#pragma once
#include <cstdint>

#include "game/input.h"

enum Action {
    ACTION_FORWARD,
    ACTION_BACK,
    ACTION_TURN_LEFT,
    ACTION_TURN_RIGHT,
    ACTION_STEP_LEFT,
    ACTION_STEP_RIGHT,
    ACTION_MAP,
    ACTION_RELOAD,
    ACTION_COUNT,
};

const unsigned KEYS_PER_ACTION = 2;
const unsigned NO_KEY = 0;

// Two keys an action at most; NO_KEY leaves a place empty.
struct KeyBindings {
    unsigned keys[ACTION_COUNT][KEYS_PER_ACTION] = {
        {KEY_UP, KEY_W}, {KEY_DOWN, KEY_S}, {KEY_LEFT, NO_KEY}, {KEY_RIGHT, NO_KEY},
        {KEY_A, NO_KEY}, {KEY_D, NO_KEY},   {KEY_M, NO_KEY},    {KEY_F5, NO_KEY},
    };
};

// Held through any of its keys: Up and W together are still one step.
bool IsActionHeld(const KeyState& keys, const KeyBindings& bindings, Action action);
// One press of any of the action's keys, taken as TakePress takes it.
bool TakeAction(KeyState& keys, const KeyBindings& bindings, Action action);

// Whether any action has `code`: the game's own letters (G, H) give way to a binding.
bool IsBound(const KeyBindings& bindings, unsigned code);

// The movement actions held, one bit each (1 << ACTION_FORWARD, ...).
uint32_t HeldMovement(const KeyState& keys, const KeyBindings& bindings);
inline bool HasAction(uint32_t actions, Action action)
{
    return (actions >> action & 1u) != 0;
}
