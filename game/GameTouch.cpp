// The screen state machine's touch handling: the three handlers for every screen. Touch-down
// presses the screen's button list, touch-move hovers it, touch-up releases it and hands the id
// released to the screen's action: in GameMenuScreens.cpp, GamePackScreens.cpp,
// GameDialogScreens.cpp and GameInfoScreens.cpp (the help pages; the about and statistics screens
// have BACK only, handled here); play goes to GamePlayScreen.cpp. A few screens also scroll, drag
// or slide under the finger: the about text, the help pages and the statistics pages here.
#include "Game.h"

#include <cmath>

#include "ButtonDisplayer.h"
#include "Consts.h"
#include "Help.h"
#include "Language.h"
#include "Stats.h"
#include "TouchCells.h"

using Vorn::NarrowString;
using Vorn::WideString;

namespace {

// The button list each screen presses, hovers and releases (play and the keyboard have their own
// handling).
struct StateList {
    int state;
    int menu;
};

const StateList STATE_LISTS[] = {
    {Game::STATE_MAIN_MENU, Game::MENU_MAIN},
    {Game::STATE_LEVELS, Game::MENU_LEVELS},
    {Game::STATE_OPTIONS, Game::MENU_OPTIONS},
    {Game::STATE_ABOUT, Game::MENU_ABOUT},
    {Game::STATE_MORE, Game::MENU_MORE},
    {Game::STATE_HELP, Game::MENU_HELP},
    {Game::STATE_PACKS, Game::MENU_PACKS},
    {Game::STATE_CONFIRM_DELETE_PROGRESS, Game::MENU_YES_NO},
    {Game::STATE_CONFIRM_CLEAR_HIGHSCORES, Game::MENU_YES_NO},
    {Game::STATE_PROFILES, Game::MENU_PROFILES},
    {Game::STATE_DATA, Game::MENU_DATA},
    {Game::STATE_CONFIRM_DELETE_PROFILE, Game::MENU_YES_NO},
    {Game::STATE_STATS, Game::MENU_STATS},
    {Game::STATE_NAME_IN_USE, Game::MENU_NOTICE},
    {Game::STATE_PROFILE_DELETED, Game::MENU_NOTICE},
    {Game::STATE_GUEST_NOT_DELETABLE, Game::MENU_NOTICE},
    {Game::STATE_PACK_COMPLETED, Game::MENU_NOTICE},
    {Game::STATE_PACK_OPENED, Game::MENU_NOTICE},
    {Game::STATE_WELCOME, Game::MENU_WELCOME},
    {Game::STATE_QUESTION, Game::MENU_QUESTION},
    {Game::STATE_LANGUAGE, Game::MENU_LANGUAGE},
    {Game::STATE_FIRST_LANGUAGE, Game::MENU_FIRST_LANGUAGE},
};

// A swipe across the whole screen moves the statistics this many pages.
constexpr float STATS_SWIPE_PAGES = 2.0f;
// Swipes count only above the level page's and statistics screen's buttons.
constexpr float SWIPE_AREA_ROWS = 15.0f;
int ListOfState(int state)
{
    for (const StateList& entry : STATE_LISTS)
        if (entry.state == state)
            return entry.menu;
    return -1;
}

float Cell()
{
    return static_cast<float>(Consts::CELL_SIZE > 0 ? Consts::CELL_SIZE : 1);
}

} // namespace

// --- Shared pieces -------------------------------------------------------------------------------

void Game::RunVolumeSliders(float cellX, float cellY, float rowTop)
{
    const float m = menuMargin;
    const float w = screenColumns;
    if (!(rowTop <= cellY && cellY < rowTop + menuRowHeight - 2.0f * m))
        return;
    // Each slider spans five cells centred on a quarter of the width; the sound layer clamps.
    if (m <= cellX && cellX < w / 2.0f - m) {
        sfxVolume = 2.0f * (cellX - w / 4.0f + 2.5f);
        SetVolumesAndSave(sfxVolume, musicVolume);
    } else if (w / 2.0f + m <= cellX && cellX < w - m) {
        musicVolume = 2.0f * (cellX - 3.0f * w / 4.0f + 2.5f);
        SetVolumesAndSave(sfxVolume, musicVolume);
    }
}

void Game::ShowProfileCaptions()
{
    if (menus[MENU_PROFILES])
        for (int slot = 0; slot < PROFILE_SLOTS; ++slot)
            menus[MENU_PROFILES]->SetText3(Id(ProfileButton::FIRST_SLOT) + slot, GetSlotCaption(slot));
    if (menus[MENU_MAIN])
        menus[MENU_MAIN]->SetText3(Id(MainButton::PROFILE), GetProfileCaption());
}

// --- The three handlers --------------------------------------------------------------------------

void Game::OnTouchDown(int x, int y)
{
    framesSinceMove = 0;
    touchTime = 0;
    fingerUp = false;
    touchDownX = touchLastX = x;
    touchDownY = touchLastY = y;

    if (screenState == STATE_PLAY) {
        OnPlayTouchDown(x, y);
        return;
    }
    const float cellX = CellX(x);
    const float cellY = CellY(y);
    if (screenState == STATE_OPTIONS)
        RunVolumeSliders(cellX, cellY, menuMargin + screenRows - 3.0f * menuRowHeight);
    if (screenState == STATE_PACKS)
        packDragDistance = 0;

    const int list = ListOfState(screenState);
    if (list >= 0 && menus[list])
        menus[list]->TouchDown(x, y);

    if (screenState == STATE_PACKS)
        pressedPack = currentPack = PackAt(cellX, cellY);
}

