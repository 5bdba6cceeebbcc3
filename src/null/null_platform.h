// The in-memory stand-ins of the POSIX platform, for tests: a window
// rectangle, a cursor position and a cursor display count.
#pragma once
#include "platform/platform.h"

void PlatformFakeSetWindowRect(const PlatformRect* rect);   // null: no window
void PlatformFakeSetCursorPos(int x, int y);
int PlatformFakeCursorCount();
void PlatformFakeSetCursorCount(int count);
