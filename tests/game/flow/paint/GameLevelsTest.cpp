// The pack list, the level pages and the start of a level.
#include <gtest/gtest.h>

#include "Consts.h"
#include "Controller.h"
#include "Content.h"
#include "Game.h"
#include "Graphics.h"
#include "Image.h"
#include "Images.h"
#include "PaintWorld.h"
#include "PlayfieldFit.h"
#include "Stats.h"
#include "graphics/surface/Surface.h"
#include "support/HeadlessGL.h"
#include "support/Sandbox.h"

using PaintTest::FindTexts;
using PaintTest::PaintWorld;
using PaintTest::ReadTexts;
using CallList = std::vector<Graphics::DrawCall>;

namespace {

CallList PackList(PaintWorld& world)
{
    return world.Record([&](const Vorn::SmartPtr<Graphics>& g) { world.game().RenderPackSelect(g); });
}

CallList LevelPage(PaintWorld& world)
{
    return world.Record([&](const Vorn::SmartPtr<Graphics>& g) { world.game().RenderLevelSelect(g); });
}

void NamePacksAndLevels(Game& game)
{
    for (int pack = 0; pack < Game::PACK_COUNT; ++pack)
        game.packNames[pack] = Vorn::WideString(L"PACK") + std::to_wstring(pack);
    for (int level = 0; level < Game::LEVEL_COUNT; ++level)
        game.levelTitles[level] = Vorn::WideString(L"T") + std::to_wstring(level);
}

// Index of the call that veils the row whose top is at pixel y, -1 when none does.
int VeilIndex(const CallList& calls, int y)
{
    for (size_t i = 0; i < calls.size(); ++i)
        if (calls[i].image == Game::imgBackground && calls[i].call == Graphics::Call::EX &&
            calls[i].y == y && calls[i].a < 1.0f)
            return static_cast<int>(i);
    return -1;
}

// Index of the first glyph of the font on the line centred at y, -1 when none.
int FirstGlyphIndex(const CallList& calls, int font, int y)
{
    for (size_t i = 0; i < calls.size(); ++i)
        if (calls[i].image == font && calls[i].y == y - PaintTest::GLYPH / 2)
            return static_cast<int>(i);
    return -1;
}

// Index of the first outline line inside the row from pixel top to bottom, left of x.
int PreviewIndex(const CallList& calls, int top, int bottom, int x)
{
    for (size_t i = 0; i < calls.size(); ++i)
        if (calls[i].image == Consts::THEME_LEVEL_EDGES_VERTICAL[0] && calls[i].y >= top &&
            calls[i].y < bottom && calls[i].x < x)
            return static_cast<int>(i);
    return -1;
}

} // namespace

TEST(GameLevels, PackListRowsStretchOnlyWhenAllSevenFit)
{
    PaintWorld world(480, 800); // 20 rows of 40 pixels
    Game& game = world.game();
    NamePacksAndLevels(game);
    game.levelRecords[0] = Game::RECORD_OPEN | 2; // one solution found
    world.InstallLevel(0);

    CallList calls = PackList(world);
    EXPECT_FLOAT_EQ(3.0f, game.packRowHeight);
    // Text column at 5.5 cells, one cell kept for the scroll bar, whose track stands there.
    ASSERT_FALSE(FindTexts(ReadTexts(calls), "PACK0").empty());
    EXPECT_EQ(220, FindTexts(ReadTexts(calls), "PACK0")[0].Centre());
    EXPECT_FALSE(FindTexts(ReadTexts(calls), "SOLVED 1/27").empty());
    const float inner = game.screenColumns - 2.0f * game.menuMargin;
    const int trackX = static_cast<int>(40 * ((inner - 1.0f) + game.menuMargin) - 20);
    auto track = [&](const CallList& list) {
        for (const Graphics::DrawCall& call : list)
            if (call.image == Consts::THEME_LINES_VERTICAL[0] && call.x == trackX)
                return true;
        return false;
    };
    EXPECT_TRUE(track(calls));

    // A list area tall enough for seven rows: they share it, centred texts, no scroll bar.
    game.screenRows = 30.0f;
    game.packScroll = -5.0f;
    calls = PackList(world);
    const float area = 30.0f - game.menuRowHeight - 0.2f - 2.2f;
    EXPECT_FLOAT_EQ(area / 7.0f, game.packRowHeight);
    EXPECT_FLOAT_EQ(0.0f, game.packScroll);
    EXPECT_EQ(240, FindTexts(ReadTexts(calls), "PACK0").at(0).Centre());
    EXPECT_FALSE(track(calls));
}

