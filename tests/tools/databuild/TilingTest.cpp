#include "Tiling.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

using namespace DataBuild;

namespace {

struct Board {
    int width = 0;
    int height = 0;
    std::vector<bool> cells;
};

Board Parse(const std::vector<std::string>& rows)
{
    Board board;
    board.height = static_cast<int>(rows.size());
    board.width = static_cast<int>(rows[0].size());
    for (const std::string& row : rows)
        for (char c : row)
            board.cells.push_back(c == '#');
    return board;
}

TypeCounts Tray(std::initializer_list<std::pair<int, int>> pieces)
{
    TypeCounts counts{};
    for (auto [type, count] : pieces)
        counts[type] = count;
    return counts;
}

int Count(const Board& board, const TypeCounts& counts, int limit = 1000)
{
    TilingSolver solver(board.width, board.height, board.cells);
    TilingSolver::Result result = solver.Solve(counts, limit, 0, false);
    EXPECT_TRUE(result.complete);
    return result.count;
}

// An independent slow count: place the pieces one type at a time over every position, keeping
// placements of one type in increasing position so that equal pieces are not counted twice.
void BruteForce(const Board& board, TypeCounts& counts, std::vector<bool>& covered, int type,
                int minPosition, int& found)
{
    while (type < 28 && counts[type] == 0) {
        ++type;
        minPosition = 0;
    }
    if (type == 28) {
        for (size_t i = 0; i < covered.size(); ++i)
            if (board.cells[i] && !covered[i])
                return;
        ++found;
        return;
    }
    const ShapeInfo& shape = Shape(type);
    for (int position = minPosition; position < board.width * board.height; ++position) {
        const int px = position % board.width, py = position / board.width;
        bool fits = px + shape.width <= board.width && py + shape.height <= board.height;
        for (int dy = 0; fits && dy < shape.height; ++dy)
            for (int dx = 0; fits && dx < shape.width; ++dx)
                if ((shape.mask >> (dx + 4 * dy)) & 1) {
                    const int index = (py + dy) * board.width + px + dx;
                    fits = board.cells[index] && !covered[index];
                }
        if (!fits)
            continue;
        auto mark = [&](bool value) {
            for (int dy = 0; dy < shape.height; ++dy)
                for (int dx = 0; dx < shape.width; ++dx)
                    if ((shape.mask >> (dx + 4 * dy)) & 1)
                        covered[(py + dy) * board.width + px + dx] = value;
        };
        mark(true);
        --counts[type];
        BruteForce(board, counts, covered, type, position + 1, found);
        ++counts[type];
        mark(false);
    }
}

int BruteForceCount(const Board& board, TypeCounts counts)
{
    std::vector<bool> covered(board.cells.size(), false);
    int found = 0;
    BruteForce(board, counts, covered, 0, 0, found);
    return found;
}

} // namespace

TEST(TilingSolver, HandCountedBoards)
{
    const Board square = Parse({"##", "##"});
    EXPECT_EQ(Count(square, Tray({{0, 1}})), 1);
    EXPECT_EQ(Count(square, Tray({{25, 2}})), 1); // two upright dominoes: side by side only
    EXPECT_EQ(Count(square, Tray({{26, 2}})), 1);
    EXPECT_EQ(Count(square, Tray({{25, 1}, {26, 1}})), 0); // one upright, one flat: no room
    EXPECT_EQ(Count(square, Tray({{27, 4}})), 1);
    EXPECT_EQ(Count(square, Tray({{27, 2}, {26, 1}})), 2); // the flat domino on top or bottom
    // Each of the four L-trominoes leaves one corner for the single cell.
    for (int type = 21; type <= 24; ++type)
        EXPECT_EQ(Count(square, Tray({{type, 1}, {27, 1}})), 1) << type;

    // 2 wide, 4 high: two upright bars side by side, or nothing else with two bars.
    const Board tall = Parse({"##", "##", "##", "##"});
    EXPECT_EQ(Count(tall, Tray({{1, 2}})), 1);
    EXPECT_EQ(Count(tall, Tray({{2, 2}})), 0);
    EXPECT_EQ(Count(tall, Tray({{0, 2}})), 1);
    EXPECT_EQ(Count(tall, Tray({{26, 4}})), 1);
    // Four upright dominoes: two columns of two, each column split one way only.
    EXPECT_EQ(Count(tall, Tray({{25, 4}})), 1);
    // Two flat and two upright dominoes: the uprights pair up in rows 0-1, 1-2 or 2-3.
    EXPECT_EQ(Count(tall, Tray({{25, 2}, {26, 2}})), 3);
    // 4 wide, 2 high with two flat bars: stacked, the only way.
    EXPECT_EQ(Count(Parse({"####", "####"}), Tray({{2, 2}})), 1);

    // An L outline of five cells: the upright bar and a single cell, or smaller pieces.
    const Board ell = Parse({"#.", "#.", "#.", "##"});
    EXPECT_EQ(Count(ell, Tray({{1, 1}, {27, 1}})), 1);
    EXPECT_EQ(Count(ell, Tray({{3, 1}, {27, 1}})), 1);  // the L itself plus the top cell
    EXPECT_EQ(Count(ell, Tray({{19, 1}, {26, 1}})), 1); // three up top, the foot flat
    EXPECT_EQ(Count(ell, Tray({{25, 2}, {27, 1}})), 1); // the foot must be the single cell
    EXPECT_EQ(Count(ell, Tray({{0, 1}, {27, 1}})), 0);
}

