// The pieces the menu construction builds its button lists from: the menu geometry of the base
// size, the sizes of the buttons, and button tables whose ids are of the list's own enum. Shared
// by the sources that build the lists of their screens (GameMenus.cpp, GameMenuScreens.cpp,
// GamePackScreens.cpp, GameDialogScreens.cpp, GamePlayScreen.cpp).
#pragma once

#include <initializer_list>
#include <vector>

#include "ButtonDisplayer.h"
#include "Consts.h"
#include "Game.h"
#include "StringDisplayer.h"
#include "base/SmartPtr.h"
#include "base/WideString.h"

namespace MenuKit {

using Vorn::SmartPtr;
using Vorn::WideString;

// The menu geometry in cells, for one base size.
struct MenuLayout {
    float margin;        // around boxes
    float rowHeight;     // of the four-row menus under the logo
    float columns;       // the screen's width
    float rows;          // the screen's height
    float menuTop;       // the top of the menus, below the logo
    float fiveRowHeight; // of the first-start language list
    float sixRowHeight;  // of the language and profile lists
    float boardTop;      // the board's first row
};

inline MenuLayout ComputeLayout()
{
    const float c = static_cast<float>(Consts::CELL_SIZE);
    const float h = static_cast<float>(Consts::SCREEN_HEIGHT);
    const float w = static_cast<float>(Consts::SCREEN_WIDTH);
    const float y = static_cast<float>(Consts::MAIN_MENU_Y);
    MenuLayout layout;
    layout.margin = 0.2f;
    layout.rowHeight = (h - y) / (4.0f * c);
    layout.columns = w / c;
    layout.rows = h / c;
    layout.menuTop = Consts::ALWAYS_SHOW_LOGO ? y / c : 0.0f;
    layout.sixRowHeight = Consts::ALWAYS_SHOW_LOGO ? (h - y) / (6.0f * c) : h / (6.0f * c);
    layout.fiveRowHeight = (h - y) / (5.0f * c);
    layout.boardTop = (layout.rows - 16.0f) * 0.5f;
    return layout;
}

// One button of a list: its id, the text key of its caption (or the caption itself when literal
// is set) and its rectangle in cells. The id is one of the list's own enum, so a list cannot be
// given a button of another.
template <typename Button>
struct ButtonSpec {
    Button id;
    const char* key;
    float x;
    float y;
    float w;
    float h;
    bool literal;
};

template <typename Button>
ButtonSpec<Button> Key(Button id, const char* key, float x, float y, float w, float h)
{
    return ButtonSpec<Button>{id, key, x, y, w, h, false};
}

template <typename Button>
ButtonSpec<Button> Literal(Button id, const char* text, float x, float y, float w, float h)
{
    return ButtonSpec<Button>{id, text, x, y, w, h, true};
}

// The caption of a button: its key's text, fetched now, so it stays in this language until the
// next construction.
template <typename Button>
WideString Caption(const Game& game, const ButtonSpec<Button>& spec)
{
    return spec.literal ? WideString(Vorn::NarrowString(spec.key)) : game.GetText(spec.key);
}

// Plain style-1 buttons, added in table order: the first one added is drawn on top and wins
// where buttons overlap.
template <typename Button>
SmartPtr<ButtonDisplayer> MakeList(const Game& game, const std::vector<ButtonSpec<Button>>& specs,
                                   const SmartPtr<GLFont>& font, float max)
{
    SmartPtr<ButtonDisplayer> list(new ButtonDisplayer());
    for (const ButtonSpec<Button>& spec : specs)
        list->AddButton(Game::Id(spec.id), Caption(game, spec), font, spec.x, spec.y, spec.w,
                        spec.h, max, -1);
    return list;
}

// The same for a list written out in place (every button of one enum).
template <typename Button>
SmartPtr<ButtonDisplayer> MakeList(const Game& game, std::initializer_list<ButtonSpec<Button>> specs,
                                   const SmartPtr<GLFont>& font, float max)
{
    return MakeList(game, std::vector<ButtonSpec<Button>>(specs), font, max);
}

// Replaces a screen's list. Every list stays registered for highlight resets for the rest of the
// run, so the replaced one gives up its buttons (and the fonts they hold) now: it is never drawn
// or touched again.
inline void ReplaceList(SmartPtr<ButtonDisplayer>& slot, const SmartPtr<ButtonDisplayer>& list)
{
    if (slot && slot != list)
        slot->Clear();
    slot = list;
}

// The sizes the lists are built from, in cells.
struct ListSizes {
    float max;   // highlight maximum of the menu buttons
    float full;  // a full-width button of the menus under the logo
    float half;  // a half-width one
    float right; // the left edge of the right half
    float row;   // a button's height in a four-row menu
    float top;   // the first row's top
    float wide;  // a full-width button of the screens filled from the bottom
    float narrow; // its height
    float bottom; // the bottom row's top there
};

inline ListSizes ComputeSizes(const MenuLayout& l)
{
    ListSizes s;
    s.max = 2.0f * Consts::BUTTON_MAX_CHANGE;
    s.full = l.columns - 0.4f;
    s.half = l.columns / 2.0f - 0.4f;
    s.right = l.columns / 2.0f + 0.2f;
    s.row = l.rowHeight - 0.4f;
    s.top = l.menuTop + 0.2f;
    s.wide = l.columns - 2.0f * l.margin;
    s.narrow = l.rowHeight - 2.0f * l.margin;
    s.bottom = l.margin + l.rows - l.rowHeight;
    return s;
}

// A text block centred in a box given in cells.
inline SmartPtr<StringDisplayer> MakeText(const SmartPtr<GLFont>& font, const WideString& text, float x,
                                   float y, float w, float h)
{
    const float c = static_cast<float>(Consts::CELL_SIZE);
    return SmartPtr<StringDisplayer>(new StringDisplayer(
        font, text, static_cast<int>(c * x), static_cast<int>(c * y), static_cast<int>(c * w),
        static_cast<int>(c * h), StringDisplayer::ALIGN_CENTER, 0));
}

// The lists of the menu screens: the main, "more", options, data, language and profile lists and
// the welcome screen's (GameMenuScreens.cpp).
void BuildMenuScreenLists(Game& game, const MenuLayout& l, const ListSizes& s);

// The lists of the pack list and the level pages (GamePackScreens.cpp).
void BuildPackScreenLists(Game& game, const MenuLayout& l, const ListSizes& s);

// The lists and texts of the questions and notices outside play (GameDialogScreens.cpp).
void BuildDialogs(Game& game, const MenuLayout& l, const ListSizes& s);

// The lists of the play screen's panels (GamePlayScreen.cpp).
void BuildPlayLists(Game& game, const MenuLayout& l, const ListSizes& s);

} // namespace MenuKit