TEST(GameLevels, LockedPackIsVeiledAndPressingBringsItsPreviewsForward)
{
    PaintWorld world(480, 800);
    Game& game = world.game();
    NamePacksAndLevels(game);
    // Pack 1 (levels 27..52) is locked; its first level has an outline to preview.
    world.InstallLevel(27);
    game.levelRecords[27] = 0;
    game.packScroll = -3.0f; // pack 1 in the top row
    const float rowTop = game.menuMargin + 2.0f;
    const int top = static_cast<int>(40 * rowTop);
    const int bottom = static_cast<int>(40 * (rowTop + 3.0f));
    const int textY = static_cast<int>(40 * (rowTop + 1.5f));

    CallList calls = PackList(world);
    EXPECT_EQ("PACK_LOCKED", ReadTexts(calls).at(0).text);
    int veil = VeilIndex(calls, top);
    ASSERT_GE(veil, 0);
    EXPECT_FLOAT_EQ(0.95f, calls[veil].a);
    EXPECT_LT(PreviewIndex(calls, top, bottom, 200), veil);
    EXPECT_LT(veil, FirstGlyphIndex(calls, PaintTest::FONT, textY));

    game.currentPack = game.pressedPack = 1;
    calls = PackList(world);
    veil = VeilIndex(calls, top);
    ASSERT_GE(veil, 0);
    EXPECT_FLOAT_EQ(0.85f, calls[veil].a);
    EXPECT_LT(FirstGlyphIndex(calls, PaintTest::FONT, textY), veil);
    EXPECT_GT(PreviewIndex(calls, top, bottom, 200), veil);
}

TEST(GameLevels, PackListLeavesTheBackgroundOpaque)
{
    if (!VornTest::HeadlessScreen())
        GTEST_SKIP() << "no GL";
    PaintWorld world(240, 320);
    Game& game = world.game();
    Vorn::SmartPtr<Image> background(new Image(240, 320));
    background->surface =
        VornTest::MakeRgbaSurface(240, 320, [](int, int) { return 0x204080FFu; });
    Content::s_images[Game::imgBackground] = background;
    Vorn::SmartPtr<Vorn::Surface> target(new Vorn::Surface(240, 320, Vorn::PF_RGBA8888));
    target->FillRect(0, 0, 240, 320, Vorn::Color{255, 255, 255, 255});
    Vorn::SmartPtr<Graphics> graphics(new Graphics(target.Get()));

    game.RenderPackSelect(graphics);
    // The next frame starts on white with the plain background: the veils' alpha must not stay.
    target->FillRect(0, 0, 240, 320, Vorn::Color{255, 255, 255, 255});
    graphics->DrawImage(Game::imgBackground, 0, 0);
    const VornTest::Image out = VornTest::ReadPixels(target.Get());
    EXPECT_TRUE(VornTest::Near(out, 120, 160, 0x204080FFu, 2));
}

TEST(GameLevels, LevelPageShowsTheEntryPlayStarts)
{
    PaintWorld world(480, 800);
    Game& game = world.game();
    NamePacksAndLevels(game);
    game.currentPack = 0;
    const float titleRow = (game.boardTopRows + 1.0f) / 2.0f;
    for (float position : {0.0f, 0.6f, 0.79f, 0.8f, 1.4f, 2.0f}) {
        game.scrollPosition = position;
        const CallList calls = LevelPage(world);
        const int entry = static_cast<int>(position + 0.2f);
        EXPECT_EQ(entry, game.ShownLevelEntry());
        // The page of that entry is the one the pager places at the entry's shift.
        const auto titles = FindTexts(ReadTexts(calls), "T" + std::to_string(entry));
        ASSERT_EQ(1u, titles.size()) << position;
        EXPECT_EQ(static_cast<int>(40 * (12.0f * (entry - position) + 6.0f)), titles[0].Centre())
            << position;
        EXPECT_EQ(static_cast<int>(40 * titleRow), titles[0].y);
    }
    // The position never passes the pack's last entry.
    game.scrollPosition = 40.0f;
    LevelPage(world);
    EXPECT_FLOAT_EQ(26.0f, game.scrollPosition);
    EXPECT_EQ(26, game.ShownLevelEntry());
}

