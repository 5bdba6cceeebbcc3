// Keys as one frame sees them. The window hands in every key event as it
// comes (NoteKey in platform.h); StartKeyFrame turns what came since the last
// frame into this frame's view: which keys are held, which went down (each
// key-down message, auto-repeat included, as the menus step on them) and
// which went up. A tap that begins and ends between two frames still counts:
// the next frame sees it go down and holds it for that one frame. A key let
// go between frames is up for the next one, auto-repeat or not, so the player
// never walks on after releasing it.
#pragma once

#include "platform/keys.h"

struct KeyState {
    // This frame's view.
    bool held[KEY_CODES] = {};
    bool wentDown[KEY_CODES] = {};   // taken presses are cleared, so one press acts once
    bool wentUp[KEY_CODES] = {};
    bool pressedFromUp[KEY_CODES] = {};   // a key-down of the key while it was up: no auto-repeat
    // What the events since the last frame said.
    bool down[KEY_CODES] = {};       // the level the key's last event left
    bool downSeen[KEY_CODES] = {};   // any key-down, auto-repeat included
    bool pressSeen[KEY_CODES] = {};  // a key-down of a key that was up
    bool upSeen[KEY_CODES] = {};
};

void NoteKeyEvent(KeyState& keys, unsigned code, bool down);
void StartKeyFrame(KeyState& keys);
// Key-up messages go to whichever window has the focus: once the game's
// window loses it, every key counts as up and nothing waits for a frame.
void ForgetKeys(KeyState& keys);

bool IsHeld(const KeyState& keys, unsigned code);
bool WentDown(const KeyState& keys, unsigned code);
bool WentUp(const KeyState& keys, unsigned code);
// True when the key went down this frame from being up, auto-repeat aside: a
// key held on from before counts again only once let go and pressed anew.
bool PressedFromUp(const KeyState& keys, unsigned code);
// True for a key that went down this frame; the rest of the frame no longer sees it.
bool TakePress(KeyState& keys, unsigned code);
