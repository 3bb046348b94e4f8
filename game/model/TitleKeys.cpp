#include "TitleKeys.h"

#include <cstdio>

// The spelling of the keys is part of the text tables and stays as it is.
const char* const TitleKeys::NAMED[NAMED_COUNT] = {
    // beginner, slots 0-26
    "BEGINNER_SQR2X2", "BEGINNER_RECT2X3", "BEGINNER_TWO_SQUARES_2X2", "BEGINNER_RECT2X4",
    "BEGINNER_RECT4X2", "BEGINNER_FAN", "BEGINNER_RISING_SUN", "BEGINNER_SMALL_CROSS",
    "BEGINNER_RECT4X3", "BEGINNER_MISSING_CORNERS", "BEGINNER_BUTTON", "BEGINNER_SQR4X4",
    "BEGINNER_SMALL2", "BEGINNER_BELL", "BEGINNER_ALIEN", "BEGINNER_NOIDEA", "BEGINNER_RECT4X5",
    "BEGINNER_LEMON", "BEGGINER_ALMOST_TWO_3X3", "BEGINNER_A", "BEGINNER_HOURGLASS",
    "BEGINNER_FIRE_DEMON", "BEGINNER_RECT6X4", "BEGINNER_LARGER_CROSS", "BEGINNER_MASK",
    "BEGINNER_WIDE_ARMS", "BEGINNER_DIAMOND",
    // letters, slots 27-52
    "LETTER_INDIA", "LETTER_JULIET", "LETTER_LIMA", "LETTER_TANGO", "LETTER_CHARLIE",
    "LETTER_FOXTROT", "LETTER_VICTOR", "LETTER_KILO", "LETTER_ALPHA", "LETTER_DELTA",
    "LETTER_HOTEL", "LETTER_UNIFORM", "LETTER_ECHO", "LETTER_OSCAR", "LETTER_SIERRA",
    "LETTER_GOLF", "LETTER_ROMEO", "LETTER_BRAVO", "LETTER_QUEBEC", "LETTER_ZULU",
    "LETTER_NOVEMBER", "LETTER_PAPA", "LETTER_YANKEE", "LETTER_X", "LETTER_MIKE",
    "LETTER_WHISKEY",
    // things, slots 53-84
    "THINGS_DOG", "THINGS_LAMA", "THINGS_AXE", "THINGS_NOTE", "THINGS_GIRAFFE", "THINGS_CAMEL",
    "THINGS_YACHT", "THINGS_ELEPHANT", "THINGS_MICE", "THINGS_CRUISER", "THINGS_BATTERY",
    "THINGS_DRINK", "THINGS_ALLADIN", "THINGS_HOUSE", "THINGS_PLANE", "THINGS_ESKIMO",
    "THINGS_CHOPPER", "THINGS_CASTLE", "THINGS_SMILEY", "THINGS_CHOOCHOO", "THINGS_OLDSHIP",
    "THINGS_OWL", "THINGS_BUILDING", "THINGS_SPIDER", "THINGS_CROWN", "THINGS_MONSTER",
    "THINGS_MEDUSA", "THINGS_SPORTSCAR", "THINGS_KEY", "THINGS_LOCK", "THINGS_FISH",
    "THINGS_TANK",
    // shapes, slots 85-109
    "SHAPE_UPPERLEFT", "SHAPE_PLUS_MINUS", "SHAPE_GOING_UP", "SHAPE_SQR6X6", "SHAPE_SWIRL",
    "SHAPE_UPPERRIGHT", "SHAPE_DOUBLE", "SHAPE_GOING_DOWN", "SHAPE_LARGER",
    "SHAPE_DIAGONAL_OVERLAP", "SHAPE_IT_HAS_HOLE", "SHAPE_HALF_CIRCLE", "SHAPE_STAR",
    "SHAPE_THE_MOON", "SHAPE_DIAGONAL", "SHAPE_NOT_SOLID", "SHAPE_CROSSED_RECT",
    "SHAPE_LARGE_CROSS", "SHAPE_CROSS_ON_SQUARE", "SHAPE_EMPTY_DIAMOND", "SHAPE_XLIKE",
    "SHAPE_CIRCLE_OF_LIFE", "SHAPE_NOT_SQR", "SHAPE_DIFFERENT_CROSS", "SHAPE_EXT_SQR",
};

// Series no pack uses are kept: the table is the same in every run.
const TitleKeys::Series TitleKeys::SERIES[SERIES_COUNT] = {
    {"GAMES", 36, 110},     {"VAL", 30, 146},        {"HELLOWEEN", 20, 176},
    {"MONSTER", 10, 196},   {"ZOMBIE", 34, 206},     {"GREEK", 24, 240},
    {"NATURE", 35, 264},    {"SCIFI", 24, 299},      {"SUMMER", 34, 415},
    {"NOODLE", 34, 334},    {"AUTOMOTIVE", 24, 368}, {"COUNTRIES", 23, 392},
};

const TitleKeys::Block TitleKeys::PACK_BLOCKS[BinaryFiles::PACK_COUNT] = {
    {0, 0, 27}, {27, 27, 26}, {53, 53, 32}, {85, 85, 25}, {110, 110, 36}, {146, 176, 20},
    {166, 206, 34},
};

const char* const TitleKeys::PACK_NAME_KEYS[BinaryFiles::PACK_COUNT] = {
    "PACK_BEGINNER", "PACK_LETTERS", "PACK_MIXED",  "PACK_GEOMETRY",
    "PACK_GAMES",    "PACK_HELLOWEEN", "PACK_ZOMBIE",
};

std::string TitleKeys::SeriesKey(const char* series, int member)
{
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, member < 10 ? "_0%d" : "_%d", member);
    return std::string(series ? series : "") + suffix;
}

std::string TitleKeys::SlotKey(int slot)
{
    if (slot >= 0 && slot < NAMED_COUNT)
        return NAMED[slot];
    for (const Series& series : SERIES)
        if (slot >= series.firstSlot && slot < series.firstSlot + series.count)
            return SeriesKey(series.name, slot - series.firstSlot + 1);
    return std::string();
}
