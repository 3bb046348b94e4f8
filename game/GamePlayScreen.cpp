// The play screen: the button lists of its panels, its touches and its painting. Touches go to the
// board through the controller, the pause and hint buttons sit in the bottom corners, the
// level-complete CONTINUE searches the next level, and the pause panels (pause menu, settings, help,
// quit and restart questions) are drawn over a veil on the board.
#include "Game.h"

#include <algorithm>

#include "ButtonDisplayer.h"
#include "Consts.h"
#include "Controller.h"
#include "GLFont.h"
#include "GameMenuKit.h"
#include "Graphics.h"
#include "Help.h"
#include "PlayfieldFit.h"
#include "Sounds.h"
#include "Stats.h"
#include "TouchCells.h"

using Vorn::SmartPtr;
using Vorn::WideString;

namespace {

// A quit this early, with nothing placed, does not count as a game played.
constexpr int SHORT_GAME_MS = 10000;
// The theme whose volume bars are drawn in their own colours.
constexpr int UNTINTED_BARS_THEME = 4;
// A volume bar is drawn at this scale; ten volume steps of source make a bar as long as its box.
constexpr float BAR_SCALE = 0.85f;
constexpr float BAR_LENGTH = 5.0f;
constexpr float BAR_STEPS = 10.0f;
constexpr float BAR_STEP_CELLS = BAR_LENGTH / BAR_STEPS / BAR_SCALE;
// How much of the play screen a panel over it hides: the board stays faintly there, so the player
// still sees where they are, but no line or block of it reads between the panel's buttons.
constexpr float PANEL_VEIL_ALPHA = 0.95f;

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

int PixelX(float x)
{
    return static_cast<int>(Consts::DISPLAY_AREA_X + x * Consts::CELL_SIZE);
}

int PixelY(float y)
{
    return static_cast<int>(Consts::DISPLAY_AREA_Y + y * Consts::CELL_SIZE);
}

void DrawMenu(const Game& game, const SmartPtr<Graphics>& graphics, int index)
{
    if (game.menus[index])
        game.menus[index]->Draw(graphics);
}

// The background drawn over the whole screen at the veil's alpha. The alpha stays with the picture
// for the draws that take none (the box fills), so one opaque pixel of it puts it back.
void DrawVeil(const SmartPtr<Graphics>& graphics)
{
    graphics->DrawImageEx(Game::imgBackground, 0, 0, 0, 0, Consts::SCREEN_WIDTH,
                          Consts::SCREEN_HEIGHT, 1.0f, 1.0f, 1.0f, 1.0f, PANEL_VEIL_ALPHA);
    graphics->DrawImageEx(Game::imgBackground, 0, 0, 0, 0, 1, 1, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f);
}

// The volume bars of the in-game settings panel, a knob line on each and a box around each.
void DrawVolumeBars(const Game& game, const SmartPtr<Graphics>& graphics, float top)
{
    const float columns = game.screenColumns;
    const float y = top;
    const float volumes[2] = {Sounds::GetSoundVolume() / 10.0f, Sounds::GetMusicVolume() / 10.0f};
    const float lefts[2] = {columns / 4.0f - BAR_LENGTH / 2.0f,
                            3.0f * columns / 4.0f - BAR_LENGTH / 2.0f};
    const bool tinted = Game::ThemeIndex() != UNTINTED_BARS_THEME;
    const int bar = Consts::THEME_PROGRESS_BARS[Game::ThemeIndex()];
    for (int i = 0; i < 2; ++i) {
        // A volume outside the sound layer's range must not ask for a negative or oversized source.
        const float volume = std::min(std::max(volumes[i], 0.0f), BAR_STEPS);
        graphics->DrawImageEx(bar, PixelX(lefts[i]), PixelY(y), 0, 0,
                              static_cast<int>(Consts::CELL_SIZE * BAR_STEP_CELLS * volume),
                              Consts::CELL_SIZE, BAR_SCALE, tinted ? Game::COLOR_R : 1.0f,
                              tinted ? Game::COLOR_G : 1.0f, tinted ? Game::COLOR_B : 1.0f, 1.0f);
    }
    for (int i = 0; i < 2; ++i) {
        const float volume = std::min(std::max(volumes[i], 0.0f), BAR_STEPS);
        Game::DrawHandVertical(graphics, lefts[i] + volume / 2.0f, y, 0.8f,
                               Consts::THEME_LINES_VERTICAL);
    }
    for (float left : lefts)
        Game::DrawTextBox(graphics, left, y, BAR_LENGTH, 0.8f, game.font, WideString());
}

} // namespace

// --- Lists -----------------------------------------------------------------------------------------

