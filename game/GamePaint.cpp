// One whole frame of the game: the painter of the current screen state, then the fade-out of the
// second splash picture over whatever that painter drew. Nothing is kept from one frame to the
// next; every frame is painted again from the state of Game.
#include <algorithm>

#include "ButtonDisplayer.h"
#include "Consts.h"
#include "Controller.h"
#include "GLFont.h"
#include "Game.h"
#include "Graphics.h"
#include "Help.h"
#include "Image.h"
#include "Language.h"
#include "PlayfieldFit.h"
#include "Sounds.h"
#include "StringDisplayer.h"
#include "StringTools.h"

namespace {

using Vorn::SmartPtr;
using Vorn::WideString;

constexpr int FIRST_SPLASH = 0;
constexpr int SECOND_SPLASH = 1;
// A state no transition enters; it paints as the first splash.
constexpr int STATE_SPLASH_SPARE = 31;
// The theme whose volume bars are drawn in their own colours.
constexpr int UNTINTED_BARS_THEME = 4;
// Width of a volume bar's source per volume step, in cells: ten steps at scale 0.85 give 5 cells.
constexpr float BAR_STEP_CELLS = 0.58823526f;
constexpr float BAR_SCALE = 0.85f;
// How much of the play screen a panel over it hides: the board stays faintly there, so the player
// still sees where they are, but no line or block of it reads between the panel's buttons.
constexpr float PANEL_VEIL_ALPHA = 0.95f;

// Screens that are a question or a notice over the background: the logo or not, the screen's text
// block (Game::dialogTexts by state) or not, and one button list.
struct DialogScreen {
    int state;
    bool logo;
    bool text;
    int menu;
};

const DialogScreen DIALOG_SCREENS[] = {
    {Game::STATE_CONFIRM_DELETE_PROGRESS, true, true, Game::MENU_YES_NO},
    {Game::STATE_CONFIRM_CLEAR_HIGHSCORES, false, true, Game::MENU_YES_NO},
    {Game::STATE_DATA, true, false, Game::MENU_DATA},
    {Game::STATE_CONFIRM_DELETE_PROFILE, true, true, Game::MENU_YES_NO},
    {Game::STATE_NAME_IN_USE, false, true, Game::MENU_NOTICE},
    {Game::STATE_PROFILE_DELETED, true, true, Game::MENU_NOTICE},
    {Game::STATE_GUEST_NOT_DELETABLE, true, true, Game::MENU_NOTICE},
    {Game::STATE_QUESTION, true, true, Game::MENU_QUESTION},
};

const DialogScreen* FindDialogScreen(int state)
{
    for (const DialogScreen& screen : DIALOG_SCREENS)
        if (screen.state == state)
            return &screen;
    return nullptr;
}

int PixelX(float x)
{
    return static_cast<int>(Consts::DISPLAY_AREA_X + x * Consts::CELL_SIZE);
}

int PixelY(float y)
{
    return static_cast<int>(Consts::DISPLAY_AREA_Y + y * Consts::CELL_SIZE);
}

void DrawBackground(const SmartPtr<Graphics>& graphics)
{
    graphics->DrawImage(Game::imgBackground, 0, 0);
}

void DrawMenu(const Game& game, const SmartPtr<Graphics>& graphics, int index)
{
    if (game.menus[index])
        game.menus[index]->Draw(graphics);
}

// A picture centred on the screen. The alpha is always given, opaque ones included: an alpha set
// on a picture stays with it for the draws that take none.
void DrawCentred(const SmartPtr<Graphics>& graphics, int image, float alpha)
{
    const Image* picture = Graphics::FindImage(image);
    if (!picture)
        return;
    graphics->DrawImageColored(image, (Consts::SCREEN_WIDTH - picture->width) / 2,
                               (Consts::SCREEN_HEIGHT - picture->height) / 2, 1.0f, 1.0f, 1.0f,
                               alpha);
}

// The screen in the colour of the first splash's own background: its pixel (1, 1) blown up to a
// square as large as the screen is high. Opaque whatever alpha the cross-fade left on the picture.
void DrawSplashFill(const SmartPtr<Graphics>& graphics)
{
    graphics->DrawImageEx(FIRST_SPLASH, 0, 0, 1, 1, 1, 1,
                          static_cast<float>(Consts::SCREEN_HEIGHT), 1.0f, 1.0f, 1.0f, 1.0f);
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
    const float lefts[2] = {columns / 4.0f - 2.5f, 3.0f * columns / 4.0f - 2.5f};
    const bool tinted = Game::ThemeIndex() != UNTINTED_BARS_THEME;
    const int bar = Consts::THEME_PROGRESS_BARS[Game::ThemeIndex()];
    for (int i = 0; i < 2; ++i) {
        // A volume outside the sound layer's range must not ask for a negative or oversized source.
        const float volume = std::min(std::max(volumes[i], 0.0f), 10.0f);
        graphics->DrawImageEx(bar, PixelX(lefts[i]), PixelY(y), 0, 0,
                              static_cast<int>(Consts::CELL_SIZE * BAR_STEP_CELLS * volume),
                              Consts::CELL_SIZE, BAR_SCALE, tinted ? Game::COLOR_R : 1.0f,
                              tinted ? Game::COLOR_G : 1.0f, tinted ? Game::COLOR_B : 1.0f, 1.0f);
    }
    for (int i = 0; i < 2; ++i) {
        const float volume = std::min(std::max(volumes[i], 0.0f), 10.0f);
        Game::DrawHandVertical(graphics, lefts[i] + volume / 2.0f, y, 0.8f,
                               Consts::THEME_LINES_VERTICAL);
    }
    for (float left : lefts)
        Game::DrawTextBox(graphics, left, y, 5.0f, 0.8f, game.font, WideString());
}

} // namespace