TEST(GameLevels, LevelPageRecordsShowOnlyStoredSolutions)
{
    PaintWorld world(480, 800);
    Game& game = world.game();
    game.currentPack = 0;
    world.InstallLevel(5); // one stored solution: a square at (3, 2)
    game.scrollPosition = 5.0f;
    const int block = Game::BASE_BLOCK + 0;
    auto blocks = [&](const CallList& calls) {
        int count = 0;
        for (const Graphics::DrawCall& call : calls)
            count += call.image == block && call.call == Graphics::Call::COLORED;
        return count;
    };

    game.levelRecords[5] = Game::RECORD_OPEN | 2;
    CallList calls = LevelPage(world);
    ASSERT_EQ(1, blocks(calls));
    for (const Graphics::DrawCall& call : calls)
        if (call.image == block) {
            EXPECT_EQ(3 * 40, call.x);
            EXPECT_EQ(static_cast<int>((2 + game.boardTopRows) * 40), call.y);
        }
    EXPECT_TRUE(PaintTest::HasText(calls, "FOUND"));

    // A bit for a solution the level does not have is not a found solution.
    game.levelRecords[5] = Game::RECORD_OPEN | 4;
    calls = LevelPage(world);
    EXPECT_EQ(0, blocks(calls));
    EXPECT_TRUE(PaintTest::HasText(calls, "NO_SOLUTIONS"));

    // A level without its file but with found bits: nothing to choose a solution from.
    game.levelRecords[6] = Game::RECORD_OPEN | 2;
    game.scrollPosition = 6.0f;
    calls = LevelPage(world);
    EXPECT_EQ(0, blocks(calls));
}

TEST(GameLevels, StartLevelStartsOnlyAnOpenLevelWithItsFile)
{
    PaintWorld world(480, 800);
    Game& game = world.game();
    world.InstallLevel(3);
    game.levelRecords[4] = Game::RECORD_OPEN; // no file
    game.levelRecords[3] = 0;                 // locked
    game.stats->gameCounter = 5;
    game.screenState = Game::STATE_LEVELS;
    game.currentLevel = 9;

    for (int level : {4, 3, -1, 200}) {
        game.StartLevel(level);
        EXPECT_FALSE(game.playfield) << level;
        EXPECT_FALSE(game.controller) << level;
        EXPECT_EQ(Game::STATE_LEVELS, game.screenState) << level;
        EXPECT_EQ(9, game.currentLevel) << level;
        EXPECT_EQ(5, game.stats->gameCounter) << level;
    }

    ASSERT_TRUE(VornTest::WriteBytes(world.world().DataName("save/save"), {1, 2, 3, 4}));
    game.levelRecords[3] = Game::RECORD_OPEN;
    game.StartLevel(3);
    ASSERT_TRUE(game.playfield);
    EXPECT_TRUE(game.playfield->IsLoaded());
    EXPECT_EQ(3, game.playfield->level);
    EXPECT_EQ(game.playfield.Get(), game.controller->target);
    EXPECT_EQ(Game::STATE_PLAY, game.screenState);
    EXPECT_EQ(3, game.currentLevel);
    EXPECT_EQ(6, game.stats->gameCounter);
    EXPECT_EQ(1, game.stats->counters[Stats::COUNTER_GAMES_PLAYED]);
    const Stats& record = *game.playfield->stats;
    EXPECT_EQ(5, record.number);
    EXPECT_EQ(3, record.level);
    EXPECT_EQ(Stats::NOT_SOLVED, record.found);
    EXPECT_GT(record.startTime, 0);
    EXPECT_TRUE(world.world().SavedBytes("save/save").empty());
}