TEST(TilingSolver, RefusesTraysOfTheWrongSize)
{
    const Board square = Parse({"##", "##"});
    EXPECT_EQ(Count(square, Tray({{0, 2}})), 0);
    EXPECT_EQ(Count(square, Tray({{27, 3}})), 0);
    EXPECT_EQ(Count(square, Tray({})), 0);
    TypeCounts negative = Tray({{0, 1}});
    negative[5] = -1;
    EXPECT_EQ(Count(square, negative), 0);
}

TEST(TilingSolver, MatchesAnIndependentCountOnRandomTrays)
{
    const std::vector<std::vector<std::string>> outlines = {
        {"####", "####", "####", "####"},
        {"#####.", "######", "##.###", "######", ".#####"},
        {"..##..", ".####.", "######", "######", ".####.", "..##.."},
        {"###...", "#####.", "######", "..####"},
    };
    Random random(7);
    int checked = 0;
    for (const auto& rows : outlines) {
        const Board board = Parse(rows);
        TilingSolver solver(board.width, board.height, board.cells);
        for (int round = 0; round < 12; ++round) {
            std::array<double, 28> weights;
            for (double& weight : weights)
                weight = 0.05 + random.Unit();
            Tiling tiling;
            ASSERT_TRUE(solver.RandomTiling(random, weights, 100000, tiling));
            TypeCounts counts{};
            for (const Piece& piece : tiling)
                ++counts[piece.type];
            TilingSolver::Result result = solver.Solve(counts, 100000, 0, true);
            ASSERT_TRUE(result.complete);
            EXPECT_EQ(result.count, BruteForceCount(board, counts));
            EXPECT_GE(result.count, 1);
            // Every listed tiling is distinct.
            std::set<std::vector<std::tuple<int, int, int>>> distinct;
            for (const Tiling& found : result.tilings) {
                std::vector<std::tuple<int, int, int>> key;
                for (const Piece& piece : found)
                    key.emplace_back(piece.type, piece.x, piece.y);
                std::sort(key.begin(), key.end());
                distinct.insert(key);
            }
            EXPECT_EQ(static_cast<int>(distinct.size()), result.count);
            ++checked;
        }
    }
    EXPECT_EQ(checked, 48);
}

TEST(TilingSolver, StopsAtTheLimitAndTheBudget)
{
    const Board board = Parse({"####", "####", "####", "####"});
    TilingSolver solver(board.width, board.height, board.cells);
    const TypeCounts dominoes = Tray({{25, 4}, {26, 4}});
    const int all = solver.Solve(dominoes, 100000, 0, false).count;
    ASSERT_GT(all, 5);
    TilingSolver::Result limited = solver.Solve(dominoes, 5, 0, true);
    EXPECT_EQ(limited.count, 5);
    EXPECT_EQ(limited.tilings.size(), 5u);
    TilingSolver::Result starved = solver.Solve(dominoes, 100000, 3, false);
    EXPECT_FALSE(starved.complete);
}
