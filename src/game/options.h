// What a player sets for themselves, kept in "Options.ini" beside the
// settings file: the look's sensitivity, the keys, the picture. A missing
// file, or a line that is damaged or out of range, leaves the value the game
// always had, so without the file the game plays exactly as it did.
#pragma once
#include <cstdint>

#include "game/controls.h"

enum TextSize { TEXT_NORMAL, TEXT_LARGE, TEXT_FOLLOW_WINDOW };

const double MIN_MOUSE_SENSITIVITY = 0.05;   // degrees per pixel
const double MAX_MOUSE_SENSITIVITY = 0.50;
const uint32_t MIN_FIELD_OF_VIEW = 30;       // vertical, degrees
const uint32_t MAX_FIELD_OF_VIEW = 110;
const uint32_t MIN_FRAME_LIMIT = 10;         // frames a second; 0 is no limit
const uint32_t MAX_FRAME_LIMIT = 1000;

struct Options {
    double mouseSensitivity = 0.15;
    bool invertMouse = false;        // the vertical axis: moving the mouse up looks down
    KeyBindings bindings;
    uint32_t fieldOfView = 45;
    bool keepAspect = false;         // false: the 4:3 picture stretched over the window
    bool vsync = false;
    uint32_t frameLimit = 0;
    TextSize textSize = TEXT_NORMAL;
    bool ghost = false;              // G in play: the best run shown beside this one
};

void ReadOptions(Options& options, const char* path);
// Through the one atomic writer; false (the old file intact) when it cannot.
bool WriteOptions(const Options& options, const char* path);
bool SameOptions(const Options& a, const Options& b);

const int32_t NORMAL_TEXT_HEIGHT = 12;   // pixels, the overlay's text as it always was
// The overlay text's height in pixels for a client area `clientHeight` high:
// "Follow window" keeps the normal text's share of a 480-line window.
int32_t TextPixelHeight(TextSize size, int32_t clientHeight);

// The names keys have in the file ("Up", "W", "F5"); null for a key that
// cannot be bound (Enter, Escape and F12 keep their meaning, F11 switches
// full screen).
const char* KeyName(unsigned code);
unsigned KeyOfName(const char* name);   // NO_KEY for a name no bindable key has
// Gives `action` the key in place `slot`, taking it from any action that had it.
void BindKey(KeyBindings& bindings, Action action, unsigned slot, unsigned code);