// The strip of small outlines under the level page, at every size: the widest and tallest outline
// a level may have next to the smallest placed high on its board. Neighbouring outlines keep
// clear of each other, each status mark stands under its own outline without touching any, and
// the strip stays below the line above it.
TEST(GameLevels, LevelPageStripOutlinesNeverTouchAndMarksStandUnderThem)
{
    const Outline widest = {{0.5f, 1.0f, OutlineSegment::VERTICAL, 11.0f},
                            {11.5f, 1.0f, OutlineSegment::VERTICAL, 11.0f},
                            {0.5f, 1.0f, OutlineSegment::HORIZONTAL, 11.0f},
                            {0.5f, 12.0f, OutlineSegment::HORIZONTAL, 11.0f}};
    const Outline small = {{5.0f, 1.0f, OutlineSegment::VERTICAL, 2.0f},
                           {7.0f, 1.0f, OutlineSegment::VERTICAL, 2.0f},
                           {5.0f, 1.0f, OutlineSegment::HORIZONTAL, 2.0f},
                           {5.0f, 3.0f, OutlineSegment::HORIZONTAL, 2.0f}};
    for (const auto& size : {std::make_pair(240, 320), std::make_pair(320, 480),
                             std::make_pair(480, 800), std::make_pair(600, 1024)}) {
        PaintWorld world(size.first, size.second);
        Game& game = world.game();
        const int s = Consts::CELL_SIZE;
        const int icon = static_cast<int>(0.65f * s + 0.5f);
        for (int id : {56, 57, 58})
            Content::s_images[id] = new Image(icon, icon);
        game.currentPack = 0;
        for (int k = 0; k < game.packSizes[0]; ++k) {
            const int level = game.packLevels[0][k];
            game.levelOutlines[level] = k % 2 ? small : widest;
            game.levelRecords[level] = k % 3 == 0 ? 0 : (k % 3 == 1 ? 1 : 3);
        }
        game.scrollPosition = 10.0f;
        const CallList calls = LevelPage(world);
        const float stripTop = (game.boardTopRows + 12.0f) * s;
        // Above the bracket under the centred slot (and the buttons below it), drawn with the
        // same line pictures.
        const float stripBottom = (game.boardTopRows + 13.6f) * s;

        // Each strip line as the span of its centre line; lines of one outline overlap or touch.
        struct Span {
            float left, right, top, bottom;
        };
        std::vector<Span> lines, marks;
        for (const Graphics::DrawCall& c : calls) {
            const bool vertical = c.image == Consts::THEME_LEVEL_EDGES_VERTICAL[0];
            const bool horizontal = c.image == Consts::THEME_LEVEL_EDGES_HORIZONTAL[0];
            const Span line = vertical ? Span{c.x + s / 2.0f, c.x + s / 2.0f, float(c.y), float(c.y + c.srcH)}
                                       : Span{float(c.x), float(c.x + c.srcW), c.y + s / 2.0f, c.y + s / 2.0f};
            // (The stand-in button list below the strip draws lines too, all longer.)
            const bool stripSized = line.right - line.left < 2.0f * s;
            if ((vertical || horizontal) && stripSized && line.top > stripTop + 1 &&
                line.bottom < stripBottom)
                lines.push_back(line);
            else if (c.image == 56 || c.image == 57 || c.image == 58)
                marks.push_back({float(c.x), float(c.x + icon), float(c.y), float(c.y + icon)});
        }
        ASSERT_FALSE(lines.empty());
        std::sort(lines.begin(), lines.end(), [](const Span& a, const Span& b) { return a.left < b.left; });
        std::vector<Span> outlines;
        for (const Span& line : lines) {
            if (!outlines.empty() && line.left <= outlines.back().right + 1.0f) {
                Span& o = outlines.back();
                o.right = std::max(o.right, line.right);
                o.top = std::min(o.top, line.top);
                o.bottom = std::max(o.bottom, line.bottom);
            } else {
                outlines.push_back(line);
            }
        }
        const std::string where = std::to_string(size.first) + "x" + std::to_string(size.second);
        EXPECT_GE(outlines.size(), 5u) << where;
        EXPECT_EQ(marks.size(), outlines.size()) << where;
        // A hand-drawn line is about a tenth of a cell thick: half a cell between centre lines
        // leaves clear paper between neighbours.
        for (size_t i = 1; i < outlines.size(); ++i)
            EXPECT_GE(outlines[i].left - outlines[i - 1].right, 0.5f * s) << where << " slot " << i;
        for (const Span& o : outlines)
            EXPECT_GE(o.top, stripTop + 0.1f * s) << where;
        for (const Span& mark : marks) {
            bool under = false;
            for (const Span& o : outlines) {
                const bool across = mark.right > o.left - 0.1f * s && mark.left < o.right + 0.1f * s;
                EXPECT_FALSE(across && mark.top < o.bottom + 0.05f * s) << where << " a mark on an outline";
                under = under || (across && mark.top - o.bottom < 0.3f * s);
            }
            EXPECT_TRUE(under) << where << " a mark apart from its outline";
        }
        for (int id : {56, 57, 58})
            Content::s_images.erase(id);
    }
}
