// Touches in play: the board's own touches through the controller, the pause and hint buttons in
// the bottom corners, the level-complete CONTINUE with its search for the next level, and the
// pause panels (pause menu, settings, help, quit and restart questions).
#include "Game.h"

#include <algorithm>

#include "ButtonDisplayer.h"
#include "Consts.h"
#include "Controller.h"
#include "Help.h"
#include "PlayfieldFit.h"
#include "Stats.h"

namespace {

// A quit this early, with nothing placed, does not count as a game played.
constexpr int SHORT_GAME_MS = 10000;

// The side column (side 0: cell columns 0 and 1, side 1: columns 10 and 11).
bool InColumnPair(int x, int side)
{
    const int cell = Consts::CELL_SIZE;
    return side == 1 ? x > Consts::DISPLAY_AREA_X + 10 * cell : x < Consts::DISPLAY_AREA_X + 2 * cell;
}

void PressList(const Vorn::SmartPtr<ButtonDisplayer>& list, int x, int y)
{
    if (list)
        list->TouchDown(x, y);
}

void HoverList(const Vorn::SmartPtr<ButtonDisplayer>& list, int x, int y)
{
    if (list)
        list->TouchMove(x, y);
}

int ReleaseList(const Vorn::SmartPtr<ButtonDisplayer>& list, int x, int y)
{
    return list ? list->TouchUp(x, y, false) : ButtonDisplayer::NONE;
}

float CellX(int x)
{
    return static_cast<float>(x - Consts::DISPLAY_AREA_X) / static_cast<float>(std::max(Consts::CELL_SIZE, 1));
}

float CellY(int y)
{
    return static_cast<float>(y - Consts::DISPLAY_AREA_Y) / static_cast<float>(std::max(Consts::CELL_SIZE, 1));
}

} // namespace

void Game::OnPlayTouchDown(int x, int y)
{
    PlayfieldFit* board = playfield.Get();
    if (!board)
        return;
    if (!board->paused) {
        if (board->finished) {
            PressList(menus[MENU_NOTICE], x, y);
            return;
        }
        // The pause button's own cell: it acts on release and must not start a drawing.
        const int side = controlSide == 1 ? 1 : 0;
        if (InColumnPair(x, side) &&
            y > Consts::DISPLAY_AREA_Y + Consts::DISPLAY_AREA_HEIGHT - Consts::CELL_SIZE)
            return;
        if (controller)
            controller->ForwardTouchDown(x, y);
        return;
    }
    if (settingsPanelOpen) {
        PressList(menus[MENU_SETTINGS], x, y);
        RunVolumeSliders(CellX(x), CellY(y), menuMargin + screenRows - 2.0f * menuRowHeight);
    } else if (helpPanelOpen) {
        PressList(menus[MENU_HELP], x, y);
    } else if (!quitConfirmOpen && !restartConfirmOpen) {
        PressList(menus[MENU_PAUSE], x, y);
    } else {
        PressList(menus[MENU_YES_NO], x, y);
    }
}

void Game::OnPlayTouchMove(int x, int y, float dy)
{
    PlayfieldFit* board = playfield.Get();
    if (!board)
        return;
    if (!board->paused) {
        if (!board->finished && controller)
            controller->ForwardTouchMove(x, y);
        if (board->finished)
            HoverList(menus[MENU_NOTICE], x, y);
        return;
    }
    if (settingsPanelOpen) {
        HoverList(menus[MENU_SETTINGS], x, y);
        RunVolumeSliders(CellX(x), CellY(y), menuMargin + screenRows - 2.0f * menuRowHeight);
    } else if (helpPanelOpen) {
        if (help)
            help->Scroll(dy);
        HoverList(menus[MENU_HELP], x, y);
    } else if (quitConfirmOpen || restartConfirmOpen) {
        // The list that was pressed and will be released: its highlight follows the finger.
        HoverList(menus[MENU_YES_NO], x, y);
    } else {
        HoverList(menus[MENU_PAUSE], x, y);
    }
}

void Game::OnPlayTouchUp(int x, int y)
{
    PlayfieldFit* board = playfield.Get();
    if (!board)
        return;
    const int side = controlSide == 1 ? 1 : 0;
    const float rowTop = static_cast<float>(Consts::CELL_SIZE) * (screenRows - 2.0f);
    const bool inButtonRow = static_cast<float>(y) > rowTop && static_cast<float>(touchDownY) > rowTop;

    // The pause button: pressed and released in the side column's bottom two rows. On the right
    // the column also pauses a completed board.
    if (!board->paused && (side == 1 || !board->finished) && inButtonRow &&
        InColumnPair(x, side) && InColumnPair(touchDownX, side)) {
        board->paused = true;
        if (controller)
            controller->Cancel();
    }

    // The hint button, in the opposite corner.
    if (inButtonRow && InColumnPair(x, 1 - side) && InColumnPair(touchDownX, 1 - side) &&
        !board->hintPanelOpen && !board->paused && !board->finished)
        board->OpenHintPanel();

    if (!board->finished && !board->paused && controller)
        controller->ForwardTouchUp(x, y);

    if (board->finished && gameMode == 0) {
        if (ReleaseList(menus[MENU_NOTICE], x, y) == Id(NoticeButton::CONTINUE))
            OnLevelCompleteContinue();
        if (screenState != STATE_PLAY)
            return;
    }

    // CONTINUE may have started the next level on a new board.
    board = playfield.Get();
    if (board && board->paused)
        OnPausePanelTouchUp(x, y);
}

