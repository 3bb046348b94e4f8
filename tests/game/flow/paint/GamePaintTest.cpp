// The screen painter through a recording Graphics: every state at every base size, the splash
// fades, the pause panels of play and the pack notices.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "Block.h"
#include "ButtonDisplayer.h"
#include "Consts.h"
#include "Controller.h"
#include "Game.h"
#include "Images.h"
#include "PaintWorld.h"
#include "PlayfieldFit.h"
#include "Sounds.h"

using PaintTest::PaintWorld;
using CallList = std::vector<Graphics::DrawCall>;

namespace {

struct BaseSize {
    int width;
    int height;
};
const BaseSize BASE_SIZES[] = {{240, 320}, {320, 480}, {480, 800}, {600, 1024}};

// Captions that tell the lists apart: "M" and the list's index.
void NameMenus(Game& game)
{
    for (int index = 0; index < Game::MENU_COUNT; ++index)
        game.menus[index]->SetText3(0, Vorn::WideString(L"M") + std::to_wstring(index));
}

// The play screen's panel: 0 none, 1 settings, 2 help, 3 the quit and 4 the restart question.
void OpenPanel(Game& game, int panel)
{
    game.settingsPanelOpen = panel == 1;
    game.helpPanelOpen = panel == 2;
    game.quitConfirmOpen = panel == 3;
    game.restartConfirmOpen = panel == 4;
}

std::string MenuName(int index)
{
    return "M" + std::to_string(index);
}

std::vector<const Graphics::DrawCall*> CallsOf(const CallList& calls, int image, Graphics::Call kind)
{
    std::vector<const Graphics::DrawCall*> found;
    for (const Graphics::DrawCall& call : calls)
        if (call.image == image && call.call == kind)
            found.push_back(&call);
    return found;
}

} // namespace

TEST(GamePaint, EveryStatePaintsAtEveryBaseSizeWithAndWithoutPictures)
{
    // States whose painters are the menu screens' own are left to their tests.
    const std::set<int> elsewhere = {8, 9, 10, 34, 35};
    const std::set<int> painted = {2,  3,  5,  6,  12, 13, 14, 15, 16, 17, 18, 19,
                                   20, 21, 22, 23, 24, 25, 27, 31, 100, 101, 102};
    for (const BaseSize& size : BASE_SIZES) {
        for (bool images : {false, true}) {
            SCOPED_TRACE(std::to_string(size.width) + (images ? " with pictures" : " bare"));
            PaintWorld world(size.width, size.height, images);
            Game& game = world.game();
            world.InstallLevel(0);
            game.StartLevel(0);
            ASSERT_TRUE(game.playfield);
            game.currentPack = 0;
            game.fadeLimit = 10;
            game.fadeCounter = 4;
            for (int state = 0; state <= 110; ++state) {
                game.screenState = state;
                const CallList calls = world.RecordFrame();
                if (images && !elsewhere.count(state)) {
                    EXPECT_EQ(painted.count(state) > 0, !calls.empty()) << "state " << state;
                }
            }
            // The board's panels and the keyboard over the profile list.
            game.screenState = Game::STATE_PLAY;
            game.playfield->paused = true;
            for (int panel = 0; panel < 5; ++panel) {
                OpenPanel(game, panel);
                world.RecordFrame();
            }
            game.screenState = Game::STATE_PROFILES;
            game.keyboardOpen = true;
            world.RecordFrame();
            // Notices and play without a board.
            game.playfield = nullptr;
            game.controller = nullptr;
            for (int state : {3, 23, 24})
                game.screenState = state, world.RecordFrame();
        }
    }
}

TEST(GamePaint, SplashCrossFadeStepsInFloatingPoint)
{
    PaintWorld world(480, 800);
    Game& game = world.game();
    game.screenState = Game::STATE_CROSSFADE;
    game.fadeLimit = 10;
    for (int counter = 0; counter <= 10; ++counter) {
        game.fadeCounter = counter;
        const CallList calls = world.RecordFrame();
        const auto first = CallsOf(calls, 0, Graphics::Call::COLORED);
        const auto second = CallsOf(calls, 1, Graphics::Call::COLORED);
        ASSERT_EQ(1u, first.size());
        ASSERT_EQ(1u, second.size());
        EXPECT_FLOAT_EQ(1.0f - counter / 10.0f, first[0]->a) << counter;
        EXPECT_FLOAT_EQ(counter / 10.0f, second[0]->a) << counter;
        // Centred, and over an opaque fill of the first picture's pixel (1, 1).
        EXPECT_EQ((480 - 64) / 2, second[0]->x);
        EXPECT_EQ((800 - 64) / 2, second[0]->y);
        const auto fill = CallsOf(calls, 0, Graphics::Call::EX);
        ASSERT_EQ(1u, fill.size());
        EXPECT_FLOAT_EQ(800.0f, fill[0]->scale);
        EXPECT_FLOAT_EQ(1.0f, fill[0]->a);
        EXPECT_EQ(1, fill[0]->srcX);
        EXPECT_EQ(1, fill[0]->srcW);
    }
    // A fade without frames shows its end.
    game.fadeLimit = 0;
    const CallList calls = world.RecordFrame();
    EXPECT_FLOAT_EQ(1.0f, CallsOf(calls, 1, Graphics::Call::COLORED).at(0)->a);
}

