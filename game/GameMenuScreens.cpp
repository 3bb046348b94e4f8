// The menu screens: the main menu, the "more" menu and the two language lists (sliding in from the
// right), the options with their volume sliders and twitch box, the data menu, the profile list and
// the welcome screen: their button lists and their touch actions; and the painters of the menus
// shown over the theme's background, the panel painter and the small texts these screens show.
// Positions are cells from the display area's corner; a cell value v is the pixel
// (int)(v * c) + origin.
#include "Game.h"

#include <algorithm>

#include "ButtonDisplayer.h"
#include "Consts.h"
#include "Content.h"
#include "GLFont.h"
#include "GameMenuKit.h"
#include "Graphics.h"
#include "Help.h"
#include "Image.h"
#include "Language.h"
#include "StringTools.h"
#include "Sounds.h"
#include "audio/SoundManager.h"

using Vorn::NarrowString;
using Vorn::SmartPtr;
using Vorn::WideString;
using namespace MenuKit;

namespace {

constexpr int IMAGE_TWITCH_ON = 58;
constexpr int IMAGE_TWITCH_OFF = 56;
// The tick that marks the language in use on the language lists.
constexpr int IMAGE_CURRENT_LANGUAGE = 58;
constexpr int THEME_UNTINTED_BARS = 4;
constexpr float SLIDER_LENGTH = 5.0f;
constexpr float SLIDER_HEIGHT = 0.8f;
constexpr int MAX_VOLUME_PERCENT = 100;
// A volume bar's picture is drawn at this scale; its source grows by a tenth of a full bar per
// ten percent, so that a full bar is as long as the slider on screen.
constexpr float BAR_SCALE = 0.85f;
constexpr float BAR_CELLS_PER_TEN_PERCENT = SLIDER_LENGTH / 10.0f / BAR_SCALE;

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
                          static_cast<int>(Cell() * BAR_CELLS_PER_TEN_PERCENT *
                                           static_cast<float>(volume) * 0.1f),
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

// The profile list is opened from the main menu and the welcome screen only; anything else in
// returnState would lead nowhere sensible, so it goes back to the main menu.
int ProfileListReturn(int returnState)
{
    return returnState == Game::STATE_WELCOME ? Game::STATE_WELCOME : Game::STATE_MAIN_MENU;
}

// The language buttons, one row of height rows each from the top of the menus.
std::vector<ButtonSpec<Game::LanguageButton>> LanguageButtons(const MenuLayout& l, float rows)
{
    std::vector<ButtonSpec<Game::LanguageButton>> specs;
    for (int i = 0; i < Game::LANGUAGE_COUNT; ++i)
        specs.push_back(Key(static_cast<Game::LanguageButton>(i), Game::GetLanguageKey(i), 0.2f,
                            l.menuTop + 0.2f + static_cast<float>(i) * rows, l.columns - 0.4f,
                            rows - 0.4f));
    return specs;
}

// The main menu, the "more" menu, the options and the data menu: four rows under the logo.
void BuildFourRowMenus(Game& game, const MenuLayout& l, const ListSizes& s)
{
    using B = Game::MainButton;
    const SmartPtr<GLFont>& font = game.smallFont;
    const float rh = l.rowHeight;
    // Main menu: rows of 0.8 Rh, the third one left free.
    const float mainRow = 0.8f * rh;
    const float mainButton = mainRow - 0.4f;
    ReplaceList(game.menus[Game::MENU_MAIN],
                MakeList(game,
                         {Key(B::PLAY, "PLAY", 0.2f, s.top, s.full, mainButton),
                          Key(B::MORE, "MENU_MORE", 0.2f, s.top + mainRow, s.full, mainButton),
                          Key(B::WEBSITE, "MENU_VISIT_WEBSITE", 0.2f, s.top + 3.0f * mainRow,
                              s.full, mainButton),
                          Key(B::PROFILE, "PROFILE", 0.2f, s.top + 4.0f * mainRow, s.full,
                              mainButton)},
                         font, s.max));

    using M = Game::MoreButton;
    ReplaceList(game.menus[Game::MENU_MORE],
                MakeList(game,
                         {Key(M::OPTIONS, "OPTIONS", 0.2f, s.top, s.full, s.row),
                          Key(M::ABOUT, "ABOUT", 0.2f, s.top + rh, s.half, s.row),
                          Key(M::HELP, "HELP", s.right, s.top + rh, s.half, s.row),
                          Key(M::STATS, "STATS", 0.2f, s.top + 2.0f * rh, s.full, s.row),
                          Key(M::BACK, "BACK", 0.2f, s.top + 3.0f * rh, s.full, s.row)},
                         font, s.max));

    // Options: the second row is left to the volume sliders the options painter draws.
    using O = Game::OptionsButton;
    SmartPtr<ButtonDisplayer> options(new ButtonDisplayer());
    options->AddTextButton(Game::Id(O::THEME), game.GetText("THEME"), game.GetText("NOTEBOOK"),
                           font, 0.2f, s.top, s.half, s.row, s.max, -1);
    // The plain painter centres the caption 0.24 K right of the button's left edge, leaving the
    // left part to the twitch box.
    options->AddButtonEx(Game::Id(O::TWITCH), game.GetText("TWITCH"), font, s.right, s.top, s.half,
                         s.row, s.max, 0.24f * l.columns, 0, -1);
    options->AddButton(Game::Id(O::DELETE), game.GetText("DELETE"), font, 0.2f, s.top + 2.0f * rh,
                       Language::EFIGS ? s.half : s.full, s.row, s.max, -1);
    if (Language::EFIGS)
        options->AddButton(Game::Id(O::LANGUAGE), game.GetText("LANGUAGE"), font, s.right,
                           s.top + 2.0f * rh, s.half, s.row, s.max, -1);
    options->AddButton(Game::Id(O::BACK), game.GetText("BACK"), font, 0.2f, s.top + 3.0f * rh,
                       s.full, s.row, s.max, -1);
    ReplaceList(game.menus[Game::MENU_OPTIONS], options);

    // Data: no button leads to the high-score question; BACK takes the two bottom rows.
    using D = Game::DataButton;
    ReplaceList(game.menus[Game::MENU_DATA],
                MakeList(game,
                         {Key(D::DELETE_PROFILE, "DELETE_PROFILE", 0.2f, s.top, s.full, s.row),
                          Key(D::DELETE_DATA, "DELETE_DATA", 0.2f, s.top + rh, s.full, s.row),
                          Key(D::BACK, "BACK", 0.2f, s.top + 2.0f * rh, s.full, 2.0f * rh - 0.4f)},
                         font, s.max));
}

// The two language lists, the profile list and the welcome screen.
void BuildProfileAndLanguageLists(Game& game, const MenuLayout& l, const ListSizes& s)
{
    const SmartPtr<GLFont>& font = game.smallFont;
    const float six = l.sixRowHeight;
    std::vector<ButtonSpec<Game::LanguageButton>> languages = LanguageButtons(l, six);
    languages.push_back(
        Key(Game::LanguageButton::BACK, "BACK", 0.2f, s.top + 5.0f * six, s.full, six - 0.4f));
    ReplaceList(game.menus[Game::MENU_LANGUAGE], MakeList(game, languages, font, s.max));
    ReplaceList(game.menus[Game::MENU_FIRST_LANGUAGE],
                MakeList(game, LanguageButtons(l, l.fiveRowHeight), font, s.max));

    // Profiles: the slot captions become the names when the profiles load.
    using P = Game::ProfileButton;
    std::vector<ButtonSpec<P>> profiles;
    for (int slot = 0; slot < Game::PROFILE_SLOTS; ++slot)
        profiles.push_back(Key(static_cast<P>(Game::Id(P::FIRST_SLOT) + slot), "EMPTY_SLOT", 0.2f,
                               s.top + static_cast<float>(slot) * six, s.full, six - 0.4f));
    profiles.push_back(Key(P::GUEST, "GUEST", 0.2f, s.top + 5.0f * six, s.half, six - 0.4f));
    profiles.push_back(Key(P::BACK, "BACK", s.right, s.top + 5.0f * six, s.half, six - 0.4f));
    ReplaceList(game.menus[Game::MENU_PROFILES], MakeList(game, profiles, font, s.max));

    using W = Game::WelcomeButton;
    const float rh = l.rowHeight;
    ReplaceList(game.menus[Game::MENU_WELCOME],
                MakeList(game,
                         {Key(W::PLAY, "PLAY", 0.2f, l.rows + 0.2f - 3.0f * rh, s.full,
                              2.0f * rh - 0.4f),
                          Key(W::CHANGE_PROFILE, "CHANGE_PROFILE", 0.2f, l.rows + 0.2f - rh, s.full,
                              s.row)},
                         font, s.max));
}

} // namespace

