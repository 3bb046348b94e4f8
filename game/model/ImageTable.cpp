#include "ImageTable.h"

#include <algorithm>
#include <cstdio>

const char* const ImageTable::FONTS_PATH = "fonts/efigs/";

namespace {

struct NamedRange {
    int first;
    const char* const* names;
    int count;
};

// The first splash shows the engine, the second is the game's title card.
const char* const SPLASHES[] = {"vorn_on_black.png", "ver03_on_white.png"};

const char* const LOGOS[] = {
    "ui/logo.png",          "ui/logoWhite.png",  "ui/logoChristmas.png", "ui/logoHelloween.png",
    "ui/logoValentines.png", "ui/logoCookies.png", "ui/logoStones.png",    "ui/logo_wood.png",
    "ui/logo_nature.png",   "ui/logo_scifi.png", "ui/logo_summer.png",   "ui/logo_noodle.png",
    "ui/logo_zombie.png",
};

// Id 27 names the same picture as id 25 on purpose: two themes share the sci-fi background.
const char* const BACKGROUNDS[] = {
    "ui/background.png",         "ui/backgroundBoard.png",    "ui/backgroundChristmas.png",
    "ui/bg_hell_yellow.png",     "ui/bg_hell_red.png",        "ui/backgroundValentine.png",
    "ui/background_cookies.png", "ui/background_stone.png",   "ui/background_wood.png",
    "ui/background_nature.png",  "ui/background_scifi.png",   "ui/background_summer.png",
    "ui/background_scifi.png",   "ui/background_zombie.png",
};

const char* const INTERFACE[] = {
    // 29-34 progress bars
    "ui/progressbar.png", "ui/progressbar_hell.png", "ui/progressbarVal.png",
    "ui/progressbar_scifi.png", "ui/progressbar_summer.png", "ui/progressbar_zombie.png",
    // 35-37 vertical lines, 38-40 horizontal lines
    "ui/vertical.png", "ui/verticalVal.png", "ui/vertical_scifi.png",
    "ui/horizontal.png", "ui/horizontalVal.png", "ui/horizontal_scifi.png",
    // 41-45
    "ui/gradient.png", "ui/gradientHorizontal.png", "ui/gridSmall.png", "ui/round_cornerVal.png",
    "ui/round_corner_scifi.png",
};

// 46-53, below FONTS_PATH.
const char* const FONTS[ImageTable::FONT_COUNT] = {
    "glfonts/font.png",           "glfonts/font_small.png",
    "glfontsValentines/font.png", "glfontsValentines/fontsmall.png",
    "glfontsSciFi/font.png",      "glfontsSciFi/font_small.png",
    "glfontsBeach/font.png",      "glfontsBeach/font_small.png",
};

const char* const MARKS[] = {
    "ui/locked.png", "ui/locked_val.png", "ui/locked_small.png", "ui/bulb_small.png",
    "ui/done_small.png",
};

const char* const INGAME_FRAMES[] = {
    "ui/ingameVal.png", "ui/ingame_scifi.png", "ui/ingame_summer.png", "ui/ingame_zombie.png",
};

const char* const BLOCK_SET_FOLDERS[ImageTable::BLOCK_SETS] = {
    "blocks",        "blocksAlt",    "blocksChristmas", "blocksValentines",
    "blocksCookies", "blocksStones", "blocksWood",      "blocksNature",
    "blocksSciFi",   "blocksSummer", "blocksNoodle",    "blocksZombie",
};

#define RANGE(first, names) {first, names, static_cast<int>(sizeof(names) / sizeof(names[0]))}
const NamedRange NAMED[] = {
    RANGE(0, SPLASHES), RANGE(2, LOGOS),  RANGE(15, BACKGROUNDS),
    RANGE(29, INTERFACE), RANGE(54, MARKS), RANGE(67, INGAME_FRAMES),
};
#undef RANGE

constexpr int LV = ImageTable::LINE_VERTICAL;
constexpr int LH = ImageTable::LINE_HORIZONTAL;
constexpr int NONE = ImageTable::NO_IMAGE;

} // namespace

