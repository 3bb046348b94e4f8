// One whole frame of the game: the painter of the current screen state, then the fade-out of the
// second splash picture over whatever that painter drew. Nothing is kept from one frame to the
// next; every frame is painted again from the state of Game.
#include <algorithm>

#include "Consts.h"
#include "Game.h"
#include "Graphics.h"
#include "Image.h"

namespace {

using Vorn::SmartPtr;
using Vorn::WideString;

constexpr int FIRST_SPLASH = 0;
constexpr int SECOND_SPLASH = 1;
// A state no transition enters; it paints as the first splash.
constexpr int STATE_SPLASH_SPARE = 31;

void DrawBackground(const SmartPtr<Graphics>& graphics)
{
    graphics->DrawImage(Game::imgBackground, 0, 0);
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
        RenderDialog(graphics);
        break;
    }

    // The first screen after loading appears from under the second splash picture.
    if (fadeOutActive && fadeCounter <= fadeLimit)
        DrawCentred(graphics, SECOND_SPLASH, 1.0f - FadeFraction(fadeCounter, fadeLimit));
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
