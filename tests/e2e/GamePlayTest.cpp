// The game from a player's first start: the language, the welcome, the main menu, the first pack,
// the first level solved by dragging pieces out of the tray, the second one by drawing them cell
// by cell; then the process ends and a new one finds the progress again.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <utility>
#include <vector>

#include "Block.h"
#include "Consts.h"
#include "Game.h"
#include "PlayfieldFit.h"
#include "Stats.h"
#include "application/playbook/CreateApplication.h"
#include "support/BuiltData.h"
#include "support/Sandbox.h"
#include "support/e2e/GameDriver.h"
#include "support/e2e/Harness.h"

using VornTest::GameDriver;
using VornTest::Harness;

namespace {

struct Placement {
    int type;
    int x;
    int y;
};

std::vector<Placement> FirstSolution(Game& game, int level)
{
    std::vector<Placement> out;
    const SolutionTable& table = game.levelSolutions[level];
    for (int k = 0; k < table.PiecesPerSolution(); ++k)
        out.push_back({game.GetSolutionPiece(level, 0, k), game.GetSolutionX(level, 0, k),
                       game.GetSolutionY(level, 0, k)});
    return out;
}

// The stored solution's positions are level cells; the board's cells start at its (boardX0, boardY0).
std::vector<Placement> BoardSolution(Game& game, int level)
{
    std::vector<Placement> out = FirstSolution(game, level);
    for (Placement& p : out) {
        p.x -= static_cast<int>(game.playfield->boardX0);
        p.y -= static_cast<int>(game.playfield->boardY0);
    }
    return out;
}

class Play {
public:
    Play(Harness& harness, GameDriver& driver) : h(harness), d(driver) {}

    void Down(float px, float py) { Touch(&Harness::TouchDown, px, py); }
    void Move(float px, float py) { Touch(&Harness::TouchMove, px, py); }
    void Up(float px, float py) { Touch(&Harness::TouchUp, px, py); }

    // Draws the piece's cells as one gesture: each new cell is reached from a drawn neighbour.
    void DrawPiece(const Placement& p)
    {
        std::vector<std::pair<int, int>> cells;
        const int mask = Block::blocksDescription[p.type];
        for (int cy = 0; cy < 4; ++cy)
            for (int cx = 0; cx < 4; ++cx)
                if (Block::HasCell(mask, cx, cy))
                    cells.push_back({p.x + cx, p.y + cy});
        std::vector<std::pair<int, int>> order{cells.front()};
        std::map<std::pair<int, int>, std::pair<int, int>> parent;
        while (order.size() < cells.size()) {
            for (const auto& c : cells) {
                if (std::find(order.begin(), order.end(), c) != order.end())
                    continue;
                for (const auto& o : order) {
                    if (std::abs(o.first - c.first) + std::abs(o.second - c.second) == 1) {
                        parent[c] = o;
                        order.push_back(c);
                        break;
                    }
                }
            }
        }
        CellDown(order[0]);
        h.Frame(16);
        for (size_t i = 1; i < order.size(); ++i) {
            CellMove(parent[order[i]]);
            h.Frame(16);
            CellMove(order[i]);
            h.Frame(16);
        }
        CellUp(order.back());
        h.Frame(16);
        h.Frame(16);
    }

private:
    void Touch(void (Harness::*what)(int, int, int), float px, float py)
    {
        int x = 0, y = 0;
        d.ToWindow(px, py, x, y);
        (h.*what)(x, y, 0);
    }
    void CellAt(const std::pair<int, int>& c, float& px, float& py)
    {
        PlayfieldFit& board = *GameDriver::GetGame()->playfield;
        px = board.originX + c.first * Consts::CELL_SIZE + Consts::CELL_SIZE / 2.0f;
        py = board.originY + c.second * Consts::CELL_SIZE + Consts::CELL_SIZE / 2.0f;
    }
    void CellDown(const std::pair<int, int>& c) { float x, y; CellAt(c, x, y); Down(x, y); }
    void CellMove(const std::pair<int, int>& c) { float x, y; CellAt(c, x, y); Move(x, y); }
    void CellUp(const std::pair<int, int>& c) { float x, y; CellAt(c, x, y); Up(x, y); }