// --- Lists -----------------------------------------------------------------------------------------

void MenuKit::BuildMenuScreenLists(Game& game, const MenuLayout& l, const ListSizes& s)
{
    BuildFourRowMenus(game, l, s);
    BuildProfileAndLanguageLists(game, l, s);
}

// --- Touches ---------------------------------------------------------------------------------------

void Game::OnMainMenuButton(MainButton button)
{
    switch (button) {
    case MainButton::PLAY:
        gameMode = 0;
        screenState = STATE_PACKS;
        break;
    case MainButton::PROFILE:
        returnState = STATE_MAIN_MENU;
        screenState = STATE_PROFILES;
        break;
    case MainButton::MORE:
        screenState = STATE_MORE;
        break;
    case MainButton::WEBSITE:
        OpenWebsite();
        break;
    case MainButton::HELP:
        OnMoreButton(MoreButton::HELP);
        break;
    case MainButton::OPTIONS:
        OnMoreButton(MoreButton::OPTIONS);
        break;
    case MainButton::ABOUT:
        OnMoreButton(MoreButton::ABOUT);
        break;
    case MainButton::MORE_SLIDE:
        menuSlide = 12.0f;
        screenState = STATE_MORE;
        break;
    case MainButton::STATS:
        OnMoreButton(MoreButton::STATS);
        break;
    }
}

