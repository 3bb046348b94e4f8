// The screens whose layout depends most on the base size, played at each of the four sizes and
// kept as pictures in <screenshots>/<W>x<H>/: the menus (the options with the twitch option on and
// off), the level page of a late pack, a wide level in play with a block carried over the board,
// and the panels over the play screen, in the themes whose art meets the interface most
// (Notebook, Old paper, Red leather); in Notebook also the pages of the tallest outlines and a
// tall letter solved, under its result panel.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "BinaryFiles.h"
#include "Block.h"
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

struct Size {
    int width;
    int height;
};

std::string Name(const Size& size)
{
    return std::to_string(size.width) + "x" + std::to_string(size.height);
}

class GameSizes : public ::testing::TestWithParam<Size> {
protected:
    GameSizes() : h(MakeOptions()), d(h, GetParam().width, GetParam().height) {}

    static Harness::Options MakeOptions()
    {
        Harness::Options options;
        options.width = GetParam().width;
        options.height = GetParam().height;
        options.captureAudio = false;
        return options;
    }

    Game& G() { return *GameDriver::GetGame(); }

    void Go(int menu, int id, int state)
    {
        ASSERT_TRUE(d.TapButton(menu, id)) << "menu " << menu << " has no button " << id;
        ASSERT_TRUE(d.WaitForState(state, 40)) << "menu " << menu << " button " << id;
    }

    void Shot(const std::string& name, int frames = 6)
    {
        h.Frames(frames);
        EXPECT_TRUE(d.Screenshot(VornTest::ScreenshotDir() + "/" + Name(GetParam()), name));
    }

    // Switches the theme through the options' THEME button until it is the one wanted.
    void SwitchTheme(int theme)
    {
        Go(Game::MENU_MAIN, 10, Game::STATE_MORE);
        Go(Game::MENU_MORE, 0, Game::STATE_OPTIONS);
        for (int i = 0; i < Consts::MAX_THEMES && Game::theme != theme; ++i) {
            ASSERT_TRUE(d.TapButton(Game::MENU_OPTIONS, 1));
            h.Frames(20);
        }
        ASSERT_EQ(Game::theme, theme);
        Go(Game::MENU_OPTIONS, 2, Game::STATE_MORE);
        Go(Game::MENU_MORE, 4, Game::STATE_MAIN_MENU);
    }

    void Touch(void (Harness::*what)(int, int, int), float px, float py)
    {
        int x = 0, y = 0;
        d.ToWindow(px, py, x, y);
        (h.*what)(x, y, 0);
    }

    // Picks the tray block up and carries it over board cell (tx, ty), leaving the finger down.
    void Carry(const Block& entry, int tx, int ty)
    {
        PlayfieldFit& board = *G().playfield;
        const int cell = Consts::CELL_SIZE;
        const float x = Consts::DISPLAY_AREA_X + entry.x * cell + cell;
        const float y = (entry.y + G().boardTopRows) * cell + cell;
        Touch(&Harness::TouchDown, x, y);
        h.Frame(100);
        const float dx = board.originX + tx * cell + Block::blocksWidth[entry.type] / 2.0f;
        const float dy = board.originY + ty * cell + Block::blocksHeight[entry.type] / 2.0f;
        Touch(&Harness::TouchMove, (x + dx) / 2, (y + dy) / 2);
        h.Frame(16);
        Touch(&Harness::TouchMove, dx, dy);
        h.Frames(6, 16);
        fingerX = dx;
        fingerY = dy;
    }

    // Carries the first tray block over the board's first free cell it fits.
    void CarryFirstBlock()
    {
        PlayfieldFit& board = *G().playfield;
        const Block& entry = *board.Tray().front();
        for (int cx = 0; cx < board.width; ++cx)
            for (int cy = 0; cy < board.height; ++cy)
                if (board.CanPlaceBlock(entry.type, cx, cy))
                    return Carry(entry, cx, cy);
        FAIL() << "the first block fits nowhere";
    }

