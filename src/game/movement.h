// Turning, walking with collision against walls, mouse look, and the goal check.
#pragma once

void CheckGoal();
void RunTick();
bool CollidesWithWall(float row, float column);
int CellOfCoordinate(float v);
// Puts the cursor in the middle of the window, so mouse look measures from there.
void RecentreMouse();
