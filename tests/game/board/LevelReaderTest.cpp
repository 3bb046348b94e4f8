// Reading levels onto the board: tray, grid, holes, outline, solutions, and what an absent or
// invalid level leaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <tuple>

#include "BinaryFiles.h"
#include "Consts.h"
#include "Content.h"
#include "Stats.h"
#include "support/BoardWorld.h"
#include "vfs/Vfs.h"

using VornTest::BoardWorld;
using VornTest::LevelDesign;

namespace {

struct Size {
    int width;
    int height;
};
const Size SIZES[] = {{240, 320}, {320, 480}, {480, 800}, {600, 1024}};

class LevelReader : public ::testing::TestWithParam<Size> {
protected:
    BoardWorld world{GetParam().width, GetParam().height};
};

// A ring of cells to cover around a hole, on a board whose corner cell is outside and joined to
// another outside cell only through a chain.
LevelDesign RingLevel()
{
    LevelDesign design;
    design.x0 = 3;
    design.y0 = 2;
    design.rows = {
        "..###",
        "#####",
        "##.##",
        "#####",
    };
    design.tray = {{0, 0, 27}, {10, 0, 20}, {0, 12, 0}};
    return design;
}

std::set<std::tuple<float, float, int, float>> Segments(const Outline& outline, float rowOffset)
{
    std::set<std::tuple<float, float, int, float>> result;
    for (const OutlineSegment& segment : outline)
        result.insert({segment.x, segment.y - rowOffset, segment.direction, segment.length});
    return result;
}

} // namespace

INSTANTIATE_TEST_SUITE_P(BaseSizes, LevelReader, ::testing::ValuesIn(SIZES),
                         [](const ::testing::TestParamInfo<Size>& info) {
                             return std::to_string(info.param.width) + "x" +
                                    std::to_string(info.param.height);
                         });

TEST_P(LevelReader, TrayIsNewestFirstAndOriginFollowsTheBoardRow)
{
    world.InstallLevel(5, RingLevel());
    PlayfieldFit& board = *world.StartLevel(5);
    ASSERT_TRUE(board.IsLoaded());
    ASSERT_EQ(board.Tray().size(), 3u);
    EXPECT_EQ(board.Tray()[0]->type, 0); // the last record of the file heads the list
    EXPECT_EQ(board.Tray()[2]->type, 27);
    EXPECT_EQ(board.Tray()[0]->y, 12.0f);
    for (const auto& entry : board.Tray())
        EXPECT_EQ(entry->trayState, 0.0f);
    EXPECT_EQ(board.width, 5);
    EXPECT_EQ(board.height, 4);
    const int cell = Consts::CELL_SIZE;
    EXPECT_EQ(board.originX, 3 * cell);
    EXPECT_EQ(board.originY, static_cast<int>((2 + world.game().boardTopRows) * cell));
}

TEST_P(LevelReader, HolesStayEnclosedAndOutsideCellsReachTheBorder)
{
    world.InstallLevel(5, RingLevel());
    PlayfieldFit& board = *world.StartLevel(5);
    EXPECT_EQ(board.Cell(0, 0), BoardCell::OUTSIDE);
    EXPECT_EQ(board.Cell(1, 0), BoardCell::OUTSIDE);
    EXPECT_EQ(board.Cell(2, 2), BoardCell::HOLE);
    EXPECT_EQ(board.Cell(2, 0), BoardCell::EMPTY);
    EXPECT_EQ(board.Cell(4, 3), BoardCell::EMPTY);

    // Outside cells reach the border through a chain that turns back up and left.
    LevelDesign design;
    design.rows = {
        "#####",
        "#...#",
        "#.#.#",
        "###.#",
        "#...#",
        "#.###",
    };
    world.InstallLevel(6, design);
    PlayfieldFit& snake = *world.StartLevel(6);
    for (auto [x, y] : {std::pair{1, 5}, {1, 4}, {2, 4}, {3, 4}, {3, 3}, {3, 2}, {3, 1}, {2, 1}, {1, 1}, {1, 2}})
        EXPECT_EQ(snake.Cell(x, y), BoardCell::OUTSIDE) << x << "," << y;
    EXPECT_EQ(snake.Cell(2, 2), BoardCell::EMPTY);
}

