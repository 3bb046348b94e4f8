// Touches in play: the pause and hint corners, the pause panels, quitting and restarting, and the
// level-complete CONTINUE with the next-level search.
#include "GameTouchFixture.h"

#include "PlayfieldFit.h"
#include "Stats.h"

using namespace TouchTest;

namespace {

class GameTouchPlay : public GameTouchFixture {
protected:
    void SetUp() override
    {
        GameTouchFixture::SetUp();
        m_game->LoadProfiles();
        m_board = new PlayfieldFit(0, Px(2.0f), 1, 16);
        m_board->stats = new Stats(4);
        m_game->playfield = m_board;
        m_game->gameMode = 0;
        m_game->screenState = Game::STATE_PLAY;
        m_game->stats->gameCounter = 5;
        m_game->stats->counters[Stats::COUNTER_GAMES_PLAYED] = 5;
    }

    void Pause() { m_board->paused = true; }

    Vorn::SmartPtr<PlayfieldFit> m_board;
};

TEST_F(GameTouchPlay, ThePauseButtonNeedsPressAndReleaseInItsCorner)
{
    const int cornerY = Px(19.5f);
    Drag(Px(1), Px(15), Px(1), cornerY);
    EXPECT_FALSE(m_board->paused) << "pressed above the button row";
    Drag(Px(1), cornerY, Px(5), cornerY);
    EXPECT_FALSE(m_board->paused) << "released outside the side column";
    Tap(Px(1), cornerY);
    EXPECT_TRUE(m_board->paused);

    m_board->paused = false;
    m_game->controlSide = 1;
    Tap(Px(1), cornerY);
    EXPECT_FALSE(m_board->paused) << "the column is on the right now";
    EXPECT_TRUE(m_board->hintPanelOpen) << "and the left corner is the hint button";
    m_board->hintPanelOpen = false;
    m_board->finished = true;
    Tap(Px(11), cornerY);
    EXPECT_TRUE(m_board->paused) << "on the right the column pauses a completed board too";

    // The hint button sits in the other corner and needs a running board.
    m_board->finished = false;
    Tap(Px(1), cornerY);
    EXPECT_FALSE(m_board->hintPanelOpen) << "paused";
    m_board->paused = false;
    Drag(Px(1), Px(15), Px(1), cornerY);
    EXPECT_FALSE(m_board->hintPanelOpen);
    Tap(Px(1), cornerY);
    EXPECT_TRUE(m_board->hintPanelOpen);
    EXPECT_FALSE(m_board->paused);
}

TEST_F(GameTouchPlay, PauseMenuOpensAndClosesItsPanels)
{
    Pause();
    Rows(Game::MENU_PAUSE, {0, 4, 1, 2, 3});
    Rows(Game::MENU_HELP, {0, 1, 2}, 14.0f);
    Rows(Game::MENU_SETTINGS, {1, 4, 3}, 2.0f);
    Rows(Game::MENU_YES_NO, {0, 1}, 14.0f);

    TapRow(3);
    ASSERT_TRUE(m_game->helpPanelOpen);
    Tap(Px(6), RowY(2, 14.0f));
    EXPECT_FALSE(m_game->helpPanelOpen);

    TapRow(2);
    ASSERT_TRUE(m_game->settingsPanelOpen);
    const bool twitch = m_game->twitch;
    TapRow(1);
    EXPECT_NE(m_game->twitch, twitch);
    TapRow(0);
    EXPECT_TRUE(m_game->themeChangePending);
    EXPECT_EQ(m_game->pendingTheme, m_game->NextTheme());
    // The settings row of the panel (from 0.2 + 20 - 2 x 3.4375 = 13.325 cells) slides the volumes.
    m_game->OnTouchDown(Px(9.0f), Px(14.0f));
    EXPECT_FLOAT_EQ(m_game->musicVolume, 5.0f);
    m_game->OnTouchMove(Px(11.5f), Px(14.0f));
    EXPECT_FLOAT_EQ(m_game->musicVolume, 10.0f);
    m_game->OnTouchUp(Px(11.5f), Px(14.0f));
    TapRow(2);
    EXPECT_FALSE(m_game->settingsPanelOpen);

    TapRow(4);
    ASSERT_TRUE(m_game->quitConfirmOpen);
    Tap(Px(6), RowY(1, 14.0f));
    EXPECT_FALSE(m_game->quitConfirmOpen);
    EXPECT_EQ(m_game->screenState, Game::STATE_PLAY);

    TapRow(0);
    EXPECT_FALSE(m_board->paused);
}

TEST_F(GameTouchPlay, QuittingEarlyWithNothingPlacedTakesTheGameBack)
{
    Rows(Game::MENU_YES_NO, {0, 1}, 14.0f);
    Pause();
    m_game->quitConfirmOpen = true;
    m_board->playTime = 9000;
    Tap(Px(6), RowY(0, 14.0f));
    EXPECT_EQ(m_game->screenState, Game::STATE_LEVELS);
    EXPECT_FALSE(m_game->quitConfirmOpen);
    EXPECT_EQ(m_game->stats->gameCounter, 4);
    EXPECT_EQ(m_game->stats->counters[Stats::COUNTER_GAMES_PLAYED], 4);
    EXPECT_EQ(Stats::Load(Stats::TOTALS)->gameCounter, 4) << "and it stays taken back";
    EXPECT_FALSE(Exists("GUEST_stats4")) << "the short game leaves no record";
}

TEST_F(GameTouchPlay, QuittingARestoredGameOpensThePageOfItsLevel)
{
    Rows(Game::MENU_YES_NO, {0, 1}, 14.0f);
    Pause();
    m_game->quitConfirmOpen = true;
    m_game->currentPack = -1;
    m_game->currentLevel = 60;
    Tap(Px(6), RowY(0, 14.0f));
    EXPECT_EQ(m_game->screenState, Game::STATE_LEVELS);
    EXPECT_EQ(m_game->currentPack, 2);
    EXPECT_EQ(m_game->scrollPosition, 7.0f);
}

TEST_F(GameTouchPlay, QuittingAfterTenSecondsOrAPieceSavesTheStatistics)
{
    Rows(Game::MENU_YES_NO, {0, 1}, 14.0f);
    for (int variant = 0; variant < 2; ++variant) {
        m_game->screenState = Game::STATE_PLAY;
        Pause();
        m_game->quitConfirmOpen = true;
        m_board->playTime = variant == 0 ? 10000 : 9000;
        m_board->placedCount = variant == 0 ? 0 : 1;
        Tap(Px(6), RowY(0, 14.0f));
        EXPECT_EQ(m_game->screenState, Game::STATE_LEVELS);
        EXPECT_EQ(m_game->stats->gameCounter, 5) << variant;
        EXPECT_TRUE(Exists("GUEST_stats4")) << variant;
        EXPECT_EQ(Stats::Load(Stats::TOTALS)->gameCounter, 5) << variant;
    }
}

TEST_F(GameTouchPlay, RestartStartsTheLevelAgain)
{
    Rows(Game::MENU_YES_NO, {0, 1}, 14.0f);
    OpenLevels({7});
    m_game->currentLevel = 7;
    Pause();
    m_game->restartConfirmOpen = true;
    Tap(Px(6), RowY(0, 14.0f));
    EXPECT_EQ(g_startedLevels, std::vector<int>{7});
    EXPECT_FALSE(m_game->restartConfirmOpen);
    EXPECT_TRUE(Exists("GUEST_stats4"));
}

class LevelComplete : public GameTouchPlay {
protected:
    void SetUp() override
    {
        GameTouchPlay::SetUp();
        Rows(Game::MENU_NOTICE, {0}, 17.0f);
        m_board->finished = true;
        m_game->currentPack = 0;
        m_game->currentLevel = 2;
        m_game->scrollPosition = 2.0f;
    }
    void Continue() { Tap(Px(6), Px(18.0f)); }
};

TEST_F(LevelComplete, ContinueStartsTheNextOpenLevelOfThePack)
{
    OpenLevels({1, 5});
    m_game->levelRecords[2] = 3;
    Continue();
    EXPECT_EQ(g_startedLevels, std::vector<int>{5});
    EXPECT_EQ(m_game->scrollPosition, 5.0f);

    g_startedLevels.clear();
    OpenLevels({1});
    m_game->screenState = Game::STATE_PLAY;
    m_game->currentLevel = 2;
    Continue();
    EXPECT_EQ(g_startedLevels, std::vector<int>{1}) << "the search wraps within the pack";
}

TEST_F(LevelComplete, WithoutAnOpenLevelThePageOpensAtTheLevelJustPlayed)
{
    OpenLevels({30});
    m_game->levelRecords[2] = 3;
    Continue();
    EXPECT_TRUE(g_startedLevels.empty());
    EXPECT_EQ(m_game->screenState, Game::STATE_LEVELS);
    EXPECT_EQ(m_game->scrollPosition, 2.0f);
}

TEST_F(LevelComplete, ARestoredGameSearchesTheLevelsOwnPack)
{
    OpenLevels({31});
    m_game->currentPack = -1; // restored games never went through the lists
    m_game->currentLevel = 29;
    m_game->scrollPosition = 0.0f;
    Continue();
    EXPECT_EQ(g_startedLevels, std::vector<int>{31});
    EXPECT_EQ(m_game->currentPack, 1);
}

TEST_F(LevelComplete, CompletedAndOpenedPacksShowTheirNotices)
{
    m_board->packCompleted = true;
    Continue();
    EXPECT_EQ(m_game->screenState, Game::STATE_PACK_COMPLETED);

    m_board->packCompleted = false;
    m_board->nextPackUnlocked = true;
    OpenLevels({4});
    m_game->screenState = Game::STATE_PLAY;
    Continue();
    EXPECT_EQ(m_game->screenState, Game::STATE_PACK_OPENED);
    EXPECT_TRUE(g_startedLevels.empty());
    Continue(); // the notice's CONTINUE sits where the level's did
    EXPECT_EQ(g_startedLevels, std::vector<int>{4});

    OpenLevels({});
    m_game->screenState = Game::STATE_PLAY;
    Continue();
    ASSERT_EQ(m_game->screenState, Game::STATE_PACK_OPENED);
    EXPECT_EQ(m_game->scrollPosition, -1.0f);
    Continue();
    EXPECT_EQ(m_game->screenState, Game::STATE_LEVELS) << "nothing to start: the level page";
}

} // namespace
