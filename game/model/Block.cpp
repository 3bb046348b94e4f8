#include "Block.h"

int Block::s_nextId = 0;

Block::Block(int type, float x, float y, float trayState)
    : x(x), y(y), trayState(trayState), type(type), wType(0), hType(0), mask(0), id(s_nextId++),
      colour(0)
{
    if (type >= 0 && type < TYPE_COUNT) {
        wType = blocksWType[type];
        hType = blocksHType[type];
        mask = blocksDescription[type];
    }
    colour = id % 6;
}

std::vector<Vorn::SmartPtr<Block>> Block::Split(const Vorn::SmartPtr<Block>& block, int removedMask)
{
    std::vector<Vorn::SmartPtr<Block>> pieces;
    if (!block)
        return pieces;
    const int remaining = block->mask & ~removedMask;
    if (remaining == block->mask) {
        pieces.push_back(block);
        return pieces;
    }
    block->mask = remaining;
    int left = remaining;
    const int firstSmall = 19;
    for (int type = firstSmall; type < TYPE_COUNT && left != 0; ++type) {
        for (int dx = 0; dx <= block->wType - blocksWType[type] && left != 0; ++dx) {
            for (int dy = 0; dy <= block->hType - blocksHType[type] && left != 0; ++dy) {
                const int shifted = blocksDescription[type] << (dx + 4 * dy);
                if ((left & shifted) != shifted)
                    continue;
                left &= ~shifted;
                Vorn::SmartPtr<Block> piece(new Block(type, block->x + dx, block->y + dy,
                                                      block->trayState));
                piece->colour = block->colour;
                pieces.insert(pieces.begin(), piece);
            }
        }
    }
    return pieces;
}
