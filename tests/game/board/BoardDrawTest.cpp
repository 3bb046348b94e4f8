// What the board draws, recorded by the drawing context without GL: outlines or frame tiles by
// theme, tray shadows, the dragged piece's opacity, placed pieces and the completion panel.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "Consts.h"
#include "Content.h"
#include "Graphics.h"
#include "Image.h"
#include "Images.h"
#include "Stats.h"
#include "support/BoardWorld.h"

using VornTest::BoardWorld;
using VornTest::LevelDesign;

namespace {

const int SQUARE = 0;
const int SINGLE = 27;

LevelDesign RingWithTray()
{
    LevelDesign design;
    design.x0 = 3;
    design.y0 = 2;
    design.rows = {"###", "#.#", "###"};
    design.tray = {{0, 12, SQUARE}, {3, 12, SINGLE}, {6, 12, SINGLE}};
    design.solutions = {{{SQUARE, 3, 2}}};
    return design;
}

class BoardDraw : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Every picture stands in as a cached image without surface.
        for (int id = 0; id < Images::COUNT; ++id)
            Content::s_images[id] = new Image(256, 256);
        world.InstallLevel(150, RingWithTray()); // a level of the pack of 20
        board = world.StartLevel(150).Get();
        world.Frame(16);
        graphics = new Graphics(nullptr);
        graphics->StartRecording();
    }
    void TearDown() override { Game::theme = 0; }

    std::vector<Graphics::DrawCall> Draw()
    {
        graphics->ClearRecord();
        board->Draw(graphics);
        return graphics->GetRecord();
    }

    static int Count(const std::vector<Graphics::DrawCall>& calls, int image)
    {
        return static_cast<int>(std::count_if(calls.begin(), calls.end(),
                                              [&](const auto& c) { return c.image == image; }));
    }

    BoardWorld world{480, 800};
    PlayfieldFit* board = nullptr;
    Vorn::SmartPtr<Graphics> graphics;
};

} // namespace

TEST_F(BoardDraw, HandDrawnOutlineAndHatchingOrFrameTilesByTheme)
{
    Game::theme = 0;
    std::vector<Graphics::DrawCall> calls = Draw();
    const int vertical = Consts::THEME_LINES_VERTICAL[0];
    const int horizontal = Consts::THEME_LINES_HORIZONTAL[0];
    // The outline: 4 outer segments of 3 cells and 4 around the hole; the hole's hatching: three
    // lines each way.
    EXPECT_EQ(Count(calls, vertical), 4 + 3);
    EXPECT_EQ(Count(calls, horizontal), 4 + 3);
    EXPECT_EQ(Count(calls, Consts::THEME_INGAME[4]), 0);

    Game::theme = 4;
    ASSERT_NE(Consts::THEME_INGAME[4], -1);
    calls = Draw();
    EXPECT_EQ(Count(calls, vertical), 0);
    EXPECT_EQ(Count(calls, horizontal), 0);
    // One tile per grid corner point that has one: 4 x 4 points, the hole's four corners concave.
    const int sheet = Consts::THEME_INGAME[4];
    EXPECT_EQ(Count(calls, sheet), 16);
    const int cell = Consts::CELL_SIZE;
    const auto topLeft = std::find_if(calls.begin(), calls.end(), [&](const auto& c) {
        return c.image == sheet && c.x == board->originX - cell / 2 && c.y == board->originY - cell / 2;
    });
    ASSERT_NE(topLeft, calls.end());
    EXPECT_EQ(topLeft->srcX, 0); // a convex corner, inside cell down-right: tile (0, 0)
    EXPECT_EQ(topLeft->srcY, 0);
    const auto centreFill = std::find_if(calls.begin(), calls.end(), [&](const auto& c) {
        return c.image == sheet && c.srcX == cell && c.srcY == cell;
    });
    EXPECT_EQ(centreFill, calls.end()); // no corner point has all four cells inside
}

