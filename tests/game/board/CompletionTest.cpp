// A covered board: solved detection, the saves that follow, which stored solution was found, what
// completing a level records and opens, and the hints a level offers.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "Consts.h"
#include "Stats.h"
#include "TextsManager.h"
#include "support/BoardWorld.h"
#include "vfs/Vfs.h"

using VornTest::BoardWorld;
using VornTest::LevelDesign;

namespace {

const int SQUARE = 0;
const int BAR = 2;

// A 4 x 2 board at (2, 2) coverable by two squares or two bars. Stored: the squares twice, then
// the bars.
LevelDesign Board4x2()
{
    LevelDesign design;
    design.x0 = 2;
    design.y0 = 2;
    design.rows = {"####", "####"};
    design.tray = {{0, 12, SQUARE}, {3, 12, SQUARE}, {6, 12, BAR}, {6, 14, BAR}};
    design.solutions = {{{SQUARE, 2, 2}, {SQUARE, 4, 2}},
                      {{SQUARE, 4, 2}, {SQUARE, 2, 2}},
                      {{BAR, 2, 2}, {BAR, 2, 3}}};
    return design;
}

class Completion : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The English table of the game, installed in the sandbox's install area.
        std::filesystem::create_directories(VornTest::Sandbox::Native("texts"));
        std::filesystem::copy_file(std::string(VORN_SOURCE_DIR) + "/data/texts/en.xml",
                                   VornTest::Sandbox::Native("texts/en.xml"));
        Vorn::Vfs::MountNative("texts/", "texts/", 0);
        TextsManager::Instance().ResetDictionary();
        ASSERT_TRUE(TextsManager::Instance().LoadTexts("texts/en.xml"));
    }
    void TearDown() override { TextsManager::Instance().ResetDictionary(); }

    PlayfieldFit& Start(int level, const LevelDesign& design = Board4x2())
    {
        world.InstallLevel(level, design);
        board = world.StartLevel(level).Get();
        world.Frame(16);
        return *board;
    }

    Block& Entry(int type, int n = 0)
    {
        for (auto it = board->Tray().rbegin(); it != board->Tray().rend(); ++it)
            if ((*it)->type == type && n-- == 0)
                return **it;
        throw std::logic_error("no such tray entry");
    }

    // Covers the board with two pieces of a type; the second drop is left for the next frame.
    void Cover(int type)
    {
        if (type == SQUARE) {
            world.DragTo(Entry(SQUARE, 0), 0, 0);
            Drop(Entry(SQUARE, 1), 2, 0);
        } else {
            world.DragTo(Entry(BAR, 0), 0, 0);
            Drop(Entry(BAR, 1), 0, 1);
        }
    }

    void Drop(const Block& entry, int tx, int ty)
    {
        int x = 0, y = 0;
        world.TrayPoint(entry, x, y);
        world.Down(x, y);
        world.Frame(200);
        world.DropPoint(entry.type, tx, ty, x, y);
        world.Move(x, y);
        world.Up(x, y);
    }

    BoardWorld world{480, 800};
    PlayfieldFit* board = nullptr;
};

} // namespace

TEST_F(Completion, SolvedOneUpdateAfterTheLastDropAndSavedOneUpdateLater)
{
    Start(3);
    VornTest::WriteBytes(BoardWorld::DataName("save/save"), {1, 2, 3, 4});
    Cover(SQUARE);
    EXPECT_FALSE(board->solved);
    EXPECT_TRUE(board->IsNotSolved());
    EXPECT_EQ(world.sounds().Plays("common/sounds/whole.ogg"), 0);
    world.Frame(16);
    EXPECT_TRUE(board->solved);
    EXPECT_TRUE(board->finished);
    EXPECT_EQ(world.sounds().Plays("common/sounds/whole.ogg"), 1);
    EXPECT_TRUE(board->solvedPending);
    bool found = true;
    world.SavedBytes("save/fit", &found);
    EXPECT_FALSE(found);
    EXPECT_EQ(world.SavedBytes("save/save").size(), 256u)
        << "the board as it was before the last drop, saved after each drop before it";

    world.Frame(16);
    EXPECT_FALSE(board->solvedPending);
    EXPECT_EQ(world.SavedBytes("save/fit").size(), 1604u);
    EXPECT_EQ(world.SavedBytes("save/hints").size(), 804u);
    EXPECT_EQ(world.SavedBytes("save/stats-1").size(), 233u);
    EXPECT_EQ(world.SavedBytes("save/stats0").size(), 137u);
    EXPECT_TRUE(world.SavedBytes("save/save", &found).empty());
    EXPECT_TRUE(found);

    // Play time stops with the level.
    const int played = world.game().stats->playTime;
    world.Frame(500);
    EXPECT_EQ(world.game().stats->playTime, played);
    // A solved board takes no new drags.
    int x = 0, y = 0;
    world.TrayPoint(Entry(BAR), x, y);
    world.Down(x, y);
    EXPECT_FALSE(board->dragging);
}

