// The per-frame update: the frame-time clamp, the boot, splash and loading states, the end of
// loading for every kind of start, the fade-out, and the scrolling of the level and statistics
// lists.
#include <gtest/gtest.h>

#include "Consts.h"
#include "Content.h"
#include "Image.h"
#include "PlayfieldFit.h"
#include "Stats.h"
#include "support/BoardWorld.h"
#include "support/Sandbox.h"

using VornTest::BoardWorld;
using VornTest::LevelDesign;

namespace {

// The game at the end of loading: every stage run, the splash about to have shown long enough.
void ReadyToFinishLoading(Game& game)
{
    game.screenState = Game::STATE_LOADING;
    game.loadStepCount = 9;
    game.loadStep = 10;
    game.splashTimer = 2490;
}

// A saved board of level 40 (two pieces placed), as a game in progress leaves it.
void LeaveGameInProgress(BoardWorld& world)
{
    LevelDesign design;
    design.x0 = 3;
    design.y0 = 1;
    design.rows = {"####", ".#.#", ".#.#"};
    design.tray = {{0, 12, 5}, {3, 12, 0}, {6, 12, 5}};
    world.InstallLevel(40, design);
    world.game().currentPack = 1;
    PlayfieldFit& board = *world.StartLevel(40);
    world.Frame(16);
    world.DragTo(*board.Tray()[2], 0, 0);
    board.SaveGame();
    world.game().playfield = nullptr;
    world.game().screenState = Game::STATE_LOADING;
}

} // namespace

TEST(GameUpdate, AFrameLongerThanTwoSecondsCountsAsNoTime)
{
    BoardWorld world(480, 800);
    Game& game = world.game();
    game.screenState = Game::STATE_PACKS;
    game.touchTime = 0;
    game.menuSlide = 50000.0f;

    game.Update(2001);
    EXPECT_EQ(game.lastFrameMs, 0);
    EXPECT_EQ(game.touchTime, 0);
    EXPECT_EQ(game.menuSlide, 50000.0f);
    EXPECT_EQ(game.framesSinceMove, 1); // the frame itself still counts

    game.Update(-5);
    EXPECT_EQ(game.touchTime, 0);

    game.Update(2000);
    EXPECT_EQ(game.lastFrameMs, 2000);
    EXPECT_EQ(game.touchTime, 2000);
    EXPECT_EQ(game.menuSlide, 26000.0f);
    game.Update(2000);
    EXPECT_EQ(game.menuSlide, 2000.0f);
    game.Update(1000);
    EXPECT_EQ(game.menuSlide, 0.0f);

    // The touch clock stops growing once it passes 9999 ms.
    game.touchTime = 9990;
    game.Update(20);
    game.Update(20);
    EXPECT_EQ(game.touchTime, 10010);
}

TEST(GameUpdate, SplashCrossFadeAndLoadingTakeTheirMinimumTimes)
{
    BoardWorld world(480, 800);
    Game& game = world.game();
    game.screenState = Game::STATE_BOOT;
    game.Update(16);
    EXPECT_EQ(game.screenState, Game::STATE_SPLASH);
    EXPECT_EQ(game.loadStep, 0);
    EXPECT_EQ(game.loadStepCount, 9);
    EXPECT_EQ(Content::s_images.count(0), 1u); // the first splash picture

    // Stages 0..4 run one per frame while the first splash shows for more than 2.5 s.
    int splashMs = 0;
    while (game.screenState == Game::STATE_SPLASH && splashMs < 10000) {
        game.Update(16);
        splashMs += 16;
    }
    EXPECT_EQ(game.screenState, Game::STATE_CROSSFADE);
    EXPECT_EQ(splashMs, 2512);
    EXPECT_EQ(game.loadStep, 5);

    int fadeFrames = 0;
    while (game.screenState == Game::STATE_CROSSFADE && fadeFrames < 100) {
        game.Update(16);
        ++fadeFrames;
    }
    EXPECT_EQ(fadeFrames, 11);
    ASSERT_EQ(game.screenState, Game::STATE_LOADING);

    // Stages 5..8 one per frame; the last stage needs the menus and is skipped here.
    int loadingMs = 0;
    while (game.loadStep < game.loadStepCount) {
        game.Update(16);
        loadingMs += 16;
    }
    EXPECT_EQ(loadingMs, 4 * 16);
    EXPECT_TRUE(game.font);
    EXPECT_TRUE(game.smallFont);
    game.loadStep = game.loadStepCount + 1;
    while (game.screenState == Game::STATE_LOADING && loadingMs < 10000) {
        game.Update(16);
        loadingMs += 16;
    }
    EXPECT_GE(loadingMs, 2500);
    EXPECT_LT(loadingMs, 2500 + 2 * 16);
    EXPECT_EQ(game.screenState, Game::STATE_MAIN_MENU);
}

