// Main menu, labyrinth list, play and the solved screen.
#pragma once
#include <cstdint>

void HandleFlowKeys();
void StartLabyrinth();
void FinishLabyrinth();
void EnterPlayView();
void EnterMenuView();
// Puts the cursor in the middle of the window, so mouse look measures from there.
void RecentreMouse();
// A labyrinth's name on screen: its path without the labyrinth folder.
const char* LabyrinthDisplayName(uint32_t index);