void Game::OnMoreButton(MoreButton button)
{
    switch (button) {
    case MoreButton::OPTIONS:
        screenState = STATE_OPTIONS;
        break;
    case MoreButton::ABOUT:
        screenState = STATE_ABOUT;
        break;
    case MoreButton::HELP:
        if (help)
            help->FirstPage();
        screenState = STATE_HELP;
        break;
    case MoreButton::STATS:
        scrollPosition = 0.0f;
        scrollVelocity = 0.0f;
        screenState = STATE_STATS;
        break;
    case MoreButton::BACK:
        screenState = STATE_MAIN_MENU;
        break;
    case MoreButton::WEBSITE:
        OpenWebsite();
        break;
    }
}

void Game::OnOptionsButton(OptionsButton button)
{
    switch (button) {
    case OptionsButton::THEME:
        pendingTheme = NextTheme();
        themeChangePending = true;
        break;
    case OptionsButton::BACK:
        screenState = STATE_MORE;
        SaveOptions();
        break;
    case OptionsButton::DELETE:
        screenState = STATE_DATA;
        break;
    case OptionsButton::TWITCH:
        twitch = !twitch;
        break;
    case OptionsButton::LANGUAGE:
        if (Language::EFIGS)
            screenState = STATE_LANGUAGE;
        break;
    }
}

void Game::OnDataButton(DataButton button)
{
    switch (button) {
    case DataButton::BACK:
        screenState = STATE_OPTIONS;
        break;
    case DataButton::DELETE_PROFILE:
        screenState = IsGuest() ? STATE_GUEST_NOT_DELETABLE : STATE_CONFIRM_DELETE_PROFILE;
        break;
    case DataButton::DELETE_DATA:
        screenState = STATE_CONFIRM_DELETE_PROGRESS;
        break;
    case DataButton::CLEAR_HIGHSCORES:
        screenState = STATE_CONFIRM_CLEAR_HIGHSCORES;
        break;
    }
}

void Game::OnWelcomeButton(WelcomeButton button)
{
    switch (button) {
    case WelcomeButton::PLAY:
        screenState = STATE_MAIN_MENU;
        break;
    case WelcomeButton::CHANGE_PROFILE:
        returnState = STATE_WELCOME;
        screenState = STATE_PROFILES;
        break;
    }
}

