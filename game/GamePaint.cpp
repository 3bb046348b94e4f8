// One whole frame of the game: the painter of the current screen state, then the fade-out of the
// second splash picture over whatever that painter drew. Nothing is kept from one frame to the
// next; every frame is painted again from the state of Game.
#include <algorithm>

#include "ButtonDisplayer.h"
#include "Consts.h"
#include "GLFont.h"
#include "Game.h"
#include "Graphics.h"
#include "Help.h"
#include "Image.h"
#include "Language.h"
#include "PlayfieldFit.h"
#include "StringDisplayer.h"
#include "StringTools.h"

namespace {

using Vorn::SmartPtr;
using Vorn::WideString;

constexpr int FIRST_SPLASH = 0;
constexpr int SECOND_SPLASH = 1;
// A state no transition enters; it paints as the first splash.
constexpr int STATE_SPLASH_SPARE = 31;

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
