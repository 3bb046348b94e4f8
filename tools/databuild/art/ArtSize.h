// The sizes every picture of one resolution archive is drawn at, taken from the game's own layout
// constants and piece tables for that base size.
#pragma once

#include <vector>

namespace DataBuild {

struct ArtSize {
    int width = 0;  // base screen width
    int height = 0; // base screen height
    int cell = 0;   // pixels per board cell
    int spans[4] = {0, 0, 0, 0}; // piece image size of 1, 2, 3, 4 cells
    int menuTop = 0; // pixels above the main menu, where the logo sits
    // Pixel row of a board row's top edge, modulo the cell size: the board's top offset is a
    // fraction of a cell on some sizes, and the grid image must line up with the board.
    int gridPhaseY = 0;
    int fontMain = 0;  // pixel size (em) of the main font
    int fontSmall = 0; // pixel size of the small font
    // The piece shapes, by type: bounding box in cells and mask (bit x + 4 * y per cell).
    int typeColumns[28] = {};
    int typeRows[28] = {};
    int typeMask[28] = {};

    int PieceWidth(int type) const { return spans[typeColumns[type] - 1]; }
    int PieceHeight(int type) const { return spans[typeRows[type] - 1]; }

    // The four base sizes, keyed by width: 240x320, 320x480, 480x800, 600x1024.
    static const std::vector<int>& Widths();
    // The size of a base width; false for a width that is not one of the four.
    static bool ForWidth(int width, ArtSize& size);

    // Backgrounds: the screen plus one cell right and below, for the painters that copy a piece of
    // the background from a rectangle reaching just past the screen.
    int BackgroundWidth() const { return width + cell; }
    int BackgroundHeight() const { return height + cell; }

    // Length of the hand-drawn line strips: the farthest pixel any line's window reaches, at any
    // jitter, for lines up to 29 cells long.
    int LineStripLength() const;
    // Width a progress bar's full window takes (volume 10), plus a cell to spare.
    int ProgressBarWidth() const;

    int LogoWidth() const;
    int LogoHeight() const;
    int LockedSize() const { return 2 * cell; }
    int SmallIconSize() const;
};

} // namespace DataBuild