TEST_P(LevelReader, HalfCellShiftsMoveOriginAndOutline)
{
    const int cell = Consts::CELL_SIZE;
    LevelDesign design;
    design.x0 = 4;
    design.rows = {"#"};
    design.flags = 0;
    world.InstallLevel(1, design);
    const Outline plain = world.StartLevel(1)->outline;
    const int plainX = world.board().originX;

    design.flags = 1;
    world.InstallLevel(1, design);
    PlayfieldFit& left = *world.StartLevel(1);
    EXPECT_EQ(left.originX, plainX - cell / 2);
    EXPECT_EQ(left.halfCellShift, -(cell / 2));
    for (const OutlineSegment& segment : left.outline)
        EXPECT_TRUE(std::any_of(plain.begin(), plain.end(), [&](const OutlineSegment& p) {
            return p.direction == segment.direction && p.y == segment.y &&
                   p.x - segment.x == static_cast<float>(cell / 2) / cell;
        }));

    design.flags = 3;
    world.InstallLevel(1, design);
    EXPECT_EQ(world.StartLevel(1)->originX, plainX);
    design.flags = 2;
    world.InstallLevel(1, design);
    EXPECT_EQ(world.StartLevel(1)->originX, plainX + cell / 2);
}

TEST_P(LevelReader, OutlineOfOneCellAndOfAShapeWithAHole)
{
    LevelDesign one;
    one.x0 = 2;
    one.y0 = 3;
    one.rows = {"#"};
    world.InstallLevel(0, one);
    PlayfieldFit& board = *world.StartLevel(0);
    const float top = world.game().boardTopRows;
    EXPECT_EQ(Segments(board.outline, top),
              (std::set<std::tuple<float, float, int, float>>{
                  {2.0f, 3.0f, OutlineSegment::VERTICAL, 1.0f},
                  {3.0f, 3.0f, OutlineSegment::VERTICAL, 1.0f},
                  {2.0f, 3.0f, OutlineSegment::HORIZONTAL, 1.0f},
                  {2.0f, 4.0f, OutlineSegment::HORIZONTAL, 1.0f},
              }));

    world.InstallLevel(5, RingLevel());
    PlayfieldFit& ring = *world.StartLevel(5);
    const auto live = Segments(ring.outline, top);
    // Left border: rows 1..3 in one run; the hole adds four unit segments around (5, 4).
    EXPECT_TRUE(live.count({3.0f, 3.0f, OutlineSegment::VERTICAL, 3.0f}));
    EXPECT_TRUE(live.count({5.0f, 4.0f, OutlineSegment::VERTICAL, 1.0f}));
    EXPECT_TRUE(live.count({6.0f, 4.0f, OutlineSegment::VERTICAL, 1.0f}));
    EXPECT_TRUE(live.count({5.0f, 4.0f, OutlineSegment::HORIZONTAL, 1.0f}));
    EXPECT_TRUE(live.count({5.0f, 5.0f, OutlineSegment::HORIZONTAL, 1.0f}));
    EXPECT_TRUE(live.count({3.0f, 6.0f, OutlineSegment::HORIZONTAL, 5.0f}));
    float perimeter = 0.0f;
    for (const OutlineSegment& segment : ring.outline)
        perimeter += segment.length;
    EXPECT_EQ(perimeter, 4.0f + 18.0f); // the hole and the outer boundary

    // The preview draws the same shape from its own origin row.
    PlayfieldFit scratch(0, 0, 1, 16);
    EXPECT_EQ(Segments(scratch.LoadLevelOutline(5), 0.0f), live);
    EXPECT_EQ(scratch.Cell(2, 2), 1); // the preview keeps the raw cell bytes
}

TEST_P(LevelReader, SolutionsArePackedAndCapped)
{
    LevelDesign design;
    design.x0 = 2;
    design.y0 = 1;
    design.rows = {"##"};
    design.solutions = {{{26, 2, 1}}, {{27, 2, 1}, {27, 3, 1}}};
    design.piecesPerSolution = 1; // only the first byte triple of each solution counts
    design.solutions[1].resize(1);
    world.InstallLevel(9, design);
    const SolutionTable table = PlayfieldFit::ReadSolutions(9);
    ASSERT_EQ(table.Count(), 2);
    EXPECT_EQ(table.PiecesPerSolution(), 1);
    EXPECT_EQ(table.Entry(0, 0), (26 << 16) | (2 + 12 * 1));
    EXPECT_EQ(SolutionPlacement::Pack(5, 3, 2), (5 << 16) | 27);
    EXPECT_EQ(world.game().GetSolutionPiece(9, 1, 0), 27);
    EXPECT_EQ(world.game().GetSolutionX(9, 1, 0), 2);
    EXPECT_EQ(world.game().GetSolutionY(9, 1, 0), 1);

    // More than 63 stored solutions: the 64th and later have no bit in the level record.
    LevelDesign many;
    many.rows = {"#"};
    many.solutions.assign(70, {{27, 0, 0}});
    world.InstallLevel(10, many);
    EXPECT_EQ(PlayfieldFit::GetSolutionCount(10), 63);
    EXPECT_EQ(PlayfieldFit::ReadSolutions(10).words.size(), 2u + 63u);
}

