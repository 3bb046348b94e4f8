// The menu screens that show a list over the theme's background: the "more" menu and the two
// language lists (sliding in from the right), the options with their volume sliders and twitch
// box, and the about screen with its scrolling text; also the panel painter and the small texts
// these screens show. Positions are cells from the display area's corner; a cell value v is the
// pixel (int)(v * c) + origin.
#include "Game.h"

#include <algorithm>

#include "ButtonDisplayer.h"
#include "Consts.h"
#include "Content.h"
#include "GLFont.h"
#include "Graphics.h"
#include "Image.h"
#include "StringDisplayer.h"
#include "StringTools.h"
#include "Sounds.h"
#include "audio/SoundManager.h"

using Vorn::SmartPtr;
using Vorn::WideString;

namespace {

constexpr int IMAGE_TWITCH_ON = 58;
// The tick that marks the language in use on the language lists.
constexpr int IMAGE_CURRENT_LANGUAGE = 58;
constexpr int THEME_UNTINTED_BARS = 4;
// A volume bar's picture is drawn at this scale; 0.58823526 cells of source per 10 % make a full
// bar 5 cells long on screen.
constexpr float BAR_SCALE = 0.85f;
constexpr float BAR_CELLS_PER_PERCENT = 0.058823526f;
constexpr float SLIDER_LENGTH = 5.0f;
constexpr float SLIDER_HEIGHT = 0.8f;
constexpr int MAX_VOLUME_PERCENT = 100;

const char* const THEME_NAME_KEYS[] = {"NOTEBOOK",     "CHALKBOARD",      "THEME_WOOD",
                                       "THEME_NATURE", "THEME_SUMMER",    "THEME_OLD_PAPER",
                                       "THEME_RED_LEATHER", "THEME_ZOMBIE"};
constexpr int THEME_NAME_COUNT = sizeof THEME_NAME_KEYS / sizeof THEME_NAME_KEYS[0];

float Cell()
{
    return static_cast<float>(Consts::CELL_SIZE);
}

int PixelX(float x)
{
    return static_cast<int>(x * Cell()) + Consts::DISPLAY_AREA_X;
}

int PixelY(float y)
{
    return static_cast<int>(y * Cell()) + Consts::DISPLAY_AREA_Y;
}

// Background and logo, under every menu screen with a list.
void DrawMenuBackdrop(const SmartPtr<Graphics>& graphics)
{
    graphics->DrawImage(Game::imgBackground, 0, 0);
    graphics->DrawImageCentered(Consts::THEME_LOGOS[Game::ThemeIndex()],
                                Consts::DISPLAY_AREA_X + 6 * Consts::CELL_SIZE,
                                Consts::MAIN_MENU_Y / 2,
                                Graphics::ALIGN_CENTER_X | Graphics::ALIGN_CENTER_Y);
}

// One volume slider: the bar as long as the volume, the knob at its end, the frame around both.
void DrawSlider(const SmartPtr<Graphics>& graphics, float left, float y, int volume)
{
    // The bar's source rectangle grows with the volume: past 100 % it would reach beyond the
    // picture.
    volume = std::min(std::max(volume, 0), MAX_VOLUME_PERCENT);
    const bool untinted = Game::ThemeIndex() == THEME_UNTINTED_BARS;
    graphics->DrawImageEx(Consts::THEME_PROGRESS_BARS[Game::ThemeIndex()], PixelX(left), PixelY(y),
                          0, 0,
                          static_cast<int>(Cell() * BAR_CELLS_PER_PERCENT * static_cast<float>(volume)),
                          Consts::CELL_SIZE, BAR_SCALE, untinted ? 1.0f : Game::COLOR_R,
                          untinted ? 1.0f : Game::COLOR_G, untinted ? 1.0f : Game::COLOR_B, 1.0f);
    Game::DrawHandVertical(graphics,
                           left + static_cast<float>(volume) * SLIDER_LENGTH /
                                      static_cast<float>(MAX_VOLUME_PERCENT),
                           y, SLIDER_HEIGHT, Consts::THEME_LINES_VERTICAL);
}

// The tick left of the caption of the list's button for the language in use, moved with the
// sliding list; drawn in its own colours, as on the options' twitch box.
void DrawLanguageMark(const SmartPtr<ButtonDisplayer>& list, int language, float slide,
                      const SmartPtr<Graphics>& graphics)
{
    if (!list)
        return;
    for (const ButtonRecord* button = list->GetHead(); button; button = button->next) {
        if (button->id != language || language < 0 || language >= Game::LANGUAGE_COUNT)
            continue;
        Content::LoadImage(IMAGE_CURRENT_LANGUAGE);
        graphics->DrawImageCentered(IMAGE_CURRENT_LANGUAGE, PixelX(button->x + slide + 0.8f),
                                    PixelY(button->y + button->h / 2.0f), Graphics::ALIGN_CENTER_Y);
        return;
    }
}

} // namespace

