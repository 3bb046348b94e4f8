// A loaded level with a placed piece and its tray, drawn at 480 x 800 through the real renderer
// into an offscreen target, checked pixel by pixel.
#include <gtest/gtest.h>

#include "Block.h"
#include "Consts.h"
#include "Content.h"
#include "Graphics.h"
#include "Image.h"
#include "Images.h"
#include "base/AssetDict.h"
#include "graphics/surface/Surface.h"
#include "support/BoardWorld.h"
#include "support/HeadlessGL.h"
#include "support/ImageEncode.h"
#include "support/MemoryMount.h"
#include "vfs/Vfs.h"

using Vorn::SmartPtr;
using Vorn::u32;
using VornTest::BoardWorld;
using VornTest::LevelDesign;

namespace {

constexpr u32 WHITE = 0xFFFFFFFFu;
constexpr u32 PAPER = 0xF0E0C0FFu; // the background picture
constexpr u32 RED = 0xFF0000FFu;   // placed pieces
constexpr u32 BLUE = 0x0000FFFFu;  // tray pieces
constexpr u32 BLACK = 0x000000FFu; // ink
constexpr u32 CLEAR = 0x00000000u;

const int SQUARE = 0;
const int SINGLE = 27;

void Cache(int id, int width, int height, const std::function<u32(int, int)>& pixel)
{
    SmartPtr<Image> image(new Image(width, height));
    image->surface = VornTest::MakeRgbaSurface(width, height, pixel);
    Content::s_images[id] = image;
}

// A piece picture as the art draws them: the shape's cells in white, transparent elsewhere.
void CachePiece(int type)
{
    const int width = Block::blocksWidth[type];
    const int height = Block::blocksHeight[type];
    const int span = Block::cellPixelSizes[0];
    Cache(Game::BASE_BLOCK + type, width, height, [type, span](int x, int y) {
        return Block::HasCell(Block::blocksDescription[type], x / span, y / span) ? WHITE : CLEAR;
    });
}

class BoardPixels : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!VornTest::HeadlessScreen())
            GTEST_SKIP() << "no GL";
        world.reset(new BoardWorld(480, 800));
        target = new Vorn::Surface(480, 800, Vorn::PF_RGBA8888);
        target->FillRect(0, 0, 480, 800, Vorn::Color{255, 255, 255, 255});
        graphics = new Graphics(target.Get());
    }
    void TearDown() override
    {
        Content::s_images.clear();
        world.reset();
    }

    std::unique_ptr<BoardWorld> world;
    SmartPtr<Vorn::Surface> target;
    SmartPtr<Graphics> graphics;
};

} // namespace

