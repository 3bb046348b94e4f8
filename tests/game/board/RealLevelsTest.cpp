// The game's own 200 levels, as the data build wrote them into the common archive: each loads,
// its tray is exactly the pieces of its first stored solution, and playing that solution with
// those pieces solves the level and is recognised as solution 1.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "BinaryFiles.h"
#include "Consts.h"
#include "Content.h"
#include "Graphics.h"
#include "Image.h"
#include "Images.h"
#include "Stats.h"
#include "support/BoardWorld.h"
#include "support/BuiltData.h"
#include "vfs/PakMount.h"
#include "vfs/Vfs.h"

using VornTest::BoardWorld;

namespace {

const std::string PAK = VornTest::BuiltData("data_common.pak");

struct Size {
    int width;
    int height;
};

class RealLevels : public ::testing::TestWithParam<Size> {
protected:
    void SetUp() override
    {
        VORN_SKIP_IF_MISSING(VornTest::MissingBuiltData({PAK}));
        world.reset(new BoardWorld(GetParam().width, GetParam().height));
        Vorn::SmartPtr<Vorn::PakMount> pak(
            new Vorn::PakMount(PAK.c_str(), "common/", 0, Vorn::PakMount::NATIVE_PATH));
        ASSERT_TRUE(pak->IsValid());
        ASSERT_TRUE(Vorn::Vfs::AddMount(Vorn::g_vfsStaticData.Get(), pak.Get()));
        Content::SetLevelPath("common/levels/android_full");
    }

    // The level just loaded, open with its solutions, started and one frame in.
    PlayfieldFit& StartLoadedLevel(Game& game, int level)
    {
        game.levelSolutions[level] = PlayfieldFit::ReadSolutions(level);
        game.levelRecords[level] = Game::RECORD_OPEN;
        PlayfieldFit& board = *world->StartLevel(level);
        world->Frame(16);
        return board;
    }

    std::unique_ptr<BoardWorld> world;
};

int CellCount(int type)
{
    int count = 0;
    for (int bit = 0; bit < 16; ++bit)
        count += (Block::blocksDescription[type] >> bit) & 1;
    return count;
}

} // namespace

INSTANTIATE_TEST_SUITE_P(BaseSizes, RealLevels,
                         ::testing::Values(Size{240, 320}, Size{320, 480}, Size{480, 800},
                                           Size{600, 1024}),
                         [](const ::testing::TestParamInfo<Size>& info) {
                             return std::to_string(info.param.width) + "x" +
                                    std::to_string(info.param.height);
                         });

TEST_P(RealLevels, EveryLevelIsSolvedByItsFirstSolution)
{
    Game& game = world->game();
    for (int level = 0; level < BinaryFiles::LEVEL_COUNT; ++level) {
        SCOPED_TRACE(BinaryFiles::files[level]);
        ASSERT_TRUE(Content::LoadBinary(level));
        PlayfieldFit& board = StartLoadedLevel(game, level);
        ASSERT_GE(PlayfieldFit::GetSolutionCount(level), 1);
        ASSERT_LE(PlayfieldFit::GetSolutionCount(level), 63);
        EXPECT_FALSE(board.outline.empty());

        int toCover = 0;
        for (int x = 0; x < board.width; ++x)
            for (int y = 0; y < board.height; ++y)
                toCover += board.Cell(x, y) == BoardCell::EMPTY;
        std::vector<int> trayTypes, solutionTypes;
        int trayCells = 0;
        for (const auto& entry : board.Tray()) {
            trayTypes.push_back(entry->type);
            trayCells += CellCount(entry->type);
        }
        EXPECT_EQ(trayCells, toCover);

        const SolutionTable& table = game.levelSolutions[level];
        for (int k = 0; k < table.PiecesPerSolution(); ++k) {
            const int entry = table.Entry(0, k);
            const int type = SolutionPlacement::Type(entry);
            const int x = SolutionPlacement::X(entry) - static_cast<int>(board.boardX0);
            const int y = SolutionPlacement::Y(entry) - static_cast<int>(board.boardY0);
            solutionTypes.push_back(type);
            ASSERT_TRUE(board.HasTrayPiece(type));
            ASSERT_TRUE(board.CanPlaceBlock(type, x, y)) << "piece " << k;
            board.AddPlacedBlock(Vorn::SmartPtr<Block>(new Block(type, float(x), float(y), 3.0f)), true);
        }
        std::sort(trayTypes.begin(), trayTypes.end());
        std::sort(solutionTypes.begin(), solutionTypes.end());
        EXPECT_EQ(trayTypes, solutionTypes);

        world->Frame(16);
        EXPECT_TRUE(board.solved);
        EXPECT_EQ(board.stats->found, 1);
        EXPECT_EQ(game.levelRecords[level] & 2, 2u);
    }
}