void Game::DrawTwitchBox(const SmartPtr<Graphics>& graphics, float left, float middle)
{
    // An empty box is off, a ticked one on. (The padlock picture, which marks locked levels,
    // would read as "locked", not as "off".)
    Content::LoadImage(IMAGE_TWITCH_ON);
    const Image* box = Graphics::FindImage(IMAGE_TWITCH_ON);
    const float iw = box ? static_cast<float>(box->width) : 0.0f;
    const float ih = box ? static_cast<float>(box->height) : 0.0f;
    DrawTextBox(graphics, left - 0.15f, middle - 0.7f * ih / Cell(), 1.55f * iw / Cell(),
                1.4f * ih / Cell(), font, WideString());
    if (twitch)
        graphics->DrawImageCentered(IMAGE_TWITCH_ON, static_cast<int>(left * Cell()),
                                    static_cast<int>(middle * Cell()), Graphics::ALIGN_CENTER_Y);
}

// --- Box painter ---------------------------------------------------------------------------------

void Game::DrawPanel(const SmartPtr<Graphics>& graphics, float x, float y, float w, float h,
                     const SmartPtr<GLFont>& font, const WideString& text)
{
    // A panel is a button without icon: clean background, frame, and the text at the centre.
    DrawButtonWithImage(graphics, x, y, w, h, font, text, -1);
}

// --- Screens -------------------------------------------------------------------------------------

void Game::DrawMoreMenu(const SmartPtr<Graphics>& graphics)
{
    if (!graphics)
        return;
    DrawMenuBackdrop(graphics);
    if (menus[MENU_MORE])
        menus[MENU_MORE]->DrawOffset(graphics, menuSlide, 0.0f);
}

void Game::DrawLanguageMenu(const SmartPtr<Graphics>& graphics)
{
    if (!graphics)
        return;
    DrawMenuBackdrop(graphics);
    if (menus[MENU_LANGUAGE])
        menus[MENU_LANGUAGE]->DrawOffset(graphics, menuSlide, 0.0f);
    DrawLanguageMark(menus[MENU_LANGUAGE], language, menuSlide, graphics);
}

void Game::DrawFirstLanguageMenu(const SmartPtr<Graphics>& graphics)
{
    if (!graphics)
        return;
    DrawMenuBackdrop(graphics);
    if (menus[MENU_FIRST_LANGUAGE])
        menus[MENU_FIRST_LANGUAGE]->DrawOffset(graphics, menuSlide, 0.0f);
    DrawLanguageMark(menus[MENU_FIRST_LANGUAGE], language, menuSlide, graphics);
}