void Game::OnLanguageButton(LanguageButton button)
{
    const int id = Id(button);
    if (id >= Id(LanguageButton::ENGLISH) && id <= Id(LanguageButton::SPANISH)) {
        const int next = screenState == STATE_LANGUAGE ? STATE_OPTIONS : STATE_WELCOME;
        language = id;
        // The rebuild re-reads the profile's options, language included: saved first.
        SaveOptions();
        LoadTexts();
        RebuildMenus();
        screenState = next;
    } else if (button == LanguageButton::BACK && screenState == STATE_LANGUAGE) {
        screenState = STATE_OPTIONS;
    }
}

void Game::OnProfileButton(ProfileButton button)
{
    const int id = Id(button);
    if (id >= Id(ProfileButton::FIRST_SLOT) && id < Id(ProfileButton::FIRST_SLOT) + PROFILE_SLOTS) {
        const int slot = id - Id(ProfileButton::FIRST_SLOT);
        if (slot >= profileCount || profileNames[slot].empty()) {
            OpenNameKeyboard(GetText("ENTER_YOUR_NAME"));
            namingProfile = true;
        } else {
            themeChangePending = true;
            SelectProfile(WideString(profileNames[slot]));
            ShowProfileCaptions();
            screenState = ProfileListReturn(returnState);
        }
    } else if (button == ProfileButton::GUEST) {
        themeChangePending = true;
        SelectProfile(WideString(NarrowString(GUEST_NAME)));
        ShowProfileCaptions();
        screenState = ProfileListReturn(returnState);
    } else if (button == ProfileButton::BACK) {
        screenState = ProfileListReturn(returnState);
    }
}

// --- The main menu, the profile list and the welcome screen ----------------------------------------

void Game::DrawMainMenuButtons(const Vorn::SmartPtr<Graphics>& graphics)
{
    if (graphics && menus[MENU_MAIN])
        menus[MENU_MAIN]->DrawOffset(graphics, menuSlide, 0.0f);
}

void Game::RenderProfiles(const SmartPtr<Graphics>& graphics)
{
    graphics->DrawImage(imgBackground, 0, 0);
    if (keyboardOpen) {
        RenderKeyboard(graphics);
        return;
    }
    if (Consts::ALWAYS_SHOW_LOGO)
        DrawLogo(graphics);
    if (menus[MENU_PROFILES])
        menus[MENU_PROFILES]->Draw(graphics);
}

void Game::RenderWelcome(const SmartPtr<Graphics>& graphics)
{
    graphics->DrawImage(imgBackground, 0, 0);
    DrawLogo(graphics);
    const float logoRows = static_cast<float>(Consts::MAIN_MENU_Y) / Consts::CELL_SIZE;
    DrawTextAt(graphics, smallFont, GetText("WELCOME"), 6.0f, menuRowHeight - 1.5f + logoRows);
    DrawTextAt(graphics, font, GetProfileDisplayName(), 6.0f, menuRowHeight - 0.5f + logoRows);
    if (menus[MENU_WELCOME])
        menus[MENU_WELCOME]->Draw(graphics);
}

void Game::DrawTwitchBox(const SmartPtr<Graphics>& graphics, float left, float middle)
{
    // The box is measured on the "on" picture; the "off" one stands in the same place.
    Content::LoadImage(IMAGE_TWITCH_ON);
    Content::LoadImage(IMAGE_TWITCH_OFF);
    const Image* box = Graphics::FindImage(IMAGE_TWITCH_ON);
    const float iw = box ? static_cast<float>(box->width) : 0.0f;
    const float ih = box ? static_cast<float>(box->height) : 0.0f;
    DrawTextBox(graphics, left - 0.15f, middle - 0.7f * ih / Cell(), 1.55f * iw / Cell(),
                1.4f * ih / Cell(), font, WideString());
    graphics->DrawImageCentered(twitch ? IMAGE_TWITCH_ON : IMAGE_TWITCH_OFF,
                                static_cast<int>(left * Cell()), static_cast<int>(middle * Cell()),
                                Graphics::ALIGN_CENTER_Y);
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

// --- Texts ---------------------------------------------------------------------------------------

WideString Game::GetThemeName(int themeIndex) const
{
    const bool known = themeIndex >= 0 && themeIndex < THEME_NAME_COUNT;
    return GetText(THEME_NAME_KEYS[known ? themeIndex : 0]);
}

WideString Game::FormatNumber(int n)
{
    WideString text = StringTools::Placeholder(1);
    StringTools::SprintfRef(text, n);
    return text;
}