TEST_F(Completion, TheFirstMatchingStoredSolutionIsFound)
{
    Game& game = world.game();
    Start(3);
    Cover(SQUARE);
    world.Frame(16);
    EXPECT_EQ(board->stats->found, 1);
    EXPECT_TRUE(board->stats->isNew);
    EXPECT_EQ(game.levelRecords[3], 0b11u);
    EXPECT_EQ(game.stats->levelsSolved, 1);
    EXPECT_EQ(game.stats->solutionsFound, 1);
    EXPECT_EQ(game.stats->completions, 1);

    Start(3);
    Cover(BAR);
    world.Frame(16);
    EXPECT_EQ(board->stats->found, 3);
    EXPECT_TRUE(board->stats->isNew);
    EXPECT_EQ(game.levelRecords[3], 0b1011u);
    EXPECT_EQ(game.stats->levelsSolved, 1); // solved already
    EXPECT_EQ(game.stats->solutionsFound, 2);

    // The same solution again: nothing new, nothing opened.
    const uint64_t before4 = game.levelRecords[4];
    Start(3);
    Cover(SQUARE);
    world.Frame(16);
    EXPECT_EQ(board->stats->found, 1);
    EXPECT_FALSE(board->stats->isNew);
    EXPECT_EQ(game.levelRecords[3], 0b1011u);
    EXPECT_EQ(game.levelRecords[4], before4);
    EXPECT_EQ(game.stats->solutionsFound, 2);
    EXPECT_EQ(game.stats->completions, 3);
    EXPECT_EQ(game.CountFoundSolutions(3), 2);
}

TEST_F(Completion, AnUnrecognisedArrangementSolvesNothing)
{
    Game& game = world.game();
    LevelDesign design = Board4x2();
    design.solutions.resize(2); // squares only
    for (int round = 0; round < 2; ++round) {
        Start(3, design);
        Cover(BAR);
        world.Frame(16);
        EXPECT_TRUE(board->solved);
        EXPECT_EQ(board->stats->found, 0);
        EXPECT_FALSE(board->stats->isNew);
    }
    EXPECT_EQ(game.levelRecords[3], Game::RECORD_OPEN);
    EXPECT_EQ(game.stats->levelsSolved, 0);
    EXPECT_EQ(game.stats->solutionsFound, 0);
    EXPECT_EQ(game.stats->completions, 2);
    EXPECT_EQ(game.levelRecords[4], 0u);
}

TEST_F(Completion, ANewSolutionOpensTheFirstLockedLevelOfThePack)
{
    Game& game = world.game();
    for (int level = 0; level < 4; ++level)
        game.levelRecords[level] = Game::RECORD_OPEN;
    game.levelRecords[5] = Game::RECORD_OPEN;
    Start(3);
    Cover(SQUARE);
    world.Frame(16);
    EXPECT_EQ(game.levelRecords[4], Game::RECORD_OPEN);
    EXPECT_EQ(game.levelRecords[6], 0u);
    EXPECT_FALSE(board->nextPackUnlocked);
    EXPECT_FALSE(board->packCompleted);
    EXPECT_EQ(board->solvedLine, L"Solved 1/27");
    EXPECT_EQ(board->unlockedLine, L"Unlocked 6/27");
}

