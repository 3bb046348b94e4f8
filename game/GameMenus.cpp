// Menu construction: the geometry every menu screen shares, one button list per screen (the play
// screen's panels have theirs built in GamePlayScreen.cpp, beside their touches and painting), the
// texts of the questions and notices, the about text and the help pages, in the current language.
// It runs once at the end of loading and again after every language choice; each run replaces
// everything it builds, so a screen only ever sees lists whose captions match the loaded texts.
#include "Game.h"

#include <algorithm>
#include <vector>

#include "ButtonDisplayer.h"
#include "Consts.h"
#include "Content.h"
#include "GLFont.h"
#include "GameMenuKit.h"
#include "Help.h"
#include "Language.h"
#include "Sounds.h"
#include "StringDisplayer.h"

using Vorn::SmartPtr;
using Vorn::WideString;
using namespace MenuKit;

namespace {

// Captions that belong to the selected profile and theme, which the profile just loaded decides:
// the slots of the profile list, the PROFILE button and the theme's name on both THEME buttons.
void ApplyProfileCaptions(Game& game)
{
    if (const SmartPtr<ButtonDisplayer>& profiles = game.menus[Game::MENU_PROFILES])
        for (int slot = 0; slot < Game::PROFILE_SLOTS; ++slot)
            profiles->SetText3(Game::Id(Game::ProfileButton::FIRST_SLOT) + slot,
                               game.GetSlotCaption(slot));
    if (const SmartPtr<ButtonDisplayer>& main = game.menus[Game::MENU_MAIN])
        main->SetText3(Game::Id(Game::MainButton::PROFILE), game.GetProfileCaption());
    const WideString themeName = game.GetThemeName(Game::theme);
    if (const SmartPtr<ButtonDisplayer>& list = game.menus[Game::MENU_OPTIONS])
        list->SetText2(Game::Id(Game::OptionsButton::THEME), themeName);
    if (const SmartPtr<ButtonDisplayer>& list = game.menus[Game::MENU_SETTINGS])
        list->SetText2(Game::Id(Game::SettingsButton::THEME), themeName);
}

// The about screen, the statistics and the help pages.
void BuildBrowsingLists(Game& game, const MenuLayout& l, const ListSizes& s)
{
    const SmartPtr<GLFont>& font = game.smallFont;
    const float k = l.columns;
    const float m = l.margin;
    using Back = Game::BackButton;
    ReplaceList(game.menus[Game::MENU_ABOUT],
                MakeList(game,
                         {Key(Back::BACK, "BACK", 0.2f, s.top + 3.0f * l.rowHeight, s.full, s.row)},
                         font, s.max));

    // The screens below fill the display from the bottom row up, by the margin M.
    ReplaceList(game.menus[Game::MENU_STATS],
                MakeList(game, {Key(Back::BACK, "BACK", m, s.bottom, s.wide, s.narrow)}, font, s.max));

    // The thirds are 0.333 and 0.666 of the width, as the help panel in play is laid out too.
    using H = Game::HelpButton;
    const float third = 0.333f * k - 2.0f * m;
    ReplaceList(game.menus[Game::MENU_HELP],
                MakeList(game,
                         {Literal(H::PREVIOUS, "<", m, s.bottom, third, s.narrow),
                          Literal(H::NEXT, ">", m + 0.333f * k, s.bottom, third, s.narrow),
                          Key(H::BACK, "BACK", m + 0.666f * k, s.bottom, third, s.narrow)},
                         font, s.max));
}

// The about text with its scroll thumb.
void MakeAboutText(Game& game, const MenuLayout& l)
{
    const float m = l.margin;
    const float r = l.rows;
    const float rh = l.rowHeight;
    game.aboutText = MakeText(game.smallFont, game.BuildAboutText(), m, 3.0f * m,
                              l.columns - 1.0f - 2.0f * m, r - 4.0f * m - rh);
    game.aboutScroll = 0.0f;
    // The thumb's share of the track is the share of the text the box shows; a text that fits, or
    // has no lines, gets the whole track and does not scroll.
    const int lines = game.aboutText->GetLineCount();
    const int visible = game.aboutText->GetVisibleLineCount();
    const float shown = lines > 0 ? std::min(1.0f, static_cast<float>(visible) / static_cast<float>(lines))
                                  : 1.0f;
    game.aboutViewRows = shown * Game::aboutScrollRange;
}

} // namespace

void Game::RebuildMenus()
{
    CopyLevelNames();
    CreateMenus();
}

void Game::CreateMenus()
{
    const MenuLayout l = ComputeLayout();
    menuMargin = l.margin;
    menuRowHeight = l.rowHeight;
    screenColumns = l.columns;
    screenRows = l.rows;
    aboutScrollRange = l.rows - l.rowHeight - 0.4f - 1.0f;
    currentPack = -1;
    pressedPack = -1;
    currentLevel = 0;
    boardTopRows = l.boardTop;

    BuildPackTables();

    // The sounds do not depend on the language: only the first construction loads them.
    if (!(Language::EFIGS && languageApplied))
        Sounds::LoadAll();
    for (int level = 0; level < LEVEL_COUNT; ++level)
        Content::LoadBinary(level);

    const ListSizes sizes = ComputeSizes(l);
    BuildMenuScreenLists(*this, l, sizes);
    BuildPackScreenLists(*this, l, sizes);
    BuildBrowsingLists(*this, l, sizes);
    BuildDialogs(*this, l, sizes);
    BuildPlayLists(*this, l, sizes);
    MakeAboutText(*this, l);

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
