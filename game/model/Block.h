// Puzzle pieces: the 28 fixed shapes of one to four cells and the record of one piece.
//
// Pieces are never rotated or mirrored: every orientation is a shape (a "type") of its own. A shape
// mask has bit (x + 4 * y) set for each cell at column x, row y of the shape's bounding box, origin
// top left; every mask touches row 0 and column 0 of its box.
#pragma once

#include <vector>

#include "base/RefCounter.h"
#include "base/SmartPtr.h"

// A piece is shared (tray, board, drag) and counted; a new piece has count 0 until its first holder
// takes it.
class Block : public Vorn::RefCounter {
public:
    static constexpr int TYPE_COUNT = 28;
    static constexpr int COLOR_SLOTS = 12;

    // Shape tables, indexed by type; filled by InitTables.
    static int blocksWType[TYPE_COUNT];       // bounding box width in cells
    static int blocksHType[TYPE_COUNT];       // bounding box height in cells
    static int blocksDescription[TYPE_COUNT]; // shape mask
    static int blocksWidth[TYPE_COUNT];       // bounding box width in pixels of the piece image
    static int blocksHeight[TYPE_COUNT];      // bounding box height in pixels of the piece image
    // Pixel size of a span of 1, 2, 3 and 4 cells in the piece images of the current screen width.
    static int cellPixelSizes[4];
    // RGBA 0..1 of the six piece colours (slots 0..5).
    static float blockColors[COLOR_SLOTS][4];

    // Writes the shape tables, picks the piece image sizes by Consts::SCREEN_WIDTH (an unknown width
    // keeps the previous sizes) and makes the six colour slots opaque.
    static void InitTables();

    // The first type whose mask equals mask exactly, else -1. The mask must be rebased to the top
    // left of its bounding box.
    static int FindType(int mask);

    // 0 when x or y lies outside 0..3, else bit (x + 4 * y) of mask.
    static int HasCell(int mask, int x, int y);

    // Slot 0..COLOR_SLOTS-1 takes the colour 0xRRGGBB, opaque; other slots are ignored.
    static void SetColor(int slot, unsigned rgb);

    // Takes the cells of removedMask off the piece. When that changes its mask, what is left is
    // cut into pieces of the small types (19 to 27, larger first), newest first in the result,
    // with the piece's tray state and colour; otherwise the result is the piece itself.
    static std::vector<Vorn::SmartPtr<Block>> Split(const Vorn::SmartPtr<Block>& block,
                                                    int removedMask);

    Block(int type, float x, float y, float trayState);

    float x;         // column of the bounding box's top-left cell
    float y;         // row of the bounding box's top-left cell
    float trayState; // tray entries: -1 taken out of the tray, 0 shown there
    int type;
    int wType;
    int hType;
    int mask;
    int id;     // serial number, from a process-wide counter that is never reset
    int colour; // colour slot, id mod 6

private:
    static int s_nextId;
};