void Game::Render(const SmartPtr<Graphics>& graphics)
{
    if (!graphics)
        return;
    switch (screenState) {
    case STATE_MAIN_MENU:
        DrawBackground(graphics);
        DrawLogo(graphics);
        DrawMainMenuButtons(graphics);
        break;
    case STATE_PLAY:
        RenderPlay(graphics);
        break;
    case STATE_LEVELS:
        RenderLevelSelect(graphics);
        break;
    case STATE_KEYBOARD:
        DrawBackground(graphics);
        RenderKeyboard(graphics);
        break;
    case STATE_OPTIONS:
        DrawOptions(graphics);
        break;
    case STATE_ABOUT:
        DrawAbout(graphics);
        break;
    case STATE_MORE:
        DrawMoreMenu(graphics);
        break;
    case STATE_HELP:
        DrawHelp(graphics);
        break;
    case STATE_PACKS:
        RenderPackSelect(graphics);
        break;
    case STATE_PROFILES:
        RenderProfiles(graphics);
        break;
    case STATE_STATS:
        RenderStats(graphics);
        break;
    case STATE_PACK_COMPLETED:
    case STATE_PACK_OPENED:
        RenderNotice(graphics);
        break;
    case STATE_WELCOME:
        RenderWelcome(graphics);
        break;
    case STATE_LANGUAGE:
        DrawLanguageMenu(graphics);
        break;
    case STATE_FIRST_LANGUAGE:
        DrawFirstLanguageMenu(graphics);
        break;
    case STATE_SPLASH:
    case STATE_SPLASH_SPARE:
    case STATE_CROSSFADE:
    case STATE_LOADING:
        RenderSplash(graphics);
        break;
    default:
        if (const DialogScreen* screen = FindDialogScreen(screenState)) {
            DrawBackground(graphics);
            if (screen->logo)
                DrawLogo(graphics);
            if (screen->text && dialogTexts[screenState])
                dialogTexts[screenState]->DrawLines(graphics);
            DrawMenu(*this, graphics, screen->menu);
        }
        break;
    }

    // The first screen after loading appears from under the second splash picture.
    if (fadeOutActive && fadeCounter <= fadeLimit)
        DrawCentred(graphics, SECOND_SPLASH, 1.0f - FadeFraction(fadeCounter, fadeLimit));
}

void Game::RenderProfiles(const SmartPtr<Graphics>& graphics)
{
    DrawBackground(graphics);
    if (keyboardOpen) {
        RenderKeyboard(graphics);
        return;
    }
    if (Consts::ALWAYS_SHOW_LOGO)
        DrawLogo(graphics);
    DrawMenu(*this, graphics, MENU_PROFILES);
}

