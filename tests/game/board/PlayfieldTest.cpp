// The board base: free cells, snapping, placing and removing pieces, the event log and the
// recent types.
#include <gtest/gtest.h>

#include "Consts.h"
#include "Stats.h"
#include "support/BoardWorld.h"

using VornTest::BoardWorld;
using VornTest::LevelDesign;

namespace {

LevelDesign Square(int size)
{
    LevelDesign design;
    design.x0 = 2;
    design.y0 = 2;
    design.rows.assign(size, std::string(size, '#'));
    design.rows[size - 1][0] = '.';
    design.tray = {{0, 12, 0}};
    return design;
}

std::vector<HistoryRecord> Drain(Playfield& board)
{
    std::vector<HistoryRecord> records;
    while (const HistoryRecord* record = board.NextHistoryRecord())
        records.push_back(*record);
    return records;
}

} // namespace

TEST(Playfield, FreeCellsAreEmptyCellsInsideTheBoard)
{
    BoardWorld world(480, 800);
    world.InstallLevel(0, Square(4));
    PlayfieldFit& board = *world.StartLevel(0);
    EXPECT_TRUE(board.IsCellFree(0, 0));
    EXPECT_TRUE(board.IsCellFree(3, 3));
    EXPECT_FALSE(board.IsCellFree(-1, 0));
    EXPECT_FALSE(board.IsCellFree(4, 0));
    EXPECT_FALSE(board.IsCellFree(0, 4));
    EXPECT_FALSE(board.IsCellFree(0, -1));
    EXPECT_FALSE(board.IsCellFree(0, 3)); // outside the puzzle (101)
    EXPECT_TRUE(board.CanPlaceBlock(0, 2, 2));
    EXPECT_FALSE(board.CanPlaceBlock(0, 3, 2));
    EXPECT_FALSE(board.CanPlaceBlock(0, -1, 0));
    EXPECT_FALSE(board.CanPlaceBlock(28, 0, 0));
    EXPECT_FALSE(board.CanPlaceBlock(-1, 0, 0));
}

TEST(Playfield, PixelsSnapToTheNearestCell)
{
    for (auto [w, h] : {std::pair{240, 320}, {320, 480}, {480, 800}, {600, 1024}}) {
        Consts::Init(w, h, false);
        const int cell = Consts::CELL_SIZE;
        EXPECT_EQ(Playfield::PixelToCellX(-cell / 2 - 1), -1) << w;
        EXPECT_EQ(Playfield::PixelToCellX(cell / 2), 1) << w;
        EXPECT_EQ(Playfield::PixelToCellX(cell / 2 - 1), 0) << w;
        EXPECT_EQ(Playfield::PixelToCellY(-cell / 2), 0) << w;
        EXPECT_EQ(Playfield::PixelToCellY(-cell / 2 - cell), -1) << w;
        EXPECT_EQ(Playfield::PixelToCellY(-cell / 2 - cell - 1), -2) << w;
        EXPECT_EQ(Playfield::PixelToCellY(3 * cell + cell / 2 - 1), 3) << w;
    }
}

TEST(Playfield, PlacingAndRemovingPieces)
{
    BoardWorld world(320, 480);
    world.InstallLevel(0, Square(4));
    PlayfieldFit& board = *world.StartLevel(0);
    Drain(board);

    Vorn::SmartPtr<Block> square(new Block(0, 2.7f, 1.2f, 0.0f));
    ASSERT_TRUE(board.CanPlaceBlock(0, 2, 1));
    board.AddPlacedBlock(square, true);
    EXPECT_EQ(square->x, 2.0f);
    EXPECT_EQ(square->y, 1.0f);
    EXPECT_EQ(board.placedCount, 1);
    for (auto [x, y] : {std::pair{2, 1}, {3, 1}, {2, 2}, {3, 2}})
        EXPECT_EQ(board.Cell(x, y), BoardCell::COVERED);
    EXPECT_EQ(board.GetPlacedBlockIdAt(3, 2), square->id);
    EXPECT_EQ(board.GetPlacedBlockIdAt(1, 1), -1);
    EXPECT_EQ(board.FindBlockById(square->id), square);
    EXPECT_EQ(board.FindBlockById(-5), nullptr);
    // Counted once in each record.
    EXPECT_EQ(board.stats->pieces[0], 1);
    EXPECT_EQ(world.game().stats->pieces[0], 1);
    const std::vector<HistoryRecord> log = Drain(board);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log[0].code, HistoryRecord::PLACED);
    EXPECT_EQ(log[0].value, square->id);

    // A piece placed without recording is not counted.
    Vorn::SmartPtr<Block> bar(new Block(20, 0.0f, 0.0f, 0.0f));
    board.AddPlacedBlock(bar, false);
    EXPECT_EQ(board.stats->pieces[20], 0);

    board.RemoveBlock(square->id);
    EXPECT_EQ(board.placedCount, 1);
    EXPECT_EQ(board.Cell(2, 1), BoardCell::EMPTY);
    EXPECT_EQ(board.Cell(0, 0), BoardCell::COVERED);
    EXPECT_EQ(board.GetPlacedBlockIdAt(2, 1), -1);

    // Removing a tray entry's id leaves the grid and the tray alone.
    const int trayCells = board.Cell(0, 3);
    ASSERT_EQ(board.Tray().size(), 1u);
    board.RemoveBlock(board.Tray()[0]->id);
    EXPECT_EQ(board.Cell(0, 3), trayCells);
    EXPECT_EQ(board.placedCount, 1);
}

