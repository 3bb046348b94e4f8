// Every screen a player reaches by touch, from a first start: each one is checked after the tap
// that leads there and saved as a picture at 480x800 into the screenshot directory.
#include <gtest/gtest.h>

#include <string>

#include "Consts.h"
#include "GLFont.h"
#include "Game.h"
#include "Help.h"
#include "PlayfieldFit.h"
#include "application/playbook/CreateApplication.h"
#include "support/BuiltData.h"
#include "support/e2e/GameDriver.h"
#include "support/e2e/Harness.h"

using VornTest::GameDriver;
using VornTest::Harness;

namespace {

class Screens {
public:
    Screens(Harness& harness, GameDriver& driver)
        : h(harness), d(driver), dir(VornTest::ScreenshotDir())
    {
    }

    Game& G() { return *GameDriver::GetGame(); }

    // Taps the button and expects the state; the picture is taken a few frames later.
    void Go(int menu, int id, int state, const std::string& shot = std::string())
    {
        ASSERT_TRUE(d.TapButton(menu, id)) << "menu " << menu << " has no button " << id;
        ASSERT_TRUE(d.WaitForState(state, 40)) << "menu " << menu << " button " << id
                                                << " led to " << d.State();
        if (!shot.empty())
            Shot(shot);
    }

    void Shot(const std::string& name)
    {
        h.Frames(6);
        EXPECT_TRUE(d.Screenshot(dir, name)) << name;
    }

    // A key of the name keyboard by its code in the key grid (six columns of two cells, six rows
    // ending at the screen's bottom).
    void TapKey(int code)
    {
        Game& g = G();
        for (int i = 0; i < Game::KEY_GRID; ++i) {
            if (g.keyGrid[i] != code)
                continue;
            const int column = i % 6;
            const int row = i / 6;
            const float cellY = 2.0f * row + 1.0f - (12.0f - g.screenRows);
            d.TapCell(2.0f * column + 1.0f, cellY);
            h.Frames(2);
            return;
        }
        ADD_FAILURE() << "no key " << code;
    }

    // The pause button (left column, bottom row) and the hint button (right column).
    void TapCorner(bool right)
    {
        Game& g = G();
        const float x = (right == (g.controlSide == 1)) ? 0.5f : 11.5f;
        int px = 0, py = 0;
        d.CellToWindow(x, g.screenRows - 0.5f, px, py);
        h.Tap(px, py);
        h.Frames(3);
    }

    Harness& h;
    GameDriver& d;
    std::string dir;
};

}  // namespace

