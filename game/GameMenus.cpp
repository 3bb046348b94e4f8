// Menu construction: the geometry every menu screen shares, one button list per screen, the texts
// of the questions and notices, the about text and the help pages, all in the current language.
// It runs once at the end of loading and again after every language choice; each run replaces
// everything it builds, so a screen only ever sees lists whose captions match the loaded texts.
#include "Game.h"

#include <algorithm>
#include <vector>

#include "ButtonDisplayer.h"
#include "Consts.h"
#include "Content.h"
#include "GLFont.h"
#include "Help.h"
#include "Language.h"
#include "Sounds.h"
#include "StringDisplayer.h"

using Vorn::SmartPtr;
using Vorn::WideString;

namespace {

// The menu geometry in cells, for one base size.
struct MenuLayout {
    float m;  // margin around boxes
    float rh; // row height of the four-row menus
    float k;  // screen width
    float r;  // screen height
    float y0; // top of the menus, below the logo
    float s5; // row height of a five-row list
    float s6; // row height of a six-row list
    float t;  // first board row
};

MenuLayout ComputeLayout()
{
    const float c = static_cast<float>(Consts::CELL_SIZE);
    const float h = static_cast<float>(Consts::SCREEN_HEIGHT);
    const float w = static_cast<float>(Consts::SCREEN_WIDTH);
    const float y = static_cast<float>(Consts::MAIN_MENU_Y);
    MenuLayout layout;
    layout.m = 0.2f;
    layout.rh = (h - y) / (4.0f * c);
    layout.k = w / c;
    layout.r = h / c;
    layout.y0 = Consts::ALWAYS_SHOW_LOGO ? y / c : 0.0f;
    layout.s6 = Consts::ALWAYS_SHOW_LOGO ? (h - y) / (6.0f * c) : h / (6.0f * c);
    layout.s5 = (h - y) / (5.0f * c);
    layout.t = (layout.r - 16.0f) * 0.5f;
    return layout;
}

// One button of a list: its id, the text key of its caption (or the caption itself when literal
// is set) and its rectangle in cells.
struct ButtonSpec {
    int id;
    const char* key;
    float x;
    float y;
    float w;
    float h;
    bool literal;
};

ButtonSpec Key(int id, const char* key, float x, float y, float w, float h)
{
    return ButtonSpec{id, key, x, y, w, h, false};
}

ButtonSpec Literal(int id, const char* text, float x, float y, float w, float h)
{
    return ButtonSpec{id, text, x, y, w, h, true};
}

// The caption of a button: its key's text, fetched now, so it stays in this language until the
// next construction.
WideString Caption(const Game& game, const ButtonSpec& spec)
{
    return spec.literal ? WideString(Vorn::NarrowString(spec.key)) : game.GetText(spec.key);
}

// Plain style-1 buttons, added in table order: the first one added is drawn on top and wins
// where buttons overlap.
SmartPtr<ButtonDisplayer> MakeList(const Game& game, const std::vector<ButtonSpec>& specs,
                                   const SmartPtr<GLFont>& font, float max)
{
    SmartPtr<ButtonDisplayer> list(new ButtonDisplayer());
    for (const ButtonSpec& spec : specs)
        list->AddButton(spec.id, Caption(game, spec), font, spec.x, spec.y, spec.w, spec.h, max, -1);
    return list;
}

// Replaces a screen's list. Every list stays registered for highlight resets for the rest of the
// run, so the replaced one gives up its buttons (and the fonts they hold) now: it is never drawn
// or touched again.
void ReplaceList(SmartPtr<ButtonDisplayer>& slot, const SmartPtr<ButtonDisplayer>& list)
{
    if (slot && slot != list)
        slot->Clear();
    slot = list;
}

const char* const LANGUAGE_KEYS[Game::LANGUAGE_COUNT] = {"ENGLISH", "FRENCH", "ITALIAN", "GERMAN",
                                                         "SPANISH"};

// The language buttons 0..4, one row of height rows each from the top of the menus.
std::vector<ButtonSpec> LanguageButtons(const MenuLayout& l, float rows)
{
    std::vector<ButtonSpec> specs;
    for (int i = 0; i < Game::LANGUAGE_COUNT; ++i)
        specs.push_back(Key(i, LANGUAGE_KEYS[i], 0.2f, l.y0 + 0.2f + static_cast<float>(i) * rows,
                            l.k - 0.4f, rows - 0.4f));
    return specs;
}

// A text block of a dialog, in the main font, centred in a box given in cells.
SmartPtr<StringDisplayer> MakeText(const SmartPtr<GLFont>& font, const WideString& text, float x,
                                   float y, float w, float h)
{
    const float c = static_cast<float>(Consts::CELL_SIZE);
    return SmartPtr<StringDisplayer>(new StringDisplayer(
        font, text, static_cast<int>(c * x), static_cast<int>(c * y), static_cast<int>(c * w),
        static_cast<int>(c * h), StringDisplayer::ALIGN_CENTER, 0));
}

// Captions that belong to the selected profile and theme, which the profile just loaded decides:
// the slots of the profile list, the PROFILE button and the theme's name on both THEME buttons.
void ApplyProfileCaptions(Game& game)
{
    if (const SmartPtr<ButtonDisplayer>& profiles = game.menus[Game::MENU_PROFILES])
        for (int slot = 0; slot < Game::PROFILE_SLOTS; ++slot)
            profiles->SetText3(slot, game.GetSlotCaption(slot));
    if (const SmartPtr<ButtonDisplayer>& main = game.menus[Game::MENU_MAIN])
        main->SetText3(6, game.GetProfileCaption());
    const WideString themeName = game.GetThemeName(Game::theme);
    for (int index : {Game::MENU_OPTIONS, Game::MENU_SETTINGS})
        if (const SmartPtr<ButtonDisplayer>& list = game.menus[index])
            list->SetText2(1, themeName);
}

} // namespace

