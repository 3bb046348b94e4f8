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
    auto square = [&](int column, int row, float w, float h, const WideString& caption,
                      const Vorn::SmartPtr<GLFont>& captionFont) {
        DrawTextBox(graphics, left + KEY_INSET + 2.0f * column, top + KEY_INSET + 2.0f * row, w, h,
                    captionFont, caption);
    };

    for (int column = 0; column < 6; ++column)
        for (int row = 0; row < 4; ++row)
            square(column, row, KEY_SIZE, KEY_SIZE,
                   WideString(keyPages[page][6 * row + column]), font);
    square(2, 4, KEY_SIZE, KEY_SIZE, WideString(keyPages[page][24]), font);
    square(3, 4, KEY_SIZE, KEY_SIZE, WideString(keyPages[page][25]), font);

    // The word keys share one font: the main one, or the small one when a caption would touch
    // its key's frame in the main font ("Abbrechen", "Leertaste").
    nameHasText = typedName.find_first_not_of(' ') != Vorn::NarrowString::npos;
    const WideString enter = GetText(nameHasText ? "KEY_ENTER" : "CANCEL");
    const float room = (WIDE_KEY - 2.0f * CAPTION_MARGIN) * Consts::CELL_SIZE;
    bool fit = true;
    for (const SpecialKey& key : SPECIAL_KEYS)
        fit = fit && (!font || font->GetTextWidth(GetText(key.caption)) <= room);
    fit = fit && (!font || font->GetTextWidth(enter) <= room);
    const Vorn::SmartPtr<GLFont>& wordFont = fit || !smallFont ? font : smallFont;
    for (const SpecialKey& key : SPECIAL_KEYS)
        square(key.column, key.row, key.width, KEY_SIZE, GetText(key.caption), wordFont);
    square(4, 4, WIDE_KEY, WIDE_KEY, enter, wordFont);

    if (!font)
        return;
    const int centreX = 6 * Consts::CELL_SIZE;
    font->DrawTextCentered(graphics, keyboardPrompt, centreX,
                           static_cast<int>((top / 2.0f - 1.0f) * Consts::CELL_SIZE));
    font->DrawTextCentered(graphics, WideString(typedName) + L"_", centreX,
                           static_cast<int>((top / 2.0f + 1.0f) * Consts::CELL_SIZE));
}
