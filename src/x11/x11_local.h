// What the X11 files share among themselves and nobody else sees.
#pragma once
#include <X11/Xlib.h>

// The connection and window the platform operations act on; set by the window code.
void PlatformSetGameWindow(Display* display, Window window);

// The game window's connection, or null before the window is made.
Display* GameDisplay();

enum WindowEventResult {
    EVENT_HANDLED,
    EVENT_QUIT,          // the window's close box: the game ends
};

// Hands one event to the game, as the window procedure does on Windows.
WindowEventResult HandleWindowEvent(XEvent& event);