void Game::DrawOptions(const SmartPtr<Graphics>& graphics)
{
    if (!graphics)
        return;
    const float m = menuMargin;
    const float rh = menuRowHeight;
    const float k = screenColumns;
    const SmartPtr<ButtonDisplayer>& list = menus[MENU_OPTIONS];
    DrawMenuBackdrop(graphics);
    if (list)
        list->Draw(graphics);

    // The sliders take the options' second row.
    const float ys = screenRows - 3.0f * rh;
    DrawPanel(graphics, m, ys + m, k / 2.0f - 2.0f * m, rh - 2.0f * m, font, WideString());
    DrawPanel(graphics, k / 2.0f + m, ys + m, k / 2.0f - 2.0f * m, rh - 2.0f * m, font,
              WideString());
    DrawTextAt(graphics, smallFont, GetText("SFX"), k * 0.25f, ys + rh / 3.0f);
    DrawTextAt(graphics, smallFont, GetText("MUSIC"), k * 0.75f, ys + rh / 3.0f);

    const float sy = ys + rh * 2.0f / 3.0f - 0.4f;
    const float sfxLeft = k / 4.0f - SLIDER_LENGTH / 2.0f;
    const float musicLeft = k * 0.75f - SLIDER_LENGTH / 2.0f;
    if (!Audio::SoundManager::GetInstance()->GetFlag()) {
        DrawSlider(graphics, sfxLeft, sy, Sounds::GetSoundVolume());
        DrawSlider(graphics, musicLeft, sy, Sounds::GetMusicVolume());
    }
    DrawTextBox(graphics, sfxLeft, sy, SLIDER_LENGTH, SLIDER_HEIGHT, font, WideString());
    DrawTextBox(graphics, musicLeft, sy, SLIDER_LENGTH, SLIDER_HEIGHT, font, WideString());

    // The twitch box sits left of the TWITCH caption, centred on the button's middle.
    const float twitchTop = list ? list->GetButtonY(Id(OptionsButton::TWITCH)) : 0.0f;
    DrawTwitchBox(graphics, k * 0.75f - 2.15f, twitchTop + rh / 2.0f - m);
}

void Game::DrawAbout(const SmartPtr<Graphics>& graphics)
{
    if (!graphics)
        return;
    const float m = menuMargin;
    const float rh = menuRowHeight;
    const float k = screenColumns;
    const float r = screenRows;
    graphics->DrawImage(imgBackground, 0, 0);
    DrawTextBox(graphics, m, m, k - 2.0f * m, r - 2.0f * m - rh, font, WideString());
    DrawHandVertical(graphics, k - m - 1.0f, m, r - 2.0f * m - rh, Consts::THEME_LINES_VERTICAL);
    DrawHandVertical(graphics, k - m - 0.5f, m + aboutScroll + 0.5f, aboutViewRows,
                     Consts::THEME_LINES_VERTICAL);

    if (aboutText) {
        // A theme change may have given the font new metrics: count lines as they will be drawn.
        aboutText->Refresh();
        // The thumb at the top of its track shows line 0, at the bottom the last full page. A text
        // that fits its box has no travel at all and always starts at line 0.
        const int hidden = aboutText->GetLineCount() - aboutText->GetVisibleLineCount();
        const float travel = aboutScrollRange - aboutViewRows;
        int first = 0;
        if (hidden > 0 && travel > 0.0f)
            first = std::min(std::max(static_cast<int>(static_cast<float>(hidden) * aboutScroll / travel), 0),
                             hidden);
        aboutText->Draw(graphics, first);
    }
    if (menus[MENU_ABOUT])
        menus[MENU_ABOUT]->Draw(graphics);
}

// --- Texts ---------------------------------------------------------------------------------------

WideString Game::GetThemeName(int themeIndex) const
{
    const bool known = themeIndex >= 0 && themeIndex < THEME_NAME_COUNT;
    return GetText(THEME_NAME_KEYS[known ? themeIndex : 0]);
}

WideString Game::BuildAboutText() const
{
    // The credit texts carry their own line feeds; none goes between them.
    return GetText("ABOUT_GAME_TITLE_REGULAR") + L"\n" + GetText("ABOUT_VERSION") +
           WideString(s_appVersionName) + L"\n" + GetText("ABOUT_CREDITS_01") +
           GetText("ABOUT_CREDITS_02");
}

WideString Game::FormatNumber(int n)
{
    WideString text = StringTools::Placeholder(1);
    StringTools::SprintfRef(text, n);
    return text;
}
