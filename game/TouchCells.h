// Where a touch lies in cells: the column and row (fractional) of the display area under pixel x or
// y of the screen, for the touch handlers in and out of play. A cell size of 0 (before
// Consts::Init) counts as 1.
#pragma once

#include <algorithm>

#include "Consts.h"

// Pixel p of the screen counted in cells from the display area's edge at pixel origin.
inline float PixelToCells(int p, int origin)
{
    return static_cast<float>(p - origin) / static_cast<float>(std::max(Consts::CELL_SIZE, 1));
}

inline float CellX(int x)
{
    return PixelToCells(x, Consts::DISPLAY_AREA_X);
}

inline float CellY(int y)
{
    return PixelToCells(y, Consts::DISPLAY_AREA_Y);
}
