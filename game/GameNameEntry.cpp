// The name keyboard: opening it, and its touch-up handler (hit test and key action). Keys act on
// release only; the painter shows the page and the name typed so far.
#include "Game.h"

#include "Consts.h"

namespace {

constexpr int KEY_DELETE = -1;
constexpr int KEY_ENTER = -2;
constexpr int KEY_SHIFT = -3;
constexpr int KEY_SPACE = -4;
constexpr int KEY_COLUMNS = 6;
constexpr int KEY_ROWS = 6;
constexpr int PAGE_SMALL = 0;
constexpr int PAGE_CAPITALS = 1;
// A profile name uses the two letter pages; other uses of the keyboard also reach the signs.
constexpr int LETTER_PAGES = 2;

bool IsContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

int CharacterCount(const Vorn::NarrowString& text)
{
    int count = 0;
    for (char c : text)
        if (!IsContinuationByte(c))
            ++count;
    return count;
}

// The whole last character, however many bytes of UTF-8 it takes.
void RemoveLastCharacter(Vorn::NarrowString& text)
{
    while (!text.empty() && IsContinuationByte(text.back()))
        text.pop_back();
    if (!text.empty())
        text.pop_back();
}

bool HasNonBlank(const Vorn::NarrowString& text)
{
    for (char c : text)
        if (c != ' ')
            return true;
    return false;
}

} // namespace

void Game::OpenNameKeyboard(const Vorn::WideString& prompt)
{
    keyboardOpen = true;
    keyPage = PAGE_CAPITALS;
    keyboardPrompt = prompt;
    typedName.clear();
    CacheThemeFonts();
    screenState = STATE_KEYBOARD;
}

void Game::CommitProfileName(int x, int y)
{
    const int cell = Consts::CELL_SIZE > 0 ? Consts::CELL_SIZE : 1;
    const int left = Consts::DISPLAY_AREA_X;
    const int top = Consts::DISPLAY_AREA_Y;
    if (!(left < x && x < left + Consts::DISPLAY_AREA_WIDTH && top + 4 * cell < y &&
          y < top + Consts::DISPLAY_AREA_HEIGHT))
        return;
    // The six key rows of two cells end at the bottom of the screen.
    const float row = (static_cast<float>(y) + (12.0f - screenRows) * cell) / (2.0f * cell);
    const int column = (x - left) / (2 * cell);
    // Compared before truncating: the band just above the keys would otherwise become row 0.
    if (!(row >= 0.0f) || row >= static_cast<float>(KEY_ROWS) || column < 0 || column >= KEY_COLUMNS)
        return;
    const int code = keyGrid[column + KEY_COLUMNS * static_cast<int>(row)];
    if (keyPage < 0 || keyPage >= KEY_PAGES)
        keyPage = PAGE_SMALL;

    if (code >= 0 && code < KEYS_PER_PAGE) {
        if (CharacterCount(typedName) < MAX_PROFILE_NAME_LENGTH) {
            typedName += keyPages[keyPage][code];
            keyPage = PAGE_SMALL;
        }
        return;
    }
    switch (code) {
    case KEY_SPACE:
        if (!typedName.empty() && CharacterCount(typedName) < MAX_PROFILE_NAME_LENGTH) {
            typedName += ' ';
            keyPage = PAGE_CAPITALS;
        }
        break;
    case KEY_SHIFT:
        keyPage = (keyPage + 1) % (namingProfile ? LETTER_PAGES : KEY_PAGES);
        break;
    case KEY_DELETE:
        RemoveLastCharacter(typedName);
        break;
    case KEY_ENTER: {
        // Decided on the name itself: the painter's flag may be a frame old.
        nameHasText = HasNonBlank(typedName);
        const bool fromProfileList = returnState == STATE_MAIN_MENU || returnState == STATE_WELCOME;
        if (!nameHasText || !fromProfileList) {
            keyboardOpen = false;
            screenState = STATE_PROFILES;
            break;
        }
        switch (CreateProfile(typedName)) {
        case PROFILE_CREATED:
            keyboardOpen = false;
            ShowProfileCaptions();
            screenState = returnState;
            break;
        case PROFILE_NAME_IN_USE:
            // The notice leads back to the keyboard with the name as typed.
            screenState = STATE_NAME_IN_USE;
            break;
        case PROFILE_NAME_REFUSED:
            keyboardOpen = false;
            screenState = STATE_PROFILES;
            break;
        }
        break;
    }
    default:
        break;
    }
}
