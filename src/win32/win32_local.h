// What the Win32 files share among themselves and nobody else sees.
#pragma once
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

#include "render/gl_api.h"

// The window whose rectangle PlatformGetWindowRect reports; set by the window code.
void PlatformSetGameWindow(HWND windowHandle);

// The game window's device context (null before the window exists), for the font code.
HDC GameDeviceContext();

// The game's UTF-8 text and Windows' wide text; false when it cannot be turned.
bool WidePath(const char* text, std::wstring& wide);
bool Utf8Text(const wchar_t* wide, std::string& text);