TEST(Playfield, TheLogHandsOutEveryRecordOnceAndKeepsNoBacklog)
{
    BoardWorld world(480, 800);
    world.InstallLevel(0, Square(4));
    PlayfieldFit& board = *world.StartLevel(0);
    Drain(board);

    int ticks = 0;
    for (int frame = 0; frame < 1000; ++frame) {
        board.AddHistory(HistoryRecord::TICK, 0);
        if (frame % 100 == 0) {
            for (const HistoryRecord& record : Drain(board))
                ticks += record.code == HistoryRecord::TICK;
        }
    }
    EXPECT_EQ(board.PendingHistory(), 999u - 900u);
    for (const HistoryRecord& record : Drain(board))
        ticks += record.code == HistoryRecord::TICK;
    EXPECT_EQ(ticks, 1000);
    EXPECT_EQ(board.NextHistoryRecord(), nullptr);
    EXPECT_EQ(board.PendingHistory(), 0u);

    // Records are stamped with the play time, which runs only while neither paused nor finished.
    board.Tick(40);
    board.paused = true;
    board.Tick(40);
    board.paused = false;
    board.finished = true;
    board.Tick(40);
    EXPECT_EQ(board.playTime, 40);
    board.AddHistory(HistoryRecord::TRAY_ADDED, 7);
    EXPECT_EQ(board.NextHistoryRecord()->time, 40);
    // A frame without time logs no tick.
    board.Tick(0);
    EXPECT_EQ(board.PendingHistory(), 0u);
}

TEST(Playfield, RecentTypesLogSmallStreaksAndRepeats)
{
    BoardWorld world(480, 800);
    world.InstallLevel(0, Square(6));
    PlayfieldFit& board = *world.StartLevel(0);
    Drain(board);
    auto place = [&](int type, int x, int y) {
        board.AddPlacedBlock(Vorn::SmartPtr<Block>(new Block(type, float(x), float(y), 0.0f)), true);
        std::vector<HistoryRecord> recent;
        for (const HistoryRecord& record : Drain(board))
            if (record.code == HistoryRecord::RECENT_TYPE)
                recent.push_back(record);
        return recent;
    };
    EXPECT_TRUE(place(20, 0, 0).empty());
    std::vector<HistoryRecord> second = place(25, 0, 1); // small after small
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0].value, 0);
    EXPECT_EQ(board.recentTypes[0], 25);
    EXPECT_EQ(board.recentTypes[1], 20);
    EXPECT_TRUE(place(0, 2, 2).empty());
    EXPECT_TRUE(place(1, 5, 0).empty());
    EXPECT_TRUE(place(2, 1, 4).empty());
    // 20 is at position 4 now and none of the last three is small.
    std::vector<HistoryRecord> repeat = place(20, 1, 5);
    EXPECT_EQ(board.lastRepeatedIndex, 4);
    ASSERT_EQ(repeat.size(), 1u);
    EXPECT_EQ(repeat[0].value, 4);
    const int expected[] = {20, 2, 1, 0, 25, -1};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(board.recentTypes[i], expected[i]) << i;
}
