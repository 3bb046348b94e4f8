#include "TextKeys.h"

#include "TitleKeys.h"

namespace DataBuild {

namespace {

// Interface texts, grouped by the screen that shows them first.
const char* const INTERFACE_KEYS[] = {
    // main menu, welcome screen, profile button
    "PLAY", "MENU_MORE", "MENU_VISIT_WEBSITE", "PROFILE", "WELCOME", "CHANGE_PROFILE",
    // "more" menu
    "OPTIONS", "ABOUT", "HELP", "STATS", "BACK",
    // options screen and the settings panel in play
    "THEME", "TWITCH", "DELETE", "LANGUAGE", "SFX", "MUSIC",
    // theme names
    "NOTEBOOK", "CHALKBOARD", "THEME_WOOD", "THEME_NATURE", "THEME_SUMMER", "THEME_OLD_PAPER",
    "THEME_RED_LEATHER", "THEME_ZOMBIE",
    // language lists
    "ENGLISH", "FRENCH", "ITALIAN", "GERMAN", "SPANISH",
    // data menu, its questions and notices
    "DELETE_PROFILE", "DELETE_DATA", "DELETE_PROGRESS_CONFIRM", "DELETE_HIGHSCORES_CONFIRM",
    "DELETE_PROFILE_CONFIRM", "DELETE_GUEST", "PROFILE_DELETED", "RUN_SILENTMODE",
    // shared question and notice buttons
    "QUESTION_YES", "QUESTION_NO", "CONTINUE",
    // profile list and name keyboard
    "EMPTY_SLOT", "GUEST", "ENTER_YOUR_NAME", "PROFILE_INUSE", "KEY_DELETE", "KEY_SHIFT",
    "KEY_SPACE", "KEY_ENTER", "CANCEL",
    // pack list
    "CHOOSE_LEVEL_PACK", "SOLVED", "PACK_LOCKED", "PACK_BEGINNER", "PACK_LETTERS", "PACK_MIXED",
    "PACK_GEOMETRY", "PACK_GAMES", "PACK_HELLOWEEN", "PACK_ZOMBIE",
    // level pages
    "PLAY_LEVEL", "SOLUTIOINS", "FOUND", "NO_SOLUTIONS", "LEVEL_LOCKED",
    // play: bottom labels, hints, pause menu and its questions
    "MENU", "BUTTON_HINTS", "USE_HINT", "HINT_LEFT", "HINTS_LEFT", "NO_HINTS", "HINT_VIEW_MODE",
    "SETTINGS", "RESTART", "QUIT_GAME", "QUIT", "QUESTION_RESTART",
    // level solved: completion panel and pack notices
    "UNLOCKED", "CONGRATULATIONS", "YOU_SOLVED", "YOU_UNLOCKED",
    // statistics
    "LEVELS_SOLVED", "SOLUTIONS_FOUND", "GAMES_PLAYED", "TIME_SPENT", "GAME_NUMBER", "MOVES",
    "BLOCKS", "TIME_TAKEN", "SOLVED_STATS",
    // help pages (one of the two second pages is shown, depending on block drawing)
    "HELP_TEXT_1", "HELP_TEXT_2_IPAD", "HELP_TEXT_2", "HELP_TEXT_3", "HELP_TEXT_4",
    // about screen
    "ABOUT_GAME_TITLE_REGULAR", "ABOUT_VERSION", "ABOUT_CREDITS_01", "ABOUT_CREDITS_02",
};

// The hint line replaces "%d" by the number of hints left.
const char* const HINT_COUNT_KEYS[] = {"HINT_LEFT", "HINTS_LEFT"};

std::vector<TextKey> BuildKeys()
{
    std::vector<TextKey> keys;
    for (const char* id : INTERFACE_KEYS) {
        TextKey key{id, {}};
        for (const char* counted : HINT_COUNT_KEYS)
            if (key.id == counted)
                key.placeholders.push_back("%d");
        keys.push_back(key);
    }
    // The titles in level order: the slots of the series table the packs show.
    for (const TitleKeys::Block& block : TitleKeys::PACK_BLOCKS)
        for (int i = 0; i < block.count; ++i)
            keys.push_back({TitleKeys::SlotKey(block.firstSlot + i), {}});
    return keys;
}

} // namespace

const std::vector<std::string>& TextLanguages()
{
    static const std::vector<std::string> s_languages{"en", "fr", "it", "de", "es"};
    return s_languages;
}

const std::vector<TextKey>& GameTextKeys()
{
    static const std::vector<TextKey> s_keys = BuildKeys();
    return s_keys;
}

} // namespace DataBuild
