// The name keyboard: six columns by six rows of 2 x 2-cell squares in the bottom twelve rows, the
// prompt and the name typed so far above them. The keys show no pressed state; they act on
// release (CommitProfileName).
#include "Consts.h"
#include "GLFont.h"
#include "Game.h"
#include "Graphics.h"

namespace {

using Vorn::WideString;

// A key box sits this far inside its grid square.
constexpr float KEY_INSET = 0.15f;
constexpr float KEY_SIZE = 1.7f;
constexpr float WIDE_KEY = 3.7f;
// Room a caption leaves to its key's frame on each side, in cells.
constexpr float CAPTION_MARGIN = 0.3f;

// Special keys: caption key, grid square (column, row) of the box's corner and its size in
// squares.
struct SpecialKey {
    const char* caption;
    int column;
    int row;
    float width;
};

const SpecialKey SPECIAL_KEYS[] = {
    {"KEY_DELETE", 0, 4, WIDE_KEY},
    {"KEY_SHIFT", 0, 5, WIDE_KEY},
    {"KEY_SPACE", 2, 5, WIDE_KEY},
};

} // namespace

void Game::RenderKeyboard(const Vorn::SmartPtr<Graphics>& graphics)
{
    if (!graphics)
        return;
    const float rows = screenRows;
    const float left = (screenColumns - 12.0f) / 2.0f;
    const float top = rows - 12.0f;
    // A page outside the three would read past the key labels.
    const int page = keyPage >= 0 && keyPage < KEY_PAGES ? keyPage : 1;
    auto square = [&](int column, int row, float w, float h, const WideString& caption) {
        // A caption too long for the key in the main font ("Abbrechen") takes the small one, so
        // that it never touches the key's frame.
        const float room = (w - 2.0f * CAPTION_MARGIN) * Consts::CELL_SIZE;
        const bool fits = !font || font->GetTextWidth(caption) <= room || !smallFont;
        DrawTextBox(graphics, left + KEY_INSET + 2.0f * column, top + KEY_INSET + 2.0f * row, w, h,
                    fits ? font : smallFont, caption);
    };

    for (int column = 0; column < 6; ++column)
        for (int row = 0; row < 4; ++row)
            square(column, row, KEY_SIZE, KEY_SIZE,
                   WideString(keyPages[page][6 * row + column]));
    square(2, 4, KEY_SIZE, KEY_SIZE, WideString(keyPages[page][24]));
    square(3, 4, KEY_SIZE, KEY_SIZE, WideString(keyPages[page][25]));
    for (const SpecialKey& key : SPECIAL_KEYS)
        square(key.column, key.row, key.width, KEY_SIZE, GetText(key.caption));

    nameHasText = typedName.find_first_not_of(' ') != Vorn::NarrowString::npos;
    square(4, 4, WIDE_KEY, WIDE_KEY, GetText(nameHasText ? "KEY_ENTER" : "CANCEL"));

    if (!font)
        return;
    const int centreX = 6 * Consts::CELL_SIZE;
    font->DrawTextCentered(graphics, keyboardPrompt, centreX,
                           static_cast<int>((top / 2.0f - 1.0f) * Consts::CELL_SIZE));
    font->DrawTextCentered(graphics, WideString(typedName) + L"_", centreX,
                           static_cast<int>((top / 2.0f + 1.0f) * Consts::CELL_SIZE));
}
