// The level page's Play button pressed over and over, the way players press it: short and long
// presses, twice in a row, while the list still coasts from a swipe, on the first levels of the
// first pack; every start must bring the board up, and leaving it through the pause menu must
// bring the level page back. Run under the sanitizers this looks for the crash once seen there.
//
// With VORN_PLAY_BUTTON_POINTS=FILE the window positions of the buttons on the way (480 x 800) are
// written to FILE, for driving the desktop build the same way with xdotool.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "ButtonDisplayer.h"
#include "Consts.h"
#include "Game.h"
#include "PlayfieldFit.h"
#include "application/playbook/CreateApplication.h"
#include "support/BuiltData.h"
#include "support/e2e/GameDriver.h"
#include "support/e2e/Harness.h"

using VornTest::GameDriver;
using VornTest::Harness;

namespace {

struct Point {
    int x = 0;
    int y = 0;
};

Point ButtonPoint(const GameDriver& d, int menu, int id)
{
    Point p;
    const ButtonRecord* b = d.FindButton(menu, id);
    if (b)
        d.CellToWindow(b->x + b->w * 0.5f, b->y + b->h * 0.5f, p.x, p.y);
    return p;
}

// The pause button's cell, the bottom-left corner.
Point PausePoint(const GameDriver& d)
{
    Game& game = *GameDriver::GetGame();
    Point p;
    d.ToWindow(Consts::DISPLAY_AREA_X + Consts::CELL_SIZE * 0.5f,
               Consts::CELL_SIZE * (game.screenRows - 0.5f), p.x, p.y);
    return p;
}

} // namespace

TEST(GamePlayButton, PressedManyTimesItStartsTheLevelEveryTime)
{
    VORN_SKIP_IF_MISSING(VornTest::MissingGameData());
    Harness h;
    GameDriver d(h);
    ASSERT_TRUE(h.Start(Tessela::CreateApplication()));
    ASSERT_TRUE(d.WaitUntilLoaded());
    Game& game = *GameDriver::GetGame();
    std::ofstream points;
    if (const char* file = std::getenv("VORN_PLAY_BUTTON_POINTS"))
        points.open(file);
    auto note = [&](const char* name, Point p) {
        if (points)
            points << name << " " << p.x << " " << p.y << "\n";
    };

    note("language", ButtonPoint(d, Game::MENU_FIRST_LANGUAGE, 0));
    ASSERT_TRUE(d.TapButton(Game::MENU_FIRST_LANGUAGE, 0));
    ASSERT_TRUE(d.WaitForState(Game::STATE_WELCOME, 30));
    note("welcome", ButtonPoint(d, Game::MENU_WELCOME, 0));
    ASSERT_TRUE(d.TapButton(Game::MENU_WELCOME, 0));
    ASSERT_TRUE(d.WaitForState(Game::STATE_MAIN_MENU, 30));
    note("play", ButtonPoint(d, Game::MENU_MAIN, 0));
    ASSERT_TRUE(d.TapButton(Game::MENU_MAIN, 0));
    ASSERT_TRUE(d.WaitForState(Game::STATE_PACKS, 30));
    h.Frames(20);
    Point pack;
    d.CellToWindow(game.screenColumns / 2,
                   game.packScroll + game.menuMargin + 2.0f + game.packRowHeight * 0.5f, pack.x,
                   pack.y);
    note("pack", pack);
    h.Tap(pack.x, pack.y, 80);
    ASSERT_TRUE(d.WaitForState(Game::STATE_LEVELS, 30));
    h.Frames(20);

    const int holds[] = {16, 50, 120, 250, 600};
    for (int round = 0; round < 40; ++round) {
        ASSERT_EQ(game.screenState, Game::STATE_LEVELS) << "round " << round;
        const Point start = ButtonPoint(d, Game::MENU_LEVELS, 0);
        ASSERT_NE(start.x, 0) << "the level page has its Play button";
        if (round == 0)
            note("start", start);
        // Now and then a swipe along the strip first, one way or the other, and Play pressed
        // while it still moves.
        const int strip = start.y - 200;
        if (round % 4 == 3) {
            const int way = round % 8 == 3 ? 1 : -1;
            h.Drag(240 + 100 * way, strip, 240 - 100 * way, strip, 3, 16);
        }
        h.Tap(start.x, start.y, holds[round % 5]);
        if (round % 3 == 1)
            h.Tap(start.x, start.y, 30); // pressed again at once: the board is already up
        if (!d.WaitForState(Game::STATE_PLAY, 5)) {
            // The swipe stopped on a locked level, which Play does not start: back to the start.
            ASSERT_EQ(game.LevelRecord(game.ShownLevel()), 0u) << "round " << round;
            for (int swipe = 0; swipe < 3; ++swipe)
                h.Drag(140, strip, 340, strip, 3, 16);
            h.Frames(90);
            h.Tap(start.x, start.y, 80);
        }
        ASSERT_TRUE(d.WaitForState(Game::STATE_PLAY, 30)) << "round " << round;
        ASSERT_TRUE(game.playfield);
        EXPECT_TRUE(game.playfield->IsLoaded()) << "level " << game.currentLevel;
        h.Frames(3);

        const Point pause = PausePoint(d);
        h.Tap(pause.x, pause.y, 80);
        h.Frames(3);
        ASSERT_TRUE(game.playfield->paused) << "round " << round;
        if (round == 0) {
            note("pause", pause);
            note("quit", ButtonPoint(d, Game::MENU_PAUSE, 3));
        }
        ASSERT_TRUE(d.TapButton(Game::MENU_PAUSE, 3));
        if (round == 0)
            note("yes", ButtonPoint(d, Game::MENU_YES_NO, 0));
        ASSERT_TRUE(d.TapButton(Game::MENU_YES_NO, 0));
        ASSERT_TRUE(d.WaitForState(Game::STATE_LEVELS, 30)) << "round " << round;
        h.Frames(round % 2 ? 2 : 12);
    }
    EXPECT_EQ(h.Stop(), 0);
}
