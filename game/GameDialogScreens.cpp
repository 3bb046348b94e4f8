// The questions and notices outside play: the confirmations of the options and the data menu, the
// question no screen leads to, and the notices after a profile change and at the end of a pack.
// Their button lists and texts, their touches and their painting.
#include "Game.h"

#include "ButtonDisplayer.h"
#include "Consts.h"
#include "GLFont.h"
#include "GameMenuKit.h"
#include "Graphics.h"
#include "Language.h"
#include "PlayfieldFit.h"
#include "Sounds.h"
#include "StringDisplayer.h"
#include "StringTools.h"

using Vorn::SmartPtr;
using Vorn::WideString;

namespace {

// Screens that are a question or a notice over the background (and the data menu, painted the same
// way): the logo or not, the screen's text
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

} // namespace

// --- Lists -----------------------------------------------------------------------------------------

// The yes/no lists of the questions, the notices' CONTINUE, and the texts above them.
void MenuKit::BuildDialogs(Game& game, const MenuLayout& l, const ListSizes& s)
{
    const SmartPtr<GLFont>& font = game.smallFont;
    using YN = Game::YesNoButton;
    const float m = l.margin;
    const float yes = m + l.rows - 2.0f * l.rowHeight;
    ReplaceList(game.menus[Game::MENU_YES_NO],
                MakeList(game,
                         {Key(YN::YES, "QUESTION_YES", m, yes, s.wide, s.narrow),
                          Key(YN::NO, "QUESTION_NO", m, s.bottom, s.wide, s.narrow)},
                         font, s.max));
    ReplaceList(game.menus[Game::MENU_QUESTION],
                MakeList(game,
                         {Key(YN::YES, "QUESTION_YES", m, yes, s.wide, s.narrow),
                          Key(YN::NO, "QUESTION_NO", m, s.bottom, s.wide, s.narrow)},
                         font, s.max));
    ReplaceList(game.menus[Game::MENU_NOTICE],
                MakeList(game,
                         {Key(Game::NoticeButton::CONTINUE, "CONTINUE", m,
                              l.rows - m - l.rowHeight, s.wide, s.narrow)},
                         font, s.max));

    const float r = l.rows;
    const float rh = l.rowHeight;
    // Questions keep the two bottom rows free for YES and NO, notices the bottom row for CONTINUE.
    struct DialogSpec {
        int state;
        const char* key;
        bool question;
    };
    const DialogSpec dialogs[] = {
        {Game::STATE_CONFIRM_DELETE_PROGRESS, "DELETE_PROGRESS_CONFIRM", true},
        {Game::STATE_CONFIRM_CLEAR_HIGHSCORES, "DELETE_HIGHSCORES_CONFIRM", true},
        {Game::STATE_CONFIRM_DELETE_PROFILE, "DELETE_PROFILE_CONFIRM", true},
        {Game::STATE_QUESTION, "RUN_SILENTMODE", true},
        {Game::STATE_NAME_IN_USE, "PROFILE_INUSE", false},
        {Game::STATE_PROFILE_DELETED, "PROFILE_DELETED", false},
        {Game::STATE_GUEST_NOT_DELETABLE, "DELETE_GUEST", false},
    };
    for (const DialogSpec& dialog : dialogs) {
        const float top = l.menuTop;
        const float height = dialog.question ? r - 2.0f * rh - m - top : r - top - m - rh;
        game.dialogTexts[dialog.state] =
            MakeText(game.font, game.GetText(dialog.key), m, top + m, l.columns - 2.0f * m, height);
    }
}

// --- Touches ---------------------------------------------------------------------------------------

void Game::OnDataQuestionAnswer(YesNoButton answer)
{
    if (answer != YesNoButton::YES && answer != YesNoButton::NO)
        return;
    if (answer == YesNoButton::YES) {
        if (screenState == STATE_CONFIRM_DELETE_PROGRESS)
            DeleteProgress();
        else
            ClearHighscores();
    }
    screenState = STATE_OPTIONS;
}

void Game::OnDeleteProfileAnswer(YesNoButton answer)
{
    if (answer == YesNoButton::YES) {
        // Nothing is deleted for the guest or a name the list does not hold.
        if (DeleteCurrentProfile()) {
            ShowProfileCaptions();
            screenState = STATE_PROFILE_DELETED;
        } else {
            screenState = STATE_OPTIONS;
        }
    } else if (answer == YesNoButton::NO) {
        screenState = STATE_OPTIONS;
    }
}

void Game::OnNoticeContinue()
{
    switch (screenState) {
    case STATE_NAME_IN_USE:
        screenState = STATE_KEYBOARD;
        break;
    case STATE_PROFILE_DELETED:
        screenState = STATE_MAIN_MENU;
        break;
    case STATE_GUEST_NOT_DELETABLE:
        screenState = STATE_OPTIONS;
        break;
    case STATE_PACK_COMPLETED:
        screenState = STATE_PACKS;
        break;
    case STATE_PACK_OPENED: {
        // The level found after the completed one, -1 when none was open.
        const bool valid = currentPack >= 0 && currentPack < PACK_COUNT;
        const int entry = scrollPosition >= 0.0f ? static_cast<int>(scrollPosition) : -1;
        if (valid && entry >= 0 && entry < static_cast<int>(packLevels[currentPack].size()))
            StartLevel(packLevels[currentPack][entry]);
        else
            SelectFirstOpenLevel();
        break;
    }
    default:
        break;
    }
}

void Game::OnQuestionAnswer(YesNoButton answer)
{
    if (answer != YesNoButton::YES) {
        Sounds::PlayMusic();
        Sounds::PlayClick();
    }
    screenState = STATE_WELCOME;
}

// --- Painting --------------------------------------------------------------------------------------

bool Game::RenderDialog(const SmartPtr<Graphics>& graphics)
{
    const DialogScreen* screen = FindDialogScreen(screenState);
    if (!screen)
        return false;
    DrawBackground(graphics);
    if (screen->logo)
        DrawLogo(graphics);
    if (screen->text && dialogTexts[screenState])
        dialogTexts[screenState]->DrawLines(graphics);
    DrawMenu(*this, graphics, screen->menu);
    return true;
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
