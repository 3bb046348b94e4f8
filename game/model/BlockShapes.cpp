// The shape tables of Block. Kept apart from the piece objects so that tools can use the shapes
// without the rest of the game.
#include "Block.h"

#include "Consts.h"

namespace {

struct Shape {
    int width;
    int height;
    int mask;
};

// Squares and bars first, then the L, J, S, Z and T orientations, the trominoes, the dominoes and
// the single cell. Type numbers are stored in level files and saves.
const Shape SHAPES[Block::TYPE_COUNT] = {
    {2, 2, 51},   // ## / ##
    {1, 4, 4369}, // # / # / # / #
    {4, 1, 15},   // ####
    {2, 3, 785},  // #. / #. / ##
    {3, 2, 23},   // ### / #..
    {2, 3, 547},  // ## / .# / .#
    {3, 2, 116},  // ..# / ###
    {2, 3, 802},  // .# / .# / ##
    {3, 2, 113},  // #.. / ###
    {2, 3, 275},  // ## / #. / #.
    {3, 2, 71},   // ### / ..#
    {3, 2, 99},   // ##. / .##
    {2, 3, 306},  // .# / ## / #.
    {3, 2, 54},   // .## / ##.
    {2, 3, 561},  // #. / ## / .#
    {3, 2, 114},  // .#. / ###
    {2, 3, 305},  // #. / ## / #.
    {3, 2, 39},   // ### / .#.
    {2, 3, 562},  // .# / ## / .#
    {1, 3, 273},  // # / # / #
    {3, 1, 7},    // ###
    {2, 2, 49},   // #. / ##
    {2, 2, 19},   // ## / #.
    {2, 2, 35},   // ## / .#
    {2, 2, 50},   // .# / ##
    {1, 2, 17},   // # / #
    {2, 1, 3},    // ##
    {1, 1, 1},    // #
};

struct PixelSizes {
    int screenWidth;
    int sizes[4];
};

// The piece images are drawn at these sizes, which are not multiples of the cell size.
const PixelSizes PIXEL_SIZES[] = {
    {240, {20, 40, 60, 80}},   {320, {27, 53, 79, 105}},  {360, {31, 62, 92, 123}},
    {480, {41, 81, 121, 161}}, {600, {50, 99, 148, 198}}, {640, {54, 107, 160, 213}},
    {768, {65, 129, 193, 257}},
};

} // namespace

int Block::blocksWType[TYPE_COUNT];
int Block::blocksHType[TYPE_COUNT];
int Block::blocksDescription[TYPE_COUNT];
int Block::blocksWidth[TYPE_COUNT];
int Block::blocksHeight[TYPE_COUNT];
int Block::cellPixelSizes[4];
float Block::blockColors[COLOR_SLOTS][4];

void Block::InitTables()
{
    for (int type = 0; type < TYPE_COUNT; ++type) {
        blocksWType[type] = SHAPES[type].width;
        blocksHType[type] = SHAPES[type].height;
        blocksDescription[type] = SHAPES[type].mask;
    }
    for (const PixelSizes& entry : PIXEL_SIZES) {
        if (entry.screenWidth == Consts::SCREEN_WIDTH) {
            for (int i = 0; i < 4; ++i)
                cellPixelSizes[i] = entry.sizes[i];
        }
    }
    for (int type = 0; type < TYPE_COUNT; ++type) {
        blocksWidth[type] = cellPixelSizes[blocksWType[type] - 1];
        blocksHeight[type] = cellPixelSizes[blocksHType[type] - 1];
    }
    for (int slot = 0; slot < 6; ++slot)
        blockColors[slot][3] = 1.0f;
}

int Block::FindType(int mask)
{
    for (int type = 0; type < TYPE_COUNT; ++type)
        if (blocksDescription[type] == mask)
            return type;
    return -1;
}

int Block::HasCell(int mask, int x, int y)
{
    if (x < 0 || x > 3 || y < 0 || y > 3)
        return 0;
    return (mask >> (x + 4 * y)) & 1;
}

void Block::SetColor(int slot, unsigned rgb)
{
    if (slot < 0 || slot >= COLOR_SLOTS)
        return;
    const float scale = 0.003921569f;
    blockColors[slot][0] = static_cast<float>((rgb >> 16) & 0xFF) * scale;
    blockColors[slot][1] = static_cast<float>((rgb >> 8) & 0xFF) * scale;
    blockColors[slot][2] = static_cast<float>(rgb & 0xFF) * scale;
    blockColors[slot][3] = 1.0f;
}
