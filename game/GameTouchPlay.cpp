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
#include "TouchCells.h"

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
        if (ReleaseList(menus[MENU_NOTICE], x, y) == 0)
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
    PlayfieldFit* board = playfield.Get();
    if (!board)
        return;

    if (settingsPanelOpen) {
        switch (ReleaseList(menus[MENU_SETTINGS], x, y)) {
        case 1:
            pendingTheme = NextTheme();
            themeChangePending = true;
            break;
        case 3:
            settingsPanelOpen = false;
            break;
        case 4:
            twitch = !twitch;
            break;
        default:
            break;
        }
        return;
    }

    if (helpPanelOpen) {
        switch (ReleaseList(menus[MENU_HELP], x, y)) {
        case 0:
            if (help)
                help->PreviousPage();
            break;
        case 1:
            if (help)
                help->NextPage();
            break;
        case 2:
            helpPanelOpen = false;
            break;
        default:
            break;
        }
        return;
    }

    if (quitConfirmOpen) {
        const int id = ReleaseList(menus[MENU_YES_NO], x, y);
        if (id == 1) {
            quitConfirmOpen = false;
        } else if (id == 0) {
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
        return;
    }

    if (restartConfirmOpen) {
        const int id = ReleaseList(menus[MENU_YES_NO], x, y);
        if (id == 1) {
            restartConfirmOpen = false;
        } else if (id == 0) {
            if (gameMode == 0) {
                board->SaveStats();
                StartLevel(currentLevel);
                ReportEvent("Quit Restart");
                if (playfield)
                    playfield->ClearSavedGame();
            }
            restartConfirmOpen = false;
        }
        return;
    }

    switch (ReleaseList(menus[MENU_PAUSE], x, y)) {
    case 0:
        board->paused = false;
        break;
    case 1:
        settingsPanelOpen = true;
        break;
    case 2:
        if (help)
            help->FirstPage();
        helpPanelOpen = true;
        break;
    case 3:
        quitConfirmOpen = true;
        break;
    case 4:
        restartConfirmOpen = true;
        break;
    default:
        break;
    }
}
