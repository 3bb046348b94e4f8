// The art recipes: one drawing function per kind of picture, each deterministic for a given
// image id and base size. Pictures the game tints with its ink colour are masks; the others are
// colour pictures drawn as they will be seen.
#pragma once

#include "art/ArtSize.h"
#include "art/Canvas.h"

#include <string>

namespace DataBuild {

// Hand-drawn line strips: a vertical strip one cell wide or a horizontal one one cell high,
// LineStripLength() long, the stroke along its middle.
Canvas DrawLineStrip(const ArtSize& size, bool vertical);
// The translucent guide bars shown while a piece is dragged (the game crops them to the piece's
// width or height): 41 is the vertical one, 42 the horizontal one.
Canvas DrawGuide(const ArtSize& size, bool vertical);
// The faint board grid, one line per cell, lined up with the board's cells.
Canvas DrawGrid(const ArtSize& size);
// Volume and progress bars (the game shows a growing window from the left): the image id
// chooses the style.
Canvas DrawProgressBar(const ArtSize& size, int id);
// Status icons: the lock of a locked level, and the small lock, bulb and tick.
Canvas DrawIcon(const ArtSize& size, int id);
// Frame tile sheets (5 x 3 tiles of one cell) for the themes that frame the board with tiles.
Canvas DrawFrameTiles(const ArtSize& size, int id);

// Theme backgrounds, by image id.
Canvas DrawBackground(const ArtSize& size, int id);
// Theme logos, by image id.
Canvas DrawLogo(const ArtSize& size, int id);
// The two splash images (ids 0 and 1), each the size of the screen.
Canvas DrawSplash(const ArtSize& size, int id);
// One piece image of a block set.
Canvas DrawBlock(const ArtSize& size, int set, int type);

// The game's name as the logos and the title card show it.
extern const char* const GAME_TITLE;

} // namespace DataBuild
