// One frame of the game: the timers and animations every screen shares, a pending theme switch,
// the boot, splash and loading states up to the first real screen, the buttons that move with the
// screen, the scrolling lists and the board in play.
#include "Game.h"

#include "ButtonDisplayer.h"
#include "Consts.h"
#include "Content.h"
#include "Language.h"
#include "PlayfieldFit.h"
#include "SaveFile.h"
#include "Sounds.h"

using Vorn::SmartPtr;

namespace {

// A longer frame (a stall, a debugger, a suspended process) counts as no time at all.
constexpr int MAX_FRAME_MS = 2000;
constexpr int TOUCH_TIME_LIMIT = 9999;
constexpr float MENU_SLIDE_PER_MS = 12.0f;

constexpr int SPLASH_MIN_MS = 2500;
constexpr int CROSSFADE_FRAMES = 10; // the cross-fade leaves after this many + 1 frames
constexpr int FADE_OUT_FRAMES = 5;
constexpr int LAST_LOAD_STAGE = 9;
constexpr int SPLASH_FIRST = 0;
constexpr int SPLASH_SECOND = 1;

// List easing and coasting.
constexpr float SNAP_SHARE = 0.1f;
constexpr float COAST_DECAY = 0.85f;
constexpr float LEVELS_STOP_SPEED = 0.02f;
constexpr float STATS_STOP_SPEED = 0.05f;

// Eases toward the nearer whole entry by a tenth of the remaining distance.
float Snap(float position)
{
    const float fraction = position - static_cast<float>(static_cast<int>(position));
    if (fraction >= 0.5f)
        return position + (1.0f - fraction) * SNAP_SHARE;
    return position - fraction * SNAP_SHARE;
}

void Coast(float& position, float& velocity, float stopSpeed)
{
    position += velocity;
    velocity *= COAST_DECAY;
    if (velocity > -stopSpeed && velocity < stopSpeed)
        velocity = 0.0f;
}

} // namespace

void Game::UpdateButtons(int ms)
{
    for (const Vorn::SmartPtr<ButtonDisplayer>& list : menus)
        if (list)
            list->Update(ms);
}

void Game::Update(int ms)
{
    ms = AdvanceSharedTimers(ms);
    PlaceMovingButtons();

    switch (screenState) {
    case STATE_BOOT:
        StartBoot();
        break;
    case STATE_SPLASH:
        UpdateSplash(ms);
        break;
    case STATE_CROSSFADE:
        ++fadeCounter;
        if (fadeCounter > fadeLimit) {
            splashTimer = 0;
            screenState = STATE_LOADING;
        }
        break;
    case STATE_LOADING:
        UpdateLoading(ms);
        break;
    case STATE_PLAY:
        if (playfield)
            playfield->Tick(ms);
        break;
    case STATE_LEVELS:
        UpdateLevelScroll();
        break;
    case STATE_STATS:
        UpdateStatsScroll();
        break;
    case STATE_HELP:
        // The help pages' buttons animate at twice the speed of the other screens'.
        if (menus[MENU_HELP])
            menus[MENU_HELP]->Update(ms);
        break;
    default:
        break;
    }
}

int Game::AdvanceSharedTimers(int ms)
{
    if (ms > MAX_FRAME_MS || ms < 0)
        ms = 0;
    lastFrameMs = ms;
    ++framesSinceMove;
    UpdateButtons(ms);
    if (touchTime <= TOUCH_TIME_LIMIT)
        touchTime += ms;
    if (menuSlide > 0.0f) {
        menuSlide -= MENU_SLIDE_PER_MS * static_cast<float>(ms);
        if (menuSlide < 0.0f)
            menuSlide = 0.0f;
    }
    if (themeChangePending) {
        SetTheme(pendingTheme);
        themeChangePending = false;
    }
    imgBackground = Consts::THEME_BACKGROUND[ThemeIndex()];

    if (fadeOutActive) {
        if (fadeCounter <= fadeLimit) {
            ++fadeCounter;
        } else if (fadeCounter == fadeLimit + 1) {
            Content::UnloadImage(SPLASH_SECOND);
            ++fadeCounter;
        }
    }
    return ms;
}

