// The game's own names for the keys it reads. The values are the Windows
// virtual-key codes, so a window procedure hands its codes on unchanged; the
// Win32 target checks each against its VK_ name when it is built.
#pragma once

enum {
    KEY_BACK = 0x08,
    KEY_TAB = 0x09,
    KEY_RETURN = 0x0D,
    KEY_SHIFT = 0x10,
    KEY_CONTROL = 0x11,
    KEY_ESCAPE = 0x1B,
    KEY_SPACE = 0x20,
    KEY_PRIOR = 0x21,   // Page Up
    KEY_NEXT = 0x22,    // Page Down
    KEY_END = 0x23,
    KEY_HOME = 0x24,
    KEY_LEFT = 0x25,
    KEY_UP = 0x26,
    KEY_RIGHT = 0x27,
    KEY_DOWN = 0x28,
    KEY_INSERT = 0x2D,
    KEY_DELETE = 0x2E,
    KEY_F1 = 0x70,
    KEY_F5 = 0x74,
    KEY_F9 = 0x78,
    KEY_F11 = 0x7A,
    KEY_F12 = 0x7B,
    // Letter keys have their upper-case ASCII codes on every keyboard layout.
    KEY_A = 'A',
    KEY_D = 'D',
    KEY_M = 'M',
    KEY_S = 'S',
    KEY_W = 'W',
};

// Entries of the game's key array, one per code.
const unsigned KEY_CODES = 256;