TEST_P(LevelReader, AnAbsentLevelIsEmptyAndNeverSolved)
{
    const std::vector<uint8_t> shortFile = {0, 0, 1, 0x00};
    EXPECT_FALSE(Content::SetBinary(7, shortFile.data(), shortFile.size()));
    PlayfieldFit& board = *world.StartLevel(7);
    EXPECT_FALSE(board.IsLoaded());
    EXPECT_TRUE(board.Tray().empty());
    EXPECT_TRUE(board.outline.empty());
    EXPECT_EQ(PlayfieldFit::GetSolutionCount(7), 0);
    EXPECT_EQ(PlayfieldFit::ReadSolutions(7).Count(), 0);
    PlayfieldFit scratch(0, 0, 1, 16);
    EXPECT_TRUE(scratch.LoadLevelOutline(7).empty());
    for (int frame = 0; frame < 3; ++frame)
        world.Frame(16);
    EXPECT_FALSE(board.solved);
    EXPECT_EQ(world.game().stats->completions, 0);
    EXPECT_EQ(world.game().GetHalfPieceCount(7), 0);

    // A valid level replaced by invalid bytes becomes absent too.
    world.InstallLevel(8, RingLevel());
    ASSERT_NE(Content::GetLevel(8), nullptr);
    std::vector<uint8_t> wide = VornTest::BuildLevel(RingLevel());
    wide[3 + 2 * 3] = 0xC3; // a width of 13 columns
    EXPECT_FALSE(Content::SetBinary(8, wide.data(), wide.size()));
    EXPECT_EQ(Content::GetLevel(8), nullptr);
}

TEST(LevelFiles, LoadBinaryReadsThroughTheFileSystemAndRefusesBadFiles)
{
    BoardWorld world(480, 800);
    BinaryFiles::Init();
    Content::SetLevelPath("save/levels");
    // The save mount stands in for the level archive: "save/levels/<pack>/<stem>.bin".
    const std::vector<uint8_t> good = VornTest::BuildLevel(RingLevel());
    VornTest::WriteBytes(BoardWorld::DataName("save/levels/" + BinaryFiles::files[0]), good);
    EXPECT_TRUE(Content::LoadBinary(0));
    EXPECT_NE(Content::GetLevel(0), nullptr);

    // A missing file leaves the level as it was.
    std::remove(BoardWorld::DataName("save/levels/" + BinaryFiles::files[0]).c_str());
    EXPECT_TRUE(Content::LoadBinary(0));
    EXPECT_NE(Content::GetLevel(0), nullptr);
    EXPECT_FALSE(Content::LoadBinary(1));
    EXPECT_EQ(Content::GetLevel(1), nullptr);

    // Truncated, lengthened and type-corrupted files make the level absent.
    std::vector<uint8_t> bad = good;
    bad.pop_back();
    VornTest::WriteBytes(BoardWorld::DataName("save/levels/" + BinaryFiles::files[0]), bad);
    EXPECT_FALSE(Content::LoadBinary(0));
    EXPECT_EQ(Content::GetLevel(0), nullptr);
    bad = good;
    bad.push_back(0);
    VornTest::WriteBytes(BoardWorld::DataName("save/levels/" + BinaryFiles::files[0]), bad);
    EXPECT_FALSE(Content::LoadBinary(0));
    bad = good;
    bad[4] = 28;
    VornTest::WriteBytes(BoardWorld::DataName("save/levels/" + BinaryFiles::files[0]), bad);
    EXPECT_FALSE(Content::LoadBinary(0));
    EXPECT_FALSE(Content::LoadBinary(-1));
    EXPECT_FALSE(Content::LoadBinary(200));
}
