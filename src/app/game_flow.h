// Main menu, labyrinth list, play and the solved screen.
#pragma once

void HandleFlowKeys();
void StartLabyrinth();
void FinishLabyrinth();
void EnterPlayView();
void EnterMenuView();