void Game::OnTouchMove(int x, int y)
{
    framesSinceMove = 0;
    const float cell = Cell();
    const float dy = static_cast<float>(y - touchLastY) / cell;
    const float cellX = CellX(x);
    const float cellY = CellY(y);
    const bool inSwipeArea =
        static_cast<float>(y) < Consts::DISPLAY_AREA_Y + (boardTopRows + SWIPE_AREA_ROWS) * cell;
    const float screenWidth = static_cast<float>(Consts::SCREEN_WIDTH > 0 ? Consts::SCREEN_WIDTH : 1);

    switch (screenState) {
    case STATE_PLAY:
        OnPlayTouchMove(x, y, dy);
        break;
    case STATE_OPTIONS:
        RunVolumeSliders(cellX, cellY, menuMargin + screenRows - 3.0f * menuRowHeight);
        break;
    case STATE_ABOUT: {
        const int left = Consts::DISPLAY_AREA_X + Consts::CELL_SIZE / 2;
        const int top = Consts::DISPLAY_AREA_Y + Consts::CELL_SIZE / 2;
        if (x >= left && x < left + 10 * Consts::CELL_SIZE && y >= top &&
            y < top + 13 * Consts::CELL_SIZE) {
            aboutScroll -= dy;
            const float most = aboutScrollRange - aboutViewRows;
            if (aboutScroll > most)
                aboutScroll = most;
            if (!(aboutScroll >= 0.0f))
                aboutScroll = 0.0f;
        }
        break;
    }
    case STATE_HELP:
        if (help)
            help->Scroll(dy);
        break;
    case STATE_PACKS:
        OnPackListTouchMove(cellX, cellY, dy, y);
        break;
    case STATE_LEVELS:
        if (inSwipeArea)
            OnLevelPageSwipe(x);
        break;
    case STATE_STATS:
        if (inSwipeArea && stats && stats->gameCounter > 0) {
            scrollVelocity = STATS_SWIPE_PAGES * static_cast<float>(touchLastX - x) / screenWidth;
            scrollPosition += scrollVelocity;
        }
        break;
    default:
        break;
    }

    const int list = ListOfState(screenState);
    if (list >= 0 && menus[list])
        menus[list]->TouchMove(x, y);

    touchLastX = x;
    touchLastY = y;
}

void Game::OnTouchUp(int x, int y)
{
    fingerUp = true;
    if (screenState == STATE_PLAY) {
        OnPlayTouchUp(x, y);
        return;
    }
    if (screenState == STATE_KEYBOARD) {
        CommitProfileName(x, y);
        return;
    }
    const int list = ListOfState(screenState);
    if (list < 0)
        return;
    // The question of state 27 sounds its own click, and only for one of its answers.
    const bool silent = screenState == STATE_QUESTION;
    const int id = menus[list] ? menus[list]->TouchUp(x, y, silent) : ButtonDisplayer::NONE;
    OnMenuTouchUp(id, CellX(x), std::trunc(CellY(y)), x, y);
}

// --- Actions by screen ---------------------------------------------------------------------------

void Game::OnMenuTouchUp(int id, float cellX, float cellY, int x, int y)
{
    switch (screenState) {
    case STATE_MAIN_MENU:
        OnMainMenuButton(static_cast<MainButton>(id));
        break;
    case STATE_MORE:
        OnMoreButton(static_cast<MoreButton>(id));
        break;
    case STATE_ABOUT:
    case STATE_STATS:
        if (static_cast<BackButton>(id) == BackButton::BACK)
            screenState = STATE_MORE;
        break;
    case STATE_HELP:
        if (TurnHelpPage(static_cast<HelpButton>(id)))
            screenState = STATE_MORE;
        break;
    case STATE_OPTIONS:
        OnOptionsButton(static_cast<OptionsButton>(id));
        break;
    case STATE_CONFIRM_DELETE_PROGRESS:
    case STATE_CONFIRM_CLEAR_HIGHSCORES:
        OnDataQuestionAnswer(static_cast<YesNoButton>(id));
        break;
    case STATE_DATA:
        OnDataButton(static_cast<DataButton>(id));
        break;
    case STATE_CONFIRM_DELETE_PROFILE:
        OnDeleteProfileAnswer(static_cast<YesNoButton>(id));
        break;
    case STATE_NAME_IN_USE:
    case STATE_PROFILE_DELETED:
    case STATE_GUEST_NOT_DELETABLE:
    case STATE_PACK_COMPLETED:
    case STATE_PACK_OPENED:
        if (static_cast<NoticeButton>(id) == NoticeButton::CONTINUE)
            OnNoticeContinue();
        break;
    case STATE_WELCOME:
        OnWelcomeButton(static_cast<WelcomeButton>(id));
        break;
    case STATE_LANGUAGE:
    case STATE_FIRST_LANGUAGE:
        OnLanguageButton(static_cast<LanguageButton>(id));
        break;
    case STATE_QUESTION:
        OnQuestionAnswer(static_cast<YesNoButton>(id));
        break;
    case STATE_PROFILES:
        OnProfileButton(static_cast<ProfileButton>(id));
        break;
    case STATE_PACKS:
        OnPackListTouchUp(static_cast<BackButton>(id), cellX, cellY);
        break;
    case STATE_LEVELS:
        OnLevelPageTouchUp(static_cast<LevelButton>(id), cellX, cellY, x, y);
        break;
    default:
        break;
    }
}
