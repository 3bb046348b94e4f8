// The game object's board side: start-up tables, small queries, pausing and releasing a game in
// play, and the hand-drawn lines every screen uses.
#include <gtest/gtest.h>

#include <algorithm>

#include "Consts.h"
#include "Content.h"
#include "ControllerPrecise.h"
#include "GLFont.h"
#include "Graphics.h"
#include "Image.h"
#include "Images.h"
#include "Stats.h"
#include "support/BoardWorld.h"

using VornTest::BoardWorld;
using VornTest::LevelDesign;

TEST(GameObject, StartUpTablesAndQueries)
{
    BoardWorld world(480, 800);
    Game& game = world.game();
    EXPECT_EQ(Game::instance.Get(), &game);
    EXPECT_EQ(Game::BASE_BLOCK, 71);
    EXPECT_EQ(game.gameMode, 0);
    for (int i = 0; i < Game::PACK_COUNT; ++i)
        EXPECT_EQ(game.packOrder[i], i);
    EXPECT_EQ(game.keyPages[0][0], "a");
    EXPECT_EQ(game.keyPages[1][25], "Z");
    EXPECT_EQ(game.keyPages[2][5], "+");
    EXPECT_EQ(game.keyPages[2][25], ";");
    EXPECT_EQ(game.keyGrid[24], -1);
    EXPECT_EQ(game.keyGrid[28], -2);
    EXPECT_EQ(game.keyGrid[30], -3);
    EXPECT_EQ(game.keyGrid[33], -4);
    EXPECT_EQ(game.keyGrid[35], -2);

    EXPECT_TRUE(Game::IsInside(1.0f, 1.0f, 1.0f, 1.0f, 2.0f, 2.0f));
    EXPECT_FALSE(Game::IsInside(3.0f, 2.0f, 1.0f, 1.0f, 2.0f, 2.0f));
    EXPECT_FALSE(Game::IsInside(2.0f, 3.0f, 1.0f, 1.0f, 2.0f, 2.0f));

    Game::theme = 7;
    EXPECT_EQ(game.NextTheme(), 0);
    Game::theme = 9; // out of the tables: drawn as theme 0
    EXPECT_EQ(Game::ThemeIndex(), 0);
    Game::theme = 0;

    // The level list opens on the first level that is open with nothing found.
    game.currentPack = 1;
    game.levelRecords[27] = 3;
    game.levelRecords[28] = 1;
    game.SelectFirstOpenLevel();
    EXPECT_EQ(game.screenState, 5);
    EXPECT_EQ(game.scrollPosition, 1.0f);
    game.levelRecords[28] = 3;
    game.SelectFirstOpenLevel();
    EXPECT_EQ(game.scrollPosition, 0.0f);

    EXPECT_TRUE(game.IsPackUntouched(2));
    game.levelRecords[60] = 1;
    EXPECT_FALSE(game.IsPackUntouched(2));
    EXPECT_FALSE(game.IsPackUntouched(7));
    EXPECT_EQ(game.LevelRecord(200), 0u);
    EXPECT_EQ(game.LevelRecord(-1), 0u);
}

TEST(GameObject, ReleaseSavesTheGameInPlayAndEmptiesTheImageCache)
{
    BoardWorld world(480, 800);
    Game& game = world.game();
    LevelDesign design;
    design.rows = {"##"};
    design.tray = {{0, 12, 26}};
    world.InstallLevel(2, design);
    world.StartLevel(2);
    world.Frame(40);
    Content::s_images[5] = new Image(1, 1);
    game.Release();
    EXPECT_TRUE(Content::s_images.empty());
    EXPECT_EQ(world.SavedBytes("save/stats0").size(), 137u);
    EXPECT_EQ(Stats::Load(Stats::TOTALS)->playTime, 40);

    // Paused in play: the profile's and the game's records are saved.
    std::remove(BoardWorld::DataName("save/stats0").c_str());
    game.OnPause();
    EXPECT_TRUE(world.board().paused);
    EXPECT_EQ(world.SavedBytes("save/stats0").size(), 137u);
}

