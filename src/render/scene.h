// Fixed GL state of a new context and the 3D labyrinth around the player.
#pragma once

void SetUpGlState();
void DrawFrame();
void DrawScene();
