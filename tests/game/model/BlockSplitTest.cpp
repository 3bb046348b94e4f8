// Cutting what is left of a piece into small pieces after some of its cells are taken off.
#include "Block.h"
#include "Consts.h"

#include <gtest/gtest.h>

TEST(BlockSplit, CutsTheRestIntoSmallPiecesNewestFirst)
{
    Consts::Init(480, 800, false);
    Block::InitTables();

    Vorn::SmartPtr<Block> bar(new Block(2, 3.0f, 5.0f, 0.5f));
    bar->colour = 4;
    const std::vector<Vorn::SmartPtr<Block>> untouched = Block::Split(bar, 1 << 4);
    ASSERT_EQ(untouched.size(), 1u);
    EXPECT_EQ(untouched[0], bar);
    EXPECT_EQ(bar->mask, 15);

    // #### without its second cell: a domino at the right, then the single cell at the left.
    const std::vector<Vorn::SmartPtr<Block>> pieces = Block::Split(bar, 1 << 1);
    EXPECT_EQ(bar->mask, 0b1101);
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0]->type, 27);
    EXPECT_EQ(pieces[0]->x, 3.0f);
    EXPECT_EQ(pieces[1]->type, 26);
    EXPECT_EQ(pieces[1]->x, 5.0f);
    EXPECT_EQ(pieces[1]->y, 5.0f);
    for (const auto& piece : pieces) {
        EXPECT_EQ(piece->colour, 4);
        EXPECT_EQ(piece->trayState, 0.5f);
    }

    // A square without its top-left cell is the tromino of that shape.
    Vorn::SmartPtr<Block> square(new Block(0, 0.0f, 0.0f, 0.0f));
    const std::vector<Vorn::SmartPtr<Block>> corner = Block::Split(square, 1);
    ASSERT_EQ(corner.size(), 1u);
    EXPECT_EQ(corner[0]->type, 24);

    // Everything taken: nothing is left.
    EXPECT_TRUE(Block::Split(Vorn::SmartPtr<Block>(new Block(25, 0.0f, 0.0f, 0.0f)), 0xFFFF).empty());
}
