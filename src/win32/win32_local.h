// What the Win32 files share among themselves and nobody else sees.
#pragma once
#include "render/gl_api.h"

// The window whose rectangle PlatformGetWindowRect reports; set by the window code.
void PlatformSetGameWindow(HWND windowHandle);
