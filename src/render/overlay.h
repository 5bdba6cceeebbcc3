// The bitmap font and everything drawn over the scene: menus, list, solved screen.
#pragma once
#include <cstdint>

// A font is 224 consecutive display lists: list base + k draws character 32 + k.
const unsigned FONT_GLYPHS = 224;
const unsigned FIRST_GLYPH = 32;

void BuildFont(const char* faceName, int32_t height);
void DeleteFont(unsigned index);
void PrintText(unsigned fontIndex, const char* format, ...);
void DrawOverlay();
