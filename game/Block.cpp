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