TEST_F(Completion, OpeningTheLastLevelOfAPackOpensTheNextUntouchedPack)
{
    Game& game = world.game();
    for (int level = 0; level < 26; ++level)
        game.levelRecords[level] = Game::RECORD_OPEN;
    Start(3);
    Cover(SQUARE);
    world.Frame(16);
    EXPECT_EQ(game.levelRecords[26], Game::RECORD_OPEN);
    EXPECT_TRUE(board->nextPackUnlocked);
    for (int level = 27; level < 31; ++level)
        EXPECT_EQ(game.levelRecords[level], Game::RECORD_OPEN) << level;
    EXPECT_EQ(game.levelRecords[31], 0u);

    // A next pack that was touched already is left alone.
    for (uint64_t& record : game.levelRecords)
        record = 0;
    for (int level = 0; level < 26; ++level)
        game.levelRecords[level] = Game::RECORD_OPEN;
    game.levelRecords[40] = Game::RECORD_OPEN;
    Start(3);
    Cover(SQUARE);
    world.Frame(16);
    EXPECT_EQ(game.levelRecords[26], Game::RECORD_OPEN);
    EXPECT_FALSE(board->nextPackUnlocked);
    EXPECT_EQ(game.levelRecords[27], 0u);
}

TEST_F(Completion, SolvingTheLastUnsolvedLevelCompletesThePack)
{
    Game& game = world.game();
    for (int level = 0; level < 27; ++level)
        game.levelRecords[level] = 0b11;
    game.levelRecords[3] = Game::RECORD_OPEN;
    Start(3);
    Cover(SQUARE);
    world.Frame(16);
    EXPECT_TRUE(board->packCompleted);
    EXPECT_FALSE(board->nextPackUnlocked); // every level was open before
    EXPECT_EQ(board->solvedLine, L"Solved 27/27");

    Start(3);
    Cover(BAR);
    world.Frame(16);
    EXPECT_FALSE(board->packCompleted); // it was complete already
}

TEST_F(Completion, HintsAreHalfThePiecesAndCountedUpToThat)
{
    Game& game = world.game();
    LevelDesign five = Board4x2();
    five.rows = {"##########"};
    five.solutions = {{{27, 2, 2}, {27, 3, 2}, {27, 4, 2}, {27, 5, 2}, {27, 6, 2}}};
    world.InstallLevel(10, five);
    EXPECT_EQ(game.GetHalfPieceCount(10), 2);
    LevelDesign one = Board4x2();
    one.rows = {"#"};
    one.solutions = {{{27, 2, 2}}};
    world.InstallLevel(11, one);
    EXPECT_EQ(game.GetHalfPieceCount(11), 0);
    LevelDesign none = Board4x2();
    none.solutions.clear();
    none.piecesPerSolution = 6;
    world.InstallLevel(12, none);
    EXPECT_EQ(game.GetHalfPieceCount(12), 0);

    Start(3);
    board->OpenHintPanel();
    EXPECT_TRUE(board->hintPanelOpen);
    EXPECT_TRUE(board->hintButtonEnabled);
    EXPECT_EQ(board->hintLine1, L"1 hint left");

    // The USE_HINT button.
    const int cell = Consts::CELL_SIZE;
    const int bx = 6 * cell;
    const int by = static_cast<int>((game.boardTopRows + 14.0f) * cell);
    world.Down(bx, by);
    world.Up(bx, by);
    EXPECT_EQ(game.hintWords[3], 1u);
    EXPECT_EQ(world.SavedBytes("save/hints").size(), 804u);
    EXPECT_FALSE(board->hintButtonEnabled);
    EXPECT_EQ(board->hintLine1, L"0 hints left");
    world.Down(bx, by);
    world.Up(bx, by);
    EXPECT_EQ(game.hintWords[3], 1u);

    // The close corner, pressed and released there.
    const int cx = Consts::DISPLAY_AREA_WIDTH - cell / 2;
    const int cy = static_cast<int>((game.screenRows - 0.5f) * cell);
    world.Down(bx, by);
    world.Up(cx, cy);
    EXPECT_TRUE(board->hintPanelOpen);
    world.Down(cx, cy);
    world.Up(cx, cy);
    EXPECT_FALSE(board->hintPanelOpen);

    // Counts in the hints file beyond what the level offers are clamped; a solved level offers none.
    game.hintWords[3] = 99;
    EXPECT_EQ(board->HintsUsed(), 1);
    board->OpenHintPanel();
    EXPECT_EQ(board->hintLine1, L"0 hints left");
    game.hintWords[10] = 0xFFFFFFFFu;
    Start(10, five);
    EXPECT_EQ(board->HintsUsed(), 2);
    game.hintWords[3] = 0;
    game.levelRecords[3] = 0b11;
    Start(3);
    board->OpenHintPanel();
    EXPECT_FALSE(board->hintButtonEnabled);
    EXPECT_EQ(board->hintLine1, L"Solved, no more hints");
}
