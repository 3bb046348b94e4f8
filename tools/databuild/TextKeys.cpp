#include "TextKeys.h"

#include <cstdio>

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

// Titles of the first four packs: one fixed key per level, in level order (misspellings are the
// keys the game asks for).
const char* const NAMED_TITLE_KEYS[] = {
    // beginner, levels 0-26
    "BEGINNER_SQR2X2", "BEGINNER_RECT2X3", "BEGINNER_TWO_SQUARES_2X2", "BEGINNER_RECT2X4",
    "BEGINNER_RECT4X2", "BEGINNER_FAN", "BEGINNER_RISING_SUN", "BEGINNER_SMALL_CROSS",
    "BEGINNER_RECT4X3", "BEGINNER_MISSING_CORNERS", "BEGINNER_BUTTON", "BEGINNER_SQR4X4",
    "BEGINNER_SMALL2", "BEGINNER_BELL", "BEGINNER_ALIEN", "BEGINNER_NOIDEA", "BEGINNER_RECT4X5",
    "BEGINNER_LEMON", "BEGGINER_ALMOST_TWO_3X3", "BEGINNER_A", "BEGINNER_HOURGLASS",
    "BEGINNER_FIRE_DEMON", "BEGINNER_RECT6X4", "BEGINNER_LARGER_CROSS", "BEGINNER_MASK",
    "BEGINNER_WIDE_ARMS", "BEGINNER_DIAMOND",
    // letters, levels 27-52
    "LETTER_INDIA", "LETTER_JULIET", "LETTER_LIMA", "LETTER_TANGO", "LETTER_CHARLIE",
    "LETTER_FOXTROT", "LETTER_VICTOR", "LETTER_KILO", "LETTER_ALPHA", "LETTER_DELTA",
    "LETTER_HOTEL", "LETTER_UNIFORM", "LETTER_ECHO", "LETTER_OSCAR", "LETTER_SIERRA",
    "LETTER_GOLF", "LETTER_ROMEO", "LETTER_BRAVO", "LETTER_QUEBEC", "LETTER_ZULU",
    "LETTER_NOVEMBER", "LETTER_PAPA", "LETTER_YANKEE", "LETTER_X", "LETTER_MIKE",
    "LETTER_WHISKEY",
    // things, levels 53-84
    "THINGS_DOG", "THINGS_LAMA", "THINGS_AXE", "THINGS_NOTE", "THINGS_GIRAFFE", "THINGS_CAMEL",
    "THINGS_YACHT", "THINGS_ELEPHANT", "THINGS_MICE", "THINGS_CRUISER", "THINGS_BATTERY",
    "THINGS_DRINK", "THINGS_ALLADIN", "THINGS_HOUSE", "THINGS_PLANE", "THINGS_ESKIMO",
    "THINGS_CHOPPER", "THINGS_CASTLE", "THINGS_SMILEY", "THINGS_CHOOCHOO", "THINGS_OLDSHIP",
    "THINGS_OWL", "THINGS_BUILDING", "THINGS_SPIDER", "THINGS_CROWN", "THINGS_MONSTER",
    "THINGS_MEDUSA", "THINGS_SPORTSCAR", "THINGS_KEY", "THINGS_LOCK", "THINGS_FISH",
    "THINGS_TANK",
    // shapes, levels 85-109
    "SHAPE_UPPERLEFT", "SHAPE_PLUS_MINUS", "SHAPE_GOING_UP", "SHAPE_SQR6X6", "SHAPE_SWIRL",
    "SHAPE_UPPERRIGHT", "SHAPE_DOUBLE", "SHAPE_GOING_DOWN", "SHAPE_LARGER",
    "SHAPE_DIAGONAL_OVERLAP", "SHAPE_IT_HAS_HOLE", "SHAPE_HALF_CIRCLE", "SHAPE_STAR",
    "SHAPE_THE_MOON", "SHAPE_DIAGONAL", "SHAPE_NOT_SOLID", "SHAPE_CROSSED_RECT",
    "SHAPE_LARGE_CROSS", "SHAPE_CROSS_ON_SQUARE", "SHAPE_EMPTY_DIAMOND", "SHAPE_XLIKE",
    "SHAPE_CIRCLE_OF_LIFE", "SHAPE_NOT_SQR", "SHAPE_DIFFERENT_CROSS", "SHAPE_EXT_SQR",
};

// The numbered title series of the last three packs: member k has the key NAME_0k for k < 10 and
// NAME_k from 10 on.
struct TitleSeries {
    const char* name;
    int count;
};
const TitleSeries TITLE_SERIES[] = {{"GAMES", 36}, {"HELLOWEEN", 20}, {"ZOMBIE", 34}};

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
    for (const char* id : NAMED_TITLE_KEYS)
        keys.push_back({id, {}});
    for (const TitleSeries& series : TITLE_SERIES) {
        for (int k = 1; k <= series.count; ++k) {
            char id[32];
            std::snprintf(id, sizeof id, "%s_%02d", series.name, k);
            keys.push_back({id, {}});
        }
    }
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