const ImageTable::Theme ImageTable::THEME_ROWS[THEMES] = {
    {15, 2, 71, 29, LV, LH, LV, LH, NONE, 46, 47, 0.2f, 0.85f},   // notebook
    {16, 3, 71, 29, LV, LH, LV, LH, NONE, 46, 47, 0.2f, 0.75f},   // chalkboard
    {23, 9, 239, 29, LV, LH, LV, LH, NONE, 46, 47, 0.35f, 0.7f},  // wood
    {24, 10, 267, 29, LV, LH, LV, LH, NONE, 46, 47, 0.4f, 0.7f},  // nature
    {26, 12, 323, 33, LV, LH, LV, LH, 69, 52, 53, 0.3f, 0.5f},    // summer
    {18, 5, 71, 30, LV, LH, LV, LH, NONE, 46, 47, 0.35f, 0.8f},   // old paper
    {19, 5, 71, 30, LV, LH, LV, LH, NONE, 46, 47, 0.35f, 0.7f},   // red leather
    {28, 14, 379, 34, LV, LH, LV, LH, 70, 46, 47, 0.32f, 0.75f},  // zombie
};

const unsigned ImageTable::COLOR_ROWS[THEMES][COLORS_PER_ROW] = {
    {0x000000, 0xA270FD, 0xDEAE30, 0x0FD18F, 0xFF6AA9, 0x23C9E7, 0x2880F8, 0x000000},
    {0xFFFFFF, 0xD480FF, 0xFFD463, 0x50FF71, 0xFF95A9, 0x33F2F5, 0x507CFC, 0xFFFFFF},
    {0x3E220D, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF},
    {0xFFF2D5, 0xDC7A32, 0xDC3059, 0x59A24C, 0x8DDC2F, 0xDB9B2C, 0x31AADB, 0xE7E5DD},
    {0xE1AA84, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF},
    {0x05193E, 0x461147, 0x926F30, 0x0153CD, 0x097254, 0x6618B6, 0x01018A, 0x05193E},
    {0xFFE3B4, 0xFFBEC9, 0xF3D39C, 0x80BDF0, 0xA0E6D7, 0xEEB5FF, 0xB6B6FF, 0xFFE3B4},
    {0xFFE2B1, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF},
};

std::string ImageTable::FileName(int id)
{
    if (id >= FIRST_FONT && id < FIRST_FONT + FONT_COUNT)
        return std::string(FONTS_PATH) + FONTS[id - FIRST_FONT];
    if (id >= FIRST_BLOCK && id < FIRST_BLOCK + BLOCK_SETS * BLOCK_TYPES) {
        char name[32];
        std::snprintf(name, sizeof name, "%s/%02d.png",
                      BLOCK_SET_FOLDERS[(id - FIRST_BLOCK) / BLOCK_TYPES],
                      (id - FIRST_BLOCK) % BLOCK_TYPES);
        return name;
    }
    for (const NamedRange& range : NAMED)
        if (id >= range.first && id < range.first + range.count)
            return range.names[id - range.first];
    return std::string();
}

int ImageTable::BlockSetOf(int first)
{
    const int offset = first - FIRST_BLOCK;
    if (offset < 0 || offset % BLOCK_TYPES != 0 || offset / BLOCK_TYPES >= BLOCK_SETS)
        return -1;
    return offset / BLOCK_TYPES;
}

std::vector<int> ImageTable::UsedIds()
{
    std::vector<int> themes;
    for (int t = 0; t < THEMES; ++t)
        themes.push_back(t);
    return UsedIds(themes);
}

std::vector<int> ImageTable::UsedIds(const std::vector<int>& themes)
{
    std::vector<int> ids = {SPLASH_ENGINE, SPLASH_GAME, GUIDE_VERTICAL, GUIDE_HORIZONTAL,
                            GRID,          LOCKED,      LOCKED_SMALL,   BULB_SMALL,
                            DONE_SMALL};
    for (int t : themes) {
        if (t < 0 || t >= THEMES)
            continue;
        const Theme& theme = THEME_ROWS[t];
        for (int id : {theme.background, theme.logo, theme.progressBar, theme.linesVertical,
                       theme.linesHorizontal, theme.edgesVertical, theme.edgesHorizontal,
                       theme.ingame, theme.font, theme.fontSmall})
            if (id != NO_IMAGE)
                ids.push_back(id);
        for (int type = 0; type < BLOCK_TYPES; ++type)
            ids.push_back(theme.blocks + type);
    }
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
}