    // Plays the level's first stored solution block by block from the tray.
    void PlayFirstSolution(int level)
    {
        PlayfieldFit& board = *G().playfield;
        const SolutionTable& table = G().levelSolutions[level];
        for (int k = 0; k < table.PiecesPerSolution(); ++k) {
            const int entry = table.Entry(0, k);
            const int type = SolutionPlacement::Type(entry);
            const Block* piece = nullptr;
            for (const auto& candidate : board.Tray())
                if (candidate->type == type && candidate->trayState != -1.0f)
                    piece = candidate.Get();
            ASSERT_NE(piece, nullptr) << "piece " << k;
            Carry(*piece, SolutionPlacement::X(entry) - static_cast<int>(board.boardX0),
                  SolutionPlacement::Y(entry) - static_cast<int>(board.boardY0));
            Touch(&Harness::TouchUp, fingerX, fingerY);
            h.Frames(3);
        }
    }

    static int LevelNamed(const std::string& file)
    {
        for (int level = 0; level < Game::LEVEL_COUNT; ++level)
            if (BinaryFiles::files[level] == file)
                return level;
        return -1;
    }

    // Shows a level's page, the level open but unsolved.
    void ShowLevelPage(int level)
    {
        Game& g = G();
        for (int pack = 0; pack < Game::PACK_COUNT; ++pack)
            for (size_t i = 0; i < g.packLevels[pack].size(); ++i)
                if (g.packLevels[pack][i] == level) {
                    g.currentPack = pack;
                    g.scrollPosition = static_cast<float>(i);
                }
        g.levelRecords[level] = Game::RECORD_OPEN;
        g.screenState = Game::STATE_LEVELS;
    }

    Harness h;
    GameDriver d;
    float fingerX = 0.0f, fingerY = 0.0f;
};

} // namespace

INSTANTIATE_TEST_SUITE_P(BaseSizes, GameSizes,
                         ::testing::Values(Size{240, 320}, Size{320, 480}, Size{480, 800},
                                           Size{600, 1024}),
                         [](const ::testing::TestParamInfo<Size>& info) { return Name(info.param); });