void Game::RenderSplash(const SmartPtr<Graphics>& graphics)
{
    if (screenState == STATE_LOADING) {
        DrawCentred(graphics, SECOND_SPLASH, 1.0f);
        return;
    }
    DrawSplashFill(graphics);
    if (screenState != STATE_CROSSFADE) {
        DrawCentred(graphics, FIRST_SPLASH, 1.0f);
        return;
    }
    const float f = FadeFraction(fadeCounter, fadeLimit);
    DrawCentred(graphics, FIRST_SPLASH, 1.0f - f);
    DrawCentred(graphics, SECOND_SPLASH, f);
}

float Game::FadeFraction(int counter, int limit)
{
    // A fade without frames is already over.
    if (limit <= 0)
        return 1.0f;
    const float f = static_cast<float>(counter) / static_cast<float>(limit);
    return std::min(std::max(f, 0.0f), 1.0f);
}

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
        // The twitch box, as on the options screen, left of the TWITCH caption.
        if (menus[MENU_SETTINGS])
            DrawTwitchBox(graphics, w * 0.75f - 2.15f,
                          menus[MENU_SETTINGS]->GetButtonY(Id(SettingsButton::TWITCH)) + h / 2.0f - m);
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

void Game::RenderNotice(const SmartPtr<Graphics>& graphics)
{
    const float middle = screenRows / 2.0f;
    const float top = middle - 2.0f;
    DrawBackground(graphics);
    if (playfield) {
        playfield->Draw(graphics);
        playfield->DrawBackground(graphics, 0,
                                  Consts::DISPLAY_AREA_Y + static_cast<int>(top * Consts::CELL_SIZE),
                                  Consts::SCREEN_WIDTH, 4 * Consts::CELL_SIZE);
    }
    // Wider than the screen: only its top and bottom edges show.
    DrawPanel(graphics, -1.0f, top, 14.0f, 4.0f, smallFont, WideString());
    DrawTextAt(graphics, smallFont, GetText("CONGRATULATIONS"), 6.0f, top + 1.0f);

    int pack = -1;
    const char* key = nullptr;
    if (screenState == STATE_PACK_COMPLETED) {
        pack = currentPack;
        key = "YOU_SOLVED";
    } else {
        // The pack opened is the next one in display order, not the next pack number.
        const int position = PackPosition(currentPack);
        if (position >= 0 && position + 1 < PACK_COUNT)
            pack = packOrder[position + 1];
        key = "YOU_UNLOCKED";
    }
    const WideString name = pack >= 0 && pack < PACK_COUNT ? packNames[pack] : WideString();
    const bool separateLines = screenState == STATE_PACK_COMPLETED
                                   ? !Language::KO
                                   : (Language::EN || Language::EFIGS || Language::CN);
    if (separateLines) {
        DrawTextAt(graphics, smallFont, GetText(key), 6.0f, middle);
        DrawTextAt(graphics, font, name, 6.0f, top + 3.0f);
    } else if (Language::KO) {
        WideString line = StringTools::Placeholder(1) +
                          (screenState == STATE_PACK_COMPLETED ? WideString() : WideString(L" ")) +
                          StringTools::Placeholder(2);
        StringTools::SprintfRef(line, GetText(key), name);
        DrawTextAt(graphics, smallFont, line, 6.0f, top + 2.5f);
    }
    DrawMenu(*this, graphics, MENU_NOTICE);
}

void Game::RenderWelcome(const SmartPtr<Graphics>& graphics)
{
    DrawBackground(graphics);
    DrawLogo(graphics);
    const float logoRows = static_cast<float>(Consts::MAIN_MENU_Y) / Consts::CELL_SIZE;
    DrawTextAt(graphics, smallFont, GetText("WELCOME"), 6.0f, menuRowHeight - 1.5f + logoRows);
    DrawTextAt(graphics, font, GetProfileDisplayName(), 6.0f, menuRowHeight - 0.5f + logoRows);
    DrawMenu(*this, graphics, MENU_WELCOME);
}
