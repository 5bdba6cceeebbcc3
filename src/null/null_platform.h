// The in-memory stand-ins of the native tests' platform: a window rectangle,
// a cursor position and a cursor display count, and the window system's
// extension list.
#pragma once
#include "platform/platform.h"

void PlatformFakeSetWindowRect(const PlatformRect* rect);   // null: no window
void PlatformFakeSetCursorPos(int x, int y);
int PlatformFakeCursorCount();
void PlatformFakeSetCursorCount(int count);

// What WindowSystemExtensions reports (null: none).
void NullWindowSetExtensions(const char* extensions);
