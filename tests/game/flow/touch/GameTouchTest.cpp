// Touch handling outside play: button lists by screen, the pack list, the level page, the volume
// sliders, profiles and the data dialogs.
#include "GameTouchFixture.h"

#include "Stats.h"

using namespace TouchTest;

namespace {

class GameTouch : public GameTouchFixture {};

TEST_F(GameTouch, AReleaseOnAnotherButtonDoesNothing)
{
    Rows(Game::MENU_MAIN, {0, 10, 11, 6});
    m_game->screenState = Game::STATE_MAIN_MENU;
    m_game->OnTouchDown(Px(6), RowY(0));
    m_game->OnTouchMove(Px(6), RowY(3));
    m_game->OnTouchUp(Px(6), RowY(3));
    EXPECT_EQ(m_game->screenState, Game::STATE_MAIN_MENU);

    // Slid off and back onto the pressed button: that one counts.
    m_game->OnTouchDown(Px(6), RowY(0));
    m_game->OnTouchMove(Px(6), RowY(3));
    m_game->OnTouchUp(Px(6), RowY(0));
    EXPECT_EQ(m_game->screenState, Game::STATE_PACKS);
    EXPECT_EQ(m_game->gameMode, 0);
}

TEST_F(GameTouch, ALanguageIsSavedBeforeTheMenusAreRebuilt)
{
    m_game->LoadProfiles();
    Rows(Game::MENU_FIRST_LANGUAGE, {0, 1, 2, 3, 4});
    m_game->screenState = Game::STATE_FIRST_LANGUAGE;
    TapRow(3);
    EXPECT_EQ(m_game->screenState, Game::STATE_WELCOME);
    EXPECT_EQ(m_game->language, 3);
    EXPECT_EQ(g_menuRebuilds, 1);
    EXPECT_EQ(m_game->GetText("GUEST"), Vorn::WideString(L"Gast")) << "German texts loaded";
    m_game->language = 0;
    m_game->LoadOptions();
    EXPECT_EQ(m_game->language, 3) << "the options file holds the choice";
}

// Pack list: seven rows of two cells from row 2.2 (row 1 is pack 1, levels 27..52), BACK below.
TEST_F(GameTouch, PackListTapsDragsAndLockedPacks)
{
    Rows(Game::MENU_PACKS, {0}, 17.0f);
    OpenLevels({27, 30, 53});
    m_game->levelRecords[27] = 3;
    m_game->levelRecords[53] = 0;
    const int rowOne = Px(5.2f);

    m_game->screenState = Game::STATE_PACKS;
    m_game->OnTouchDown(Px(6), rowOne);
    m_game->OnTouchMove(Px(6), rowOne + 10);
    m_game->OnTouchUp(Px(6), rowOne + 10);
    EXPECT_EQ(m_game->screenState, Game::STATE_PACKS) << "a drag of 10 pixels in all is no tap";
    EXPECT_EQ(m_game->pressedPack, -1);

    m_game->packScroll = 0.0f;
    m_game->OnTouchDown(Px(6), rowOne);
    m_game->OnTouchMove(Px(6), rowOne + 4);
    m_game->OnTouchMove(Px(6), rowOne);
    EXPECT_EQ(m_game->packDragDistance, 8);
    m_game->OnTouchUp(Px(6), rowOne);
    EXPECT_EQ(m_game->screenState, Game::STATE_LEVELS);
    EXPECT_EQ(m_game->currentPack, 1);
    EXPECT_EQ(m_game->scrollPosition, 3.0f) << "the first open level of the pack";

    m_game->screenState = Game::STATE_PACKS;
    Tap(Px(6), Px(7.2f));
    EXPECT_EQ(m_game->screenState, Game::STATE_PACKS) << "pack 2 is locked";
    EXPECT_EQ(m_game->currentPack, 2);

    m_game->packScroll = 3.0f; // dragged down past the top: the band above row 0 is no pack
    Tap(Px(6), Px(3.0f));
    EXPECT_EQ(m_game->currentPack, -1);
    EXPECT_EQ(m_game->screenState, Game::STATE_PACKS);
    m_game->packScroll = 0.0f;

    Tap(Px(6), Px(18.0f));
    EXPECT_EQ(m_game->screenState, Game::STATE_MAIN_MENU);
}

class LevelPage : public GameTouchFixture {
protected:
    void SetUp() override
    {
        GameTouchFixture::SetUp();
        Rows(Game::MENU_LEVELS, {0, 1}, 16.0f);
        OpenLevels({0, 1, 2, 3});
        m_game->currentPack = 0;
        m_game->screenState = Game::STATE_LEVELS;
        m_game->scrollPosition = 2.75f;
    }
};

TEST_F(LevelPage, PlayStartsTheEntryThePageShows)
{
    EXPECT_EQ(m_game->ShownLevelEntry(), 2);
    TapRow(0 + 7); // row 16 of a list starting at 2 cells: PLAY
    ASSERT_EQ(g_startedLevels, std::vector<int>{2});
    EXPECT_EQ(m_game->scrollPosition, 2.0f);
}

TEST_F(LevelPage, AQuickShortTapInsideThePreviewStartsTheShownLevel)
{
    m_game->touchTime = 0;
    m_game->OnTouchDown(Px(5), Px(6));
    m_game->touchTime = 149;
    m_game->OnTouchUp(Px(5) + 4, Px(6) + 5);
    ASSERT_EQ(g_startedLevels, std::vector<int>{2});
    EXPECT_EQ(m_game->scrollPosition, 2.0f);
    EXPECT_FALSE(m_game->fingerUp);

    const struct {
        int downX;
        int downY;
        int upX;
        int upY;
        int ms;
        const char* why;
    } refused[] = {
        {Px(5), Px(6), Px(5), Px(6), 150, "too slow"},
        {Px(5), Px(6), Px(5) + 5, Px(6) + 5, 0, "moved 10 pixels"},
        {Px(10.2f), Px(6), Px(10.2f), Px(6), 0, "right of the preview"},
        {Px(5), Px(12.0f), Px(5), Px(12.0f), 0, "below the preview"},
    };
    for (const auto& r : refused) {
        g_startedLevels.clear();
        m_game->screenState = Game::STATE_LEVELS;
        m_game->OnTouchDown(r.downX, r.downY);
        m_game->touchTime = r.ms;
        m_game->OnTouchUp(r.upX, r.upY);
        EXPECT_TRUE(g_startedLevels.empty()) << r.why;
    }
}

TEST_F(LevelPage, SwipesMoveThePageAndARestStopsTheCoasting)
{
    m_game->scrollPosition = 0.0f;
    m_game->OnTouchDown(Px(10), Px(6));
    m_game->OnTouchMove(Px(4), Px(6));
    EXPECT_FLOAT_EQ(m_game->scrollVelocity, 3.0f) << "half the width is three entries";
    EXPECT_FLOAT_EQ(m_game->scrollPosition, 3.0f);
    m_game->framesSinceMove = 2;
    m_game->OnTouchUp(Px(4), Px(6));
    EXPECT_FLOAT_EQ(m_game->scrollVelocity, 3.0f) << "lifted while moving: the page coasts";

    m_game->OnTouchDown(Px(4), Px(6));
    m_game->OnTouchMove(Px(6), Px(6));
    EXPECT_FLOAT_EQ(m_game->scrollVelocity, -1.0f);
    m_game->framesSinceMove = 3;
    m_game->OnTouchUp(Px(6), Px(6));
    EXPECT_EQ(m_game->scrollVelocity, 0.0f);
    EXPECT_TRUE(g_startedLevels.empty());

    m_game->OnTouchDown(Px(10), Px(17.5f));
    m_game->OnTouchMove(Px(4), Px(17.5f));
    EXPECT_EQ(m_game->scrollVelocity, 0.0f) << "no swipe over the buttons";

    TapRow(8);
    EXPECT_EQ(m_game->screenState, Game::STATE_PACKS);
    EXPECT_EQ(m_game->currentPack, -1);
}

TEST_F(GameTouch, VolumeSlidersMapFiveCellsToTheirRange)
{
    m_game->LoadProfiles();
    m_game->screenState = Game::STATE_OPTIONS;
    const int row = Px(11.0f); // the slider row spans 9.8875 .. 12.925 cells
    const struct {
        float x;
        float sfx;
        float music;
    } cases[] = {
        {0.5f, 0.0f, 5.0f}, {3.0f, 5.0f, 5.0f}, {5.5f, 10.0f, 5.0f}, {0.3f, 0.0f, 5.0f},
        {9.0f, 0.0f, 5.0f}, {6.5f, 0.0f, 0.0f}, {11.7f, 0.0f, 10.0f}, {6.0f, 0.0f, 10.0f},
    };
    for (const auto& c : cases) {
        m_game->OnTouchDown(Px(c.x), row);
        EXPECT_FLOAT_EQ(m_game->sfxVolume, c.sfx) << c.x;
        EXPECT_FLOAT_EQ(m_game->musicVolume, c.music) << c.x;
    }
    m_game->OnTouchMove(Px(3.0f), row);
    EXPECT_FLOAT_EQ(m_game->sfxVolume, 5.0f);
    m_game->OnTouchMove(Px(4.0f), Px(9.5f));
    m_game->OnTouchUp(Px(4.0f), row);
    EXPECT_FLOAT_EQ(m_game->sfxVolume, 5.0f) << "neither above the row nor on release";

    m_game->sfxVolume = 0.0f;
    m_game->LoadOptions();
    EXPECT_FLOAT_EQ(m_game->sfxVolume, 5.0f) << "every step is saved";
    EXPECT_FLOAT_EQ(m_game->musicVolume, 10.0f);
}

TEST_F(GameTouch, DeletingTheProfileInSlotTwoMovesTheLaterOnesUp)
{
    for (const char* name : {"Ann", "Bob", "Cyd", "Dee"})
        ASSERT_EQ(m_game->CreateProfile(name), Game::PROFILE_CREATED);
    m_game->SelectProfile(Vorn::WideString(L"Bob"));
    Rows(Game::MENU_DATA, {1});
    auto slots = Rows(Game::MENU_PROFILES, {0, 1, 2, 3, 4}, 8.0f);
    m_game->screenState = Game::STATE_DATA;
    TapRow(0);
    ASSERT_EQ(m_game->screenState, Game::STATE_CONFIRM_DELETE_PROFILE);

    Rows(Game::MENU_YES_NO, {0, 1});
    TapRow(0);
    EXPECT_EQ(m_game->screenState, Game::STATE_PROFILE_DELETED);
    EXPECT_TRUE(m_game->IsGuest());
    EXPECT_EQ(m_game->profileCount, 3);
    const std::vector<std::string> names(m_game->profileNames, m_game->profileNames + 5);
    EXPECT_EQ(names, (std::vector<std::string>{"Ann", "Cyd", "Dee", "", ""}));
    EXPECT_EQ(Saved("Bob_fit").size(), 0u);
    for (const ButtonRecord* b = slots->GetHead(); b; b = b->next)
        EXPECT_EQ(b->label3, m_game->GetSlotCaption(b->id)) << "slot " << b->id;
    EXPECT_EQ(m_game->GetSlotCaption(1), Vorn::WideString(L"Cyd"));

    // The guest, however its name reads: the data menu leads to the notice, and a confirmation
    // reached anyway deletes nothing.
    m_game->language = 1;
    ASSERT_TRUE(m_game->LoadTexts());
    Rows(Game::MENU_DATA, {1});
    m_game->screenState = Game::STATE_DATA;
    TapRow(0);
    EXPECT_EQ(m_game->screenState, Game::STATE_GUEST_NOT_DELETABLE);
    Rows(Game::MENU_YES_NO, {0, 1});
    m_game->screenState = Game::STATE_CONFIRM_DELETE_PROFILE;
    TapRow(0);
    EXPECT_EQ(m_game->screenState, Game::STATE_OPTIONS);
    EXPECT_EQ(m_game->profileCount, 3);
}

TEST_F(GameTouch, ProfileListSelectsAndOpensTheKeyboardOnAFreeSlot)
{
    ASSERT_EQ(m_game->CreateProfile("Ann"), Game::PROFILE_CREATED);
    m_game->SelectProfile(Vorn::WideString(L"GUEST"));
    Rows(Game::MENU_PROFILES, {0, 1, 2, 3, 4, 5, 6}, 2.0f);
    Rows(Game::MENU_MAIN, {6});
    m_game->returnState = Game::STATE_MAIN_MENU;

    m_game->screenState = Game::STATE_PROFILES;
    TapRow(0);
    EXPECT_EQ(m_game->screenState, Game::STATE_MAIN_MENU);
    EXPECT_FALSE(m_game->IsGuest());
    EXPECT_TRUE(m_game->themeChangePending);
    EXPECT_EQ(m_game->menus[Game::MENU_MAIN]->GetHead()->label3, m_game->GetProfileCaption());

    m_game->screenState = Game::STATE_PROFILES;
    TapRow(5);
    EXPECT_TRUE(m_game->IsGuest());
    EXPECT_EQ(m_game->screenState, Game::STATE_MAIN_MENU);

    m_game->screenState = Game::STATE_PROFILES;
    TapRow(1);
    EXPECT_EQ(m_game->screenState, Game::STATE_KEYBOARD);
    EXPECT_TRUE(m_game->keyboardOpen);
    EXPECT_TRUE(m_game->namingProfile);
    EXPECT_EQ(Game::keyPage, 1);
    EXPECT_EQ(Game::keyboardPrompt, m_game->GetText("ENTER_YOUR_NAME"));
}

TEST_F(GameTouch, DeletingProgressAlsoResetsTheHints)
{
    m_game->LoadProfiles();
    OpenLevels({0, 1, 2, 3, 9});
    m_game->hintWords[3] = 2;
    ASSERT_TRUE(m_game->SaveHints());
    Rows(Game::MENU_YES_NO, {0, 1});
    m_game->screenState = Game::STATE_CONFIRM_DELETE_PROGRESS;
    TapRow(0);
    EXPECT_EQ(m_game->screenState, Game::STATE_OPTIONS);
    EXPECT_EQ(m_game->levelRecords[9], 0u);
    m_game->hintWords[3] = 7;
    m_game->LoadHints();
    EXPECT_EQ(m_game->hintWords[3], 0u);
}

} // namespace