// What a player sees of every level, at every size: the whole outline (or the theme's frame tiles)
// and every tray piece lie inside the screen and clear of the MENU and HINTS labels in the corners
// of the bottom row; once solved, the outline stays above the result panel; on the level page it
// stays above the status line and the separator under it. Lines are drawn as strips a cell wide
// centred on the cell edges, so an outline touching a screen edge would lose half of its line
// there, and one reaching the status line's middle would run through its letters.
TEST_P(RealLevels, EveryLevelDrawsInsideTheScreenClearOfTheCornerLabels)
{
    Game& game = world->game();
    for (int id = 0; id < Images::COUNT; ++id)
        Content::s_images[id] = new Image(4096, 4096);
    Vorn::SmartPtr<Graphics> graphics(new Graphics(nullptr));
    graphics->StartRecording();
    const int s = Consts::CELL_SIZE;
    const int screenW = Consts::SCREEN_WIDTH, screenH = Consts::SCREEN_HEIGHT;
    const int labelTop = static_cast<int>((game.screenRows - 1.0f) * s);
    const int labelWidth = 3 * s;
    const int themes[] = {0, 7}; // hand-drawn outline, frame tiles
    for (int level = 0; level < BinaryFiles::LEVEL_COUNT; ++level) {
        SCOPED_TRACE(BinaryFiles::files[level]);
        ASSERT_TRUE(Content::LoadBinary(level));
        PlayfieldFit& board = StartLoadedLevel(game, level);
        for (int theme : themes) {
            Game::theme = theme;
            graphics->ClearRecord();
            board.Draw(graphics);
            int drawn = 0;
            for (const Graphics::DrawCall& call : graphics->GetRecord()) {
                const bool line = call.image == Consts::THEME_LINES_VERTICAL[theme] ||
                                  call.image == Consts::THEME_LINES_HORIZONTAL[theme];
                const bool tile = call.image == Consts::THEME_INGAME[theme];
                const bool piece =
                    call.image >= Game::BASE_BLOCK && call.image < Game::BASE_BLOCK + Block::TYPE_COUNT;
                if (!line && !tile && !piece)
                    continue;
                ++drawn;
                const int left = call.x, top = call.y;
                const int right = left + static_cast<int>(call.srcW * call.scale);
                const int bottom = top + static_cast<int>(call.srcH * call.scale);
                const std::string what = (piece ? "tray piece" : line ? "outline" : "frame tile") +
                                         std::string(" at ") + std::to_string(left) + "," +
                                         std::to_string(top) + " - " + std::to_string(right) + "," +
                                         std::to_string(bottom) + ", theme " + std::to_string(theme);
                EXPECT_TRUE(left >= 0 && top >= 0 && right <= screenW && bottom <= screenH)
                    << what << " leaves the " << screenW << "x" << screenH << " screen";
                const bool inLabelRow = bottom > labelTop;
                EXPECT_FALSE(inLabelRow && (left < labelWidth || right > screenW - labelWidth))
                    << what << " meets a corner label";
            }
            EXPECT_GT(drawn, 0);

            // Solved: the result panel's box is the first thing drawn from the screen's left
            // edge less a cell; everything of the board is drawn before it.
            board.solved = true;
            graphics->ClearRecord();
            board.Draw(graphics);
            board.solved = false;
            const std::vector<Graphics::DrawCall>& solved = graphics->GetRecord();
            const auto panel = std::find_if(solved.begin(), solved.end(), [&](const auto& call) {
                return call.image == Consts::THEME_BACKGROUND[theme] && call.x == -s;
            });
            ASSERT_NE(panel, solved.end());
            for (auto call = solved.begin(); call != panel; ++call) {
                if (call->image == Consts::THEME_LINES_HORIZONTAL[theme] ||
                    call->image == Consts::THEME_LINES_VERTICAL[theme] ||
                    call->image == Consts::THEME_INGAME[theme]) {
                    EXPECT_LE(call->y + static_cast<int>(call->srcH * call->scale), panel->y)
                        << "outline under the result panel, theme " << theme;
                }
            }
        }
        // The level page draws the same outline at full size from its page's left edge and the
        // board's top row, its status line on row 11.5 below that and the separator on row 12.
        Vorn::SmartPtr<PlayfieldFit> preview(new PlayfieldFit(0, 0, 1, 16));
        const Outline pageOutline = preview->LoadLevelOutline(level);
        for (const OutlineSegment& segment : pageOutline) {
            const bool vertical = segment.direction == OutlineSegment::VERTICAL;
            const float right = segment.x + (vertical ? 0.0f : segment.length);
            EXPECT_GE(segment.x, 0.5f) << "on the level page";
            EXPECT_LE(right, 11.5f) << "on the level page";
        }
        const float top = game.boardTopRows;
        graphics->ClearRecord();
        game.DrawOutline(graphics, 0.0f, top, 1.0f, pageOutline);
        const int statusMiddle = static_cast<int>((top + 11.5f) * s);
        ASSERT_FALSE(graphics->GetRecord().empty());
        for (const Graphics::DrawCall& call : graphics->GetRecord())
            EXPECT_LE(call.y + static_cast<int>(call.srcH * call.scale), statusMiddle)
                << "runs into the level page's status line";
    }
    Game::theme = 0;
    Content::s_images.clear();
}
