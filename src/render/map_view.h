// The small map in the window's top-right corner, during play when asked for (M).
#pragma once

void DrawMap();
