// The statistics pager: its pages, their wrapping and what the totals and game pages say.
#include <gtest/gtest.h>

#include "Consts.h"
#include "Game.h"
#include "PaintWorld.h"
#include "Stats.h"

using PaintTest::FindTexts;
using PaintTest::PaintWorld;
using PaintTest::ReadTexts;
using CallList = std::vector<Graphics::DrawCall>;

namespace {

CallList PaintStats(PaintWorld& world)
{
    return world.Record([&](const Vorn::SmartPtr<Graphics>& g) { world.game().RenderStats(g); });
}

// The runs with this text on the page in view (480 pixels wide); the neighbour pages lie a page
// to the left and to the right.
std::vector<PaintTest::TextRun> InView(const std::vector<PaintTest::TextRun>& runs,
                                       const std::string& text)
{
    std::vector<PaintTest::TextRun> found;
    for (const PaintTest::TextRun& run : FindTexts(runs, text))
        if (run.x >= 0 && run.Right() <= 480)
            found.push_back(run);
    return found;
}

} // namespace

TEST(GameStatsScreen, WithoutGamesThereIsOnlyTheTotalsPage)
{
    PaintWorld world(480, 800);
    Game& game = world.game();
    // No games, and a counter only a damaged file holds: one page either way, nothing divided.
    for (int counter : {0, -1, -7}) {
        game.stats->gameCounter = counter;
        game.scrollPosition = -0.25f;
        const CallList calls = PaintStats(world);
        EXPECT_FLOAT_EQ(0.75f, game.scrollPosition) << counter;
        EXPECT_EQ(3u, FindTexts(ReadTexts(calls), "STATS").size()) << "all three pages are totals";
        EXPECT_TRUE(FindTexts(ReadTexts(calls), "GAME_NUMBER").empty());
        ASSERT_TRUE(game.statsRecord);
        EXPECT_EQ(Stats::TOTALS, game.statsRecord->number);
    }
    game.scrollPosition = 1.0f;
    PaintStats(world);
    EXPECT_FLOAT_EQ(0.0f, game.scrollPosition) << "wraps onto the same page";
}

TEST(GameStatsScreen, TotalsPageNumbersEndAtElevenCells)
{
    PaintWorld world(480, 800);
    Game& game = world.game();
    world.InstallLevel(0);
    world.InstallLevel(1);
    game.stats->levelsSolved = 250;
    game.stats->solutionsFound = 2;
    game.stats->counters[Stats::COUNTER_GAMES_PLAYED] = 7;
    game.stats->playTime = 3723 * 1000;
    const std::vector<PaintTest::TextRun> runs = ReadTexts(PaintStats(world));

    for (const char* value : {"200 / 200", "2 / 2", "7", "1h 2m 3s"}) {
        const auto found = InView(runs, value);
        ASSERT_EQ(1u, found.size()) << value;
        EXPECT_EQ(11 * 40, found[0].Right()) << value;
    }
    // Labels at one cell; with double lines each value half a step below its label.
    const auto label = FindTexts(runs, "LEVELS_SOLVED");
    ASSERT_EQ(3u, label.size());
    EXPECT_EQ(40, label[1].x);
    EXPECT_LT(label[1].y, InView(runs, "200 / 200").at(0).y);
}

TEST(GameStatsScreen, ScrollingLeftFromTheTotalsShowsTheLastGame)
{
    PaintWorld world(480, 800);
    Game& game = world.game();
    world.InstallLevel(0); // three tray pieces
    game.levelTitles[0] = L"RING";
    game.stats->gameCounter = 3;
    Vorn::SmartPtr<::Stats> last(new ::Stats(2));
    last->level = 0;
    last->pieces[0] = 4;
    last->pieces[27] = 5;
    last->startTime = 86400 * 365;
    last->Save();
    Vorn::SmartPtr<::Stats> before(new ::Stats(1));
    before->level = 1;
    before->found = 0;
    before->Save();

    game.scrollPosition = -1.0f;
    const std::vector<PaintTest::TextRun> runs = ReadTexts(PaintStats(world));
    EXPECT_FLOAT_EQ(3.0f, game.scrollPosition);
    // The page in view is game 2, shown as number 3 right after its heading; game 1 lies left.
    // The page in view is game 2: its number, 3, directly after the heading centred on the
    // screen (one run of glyphs), while game 1 lies a page to the left.
    const auto heading = InView(runs, "GAME_NUMBER3");
    ASSERT_EQ(1u, heading.size());
    EXPECT_EQ(240 - 11 * PaintTest::GLYPH / 2, heading[0].x);
    EXPECT_EQ(1u, FindTexts(runs, "GAME_NUMBER2").size());
    EXPECT_EQ(1u, InView(runs, "RING").size());
    EXPECT_EQ(1u, FindTexts(runs, "QUESTION_NO").size());
    EXPECT_EQ(1u, FindTexts(runs, "QUESTION_YES").size());
    ASSERT_EQ(1u, InView(runs, "9").size()) << "moves";
    EXPECT_EQ(static_cast<int>(5.5f * 40), InView(runs, "9")[0].Right());
    // The last record read is the right neighbour: the totals.
    EXPECT_EQ(::Stats::TOTALS, game.statsRecord->number);
    // Tray pieces of the level, on the BLOCKS line of its own.
    const auto blocks = InView(runs, "BLOCKS");
    ASSERT_EQ(1u, blocks.size());
    EXPECT_EQ(40, blocks[0].x);
    bool trayCount = false;
    for (const PaintTest::TextRun& run : InView(runs, "3"))
        trayCount |= run.y == blocks[0].y && run.Right() == 11 * 40;
    EXPECT_TRUE(trayCount);
}
