// Fixed GL state of a new context and the 3D labyrinth around the player.
#pragma once

#include "game/game_state.h"

void SetUpGlState();
void DrawFrame(const Game& game);
void DrawScene(const Player& player, const Labyrinth& labyrinth);
void DrawGhost(const Game& game);