TEST_P(GameSizes, MenusLevelPageAndPlayScreens)
{
    VORN_SKIP_IF_MISSING(VornTest::MissingGameData());
    ASSERT_TRUE(h.Start(Tessela::CreateApplication()));
    ASSERT_TRUE(d.WaitUntilLoaded());
    Game& g = G();
    ASSERT_EQ(g.screenState, Game::STATE_FIRST_LANGUAGE);
    Go(Game::MENU_FIRST_LANGUAGE, 3, Game::STATE_WELCOME); // German: the longest captions
    Go(Game::MENU_WELCOME, 0, Game::STATE_MAIN_MENU);
    Shot("main-menu");
    Go(Game::MENU_MAIN, 10, Game::STATE_MORE);
    Go(Game::MENU_MORE, 0, Game::STATE_OPTIONS);
    Shot("options");
    ASSERT_TRUE(d.TapButton(Game::MENU_OPTIONS, 5));
    Shot("options-twitch-off");
    ASSERT_FALSE(g.twitch);
    ASSERT_TRUE(d.TapButton(Game::MENU_OPTIONS, 5));
    Go(Game::MENU_OPTIONS, 6, Game::STATE_LANGUAGE);
    Shot("language-list");
    Go(Game::MENU_LANGUAGE, 5, Game::STATE_OPTIONS);
    Go(Game::MENU_OPTIONS, 4, Game::STATE_DATA);
    Shot("data-menu");
    Go(Game::MENU_DATA, 0, Game::STATE_OPTIONS);
    Go(Game::MENU_OPTIONS, 2, Game::STATE_MORE);
    Go(Game::MENU_MORE, 4, Game::STATE_MAIN_MENU);
    // The name keyboard with nothing typed: its enter key reads "Abbrechen".
    Go(Game::MENU_MAIN, 6, Game::STATE_PROFILES);
    Go(Game::MENU_PROFILES, 0, Game::STATE_KEYBOARD);
    Shot("name-keyboard");
    d.TapCell(2.0f * 4 + 2.0f, g.screenRows - 12.0f + 2.0f * 4 + 2.0f);
    ASSERT_TRUE(d.WaitForState(Game::STATE_PROFILES, 40)) << d.State();
    Go(Game::MENU_PROFILES, 6, Game::STATE_MAIN_MENU);

    // Every level open and some solved, so that the late packs show their outlines and marks.
    for (int level = 0; level < Game::LEVEL_COUNT; ++level)
        g.levelRecords[level] = level % 3 == 0 ? 3 : (level % 3 == 1 ? Game::RECORD_OPEN : 0);
    g.levelRecords[0] = 3;

    for (int theme : {0, 5, 6}) {
        SwitchTheme(theme);
        const std::string prefix = "theme-" + std::to_string(theme) + "-";
        if (theme == 0)
            Shot(prefix + "main-menu");
        Go(Game::MENU_MAIN, 0, Game::STATE_PACKS);
        // The zombie pack's level page, centred on its pistol, one of the widest outlines.
        int pistol = 0;
        while (pistol + 1 < g.packSizes[6] &&
               std::string(BinaryFiles::files[g.packLevels[6][pistol]]).find("luger") ==
                   std::string::npos)
            ++pistol;
        g.currentPack = 6;
        g.scrollPosition = static_cast<float>(pistol);
        g.screenState = Game::STATE_LEVELS;
        Shot(prefix + "level-page");
        g.levelRecords[g.packLevels[6][pistol]] = Game::RECORD_OPEN;
        g.StartLevel(g.packLevels[6][pistol]);
        ASSERT_EQ(g.screenState, Game::STATE_PLAY);
        Shot(prefix + "play-wide");
        CarryFirstBlock();
        Shot(prefix + "carrying", 1);
        Touch(&Harness::TouchUp, -100, -100);
        h.Frames(4);
        // Pause menu, settings, quit question.
        int px = 0, py = 0;
        d.CellToWindow(0.5f, g.screenRows - 0.5f, px, py);
        h.Tap(px, py);
        h.Frames(3);
        ASSERT_TRUE(g.playfield->paused);
        Shot(prefix + "pause-menu");
        ASSERT_TRUE(d.TapButton(Game::MENU_PAUSE, 1));
        Shot(prefix + "settings-panel");
        ASSERT_TRUE(d.TapButton(Game::MENU_SETTINGS, 3));
        ASSERT_TRUE(d.TapButton(Game::MENU_PAUSE, 3));
        ASSERT_TRUE(g.quitConfirmOpen);
        Shot(prefix + "quit-confirmation");
        Go(Game::MENU_YES_NO, 0, Game::STATE_LEVELS);
        if (theme == 0) {
            // The tallest outlines on their level pages, not solved yet, and a tall letter solved.
            const std::pair<const char*, const char*> pages[] = {
                {"zombie/0701_head_and_spine.bin", "head-and-spine"},
                {"zombie/1001_first_aid_kit.bin", "first-aid-kit"}};
            for (const auto& page : pages) {
                const int level = LevelNamed(page.first);
                ASSERT_GE(level, 0) << page.first;
                ShowLevelPage(level);
                Shot(prefix + "level-page-" + page.second);
            }
            const int juliet = LevelNamed("letters/j.bin");
            ASSERT_GE(juliet, 0);
            g.levelRecords[juliet] = Game::RECORD_OPEN;
            g.StartLevel(juliet);
            ASSERT_EQ(g.screenState, Game::STATE_PLAY);
            PlayFirstSolution(juliet);
            h.Frames(3);
            ASSERT_TRUE(g.playfield->solved);
            Shot(prefix + "juliet-solved");
        }
        g.screenState = Game::STATE_MAIN_MENU;
        h.Frames(3);
    }
    EXPECT_EQ(h.Stop(), 0);
}