TEST(GameUpdate, TheEndOfLoadingOpensTheScreenForTheProfile)
{
    {
        BoardWorld world(480, 800);
        Game& game = world.game();
        ReadyToFinishLoading(game);
        game.guestSelected = false;
        game.Update(16);
        EXPECT_EQ(game.screenState, Game::STATE_MAIN_MENU);
        EXPECT_TRUE(game.fadeOutActive);
        EXPECT_FALSE(game.playfield);
    }
    {
        // The guest is recognised by the flag, whatever the name reads.
        BoardWorld world(480, 800);
        Game& game = world.game();
        ReadyToFinishLoading(game);
        game.guestSelected = true;
        game.profileName = L"Ann";
        game.Update(16);
        EXPECT_EQ(game.screenState, Game::STATE_FIRST_LANGUAGE);
    }
}

TEST(GameUpdate, AGameLeftInProgressIsRestoredPaused)
{
    BoardWorld world(480, 800);
    Game& game = world.game();
    LeaveGameInProgress(world);
    ReadyToFinishLoading(game);
    game.guestSelected = true;
    Content::s_images[0] = new Image(1, 1);
    game.Update(16);
    EXPECT_EQ(game.screenState, Game::STATE_PLAY);
    ASSERT_TRUE(game.playfield);
    EXPECT_TRUE(game.playfield->paused);
    EXPECT_EQ(game.playfield->placedCount, 1);
    EXPECT_EQ(Content::s_images.count(0), 0u);
    // Restoring keeps the save: a crash of the resumed game must find it again.
    EXPECT_GT(world.SavedBytes("save/save").size(), 148u);

    // In play the board ticks; a paused board's clock stands still.
    const int played = game.playfield->playTime;
    game.Update(100);
    EXPECT_EQ(game.playfield->playTime, played);
    game.playfield->paused = false;
    game.Update(100);
    EXPECT_EQ(game.playfield->playTime, played + 100);
    game.Update(2001);
    EXPECT_EQ(game.playfield->playTime, played + 100);
}

TEST(GameUpdate, ADamagedSaveResumesTheLevelItStillTells)
{
    // What ending a game leaves (an empty "save") is no game. A damaged "save" still resumes the
    // level "save2" names, with the pieces it still holds (none here), and a lost "save2" the
    // level the board's tray is; with neither, the game starts as if nothing had been saved.
    struct Case {
        const char* what;
        bool replaceSave;
        std::vector<uint8_t> save;
        bool emptySave2;
        int kept; // pieces the resumed level keeps, -1 for no game
    };
    const std::vector<Case> cases = {
        {"ended", true, {}, false, -1},
        {"too short for its mode", true, {0, 0, 0}, false, 0},
        {"another mode", true, {1, 0, 0, 0}, false, 0},
        {"no place", false, {}, true, 1},
        {"no level to tell", true, {1, 0, 0, 0}, true, -1},
    };
    for (const Case& damage : cases) {
        SCOPED_TRACE(damage.what);
        BoardWorld world(480, 800);
        Game& game = world.game();
        LeaveGameInProgress(world);
        if (damage.replaceSave) {
            ASSERT_TRUE(VornTest::WriteBytes(VornTest::Sandbox::Data("._save"), damage.save));
        }
        if (damage.emptySave2) {
            ASSERT_TRUE(VornTest::WriteBytes(VornTest::Sandbox::Data("._save2"), {}));
        }
        ReadyToFinishLoading(game);
        game.Update(16);
        EXPECT_EQ(game.savedGameMode, 0u);
        EXPECT_EQ(game.screenState, damage.kept < 0 ? Game::STATE_MAIN_MENU : Game::STATE_PLAY);
        EXPECT_EQ(game.playfield ? game.playfield->placedCount : -1, damage.kept);
        EXPECT_EQ(game.playfield ? game.playfield->level : 40, 40);
    }
}

TEST(GameUpdate, TheSecondSplashGoesSixFramesIntoTheFirstScreen)
{
    BoardWorld world(480, 800);
    Game& game = world.game();
    ReadyToFinishLoading(game);
    Content::s_images[1] = new Image(1, 1);
    game.Update(16);
    for (int frame = 0; frame < 6; ++frame) {
        game.Update(16);
        EXPECT_EQ(Content::s_images.count(1), 1u) << frame;
    }
    game.Update(16);
    EXPECT_EQ(Content::s_images.count(1), 0u);
    // Afterwards nothing more happens, even if the picture is back.
    Content::s_images[1] = new Image(1, 1);
    game.Update(16);
    EXPECT_EQ(Content::s_images.count(1), 1u);
}

