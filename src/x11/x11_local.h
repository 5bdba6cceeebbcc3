// What the X11 files share among themselves and nobody else sees.
#pragma once
#include <X11/Xlib.h>

// The connection and window the platform operations act on; set by the window code.
void PlatformSetGameWindow(Display* display, Window window);

// The game window's connection, or null before the window is made.
Display* GameDisplay();

// Hands one event to the game, as the window procedure does on Windows.
// False when it asks the game to end (the window's close box).
bool HandleWindowEvent(XEvent& event);