// The board's lists: the pause menu, the settings panel, the hint button and the two spares.
void MenuKit::BuildPlayLists(Game& game, const MenuLayout& l, const ListSizes& s)
{
    const float m = l.margin;
    const float r = l.rows;
    const float rh = l.rowHeight;
    using P = Game::PauseButton;
    ReplaceList(game.menus[Game::MENU_PAUSE],
                MakeList(game,
                         {Key(P::CONTINUE, "CONTINUE", m, m + r - 5.0f * rh, s.wide, s.narrow),
                          Key(P::RESTART, "RESTART", m, m + r - 4.0f * rh, s.wide, s.narrow),
                          Key(P::SETTINGS, "SETTINGS", m, m + r - 3.0f * rh, s.wide, s.narrow),
                          Key(P::HELP, "HELP", m, m + r - 2.0f * rh, s.wide, s.narrow),
                          Key(P::QUIT_GAME, "QUIT_GAME", m, s.bottom, s.wide, s.narrow)},
                         game.font, s.max));

    using S = Game::SettingsButton;
    const SmartPtr<GLFont>& font = game.smallFont;
    SmartPtr<ButtonDisplayer> settings(new ButtonDisplayer());
    settings->AddTextButton(Game::Id(S::THEME), game.GetText("THEME"), game.GetText("NOTEBOOK"),
                            font, 0.2f, s.top + rh, s.half, s.row, s.max, -1);
    settings->AddButton(Game::Id(S::TWITCH), game.GetText("TWITCH"), font, s.right, s.top + rh,
                        s.half, s.row, s.max, -1);
    settings->AddButton(Game::Id(S::BACK), game.GetText("BACK"), font, 0.2f, s.top + 3.0f * rh,
                        s.full, s.row, s.max, -1);
    ReplaceList(game.menus[Game::MENU_SETTINGS], settings);

    // The hint button is as wide as its caption plus room for the press inset on both sides.
    const float b = Consts::BUTTON_MAX_CHANGE;
    const WideString caption = game.GetText("USE_HINT");
    const float tw = font ? static_cast<float>(font->GetTextWidth(caption)) /
                                static_cast<float>(Consts::CELL_SIZE)
                          : 0.0f;
    SmartPtr<ButtonDisplayer> hint(new ButtonDisplayer());
    hint->AddButton(Game::Id(Game::HintButton::USE_HINT), caption, font,
                    (12.0f - 4.0f * b - tw) / 2.0f, l.boardTop + 13.2f, tw + 4.0f * b, 1.6f, b, -1);
    ReplaceList(game.menus[Game::MENU_HINT], hint);

    using N = Game::NoticeButton;
    ReplaceList(game.menus[Game::MENU_SPARE_CONTINUE_A],
                MakeList(game, {Key(N::CONTINUE, "CONTINUE", 3.5f, 9.5f, 5.0f, 2.0f)}, font, b));
    ReplaceList(game.menus[Game::MENU_SPARE_CONTINUE_B],
                MakeList(game, {Key(N::CONTINUE, "CONTINUE", 3.5f, 10.5f, 5.0f, 2.0f)}, font, b));
}

// --- Touches ---------------------------------------------------------------------------------------

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

// --- Painting --------------------------------------------------------------------------------------

void Game::RenderPlay(const SmartPtr<Graphics>& graphics)
{
    // Every way into play makes the board first; without one there is nothing to show.
    PlayfieldFit* board = playfield.Get();
    if (!board)
        return;
    board->DrawBackground(graphics, 0, 0, Consts::SCREEN_WIDTH, Consts::SCREEN_HEIGHT);
    if (controller)
        controller->DrawBack(graphics);
    board->Draw(graphics);
    if (controller)
        controller->Draw(graphics);
    if (!board->paused)
        return;

    // Every panel of the pause hides the play screen under it.
    DrawVeil(graphics);
    const float m = menuMargin;
    const float h = menuRowHeight;
    const float w = screenColumns;
    const float r = screenRows;
    if (settingsPanelOpen) {
        DrawMenu(*this, graphics, MENU_SETTINGS);
        const float top = r - 2.0f * h;
        DrawPanel(graphics, m, top + m, w / 2.0f - 2.0f * m, h - 2.0f * m, font, WideString());
        DrawPanel(graphics, w / 2.0f + m, top + m, w / 2.0f - 2.0f * m, h - 2.0f * m, font,
                  WideString());
        DrawTextAt(graphics, smallFont, GetText("SFX"), w / 4.0f, top + h / 3.0f);
        DrawTextAt(graphics, smallFont, GetText("MUSIC"), 3.0f * w / 4.0f, top + h / 3.0f);
        DrawVolumeBars(*this, graphics, top + 2.0f * h / 3.0f - 0.4f);
    } else if (helpPanelOpen) {
        if (help)
            help->Draw(graphics);
        DrawMenu(*this, graphics, MENU_HELP);
    } else if (quitConfirmOpen || restartConfirmOpen) {
        DrawPanel(graphics, m, r - 4.0f * h + m, w - 2.0f * m, h - 2.0f * m, font,
                  GetText(quitConfirmOpen ? "QUIT" : "QUESTION_RESTART"));
        DrawMenu(*this, graphics, MENU_YES_NO);
    } else {
        DrawMenu(*this, graphics, MENU_PAUSE);
    }
}