TEST(GameScreens, EveryScreenReachedByTouchWithAPictureOfEach)
{
    VORN_SKIP_IF_MISSING(VornTest::MissingGameData());
    Harness h;
    GameDriver d(h);
    ASSERT_TRUE(h.Start(Tessela::CreateApplication()));
    ASSERT_TRUE(d.WaitUntilLoaded());
    Screens s(h, d);
    Game& g = s.G();
    ASSERT_EQ(g.screenState, Game::STATE_FIRST_LANGUAGE);
    s.Shot("first-start-language");

    s.Go(Game::MENU_FIRST_LANGUAGE, 0, Game::STATE_WELCOME, "welcome");
    EXPECT_EQ(g.language, 0);

    // A profile with a typed name.
    s.Go(Game::MENU_WELCOME, 1, Game::STATE_PROFILES, "profile-list");
    s.Go(Game::MENU_PROFILES, 0, Game::STATE_KEYBOARD);
    s.TapKey(0);   // a capital first
    s.TapKey(1);
    s.TapKey(2);
    EXPECT_EQ(Game::typedName, "Abc");
    s.Shot("name-keyboard");
    s.TapKey(-2);  // enter
    ASSERT_TRUE(d.WaitForState(Game::STATE_WELCOME, 40)) << d.State();
    EXPECT_EQ(g.profileCount, 1);
    EXPECT_EQ(g.profileNames[0], "Abc");
    EXPECT_FALSE(g.guestSelected);

    s.Go(Game::MENU_WELCOME, 0, Game::STATE_MAIN_MENU, "main-menu");
    s.Go(Game::MENU_MAIN, 10, Game::STATE_MORE, "more-menu");
    s.Go(Game::MENU_MORE, 1, Game::STATE_ABOUT, "about");
    s.Go(Game::MENU_ABOUT, 0, Game::STATE_MORE);
    s.Go(Game::MENU_MORE, 2, Game::STATE_HELP, "help-page-1");
    // The page buttons' arrows are literal captions: the font must hold them, not show its
    // replacement glyph.
    ASSERT_TRUE(g.smallFont);
    for (wchar_t arrow : {L'<', L'>'})
        EXPECT_NE(g.smallFont->GetCharAdvance(arrow), g.smallFont->GetCharAdvance(0xFFFD))
            << "no glyph for " << static_cast<char>(arrow);
    ASSERT_TRUE(g.help);
    const int firstPage = g.help->currentPage;
    ASSERT_TRUE(d.TapButton(Game::MENU_HELP, 1));
    EXPECT_NE(g.help->currentPage, firstPage);
    s.Shot("help-page-2");
    s.Go(Game::MENU_HELP, 2, Game::STATE_MORE);
    s.Go(Game::MENU_MORE, 3, Game::STATE_STATS, "statistics");
    s.Go(Game::MENU_STATS, 0, Game::STATE_MORE);
    s.Go(Game::MENU_MORE, 0, Game::STATE_OPTIONS, "options");

    // Data: deleting progress asked and refused, then the profile deleted.
    s.Go(Game::MENU_OPTIONS, 4, Game::STATE_DATA, "data-menu");
    s.Go(Game::MENU_DATA, 2, Game::STATE_CONFIRM_DELETE_PROGRESS, "delete-progress-confirmation");
    s.Go(Game::MENU_YES_NO, 1, Game::STATE_OPTIONS);
    s.Go(Game::MENU_OPTIONS, 4, Game::STATE_DATA);
    s.Go(Game::MENU_DATA, 1, Game::STATE_CONFIRM_DELETE_PROFILE, "delete-profile-confirmation");
    s.Go(Game::MENU_YES_NO, 0, Game::STATE_PROFILE_DELETED, "profile-deleted");
    EXPECT_EQ(g.profileCount, 0);
    EXPECT_TRUE(g.guestSelected);
    s.Go(Game::MENU_NOTICE, 0, Game::STATE_MAIN_MENU);
    s.Go(Game::MENU_MAIN, 10, Game::STATE_MORE);
    s.Go(Game::MENU_MORE, 0, Game::STATE_OPTIONS);
    s.Go(Game::MENU_OPTIONS, 4, Game::STATE_DATA);
    s.Go(Game::MENU_DATA, 1, Game::STATE_GUEST_NOT_DELETABLE, "guest-not-deletable");
    s.Go(Game::MENU_NOTICE, 0, Game::STATE_OPTIONS);

    // The language: French, and the texts follow.
    const Vorn::WideString englishBack = g.GetText("BACK");
    s.Go(Game::MENU_OPTIONS, 6, Game::STATE_LANGUAGE, "language-list");
    s.Go(Game::MENU_LANGUAGE, 1, Game::STATE_OPTIONS, "options-french");
    EXPECT_EQ(g.language, 1);
    EXPECT_NE(g.GetText("BACK"), englishBack);
    s.Go(Game::MENU_OPTIONS, 6, Game::STATE_LANGUAGE);
    s.Go(Game::MENU_LANGUAGE, 0, Game::STATE_OPTIONS);
    EXPECT_EQ(g.GetText("BACK"), englishBack);

    // Every theme from the options: the main menu in each, the theme stored on the way back.
    s.Go(Game::MENU_OPTIONS, 2, Game::STATE_MORE);
    s.Go(Game::MENU_MORE, 4, Game::STATE_MAIN_MENU);
    for (int n = 0; n < Consts::MAX_THEMES; ++n) {
        EXPECT_EQ(Game::theme, n);
        s.Shot("theme-" + std::to_string(n) + "-main-menu");
        s.Go(Game::MENU_MAIN, 10, Game::STATE_MORE);
        s.Go(Game::MENU_MORE, 0, Game::STATE_OPTIONS);
        ASSERT_TRUE(d.TapButton(Game::MENU_OPTIONS, 1));
        h.Frames(20);
        EXPECT_EQ(Game::theme, (n + 1) % Consts::MAX_THEMES);
        s.Go(Game::MENU_OPTIONS, 2, Game::STATE_MORE);
        EXPECT_EQ(g.ReadLastProfileTheme(), Game::theme) << "the options file keeps the theme";
        s.Go(Game::MENU_MORE, 4, Game::STATE_MAIN_MENU);
    }

    // Every theme in play, switched from the settings panel.
    s.Go(Game::MENU_MAIN, 0, Game::STATE_PACKS, "pack-list");
    d.TapCell(g.screenColumns / 2, g.packScroll + g.menuMargin + 2.0f + g.packRowHeight * 0.5f);
    ASSERT_TRUE(d.WaitForState(Game::STATE_LEVELS, 40));
    s.Shot("level-page");
    s.Go(Game::MENU_LEVELS, 0, Game::STATE_PLAY, "play");
    ASSERT_TRUE(g.playfield);

    for (int n = 0; n < Consts::MAX_THEMES; ++n) {
        EXPECT_EQ(Game::theme, n);
        s.Shot("theme-" + std::to_string(n) + "-play");
        s.TapCorner(false);
        ASSERT_TRUE(g.playfield->paused);
        if (n == 0)
            s.Shot("pause-menu");
        ASSERT_TRUE(d.TapButton(Game::MENU_PAUSE, 1));
        ASSERT_TRUE(g.settingsPanelOpen);
        if (n == 0)
            s.Shot("settings-panel");
        ASSERT_TRUE(d.TapButton(Game::MENU_SETTINGS, 1));
        h.Frames(30);
        EXPECT_EQ(Game::theme, (n + 1) % Consts::MAX_THEMES);
        EXPECT_EQ(g.ReadLastProfileTheme(), Game::theme) << "the options file keeps the theme";
        ASSERT_TRUE(d.TapButton(Game::MENU_SETTINGS, 3));
        EXPECT_FALSE(g.settingsPanelOpen);
        ASSERT_TRUE(d.TapButton(Game::MENU_PAUSE, 0));
        EXPECT_FALSE(g.playfield->paused);
    }
    EXPECT_EQ(Game::theme, 0);

    // Pause: help panel, restart, quit.
    s.TapCorner(false);
    ASSERT_TRUE(d.TapButton(Game::MENU_PAUSE, 2));
    ASSERT_TRUE(g.helpPanelOpen);
    s.Shot("help-panel");
    ASSERT_TRUE(d.TapButton(Game::MENU_HELP, 2));
    EXPECT_FALSE(g.helpPanelOpen);
    ASSERT_TRUE(d.TapButton(Game::MENU_PAUSE, 4));
    ASSERT_TRUE(g.restartConfirmOpen);
    s.Shot("restart-confirmation");
    const PlayfieldFit* before = g.playfield.Get();
    ASSERT_TRUE(d.TapButton(Game::MENU_YES_NO, 0));
    EXPECT_FALSE(g.restartConfirmOpen);
    EXPECT_NE(g.playfield.Get(), before) << "a new board";
    EXPECT_FALSE(g.playfield->paused);
    s.Shot("restarted");

    // The first level has too few pieces for a hint: solved, its CONTINUE starts the next one.
    ASSERT_TRUE(d.SolveByDragging());
    h.Frames(40);
    ASSERT_TRUE(g.playfield->finished);
    s.Shot("level-complete");
    ASSERT_TRUE(d.TapButton(Game::MENU_NOTICE, 0));
    h.Frames(10);
    ASSERT_EQ(g.screenState, Game::STATE_PLAY);
    const int level = g.currentLevel;
    ASSERT_NE(level, 0);

    // The hint panel and a hint used.
    s.TapCorner(true);
    ASSERT_TRUE(g.playfield->hintPanelOpen);
    s.Shot("hint-panel");
    const uint32_t used = g.hintWords[level];
    ASSERT_TRUE(d.TapButton(Game::MENU_HINT, 0));
    h.Frames(20);
    EXPECT_EQ(g.hintWords[level], used + 1) << "the hint is counted for the level";
    s.Shot("hint-used");

    s.TapCorner(false);
    ASSERT_TRUE(d.TapButton(Game::MENU_PAUSE, 3));
    ASSERT_TRUE(g.quitConfirmOpen);
    s.Shot("quit-confirmation");
    s.Go(Game::MENU_YES_NO, 0, Game::STATE_LEVELS, "quit-to-level-page");
    EXPECT_EQ(h.Stop(), 0);
}