int Game::LocateCurrentLevel()
{
    auto entryOf = [this](int pack) {
        const std::vector<int>& levels = packLevels[pack];
        const int count = std::min(packSizes[pack], static_cast<int>(levels.size()));
        for (int entry = 0; entry < count; ++entry)
            if (levels[entry] == currentLevel)
                return entry;
        return -1;
    };
    if (currentPack >= 0 && currentPack < PACK_COUNT) {
        const int entry = entryOf(currentPack);
        if (entry >= 0)
            return entry;
    }
    // A restored game never went through the pack list and the level page: both follow the level.
    for (int pack = 0; pack < PACK_COUNT; ++pack) {
        const int entry = entryOf(pack);
        if (entry >= 0) {
            currentPack = pack;
            scrollPosition = static_cast<float>(entry);
            return entry;
        }
    }
    return -1;
}

void Game::OnLevelCompleteContinue()
{
    PlayfieldFit* board = playfield.Get();
    if (!board)
        return;
    if (board->packCompleted) {
        screenState = STATE_PACK_COMPLETED;
        return;
    }

    // The search starts at the level just played, in its own pack.
    const int start = LocateCurrentLevel();
    if (start < 0) {
        // The level is in no pack: there is no next level to look for.
        SelectFirstOpenLevel();
        return;
    }
    const int pack = currentPack;

    const std::vector<int>& levels = packLevels[pack];
    const int count = std::min(packSizes[pack], static_cast<int>(levels.size()));
    int next = -1;
    for (int i = 0; i < count && next < 0; ++i) {
        const int k = (start + i) % count;
        if (LevelRecord(levels[k]) == RECORD_OPEN)
            next = k;
    }
    scrollPosition = static_cast<float>(next);

    if (board->nextPackUnlocked) {
        // Its CONTINUE starts the level found (or opens the level page when none was).
        screenState = STATE_PACK_OPENED;
        return;
    }
    if (next < 0) {
        SelectFirstOpenLevel();
        scrollPosition = static_cast<float>(start);
        return;
    }
    StartLevel(levels[next]);
    fingerUp = false;
    scrollVelocity = 0.0f;
}

void Game::OnPausePanelTouchUp(int x, int y)
{
    if (!playfield)
        return;
    if (settingsPanelOpen) {
        OnSettingsPanelButton(static_cast<SettingsButton>(ReleaseList(menus[MENU_SETTINGS], x, y)));
    } else if (helpPanelOpen) {
        if (TurnHelpPage(static_cast<HelpButton>(ReleaseList(menus[MENU_HELP], x, y))))
            helpPanelOpen = false;
    } else if (quitConfirmOpen) {
        OnQuitAnswer(static_cast<YesNoButton>(ReleaseList(menus[MENU_YES_NO], x, y)));
    } else if (restartConfirmOpen) {
        OnRestartAnswer(static_cast<YesNoButton>(ReleaseList(menus[MENU_YES_NO], x, y)));
    } else {
        OnPauseButton(static_cast<PauseButton>(ReleaseList(menus[MENU_PAUSE], x, y)));
    }
}

void Game::OnSettingsPanelButton(SettingsButton button)
{
    switch (button) {
    case SettingsButton::THEME:
        pendingTheme = NextTheme();
        themeChangePending = true;
        break;
    case SettingsButton::BACK:
        settingsPanelOpen = false;
        break;
    case SettingsButton::TWITCH:
        twitch = !twitch;
        break;
    }
}

void Game::OnQuitAnswer(YesNoButton answer)
{
    PlayfieldFit* board = playfield.Get();
    if (answer == YesNoButton::NO) {
        quitConfirmOpen = false;
        return;
    }
    if (answer != YesNoButton::YES || !board)
        return;
    if (board->playTime < SHORT_GAME_MS && board->placedCount == 0) {
        if (stats) {
            stats->gameCounter = std::max(stats->gameCounter - 1, 0);
            int& played = stats->counters[Stats::COUNTER_GAMES_PLAYED];
            played = std::max(played - 1, 0);
            stats->Save();
        }
        ReportEvent("Quit Short");
    } else {
        board->SaveStats();
        ReportEvent("Quit Normal");
    }
    board->ClearSavedGame();
    quitConfirmOpen = false;
    // Back to the level page, which needs the pack of the level (a restored game has none).
    LocateCurrentLevel();
    screenState = STATE_LEVELS;
}

void Game::OnRestartAnswer(YesNoButton answer)
{
    PlayfieldFit* board = playfield.Get();
    if (answer == YesNoButton::NO) {
        restartConfirmOpen = false;
        return;
    }
    if (answer != YesNoButton::YES || !board)
        return;
    if (gameMode == 0) {
        board->SaveStats();
        StartLevel(currentLevel);
        ReportEvent("Quit Restart");
        if (playfield)
            playfield->ClearSavedGame();
    }
    restartConfirmOpen = false;
}

void Game::OnPauseButton(PauseButton button)
{
    PlayfieldFit* board = playfield.Get();
    if (!board)
        return;
    switch (button) {
    case PauseButton::CONTINUE:
        board->paused = false;
        break;
    case PauseButton::SETTINGS:
        settingsPanelOpen = true;
        break;
    case PauseButton::HELP:
        if (help)
            help->FirstPage();
        helpPanelOpen = true;
        break;
    case PauseButton::QUIT_GAME:
        quitConfirmOpen = true;
        break;
    case PauseButton::RESTART:
        restartConfirmOpen = true;
        break;
    }
}