TEST_F(BoardPixels, BoardPlacedPieceAndTrayLandWhereTheyBelong)
{
    Game& game = world->game();
    game.twitch = false;
    Game::theme = 0;
    Game::imgBackground = Consts::THEME_BACKGROUND[0];
    Game::COLOR_R = Game::COLOR_G = Game::COLOR_B = 0.0f;
    Game::COLOR_BLOCK_R = Game::COLOR_BLOCK_G = 0.0f;
    Game::COLOR_BLOCK_B = 1.0f;
    for (int slot = 0; slot < 6; ++slot)
        Block::SetColor(slot, 0xFF0000);

    Cache(Game::imgBackground, 480, 800, [](int, int) { return PAPER; });
    // Hand-drawn line strips: a 2-pixel ink line down (or across) the middle of a cell-wide strip.
    const int cell = Consts::CELL_SIZE;
    Cache(Consts::THEME_LINES_VERTICAL[0], cell, 30 * cell,
          [cell](int x, int) { return x == cell / 2 || x == cell / 2 - 1 ? WHITE : CLEAR; });
    Cache(Consts::THEME_LINES_HORIZONTAL[0], 30 * cell, cell,
          [cell](int, int y) { return y == cell / 2 || y == cell / 2 - 1 ? WHITE : CLEAR; });
    CachePiece(SQUARE);
    CachePiece(SINGLE);

    // A 4 x 3 board at cells (2, 2) whose bottom-right cell is outside the puzzle.
    LevelDesign design;
    design.x0 = 2;
    design.y0 = 2;
    design.rows = {"####", "####", "###."};
    design.tray = {{0, 12, SQUARE}, {6, 12, SINGLE}};
    world->InstallLevel(2, design);
    PlayfieldFit& board = *world->StartLevel(2);
    world->Frame(16);
    world->DragTo(*board.Tray()[1], 0, 0);
    ASSERT_EQ(board.placedCount, 1);
    ASSERT_EQ(board.originX, 2 * cell);
    ASSERT_EQ(board.originY, 4 * cell);

    board.Draw(graphics);
    const VornTest::Image out = VornTest::ReadPixels(target.Get());
    auto near = [&](int x, int y, u32 colour) { return VornTest::Near(out, x, y, colour, 3); };

    // Around the board: the background picture.
    EXPECT_TRUE(near(20, 20, PAPER));
    EXPECT_TRUE(near(460, 300, PAPER));
    EXPECT_TRUE(near(200, 400, PAPER));
    // The placed square covers cells (0, 0) to (1, 1), in its colour.
    EXPECT_TRUE(near(2 * cell + 5, 4 * cell + 5, RED));
    EXPECT_TRUE(near(4 * cell - 5, 6 * cell - 5, RED));
    // A free cell of the puzzle shows what was under the board (the cleared target).
    EXPECT_TRUE(near(5 * cell + cell / 2, 5 * cell + cell / 2, WHITE));
    // The cell outside the puzzle shows the background.
    EXPECT_TRUE(near(5 * cell + cell / 2, 6 * cell + cell / 2, PAPER));
    // The outline: ink on the board's left edge and along its top.
    EXPECT_TRUE(near(2 * cell, 5 * cell + cell / 2, BLACK));
    EXPECT_TRUE(near(5 * cell, 4 * cell, BLACK));
    // The single waits in the tray at tray scale, centred on its box: tinted blue.
    const int trayCentreX = 7 * cell;
    const int trayCentreY = (12 + 2 + 1) * cell;
    EXPECT_TRUE(near(trayCentreX, trayCentreY, BLUE));
    const int half = static_cast<int>(Block::blocksWidth[SINGLE] * Consts::BLOCK_SCALE * 0.5f);
    EXPECT_TRUE(near(trayCentreX - half - 2, trayCentreY, PAPER));
    // The square's tray place keeps a faint shadow: mostly paper, tinted towards blue.
    const u32 shadow = out.Pixel(1 * cell, trayCentreY);
    const int red = shadow >> 24, blue = (shadow >> 8) & 0xFF;
    EXPECT_LT(red, 0xF0 - 20);
    EXPECT_GT(blue, 0xC0);
}

TEST(ContentImages, TheCacheLoadsEachIdOnce)
{
    if (!VornTest::HeadlessScreen())
        GTEST_SKIP() << "no GL";
    Images::Init();
    Content::SetImagePath("");
    std::vector<Vorn::u8> rgb(4 * 3 * 3, 200);
    VornTest::MemoryMount* mount = VornTest::MemoryMount::Install("device/");
    mount->Add("ui/logo.png", VornTest::EncodePngRgb(4, 3, rgb, false));
    Vorn::g_assetDict = new Vorn::AssetDict();

    Content::LoadImage(2);
    ASSERT_EQ(Content::s_images.count(2), 1u);
    const SmartPtr<Image> logo = Content::s_images[2];
    ASSERT_TRUE(logo->GetSurface());
    EXPECT_EQ(logo->width, 4);
    Content::LoadImage(2);
    EXPECT_EQ(Content::s_images[2], logo);
    Content::LoadImage(-1);
    Content::LoadImage(Images::COUNT);
    EXPECT_EQ(Content::s_images.size(), 1u);
    // An id without a picture keeps an entry that draws nothing.
    Content::LoadImage(59);
    EXPECT_FALSE(Content::s_images[59]->GetSurface());
    Content::UnloadImage(2);
    Content::UnloadImage(300);
    EXPECT_EQ(Content::s_images.count(2), 0u);
    EXPECT_EQ(Content::s_images.size(), 1u);

    Content::s_images.clear();
    Vorn::g_assetDict = nullptr;
    Vorn::Vfs::Shutdown();
}