TEST(GameUpdate, TheLevelListCoastsThenSnapsAndStopsAtTheFirstEntry)
{
    BoardWorld world(480, 800);
    Game& game = world.game();
    game.screenState = Game::STATE_LEVELS;
    game.fingerUp = true;
    game.scrollPosition = 0.0f;
    game.scrollVelocity = 0.3f;
    const float steps[] = {0.3f, 0.255f, 0.21675f};
    float expected = 0.0f;
    for (float step : steps) {
        game.Update(16);
        expected += step;
        EXPECT_NEAR(game.scrollPosition, expected, 1e-5f);
    }
    int frames = 0;
    while (game.scrollVelocity != 0.0f && frames < 100) {
        game.Update(16);
        ++frames;
    }
    EXPECT_LT(frames, 100);
    // Seventeen steps, from 0.3 down to the last above 0.02.
    EXPECT_NEAR(game.scrollPosition, 1.8738f, 1e-3f);
    for (int i = 0; i < 200; ++i)
        game.Update(16);
    EXPECT_NEAR(game.scrollPosition, 2.0f, 0.001f);
    EXPECT_LE(game.scrollPosition, 2.0f);

    // Snapping goes down from below the half.
    game.scrollPosition = 3.3f;
    game.Update(16);
    EXPECT_NEAR(game.scrollPosition, 3.27f, 1e-5f);

    // Dragged past the first entry, the list is held there, finger down or not.
    game.fingerUp = false;
    game.scrollPosition = -0.7f;
    game.Update(16);
    EXPECT_EQ(game.scrollPosition, 0.0f);
    game.fingerUp = true;
    game.scrollVelocity = -0.5f;
    game.Update(16);
    EXPECT_EQ(game.scrollPosition, 0.0f);
}

TEST(GameUpdate, TheStatisticsListCoastsSnapsAndLetsGo)
{
    BoardWorld world(480, 800);
    Game& game = world.game();
    game.screenState = Game::STATE_STATS;

    // While the finger is down, nothing moves here.
    game.fingerUp = false;
    game.scrollPosition = 0.4f;
    game.scrollVelocity = 0.2f;
    game.Update(16);
    EXPECT_EQ(game.scrollPosition, 0.4f);

    game.fingerUp = true;
    game.scrollPosition = 0.0f;
    game.scrollVelocity = 0.2f;
    game.Update(16);
    game.Update(16);
    EXPECT_NEAR(game.scrollPosition, 0.37f, 1e-5f);
    // A velocity below 0.05 stops (the level list would coast on at 0.0433).
    while (game.scrollVelocity != 0.0f)
        game.Update(16);
    // Nine steps from 0.2 down to 0.0545.
    EXPECT_NEAR(game.scrollPosition, 1.0245f, 1e-3f);

    // Snapping from below ends when the position is within a thousandth of the entry.
    game.scrollPosition = 0.7f;
    int frames = 0;
    while (game.fingerUp && frames < 1000) {
        game.Update(16);
        ++frames;
    }
    EXPECT_FALSE(game.fingerUp);
    EXPECT_GT(game.scrollPosition, 0.999f);
    EXPECT_LT(game.scrollPosition, 1.0f);

    // No lower bound here.
    game.fingerUp = true;
    game.scrollVelocity = -0.5f;
    game.scrollPosition = 0.0f;
    game.Update(16);
    EXPECT_LT(game.scrollPosition, 0.0f);
}

TEST(GameUpdate, APendingThemeIsAppliedAtTheStartOfTheFrame)
{
    BoardWorld world(480, 800);
    Game& game = world.game();
    game.screenState = Game::STATE_OPTIONS;
    Game::theme = 0;
    game.loadedTheme = 0;
    game.pendingTheme = 3;
    game.themeChangePending = true;
    game.Update(16);
    EXPECT_FALSE(game.themeChangePending);
    EXPECT_EQ(Game::theme, 3);
    EXPECT_EQ(game.loadedTheme, 3);
    EXPECT_EQ(Game::imgBackground, Consts::THEME_BACKGROUND[3]);
    EXPECT_EQ(Game::BASE_BLOCK, Consts::THEME_BLOCKS[3]);
    Game::theme = 0;
    game.loadedTheme = 0;
}