TEST_F(BoardDraw, TrayShadowsAndTheDraggedPiece)
{
    int x = 0, y = 0;
    const Block& single = *board->Tray()[0];
    ASSERT_EQ(single.type, SINGLE);
    world.TrayPoint(single, x, y);
    world.Down(x, y);
    for (int frame = 0; frame < 6; ++frame)
        world.Frame(40);
    world.DropPoint(SINGLE, 1, 1, x, y); // over the hole: does not fit
    world.Move(x, y);
    std::vector<Graphics::DrawCall> calls = Draw();
    const int singleImage = Game::BASE_BLOCK + SINGLE;
    const float faint = Consts::THEME_BLOCK_ALPHA[0];
    // The picked entry stays in its place as a shadow, the other single at full strength; the
    // dragged piece, grown to full size, is faint where it cannot go.
    std::vector<float> trayAlphas;
    for (const auto& call : calls)
        if (call.image == singleImage && call.scale == Consts::BLOCK_SCALE)
            trayAlphas.push_back(call.a);
    ASSERT_EQ(trayAlphas.size(), 2u);
    EXPECT_FLOAT_EQ(std::min(trayAlphas[0], trayAlphas[1]), faint);
    EXPECT_FLOAT_EQ(std::max(trayAlphas[0], trayAlphas[1]), 1.0f);
    ASSERT_EQ(calls.back().image, singleImage);
    EXPECT_FLOAT_EQ(calls.back().a, faint);
    EXPECT_FLOAT_EQ(calls.back().scale, 1.0f);
    // Guides mark the target column and row.
    EXPECT_EQ(Count(calls, Playfield::IMAGE_GUIDE_VERTICAL), 1);
    EXPECT_EQ(Count(calls, Playfield::IMAGE_GUIDE_HORIZONTAL), 1);

    // Over the hole no landing place is shown: the only full-size copy is the carried one.
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                            [&](const auto& c) { return c.image == singleImage && c.scale == 1.0f; }),
              1);

    // Where it fits, a faint copy marks the cell it will land on, under the carried piece.
    world.DropPoint(SINGLE, 0, 0, x, y);
    world.Move(x, y);
    calls = Draw();
    EXPECT_FLOAT_EQ(calls.back().a, 1.0f);
    ASSERT_GE(calls.size(), 2u);
    const Graphics::DrawCall& landing = calls[calls.size() - 2];
    EXPECT_EQ(landing.image, singleImage);
    EXPECT_EQ(landing.x, board->originX);
    EXPECT_EQ(landing.y, board->originY);
    EXPECT_FLOAT_EQ(landing.a, faint);
    EXPECT_FLOAT_EQ(landing.r, Game::COLOR_BLOCK_R);

    // Placed: drawn at its cell in its colour; its tray entry stays a shadow.
    world.Up(x, y);
    world.Frame(16);
    ASSERT_EQ(board->placedCount, 1);
    calls = Draw();
    const auto placed = std::find_if(calls.begin(), calls.end(), [&](const auto& c) {
        return c.image == singleImage && c.call == Graphics::Call::COLORED;
    });
    ASSERT_NE(placed, calls.end());
    EXPECT_EQ(placed->x, board->originX);
    EXPECT_EQ(placed->y, board->originY);
    EXPECT_FLOAT_EQ(placed->r, Block::blockColors[board->Placed()[0]->colour][0]);
    EXPECT_EQ(Count(calls, Playfield::IMAGE_GUIDE_VERTICAL), 0);

    // Lifted off the board again, the piece is carried in the tray's tint, the landing copy too;
    // placed, it wears its own colour again.
    const int colour = board->Placed()[0]->colour;
    float saved[4];
    std::copy(Block::blockColors[colour], Block::blockColors[colour] + 4, saved);
    Block::SetColor(colour, 0x123456);
    world.CellPoint(0, 0, x, y);
    world.Down(x, y);
    world.Frame(16);
    world.DropPoint(SINGLE, 2, 0, x, y);
    world.Move(x, y);
    calls = Draw();
    ASSERT_TRUE(board->dragging);
    ASSERT_GE(calls.size(), 2u);
    for (const Graphics::DrawCall* carried : {&calls.back(), &calls[calls.size() - 2]}) {
        EXPECT_EQ(carried->image, singleImage);
        EXPECT_FLOAT_EQ(carried->r, Game::COLOR_BLOCK_R);
        EXPECT_FLOAT_EQ(carried->g, Game::COLOR_BLOCK_G);
        EXPECT_FLOAT_EQ(carried->b, Game::COLOR_BLOCK_B);
    }
    world.Up(x, y);
    world.Frame(16);
    ASSERT_EQ(board->placedCount, 1);
    EXPECT_EQ(board->Placed()[0]->colour, colour);
    calls = Draw();
    const auto replaced = std::find_if(calls.begin(), calls.end(), [&](const auto& c) {
        return c.image == singleImage && c.call == Graphics::Call::COLORED;
    });
    ASSERT_NE(replaced, calls.end());
    EXPECT_FLOAT_EQ(replaced->r, 0x12 / 255.0f);
    EXPECT_FLOAT_EQ(replaced->b, 0x56 / 255.0f);
    std::copy(saved, saved + 4, Block::blockColors[colour]);
}

TEST_F(BoardDraw, TheCompletionPanelMarksThePacksProgress)
{
    Game& game = world.game();
    const int pack = game.currentPack;
    ASSERT_EQ(game.packSizes[pack], 20);
    for (int i = 0; i < 10; ++i)
        game.levelRecords[game.packLevels[pack][i + 1]] = 0b11;
    for (int i = 11; i < 14; ++i)
        game.levelRecords[game.packLevels[pack][i]] = Game::RECORD_OPEN;
    board->solved = true;
    const std::vector<Graphics::DrawCall> calls = Draw();
    const int cell = Consts::CELL_SIZE;
    const int vertical = Consts::THEME_LINES_VERTICAL[0];
    const float panelTop = game.boardTopRows + 11.5f;
    // The solved mark at 1 + 10 * 10 / 20 = 6 cells, one cell long, on the bar's row.
    const auto mark = std::find_if(calls.begin(), calls.end(), [&](const auto& c) {
        return c.image == vertical && c.x == 6 * cell - cell / 2 &&
               c.y == static_cast<int>(cell * (panelTop + 1.0f - 0.015f));
    });
    EXPECT_NE(mark, calls.end());
    // The bars, each drawn twice: solved 10 of 20, open 13 of 20, of a ten-cell track.
    int solvedBars = 0, openBars = 0;
    for (const auto& call : calls) {
        solvedBars += call.image == Playfield::IMAGE_GUIDE_HORIZONTAL && call.srcW == 5 * cell;
        openBars += call.image == Playfield::IMAGE_GUIDE_HORIZONTAL && call.srcW == cell * 130 / 20;
    }
    EXPECT_EQ(solvedBars, 2);
    EXPECT_EQ(openBars, 2);
    // No tray on a solved board.
    EXPECT_EQ(Count(calls, Game::BASE_BLOCK + SINGLE), 0);
}
