// The game's own names for the keys it reads. The values are the Windows
// virtual-key codes, so a window procedure hands its codes on unchanged; the
// Win32 target checks each against its VK_ name when it is built.
#pragma once

enum {
    KEY_RETURN = 0x0D,
    KEY_ESCAPE = 0x1B,
    KEY_SPACE = 0x20,
    KEY_LEFT = 0x25,
    KEY_UP = 0x26,
    KEY_RIGHT = 0x27,
    KEY_DOWN = 0x28,
    KEY_F5 = 0x74,
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