TEST(GamePaint, FadeOutAfterLoadingCoversEveryScreenUntilItEnds)
{
    PaintWorld world(320, 480);
    Game& game = world.game();
    game.fadeOutActive = true;
    game.fadeLimit = 5;
    for (int state : {Game::STATE_MAIN_MENU, 50}) {
        game.screenState = state;
        for (int counter = 0; counter <= 6; ++counter) {
            game.fadeCounter = counter;
            const CallList calls = world.RecordFrame();
            const auto overlay = CallsOf(calls, 1, Graphics::Call::COLORED);
            if (counter > 5) {
                EXPECT_TRUE(overlay.empty());
                continue;
            }
            ASSERT_EQ(1u, overlay.size());
            EXPECT_EQ(overlay[0], &calls.back()) << "drawn over the finished frame";
            EXPECT_FLOAT_EQ(1.0f - counter / 5.0f, overlay[0]->a);
            // A state without a painter shows only the overlay.
            if (state == 50) {
                EXPECT_EQ(1u, calls.size());
            }
        }
    }
}

TEST(GamePaint, PausedPlayShowsExactlyOnePanel)
{
    PaintWorld world(480, 800);
    Game& game = world.game();
    world.InstallLevel(0);
    game.StartLevel(0);
    NameMenus(game);
    auto lists = [&]() {
        const std::vector<PaintTest::TextRun> runs = PaintTest::ReadTexts(world.RecordFrame());
        std::set<std::string> shown;
        for (int index : {Game::MENU_PAUSE, Game::MENU_SETTINGS, Game::MENU_YES_NO, Game::MENU_HELP})
            if (!PaintTest::FindTexts(runs, MenuName(index)).empty())
                shown.insert(MenuName(index));
        return shown;
    };
    EXPECT_TRUE(lists().empty()) << "not paused";
    game.playfield->paused = true;
    EXPECT_EQ(std::set<std::string>{MenuName(Game::MENU_PAUSE)}, lists());
    game.restartConfirmOpen = true;
    EXPECT_EQ(std::set<std::string>{MenuName(Game::MENU_YES_NO)}, lists());
    game.helpPanelOpen = true;
    EXPECT_EQ(std::set<std::string>{MenuName(Game::MENU_HELP)}, lists());
    game.settingsPanelOpen = true;
    EXPECT_EQ(std::set<std::string>{MenuName(Game::MENU_SETTINGS)}, lists());
}

// Every panel of the pause hides the play screen: after the board's last draw and before the
// panel's first, the background covers the whole screen, mostly opaque, and its alpha is back to
// opaque for the box fills that follow.
TEST(GamePaint, PanelsOverThePlayScreenHideTheBoard)
{
    PaintWorld world(480, 800);
    Game& game = world.game();
    world.InstallLevel(0);
    game.StartLevel(0);
    game.playfield->paused = true;
    for (int panel = 0; panel < 5; ++panel) {
        OpenPanel(game, panel);
        const CallList calls = world.RecordFrame();
        size_t lastBlock = 0;
        for (size_t i = 0; i < calls.size(); ++i)
            if (calls[i].image >= Game::BASE_BLOCK &&
                calls[i].image < Game::BASE_BLOCK + Block::TYPE_COUNT)
                lastBlock = i;
        size_t veil = calls.size();
        for (size_t i = lastBlock; i < calls.size() && veil == calls.size(); ++i)
            if (calls[i].call == Graphics::Call::EX && calls[i].image == Game::imgBackground &&
                calls[i].x == 0 && calls[i].y == 0 &&
                calls[i].srcW == Consts::SCREEN_WIDTH && calls[i].srcH == Consts::SCREEN_HEIGHT)
                veil = i;
        ASSERT_LT(veil, calls.size()) << "panel " << panel;
        EXPECT_GE(calls[veil].a, 0.9f) << "panel " << panel;
        ASSERT_LT(veil + 1, calls.size());
        EXPECT_EQ(calls[veil + 1].image, Game::imgBackground);
        EXPECT_FLOAT_EQ(calls[veil + 1].a, 1.0f);
    }
}

