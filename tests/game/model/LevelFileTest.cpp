#include "LevelFile.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A small valid level, "##." over "###" at (4, 2) covered by a square and a single cell, built
// field by field so that each test can spoil one field.
struct LevelBytes {
    int flags = 0;
    std::vector<std::vector<int>> tray = {{0x21, 0}, {0x4C, 27}}; // {position byte, type}
    int width = 3, height = 2, originX = 4, originY = 2;
    std::vector<int> cells = {0, 0, 1, 0, 0, 0};
    int solutions = 1, pieces = 2;
    std::vector<std::vector<int>> placements = {{0, 4, 2}, {27, 6, 3}};

    std::vector<uint8_t> Bytes() const
    {
        std::vector<uint8_t> bytes = {0, static_cast<uint8_t>(flags),
                                      static_cast<uint8_t>(tray.size())};
        for (const auto& entry : tray) {
            bytes.push_back(static_cast<uint8_t>(entry[0]));
            bytes.push_back(static_cast<uint8_t>(entry[1]));
        }
        bytes.push_back(static_cast<uint8_t>(((width - 1) << 4) | (height - 1)));
        bytes.push_back(static_cast<uint8_t>((originX << 4) | originY));
        for (int cell : cells)
            bytes.push_back(static_cast<uint8_t>(cell));
        bytes.push_back(static_cast<uint8_t>(solutions));
        bytes.push_back(static_cast<uint8_t>(pieces));
        for (const auto& placement : placements)
            for (int value : placement)
                bytes.push_back(static_cast<uint8_t>(value));
        return bytes;
    }
};

bool Parses(const LevelBytes& level)
{
    std::vector<uint8_t> bytes = level.Bytes();
    LevelFile file;
    return file.Parse(bytes.data(), bytes.size());
}

} // namespace

TEST(LevelFile, ReadsEveryField)
{
    LevelBytes source;
    source.flags = 1;
    std::vector<uint8_t> bytes = source.Bytes();
    LevelFile level;
    ASSERT_TRUE(level.Parse(bytes.data(), bytes.size()));
    EXPECT_EQ(level.flags, 1);
    ASSERT_EQ(level.tray.size(), 2u);
    EXPECT_EQ(level.tray[0].x, 2);
    EXPECT_EQ(level.tray[0].y, 1);
    EXPECT_EQ(level.tray[0].type, 0);
    EXPECT_EQ(level.tray[1].x, 4);
    EXPECT_EQ(level.tray[1].y, 12);
    EXPECT_EQ(level.tray[1].type, 27);
    EXPECT_EQ(level.width, 3);
    EXPECT_EQ(level.height, 2);
    EXPECT_EQ(level.originX, 4);
    EXPECT_EQ(level.originY, 2);
    EXPECT_EQ(level.Cell(2, 0), LevelFile::CELL_OUTSIDE);
    EXPECT_EQ(level.Cell(2, 1), LevelFile::CELL_TO_COVER);
    EXPECT_EQ(level.Cell(3, 0), LevelFile::CELL_OUTSIDE);
    EXPECT_EQ(level.Cell(-1, 0), LevelFile::CELL_OUTSIDE);
    EXPECT_EQ(level.solutionCount, 1);
    EXPECT_EQ(level.piecesPerSolution, 2);
    EXPECT_EQ(level.Placement(0, 1).type, 27);
    EXPECT_EQ(level.Placement(0, 1).x, 6);
    EXPECT_EQ(level.Placement(0, 1).y, 3);
}

TEST(LevelFile, AcceptsAnEmptyTrayAndNoSolutions)
{
    LevelBytes level;
    level.tray.clear();
    level.solutions = 0;
    level.placements.clear();
    EXPECT_TRUE(Parses(level));
}

TEST(LevelFile, RefusesEveryShortAndLongFile)
{
    const std::vector<uint8_t> bytes = LevelBytes().Bytes();
    LevelFile level;
    for (size_t size = 0; size < bytes.size(); ++size)
        EXPECT_FALSE(level.Parse(bytes.data(), size)) << "truncated to " << size;
    std::vector<uint8_t> longer = bytes;
    longer.push_back(0);
    EXPECT_FALSE(level.Parse(longer.data(), longer.size()));
    EXPECT_FALSE(level.Parse(nullptr, 10));
    EXPECT_TRUE(level.Parse(bytes.data(), bytes.size()));
}

