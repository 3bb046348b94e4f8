#include "Block.h"
#include "Consts.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

namespace {

using Cells = std::set<std::pair<int, int>>;

// Moves a shape to the top left of its bounding box and packs it as a mask (bit x + 4 * y).
int MaskOf(const Cells& cells, int& width, int& height)
{
    int minX = 99, minY = 99, maxX = -1, maxY = -1;
    for (auto [x, y] : cells) {
        minX = std::min(minX, x);
        minY = std::min(minY, y);
        maxX = std::max(maxX, x);
        maxY = std::max(maxY, y);
    }
    width = maxX - minX + 1;
    height = maxY - minY + 1;
    int mask = 0;
    for (auto [x, y] : cells)
        mask |= 1 << ((x - minX) + 4 * (y - minY));
    return mask;
}

// Every fixed shape of 1 to 4 edge-joined cells (rotations and mirror images counted apart), grown
// cell by cell from a single cell.
std::set<int> AllShapesUpToFourCells()
{
    std::set<Cells> layer = {{{0, 0}}};
    std::set<int> masks;
    for (int size = 1; size <= 4; ++size) {
        std::set<Cells> next;
        for (const Cells& cells : layer) {
            int width, height;
            masks.insert(MaskOf(cells, width, height));
            for (auto [x, y] : cells) {
                const int dx[4] = {1, -1, 0, 0}, dy[4] = {0, 0, 1, -1};
                for (int d = 0; d < 4; ++d) {
                    Cells grown = cells;
                    if (!grown.insert({x + dx[d], y + dy[d]}).second)
                        continue;
                    // Normalise so that equal shapes compare equal.
                    int minX = 99, minY = 99;
                    for (auto [cx, cy] : grown) {
                        minX = std::min(minX, cx);
                        minY = std::min(minY, cy);
                    }
                    Cells moved;
                    for (auto [cx, cy] : grown)
                        moved.insert({cx - minX, cy - minY});
                    next.insert(moved);
                }
            }
        }
        layer = next;
    }
    return masks;
}

class BlockTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Consts::Init(480, 800, false);
        Block::InitTables();
    }
};

} // namespace

TEST_F(BlockTest, TheShapesAreExactlyTheFixedShapesOfOneToFourCells)
{
    const std::set<int> expected = AllShapesUpToFourCells();
    ASSERT_EQ(expected.size(), 28u);
    std::set<int> masks;
    for (int type = 0; type < Block::TYPE_COUNT; ++type) {
        const int mask = Block::blocksDescription[type];
        masks.insert(mask);
        // The stated box is the mask's own bounding box, rebased to the top left.
        Cells cells;
        for (int bit = 0; bit < 16; ++bit)
            if (mask & (1 << bit))
                cells.insert({bit % 4, bit / 4});
        int width, height;
        EXPECT_EQ(MaskOf(cells, width, height), mask) << type;
        EXPECT_EQ(Block::blocksWType[type], width) << type;
        EXPECT_EQ(Block::blocksHType[type], height) << type;
    }
    EXPECT_EQ(masks, expected);
}

TEST_F(BlockTest, TypeNumbersKeepTheirShapes)
{
    // Level files and saves store type numbers: a few anchors of the order.
    EXPECT_EQ(Block::blocksDescription[0], 51);   // square
    EXPECT_EQ(Block::blocksDescription[1], 4369); // upright bar
    EXPECT_EQ(Block::blocksDescription[2], 15);   // flat bar
    EXPECT_EQ(Block::blocksDescription[15], 114); // .#. / ###
    EXPECT_EQ(Block::blocksDescription[19], 273); // upright three
    EXPECT_EQ(Block::blocksDescription[27], 1);   // single cell
}

TEST_F(BlockTest, FindsTypesByExactMaskOnly)
{
    for (int type = 0; type < Block::TYPE_COUNT; ++type)
        EXPECT_EQ(Block::FindType(Block::blocksDescription[type]), type);
    EXPECT_EQ(Block::FindType(0), -1);
    EXPECT_EQ(Block::FindType(2), -1);       // a single cell not rebased
    EXPECT_EQ(Block::FindType(51 << 1), -1); // a square not rebased
    EXPECT_EQ(Block::FindType(0xFFFF), -1);
}

TEST_F(BlockTest, HasCellOnlyInsideTheFourByFourBox)
{
    const int full = 0xFFFF;
    EXPECT_EQ(Block::HasCell(full, 0, 0), 1);
    EXPECT_EQ(Block::HasCell(full, 3, 3), 1);
    EXPECT_EQ(Block::HasCell(full, 4, 0), 0);
    EXPECT_EQ(Block::HasCell(full, 0, -1), 0);
    EXPECT_EQ(Block::HasCell(full, -1, 2), 0);
    EXPECT_EQ(Block::HasCell(full, 1, 4), 0);
    EXPECT_EQ(Block::HasCell(Block::blocksDescription[6], 2, 0), 1); // ..# / ###
    EXPECT_EQ(Block::HasCell(Block::blocksDescription[6], 0, 0), 0);
}

TEST_F(BlockTest, PieceImageSizesFollowTheScreenWidth)
{
    struct Case {
        int width, height, one, four;
    };
    for (const Case& c : {Case{240, 320, 20, 80}, Case{320, 480, 27, 105},
                          Case{480, 800, 41, 161}, Case{600, 1024, 50, 198}}) {
        Consts::Init(c.width, c.height, false);
        Block::InitTables();
        EXPECT_EQ(Block::cellPixelSizes[0], c.one) << c.width;
        EXPECT_EQ(Block::cellPixelSizes[3], c.four) << c.width;
        EXPECT_EQ(Block::blocksWidth[2], c.four) << c.width;  // flat bar: 4 x 1
        EXPECT_EQ(Block::blocksHeight[2], c.one) << c.width;
    }
    // A width without a row keeps the sizes it had.
    Consts::Init(500, 800, false);
    Block::InitTables();
    EXPECT_EQ(Block::cellPixelSizes[3], 198);
}

TEST_F(BlockTest, ColoursAndSerialNumbers)
{
    Block::SetColor(2, 0xFF8000);
    EXPECT_FLOAT_EQ(Block::blockColors[2][0], 1.0f);
    EXPECT_NEAR(Block::blockColors[2][1], 128 / 255.0f, 1e-6);
    EXPECT_FLOAT_EQ(Block::blockColors[2][2], 0.0f);
    EXPECT_FLOAT_EQ(Block::blockColors[2][3], 1.0f);
    Block::SetColor(-1, 0xFFFFFF); // ignored, not written before the table
    Block::SetColor(Block::COLOR_SLOTS, 0xFFFFFF);

    Block first(5, 2.0f, 3.0f, 0.0f);
    Block second(27, 0.0f, 0.0f, -1.0f);
    EXPECT_EQ(second.id, first.id + 1);
    EXPECT_EQ(second.colour, (first.colour + 1) % 6);
    EXPECT_EQ(first.mask, 547);
    EXPECT_EQ(first.wType, 2);
    EXPECT_EQ(first.hType, 3);
    Block bad(99, 0.0f, 0.0f, 0.0f); // an unknown type copies no shape
    EXPECT_EQ(bad.mask, 0);
}
