// Virtual-key codes by their Windows names, for code that never sees <windows.h>.
#pragma once

#ifdef _WIN32
#include "render/gl_api.h"
#else
enum {
    VK_RETURN = 0x0D,
    VK_ESCAPE = 0x1B,
    VK_SPACE = 0x20,
    VK_LEFT = 0x25,
    VK_UP = 0x26,
    VK_RIGHT = 0x27,
    VK_DOWN = 0x28,
    VK_F12 = 0x7B,
};
#endif

// Letter keys have their upper-case ASCII codes on every keyboard layout.
enum { KEY_A = 'A', KEY_D = 'D', KEY_S = 'S', KEY_W = 'W' };
