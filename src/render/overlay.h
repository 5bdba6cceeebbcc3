// The bitmap font and everything drawn over the scene: menus, list, solved screen.
#pragma once
#include <cstdint>

void BuildFont(const char* faceName, int32_t height);
void DeleteFont(unsigned index);
void PrintText(unsigned fontIndex, const char* format, ...);
void DrawOverlay();