void Game::PlaceMovingButtons()
{
    const float m = menuMargin;
    const float rowHeight = menuRowHeight;
    const float rows = screenRows;
    const float columns = screenColumns;
    const float height = rowHeight - 2.0f * m;
    const int yes = Id(YesNoButton::YES);
    const int no = Id(YesNoButton::NO);
    const SmartPtr<ButtonDisplayer>& yesNo = menus[MENU_YES_NO];
    if (screenState == STATE_MAIN_MENU) {
        const int back = Id(NoticeButton::CONTINUE);
        if (const SmartPtr<ButtonDisplayer>& notice = menus[MENU_NOTICE]) {
            notice->SetRect(back, m, m + rows - rowHeight, columns - 2.0f * m, height, 2.0f * m);
            notice->SetText3(back, GetText("BACK"));
        }
        if (yesNo) {
            yesNo->SetRect(yes, m, m + rows - 2.0f * rowHeight, columns - 2.0f * m, height, 2.0f * m);
            yesNo->SetRect(no, m, m + rows - rowHeight, columns - 2.0f * m, height, 2.0f * m);
        }
    } else if (screenState == STATE_PLAY && yesNo) {
        // The quit and restart questions of the pause menu.
        const float x = m + columns * 0.0625f;
        const float w = columns * 0.875f - 2.0f * m;
        yesNo->SetRect(yes, x, m + rows - 3.0f * rowHeight, w, height, 2.0f * m);
        yesNo->SetRect(no, x, m + rows - 2.0f * rowHeight, w, height, 2.0f * m);
    }
}

void Game::StartBoot()
{
    loadStep = 0;
    splashTimer = 0;
    fadeOutActive = false;
    loadStepCount = LAST_LOAD_STAGE;
    theme = ReadLastProfileTheme();
    loadedTheme = theme;
    Content::LoadImage(SPLASH_FIRST);
    screenState = STATE_SPLASH;
}

void Game::UpdateSplash(int ms)
{
    splashTimer += ms;
    if (loadStep <= loadStepCount / 2) {
        LoadStep(loadStep);
        ++loadStep;
    }
    if (splashTimer > SPLASH_MIN_MS) {
        fadeCounter = 0;
        fadeLimit = CROSSFADE_FRAMES;
        screenState = STATE_CROSSFADE;
    }
}

void Game::UpdateLoading(int ms)
{
    splashTimer += ms;
    if (loadStep <= loadStepCount) {
        // The last stage reads the level bytes and the board offset the menus load and set.
        if (loadStep == loadStepCount)
            CreateMenus();
        LoadStep(loadStep);
        ++loadStep;
    } else if (splashTimer > SPLASH_MIN_MS) {
        FinishLoading();
    }
}

void Game::UpdateLevelScroll()
{
    if (fingerUp) {
        if (scrollVelocity == 0.0f)
            scrollPosition = Snap(scrollPosition);
        else
            Coast(scrollPosition, scrollVelocity, LEVELS_STOP_SPEED);
    }
    // The upper bound depends on the pack and is kept by the level page's painter.
    if (scrollPosition < 0.0f)
        scrollPosition = 0.0f;
}

void Game::UpdateStatsScroll()
{
    if (!fingerUp)
        return;
    if (scrollVelocity == 0.0f) {
        const float fraction = scrollPosition - static_cast<float>(static_cast<int>(scrollPosition));
        if (fraction > 0.999f && fraction < 1.02f)
            fingerUp = false;
        else
            scrollPosition = Snap(scrollPosition);
    } else {
        Coast(scrollPosition, scrollVelocity, STATS_STOP_SPEED);
    }
}

bool Game::HasGameInProgress()
{
    // The board empties "save" when a game ends. Any other "save" is the fit game's, the only one
    // this game writes: a mode word that says otherwise is damage, which the board's restore
    // tells and sets aside.
    SaveReader save;
    if (!save.Open(SavePath("save"), 1) || save.Size() == 0)
        return false;
    savedGameMode = 0;
    return true;
}

void Game::FinishLoading()
{
    fadeCounter = 0;
    fadeOutActive = true;
    fadeLimit = FADE_OUT_FRAMES;
    // The first splash picture is not shown again on any path.
    Content::UnloadImage(SPLASH_FIRST);
    // A save that does not restore (another level's tray, a piece that does not fit, a missing
    // "save2") leaves no board: the game starts as if none had been left.
    if (!HasGameInProgress() || !CreatePlayfield()) {
        if (IsGuest())
            screenState = Language::EFIGS ? STATE_FIRST_LANGUAGE : STATE_WELCOME;
        else
            screenState = STATE_MAIN_MENU;
    }
    Sounds::PlayMusic();
}