TEST(LevelFile, RefusesFieldsOutOfRange)
{
    auto spoiled = [](auto change) {
        LevelBytes level;
        change(level);
        return Parses(level);
    };
    // Board wider than the grid, or reaching past its right edge or the play area's bottom.
    EXPECT_FALSE(spoiled([](LevelBytes& l) {
        l.width = 13;
        l.originX = 0;
        l.cells.assign(26, 1);
    }));
    EXPECT_FALSE(spoiled([](LevelBytes& l) { l.originX = 10; }));
    EXPECT_FALSE(spoiled([](LevelBytes& l) { l.originY = 15; }));
    EXPECT_TRUE(spoiled([](LevelBytes& l) {
        l.originX = 9;
        l.placements = {{0, 9, 2}, {27, 11, 3}};
    }));
    // Piece types past the 28 shapes, in the tray and in a solution.
    EXPECT_FALSE(spoiled([](LevelBytes& l) { l.tray[1][1] = 28; }));
    EXPECT_FALSE(spoiled([](LevelBytes& l) { l.placements[0][0] = 28; }));
    // Tray boxes off the 12 x 16 play area.
    EXPECT_FALSE(spoiled([](LevelBytes& l) { l.tray[0][0] = 0xB0; }));
    EXPECT_FALSE(spoiled([](LevelBytes& l) { l.tray[0][0] = 0x0F; }));
    EXPECT_TRUE(spoiled([](LevelBytes& l) { l.tray[0][0] = 0xAE; }));
    // Cell values other than 0 and 1.
    EXPECT_FALSE(spoiled([](LevelBytes& l) { l.cells[3] = 2; }));
    EXPECT_FALSE(spoiled([](LevelBytes& l) { l.cells[3] = 100; }));
    // Placements beyond the row stride of 12 or outside the board.
    EXPECT_FALSE(spoiled([](LevelBytes& l) { l.placements[1][1] = 12; }));
    EXPECT_FALSE(spoiled([](LevelBytes& l) { l.placements[1][1] = 7; }));
    EXPECT_FALSE(spoiled([](LevelBytes& l) { l.placements[1][1] = 3; }));
    EXPECT_FALSE(spoiled([](LevelBytes& l) { l.placements[1][2] = 4; }));
    EXPECT_FALSE(spoiled([](LevelBytes& l) { l.placements[1][2] = 1; }));
}

TEST(LevelFile, KeepsAtMostSixtyThreeSolutions)
{
    LevelBytes source;
    source.tray = {{0x00, 27}};
    source.width = source.height = 1;
    source.cells = {0};
    source.pieces = 1;
    source.placements.clear();
    for (int solutions : {63, 64, 255}) {
        source.solutions = solutions;
        source.placements.assign(solutions, {27, 4, 2});
        std::vector<uint8_t> bytes = source.Bytes();
        LevelFile level;
        ASSERT_TRUE(level.Parse(bytes.data(), bytes.size())) << solutions;
        EXPECT_EQ(level.storedSolutions, solutions);
        EXPECT_EQ(level.solutionCount, 63);
        EXPECT_EQ(level.placements.size(), 63u);
        // The length still has to match every stored solution.
        EXPECT_FALSE(level.Parse(bytes.data(), bytes.size() - 3));
    }
}

TEST(LevelFile, AFailedParseLeavesNothingBehind)
{
    std::vector<uint8_t> bytes = LevelBytes().Bytes();
    LevelFile level;
    ASSERT_TRUE(level.Parse(bytes.data(), bytes.size()));
    bytes[2] = 200;
    EXPECT_FALSE(level.Parse(bytes.data(), bytes.size()));
    EXPECT_TRUE(level.tray.empty());
    EXPECT_TRUE(level.cells.empty());
    EXPECT_EQ(level.width, 0);
    EXPECT_EQ(level.solutionCount, 0);
}

TEST(LevelFile, ShiftsByHalfACell)
{
    LevelFile level;
    level.flags = LevelFile::FLAG_SHIFT_LEFT;
    EXPECT_EQ(level.ShiftPixels(20), -10);
    EXPECT_EQ(level.ShiftPixels(26), -13);
    EXPECT_EQ(level.ShiftPixels(41), -20);
    level.flags = LevelFile::FLAG_SHIFT_RIGHT;
    EXPECT_EQ(level.ShiftPixels(50), 25);
    level.flags = LevelFile::FLAG_SHIFT_LEFT | LevelFile::FLAG_SHIFT_RIGHT;
    EXPECT_EQ(level.ShiftPixels(40), 0);
    level.flags = 0xFC; // other bits mean nothing
    EXPECT_EQ(level.ShiftPixels(40), 0);
}