TEST(GamePaint, SettingsPanelBarsFollowTheVolumes)
{
    PaintWorld world(480, 800); // cells of 40, 12 columns
    Game& game = world.game();
    world.InstallLevel(0);
    game.StartLevel(0);
    game.playfield->paused = true;
    game.settingsPanelOpen = true;
    Sounds::SetSoundVolume(50);
    Sounds::SetMusicVolume(0);
    const CallList calls = world.RecordFrame();
    const auto bars = CallsOf(calls, Consts::THEME_PROGRESS_BARS[0], Graphics::Call::EX);
    ASSERT_EQ(2u, bars.size());
    // Bars start at a quarter and three quarters of the width less 2.5 cells.
    EXPECT_EQ(20, bars[0]->x);
    EXPECT_EQ(260, bars[1]->x);
    EXPECT_EQ(static_cast<int>(40 * 0.58823526f * 5.0f), bars[0]->srcW);
    EXPECT_EQ(0, bars[1]->srcW);
    EXPECT_FLOAT_EQ(0.85f, bars[0]->scale);
    // Knobs: half a cell per volume step right of the bar's start (a line is drawn half a cell
    // left of its cell position). At volume 0 the knob meets the box's left edge.
    const float y = game.screenRows - 2.0f * game.menuRowHeight +
                    2.0f * game.menuRowHeight / 3.0f - 0.4f;
    const int lineY = static_cast<int>(40 * (y - 0.015f));
    auto linesAt = [&](int x) {
        return std::count_if(calls.begin(), calls.end(), [&](const Graphics::DrawCall& call) {
            return call.image == Consts::THEME_LINES_VERTICAL[0] && call.x == x &&
                   call.y == lineY;
        });
    };
    EXPECT_EQ(1, linesAt(20 + 100 - 20));
    EXPECT_EQ(2, linesAt(260 - 20));
    // TWITCH is a plain button here: no box, neither of its pictures.
    EXPECT_TRUE(CallsOf(calls, 56, Graphics::Call::CENTERED).empty());
    EXPECT_TRUE(CallsOf(calls, 58, Graphics::Call::CENTERED).empty());
    Sounds::SetSoundVolume(100);
    Sounds::SetMusicVolume(100);
}

TEST(GamePaint, PackNoticesNameThePackInDisplayOrder)
{
    PaintWorld world(480, 800);
    Game& game = world.game();
    world.InstallLevel(0);
    game.StartLevel(0);
    for (int pack = 0; pack < Game::PACK_COUNT; ++pack)
        game.packNames[pack] = Vorn::WideString(L"PACK") + std::to_wstring(pack);
    const int order[Game::PACK_COUNT] = {0, 3, 1, 2, 4, 5, 6};
    std::copy(std::begin(order), std::end(order), game.packOrder);
    game.currentPack = 0;

    game.screenState = Game::STATE_PACK_OPENED;
    CallList calls = world.RecordFrame();
    EXPECT_TRUE(PaintTest::HasText(calls, "YOU_UNLOCKED"));
    EXPECT_TRUE(PaintTest::HasText(calls, "PACK3"));
    EXPECT_FALSE(PaintTest::HasText(calls, "PACK1"));

    game.screenState = Game::STATE_PACK_COMPLETED;
    calls = world.RecordFrame();
    EXPECT_TRUE(PaintTest::HasText(calls, "CONGRATULATIONS"));
    EXPECT_TRUE(PaintTest::HasText(calls, "YOU_SOLVED"));
    EXPECT_TRUE(PaintTest::HasText(calls, "PACK0"));

    // The last pack in display order opens none.
    game.currentPack = 6;
    game.screenState = Game::STATE_PACK_OPENED;
    calls = world.RecordFrame();
    for (int pack = 0; pack < Game::PACK_COUNT; ++pack)
        EXPECT_FALSE(PaintTest::HasText(calls, "PACK" + std::to_string(pack)));
}

TEST(GamePaint, ProfileListGivesWayToTheKeyboard)
{
    PaintWorld world(480, 800);
    Game& game = world.game();
    NameMenus(game);
    game.screenState = Game::STATE_PROFILES;
    const int logo = Consts::THEME_LOGOS[0];
    CallList calls = world.RecordFrame();
    EXPECT_FALSE(CallsOf(calls, logo, Graphics::Call::CENTERED).empty());
    EXPECT_TRUE(PaintTest::HasText(calls, MenuName(Game::MENU_PROFILES)));

    game.keyboardOpen = true;
    calls = world.RecordFrame();
    EXPECT_TRUE(CallsOf(calls, logo, Graphics::Call::CENTERED).empty());
    EXPECT_FALSE(PaintTest::HasText(calls, MenuName(Game::MENU_PROFILES)));
    EXPECT_TRUE(PaintTest::HasText(calls, "CANCEL"));
}