void Game::RebuildMenus()
{
    CopyLevelNames();
    CreateMenus();
}

void Game::CreateMenus()
{
    // Geometry.
    const MenuLayout l = ComputeLayout();
    const float m = l.m;
    const float rh = l.rh;
    const float k = l.k;
    const float r = l.r;
    const float y0 = l.y0;
    menuMargin = m;
    menuRowHeight = rh;
    screenColumns = k;
    screenRows = r;
    aboutScrollRange = r - rh - 0.4f - 1.0f;
    currentPack = -1;
    pressedPack = -1;
    currentLevel = 0;
    boardTopRows = l.t;

    BuildPackTables();

    // The sounds do not depend on the language: only the first construction loads them.
    if (!(Language::EFIGS && languageApplied))
        Sounds::LoadAll();
    for (int level = 0; level < LEVEL_COUNT; ++level)
        Content::LoadBinary(level);

    const float b = Consts::BUTTON_MAX_CHANGE;
    const float max = 2.0f * b;
    const float full = k - 0.4f;
    const float half = k / 2.0f - 0.4f;
    const float right = k / 2.0f + 0.2f;
    const float row = rh - 0.4f;
    const float top = y0 + 0.2f;

    // Main menu: its four buttons fill the rows under the logo as the other four-row menus do,
    // with no empty row between them.
    ReplaceList(menus[MENU_MAIN],
                MakeList(*this,
                         {Key(0, "PLAY", 0.2f, top, full, row),
                          Key(10, "MENU_MORE", 0.2f, top + rh, full, row),
                          Key(11, "MENU_VISIT_WEBSITE", 0.2f, top + 2.0f * rh, full, row),
                          Key(6, "PROFILE", 0.2f, top + 3.0f * rh, full, row)},
                         smallFont, max));

    ReplaceList(menus[MENU_MORE], MakeList(*this,
                                           {Key(0, "OPTIONS", 0.2f, top, full, row),
                                            Key(1, "ABOUT", 0.2f, top + rh, half, row),
                                            Key(2, "HELP", right, top + rh, half, row),
                                            Key(3, "STATS", 0.2f, top + 2.0f * rh, full, row),
                                            Key(4, "BACK", 0.2f, top + 3.0f * rh, full, row)},
                                           smallFont, max));

    // Options: the second row is left to the volume sliders the options painter draws.
    {
        SmartPtr<ButtonDisplayer> options(new ButtonDisplayer());
        options->AddTextButton(1, GetText("THEME"), GetText("NOTEBOOK"), smallFont, 0.2f, top,
                               half, row, max, -1);
        // The plain painter centres the caption 0.24 K right of the button's left edge, leaving
        // the left part to the twitch box.
        options->AddButtonEx(5, GetText("TWITCH"), smallFont, right, top, half, row, max,
                             0.24f * k, 0, -1);
        options->AddButton(4, GetText("DELETE"), smallFont, 0.2f, top + 2.0f * rh,
                           Language::EFIGS ? half : full, row, max, -1);
        if (Language::EFIGS)
            options->AddButton(6, GetText("LANGUAGE"), smallFont, right, top + 2.0f * rh, half,
                               row, max, -1);
        options->AddButton(2, GetText("BACK"), smallFont, 0.2f, top + 3.0f * rh, full, row, max,
                           -1);
        ReplaceList(menus[MENU_OPTIONS], options);
    }

    // Data: no button leads to the high-score question. BACK takes the bottom row, as high as
    // the other buttons and where every other menu has its BACK.
    ReplaceList(menus[MENU_DATA],
                MakeList(*this,
                         {Key(1, "DELETE_PROFILE", 0.2f, top, full, row),
                          Key(2, "DELETE_DATA", 0.2f, top + rh, full, row),
                          Key(0, "BACK", 0.2f, top + 3.0f * rh, full, row)},
                         smallFont, max));

    {
        std::vector<ButtonSpec> specs = LanguageButtons(l, l.s6);
        specs.push_back(Key(5, "BACK", 0.2f, top + 5.0f * l.s6, full, l.s6 - 0.4f));
        ReplaceList(menus[MENU_LANGUAGE], MakeList(*this, specs, smallFont, max));
        ReplaceList(menus[MENU_FIRST_LANGUAGE],
                    MakeList(*this, LanguageButtons(l, l.s5), smallFont, max));
    }

    // Profiles: the slot captions become the names when the profiles load, below.
    {
        std::vector<ButtonSpec> specs;
        for (int slot = 0; slot < PROFILE_SLOTS; ++slot)
            specs.push_back(Key(slot, "EMPTY_SLOT", 0.2f, top + static_cast<float>(slot) * l.s6,
                                full, l.s6 - 0.4f));
        specs.push_back(Key(5, "GUEST", 0.2f, top + 5.0f * l.s6, half, l.s6 - 0.4f));
        specs.push_back(Key(6, "BACK", right, top + 5.0f * l.s6, half, l.s6 - 0.4f));
        ReplaceList(menus[MENU_PROFILES], MakeList(*this, specs, smallFont, max));
    }

    ReplaceList(menus[MENU_WELCOME],
                MakeList(*this,
                         {Key(0, "PLAY", 0.2f, r + 0.2f - 3.0f * rh, full, 2.0f * rh - 0.4f),
                          Key(1, "CHANGE_PROFILE", 0.2f, r + 0.2f - rh, full, row)},
                         smallFont, max));

    ReplaceList(menus[MENU_PACKS],
                MakeList(*this, {Key(0, "BACK", 0.2f, top + 3.0f * rh, full, row)}, smallFont, max));

    {
        // On short screens the level page's buttons move up into a thinner row, leaving room for
        // the level preview above them.
        float levelY = top + 3.0f * rh;
        float levelH = row;
        if (Consts::SCREEN_HEIGHT / Consts::CELL_SIZE <= 17 && rh > 2.0f) {
            levelY = top + 4.0f * rh - 2.0f;
            levelH = 1.6f;
        }
        ReplaceList(menus[MENU_LEVELS],
                    MakeList(*this,
                             {Key(0, "PLAY_LEVEL", 0.2f, levelY, 0.6f * k - 0.4f, levelH),
                              Key(1, "BACK", 0.6f * k + 0.2f, levelY, 0.4f * k - 0.4f, levelH)},
                             smallFont, max));
    }

    ReplaceList(menus[MENU_ABOUT],
                MakeList(*this, {Key(0, "BACK", 0.2f, top + 3.0f * rh, full, row)}, smallFont, max));

    // The screens below fill the display from the bottom row up, by the margin M.
    const float wide = k - 2.0f * m;
    const float narrow = rh - 2.0f * m;
    const float bottom = m + r - rh;
    ReplaceList(menus[MENU_STATS],
                MakeList(*this, {Key(0, "BACK", m, bottom, wide, narrow)}, smallFont, max));

    // The thirds are 0.333 and 0.666 of the width, as the help panel in play is laid out too.
    ReplaceList(menus[MENU_HELP],
                MakeList(*this,
                         {Literal(0, "<", m, bottom, 0.333f * k - 2.0f * m, narrow),
                          Literal(1, ">", m + 0.333f * k, bottom, 0.333f * k - 2.0f * m, narrow),
                          Key(2, "BACK", m + 0.666f * k, bottom, 0.333f * k - 2.0f * m, narrow)},
                         smallFont, max));

    const std::vector<ButtonSpec> yesNo = {Key(0, "QUESTION_YES", m, m + r - 2.0f * rh, wide, narrow),
                                           Key(1, "QUESTION_NO", m, bottom, wide, narrow)};
    ReplaceList(menus[MENU_YES_NO], MakeList(*this, yesNo, smallFont, max));
    ReplaceList(menus[MENU_QUESTION], MakeList(*this, yesNo, smallFont, max));

    ReplaceList(menus[MENU_NOTICE],
                MakeList(*this, {Key(0, "CONTINUE", m, r - m - rh, wide, narrow)}, smallFont, max));

    ReplaceList(menus[MENU_PAUSE],
                MakeList(*this,
                         {Key(0, "CONTINUE", m, m + r - 5.0f * rh, wide, narrow),
                          Key(4, "RESTART", m, m + r - 4.0f * rh, wide, narrow),
                          Key(1, "SETTINGS", m, m + r - 3.0f * rh, wide, narrow),
                          Key(2, "HELP", m, m + r - 2.0f * rh, wide, narrow),
                          Key(3, "QUIT_GAME", m, bottom, wide, narrow)},
                         font, max));

    {
        SmartPtr<ButtonDisplayer> settings(new ButtonDisplayer());
        settings->AddTextButton(1, GetText("THEME"), GetText("NOTEBOOK"), smallFont, 0.2f,
                                top + rh, half, row, max, -1);
        // As on the options screen: the caption leaves the button's left part to the twitch box.
        settings->AddButtonEx(4, GetText("TWITCH"), smallFont, right, top + rh, half, row, max,
                              0.24f * k, 0, -1);
        settings->AddButton(3, GetText("BACK"), smallFont, 0.2f, top + 3.0f * rh, full, row, max,
                            -1);
        ReplaceList(menus[MENU_SETTINGS], settings);
    }

    {
        // The hint button is as wide as its caption plus room for the press inset on both sides.
        const WideString caption = GetText("USE_HINT");
        const float tw = smallFont ? static_cast<float>(smallFont->GetTextWidth(caption)) /
                                         static_cast<float>(Consts::CELL_SIZE)
                                   : 0.0f;
        SmartPtr<ButtonDisplayer> hint(new ButtonDisplayer());
        hint->AddButton(0, caption, smallFont, (12.0f - 4.0f * b - tw) / 2.0f, l.t + 13.2f,
                        tw + 4.0f * b, 1.6f, b, -1);
        ReplaceList(menus[MENU_HINT], hint);
    }

    ReplaceList(menus[MENU_SPARE_CONTINUE_A],
                MakeList(*this, {Key(0, "CONTINUE", 3.5f, 9.5f, 5.0f, 2.0f)}, smallFont, b));
    ReplaceList(menus[MENU_SPARE_CONTINUE_B],
                MakeList(*this, {Key(0, "CONTINUE", 3.5f, 10.5f, 5.0f, 2.0f)}, smallFont, b));

    // Questions keep the two bottom rows free for YES and NO, notices the bottom row for CONTINUE.
    struct DialogSpec {
        int state;
        const char* key;
        bool question;
    };
    const DialogSpec dialogs[] = {
        {STATE_CONFIRM_DELETE_PROGRESS, "DELETE_PROGRESS_CONFIRM", true},
        {STATE_CONFIRM_CLEAR_HIGHSCORES, "DELETE_HIGHSCORES_CONFIRM", true},
        {STATE_CONFIRM_DELETE_PROFILE, "DELETE_PROFILE_CONFIRM", true},
        {STATE_QUESTION, "RUN_SILENTMODE", true},
        {STATE_NAME_IN_USE, "PROFILE_INUSE", false},
        {STATE_PROFILE_DELETED, "PROFILE_DELETED", false},
        {STATE_GUEST_NOT_DELETABLE, "DELETE_GUEST", false},
    };
    for (const DialogSpec& dialog : dialogs) {
        const float height = dialog.question ? r - 2.0f * rh - m - y0 : r - y0 - m - rh;
        dialogTexts[dialog.state] = MakeText(font, GetText(dialog.key), m, y0 + m, wide, height);
    }

    aboutText = MakeText(smallFont, BuildAboutText(), m, 3.0f * m, k - 1.0f - 2.0f * m,
                         r - 4.0f * m - rh);
    aboutScroll = 0.0f;
    // The thumb's share of the track is the share of the text the box shows; a text that fits, or
    // has no lines, gets the whole track and does not scroll.
    const int lines = aboutText->GetLineCount();
    const int visible = aboutText->GetVisibleLineCount();
    const float shown = lines > 0 ? std::min(1.0f, static_cast<float>(visible) / static_cast<float>(lines))
                                  : 1.0f;
    aboutViewRows = shown * aboutScrollRange;

    modeNames[0] = "FIT";
    for (int mode = 1; mode < MODE_COUNT; ++mode)
        modeNames[mode].clear();

    help = new Help();

    LoadProfiles();
    ApplyProfileCaptions(*this);

    if (!Language::EFIGS) {
        SaveVersion();
    } else if (!languageApplied) {
        // The texts loaded during start-up are in the language of the options found then; the
        // profile just selected may speak another. Build once more in its language, so the first
        // menus shown are all in it.
        SaveVersion();
        languageApplied = true;
        LoadTexts();
        CopyLevelNames();
        CreateMenus();
    }
}