    Harness& h;
    GameDriver& d;
};

}  // namespace

TEST(GamePlay, FirstStartPlaysTwoLevelsAndTheNextStartFindsTheProgress)
{
    VORN_SKIP_IF_MISSING(VornTest::MissingGameData());
    VornTest::TempDir saves;
    Harness::Options options;
    options.data = saves.Path();
    const std::string shots = VornTest::ScreenshotDir();
    int second = 0;
    {
        Harness h(options);
        GameDriver d(h);
        ASSERT_TRUE(h.Start(Tessela::CreateApplication()));
        ASSERT_TRUE(d.WaitUntilLoaded());
        Game& game = *GameDriver::GetGame();
        ASSERT_EQ(game.screenState, Game::STATE_FIRST_LANGUAGE);
        d.Screenshot(shots, "first-start-language");

        ASSERT_TRUE(d.TapButton(Game::MENU_FIRST_LANGUAGE, 0));
        ASSERT_TRUE(d.WaitForState(Game::STATE_WELCOME, 30));
        d.Screenshot(shots, "welcome");
        ASSERT_TRUE(d.TapButton(Game::MENU_WELCOME, 0));
        ASSERT_TRUE(d.WaitForState(Game::STATE_MAIN_MENU, 30));
        d.Screenshot(shots, "main-menu");
        ASSERT_TRUE(d.TapButton(Game::MENU_MAIN, 0));
        ASSERT_TRUE(d.WaitForState(Game::STATE_PACKS, 30));
        h.Frames(20);
        d.Screenshot(shots, "pack-list");

        // The first pack's row.
        const float m = game.menuMargin;
        d.TapCell(game.screenColumns / 2, game.packScroll + m + 2.0f + game.packRowHeight * 0.5f);
        ASSERT_TRUE(d.WaitForState(Game::STATE_LEVELS, 30));
        EXPECT_EQ(game.currentPack, 0);
        h.Frames(20);
        d.Screenshot(shots, "level-page");
        ASSERT_TRUE(d.TapButton(Game::MENU_LEVELS, 0));
        ASSERT_TRUE(d.WaitForState(Game::STATE_PLAY, 30));
        ASSERT_TRUE(game.playfield);
        EXPECT_EQ(game.currentLevel, 0);
        h.Frames(10);
        d.Screenshot(shots, "play");

        ASSERT_TRUE(d.SolveByDragging());
        h.Frames(60);
        EXPECT_FALSE(game.playfield->IsNotSolved());
        d.Screenshot(shots, "level-complete");
        EXPECT_NE(game.levelRecords[0] & ~Game::RECORD_OPEN, 0u) << "the solution is recorded";
        EXPECT_NE(game.levelRecords[1] & Game::RECORD_OPEN, 0u) << "the next level opened";

        ASSERT_TRUE(d.TapButton(Game::MENU_NOTICE, 0));
        h.Frames(10);
        ASSERT_EQ(game.screenState, Game::STATE_PLAY);
        second = game.currentLevel;
        ASSERT_NE(second, 0);
        Play play(h, d);
        for (const Placement& p : BoardSolution(game, second))
            play.DrawPiece(p);
        h.Frames(60);
        EXPECT_FALSE(game.playfield->IsNotSolved()) << "level " << second << " drawn";
        EXPECT_NE(game.levelRecords[second] & ~Game::RECORD_OPEN, 0u);
        EXPECT_EQ(h.Stop(), 0);
    }
    {
        Harness h(options);
        GameDriver d(h);
        ASSERT_TRUE(h.Start(Tessela::CreateApplication()));
        ASSERT_TRUE(d.WaitUntilLoaded());
        Game& game = *GameDriver::GetGame();
        EXPECT_NE(game.levelRecords[0] & ~Game::RECORD_OPEN, 0u) << "progress kept";
        EXPECT_NE(game.levelRecords[second] & ~Game::RECORD_OPEN, 0u) << "the drawn level kept";
        EXPECT_GE(game.stats->counters[0], 2) << "games played kept";
        EXPECT_EQ(h.Stop(), 0);
    }
}
