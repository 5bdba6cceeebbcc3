// Main menu, labyrinth list, play and the solved screen.
#pragma once
#include <cstdint>

// Best times, beside the settings file.
extern const char* const RECORDS_FILE;

// Rows of the labyrinth list's window.
const uint32_t LIST_ROWS = 5;

void HandleFlowKeys();
void StartLabyrinth();
void FinishLabyrinth();
void EnterPlayView();
void EnterMenuView();
// A labyrinth's name on screen: its path without the labyrinth folder.
const char* LabyrinthDisplayName(uint32_t index);