TEST(HandDrawnLines, WindowsOfTheStripAndTheirJitter)
{
    BoardWorld world(480, 800);
    Game& game = world.game();
    for (int id = 0; id < Images::COUNT; ++id)
        Content::s_images[id] = new Image(2000, 2000);
    Vorn::SmartPtr<Graphics> graphics(new Graphics(nullptr));
    graphics->StartRecording();
    const int s = Consts::CELL_SIZE;
    ASSERT_EQ(s, 40);

    game.twitch = false;
    Game::DrawHandVertical(graphics, 2.0f, 3.0f, 5.0f, Consts::THEME_LINES_VERTICAL);
    Game::DrawHandHorizontal(graphics, 2.0f, 3.0f, 5.0f, Consts::THEME_LINES_HORIZONTAL);
    ASSERT_EQ(graphics->GetRecord().size(), 2u);
    const Graphics::DrawCall vertical = graphics->GetRecord()[0];
    EXPECT_EQ(vertical.image, Consts::THEME_LINES_VERTICAL[0]);
    EXPECT_EQ(vertical.x, 2 * s - s / 2);
    EXPECT_EQ(vertical.y, static_cast<int>(s * (3.0f - 0.015f)));
    EXPECT_EQ(vertical.srcX, 0);
    EXPECT_EQ(vertical.srcY, s / 2);
    EXPECT_EQ(vertical.srcW, s);
    EXPECT_EQ(vertical.srcH, 201);
    const Graphics::DrawCall horizontal = graphics->GetRecord()[1];
    EXPECT_EQ(horizontal.x, static_cast<int>(s * (2.0f - 0.03f)));
    EXPECT_EQ(horizontal.y, 3 * s - s / 2);
    EXPECT_EQ(horizontal.srcX, s / 2);
    EXPECT_EQ(horizontal.srcW, static_cast<int>(s * 5.09f));
    EXPECT_EQ(horizontal.srcH, s);

    // With twitch the window starts anywhere in the first 961 pixels after S / 2.
    game.twitch = true;
    graphics->ClearRecord();
    for (int i = 0; i < 2000; ++i)
        Game::DrawHandVertical(graphics, 2.0f, 3.0f, 5.0f, Consts::THEME_LINES_VERTICAL);
    int lowest = 1 << 30, highest = -1;
    for (const auto& call : graphics->GetRecord()) {
        lowest = std::min(lowest, call.srcY);
        highest = std::max(highest, call.srcY);
    }
    EXPECT_GE(lowest, s / 2);
    EXPECT_LE(highest, s / 2 + 960);
    EXPECT_GT(highest - lowest, 800);
    // A line as long as the strip has no room to move.
    graphics->ClearRecord();
    Game::DrawHandVertical(graphics, 0.0f, 0.0f, 29.5f, Consts::THEME_LINES_VERTICAL);
    EXPECT_EQ(graphics->GetRecord()[0].srcY, s / 2);

    // A text box of 4 x 2 cells: four lines, edges as long as the box.
    game.twitch = false;
    graphics->ClearRecord();
    Game::DrawTextBox(graphics, 1.0f, 1.0f, 4.0f, 2.0f, nullptr, L"");
    ASSERT_EQ(graphics->GetRecord().size(), 4u);
    EXPECT_EQ(graphics->GetRecord()[1].x, 5 * s - s / 2);
    EXPECT_EQ(graphics->GetRecord()[1].srcH, static_cast<int>(s * 2.03f));
    EXPECT_EQ(graphics->GetRecord()[3].y, 3 * s - s / 2);

    // The image frame of a theme with a corner sheet: edges skip their first cell of source.
    graphics->ClearRecord();
    Game::DrawThemedFrame(graphics, 1.0f, 1.0f, 4.0f, 2.0f);
    ASSERT_EQ(graphics->GetRecord().size(), 4u); // no corner sheet in any theme: corners absent
    EXPECT_EQ(graphics->GetRecord()[0].srcW, 4 * s - s);
    EXPECT_EQ(graphics->GetRecord()[2].srcH, 2 * s - s);
}

TEST(HandDrawnLines, TheShapeBeingDrawnShowsAsItsPiece)
{
    BoardWorld world(480, 800);
    for (int id = 0; id < Images::COUNT; ++id)
        Content::s_images[id] = new Image(100, 100);
    LevelDesign design;
    design.rows = {"###", "###"};
    design.x0 = 1;
    design.y0 = 1;
    world.InstallLevel(2, design);
    PlayfieldFit& board = *world.StartLevel(2);
    Vorn::SmartPtr<Graphics> graphics(new Graphics(nullptr));
    graphics->StartRecording();
    Game::COLOR_BLOCK_B = 0.5f;
    int x = 0, y = 0;
    world.CellPoint(1, 0, x, y);
    world.Down(x, y);
    world.CellPoint(1, 1, x, y);
    world.Move(x, y);
    world.game().controller->Draw(graphics);
    world.game().controller->DrawBack(graphics);
    ASSERT_EQ(graphics->GetRecord().size(), 1u);
    const Graphics::DrawCall call = graphics->GetRecord()[0];
    EXPECT_EQ(call.image, Consts::THEME_BLOCKS[0] + 25);
    EXPECT_EQ(call.x, board.originX + Consts::CELL_SIZE);
    EXPECT_EQ(call.y, board.originY);
    EXPECT_FLOAT_EQ(call.b, 0.5f);
    world.Up(x, y);
    graphics->ClearRecord();
    world.game().controller->Draw(graphics);
    EXPECT_TRUE(graphics->GetRecord().empty());
}
