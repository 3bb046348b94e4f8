#include "Images.h"

#include <cstdio>

#include "Consts.h"
#include "Language.h"

Vorn::NarrowString Images::files[COUNT];

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

// 46-53, below Language::FONTS_PATH.
const char* const FONTS[] = {
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

const char* const BLOCK_SET_FOLDERS[Images::BLOCK_SETS] = {
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
constexpr int FIRST_FONT = 46;

struct ThemeRow {
    int background, logo, blocks, progressBar, ingame, font, fontSmall;
    float blockAlpha, packSelectionAlpha;
};

const ThemeRow THEMES[Consts::MAX_THEMES] = {
    {15, 2, 71, 29, -1, 46, 47, 0.2f, 0.85f},
    {16, 3, 71, 29, -1, 46, 47, 0.2f, 0.75f},
    {23, 9, 239, 29, -1, 46, 47, 0.35f, 0.7f},
    {24, 10, 267, 29, -1, 46, 47, 0.4f, 0.7f},
    {26, 12, 323, 33, 69, 52, 53, 0.3f, 0.5f},
    {18, 5, 71, 30, -1, 46, 47, 0.35f, 0.8f},
    {19, 5, 71, 30, -1, 46, 47, 0.35f, 0.7f},
    {28, 14, 379, 34, 70, 46, 47, 0.32f, 0.75f},
};

const unsigned COLOR_ROWS[Consts::MAX_THEMES][Consts::COLORS_PER_ROW] = {
    {0x000000, 0xA270FD, 0xDEAE30, 0x0FD18F, 0xFF6AA9, 0x23C9E7, 0x2880F8, 0x000000},
    {0xFFFFFF, 0xD480FF, 0xFFD463, 0x50FF71, 0xFF95A9, 0x33F2F5, 0x507CFC, 0xFFFFFF},
    {0x3E220D, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF},
    {0xFFF2D5, 0xDC7A32, 0xDC3059, 0x59A24C, 0x8DDC2F, 0xDB9B2C, 0x31AADB, 0xE7E5DD},
    {0xE1AA84, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF},
    {0x05193E, 0x461147, 0x926F30, 0x0153CD, 0x097254, 0x6618B6, 0x01018A, 0x05193E},
    {0xFFE3B4, 0xFFBEC9, 0xF3D39C, 0x80BDF0, 0xA0E6D7, 0xEEB5FF, 0xB6B6FF, 0xFFE3B4},
    {0xFFE2B1, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF},
};

// Keyboard key pictures (no files in this game) and the shared line and corner choices.
constexpr int KEY_CANCEL = 59, KEY_ENTER = 60, KEY_DELETE = 61, KEY_SHIFT = 62, KEY_SPACE = 63;
constexpr int LINE_VERTICAL = 35, LINE_HORIZONTAL = 38;

}  // namespace

void Images::Init()
{
    Consts::THEMES_COUNT = Consts::MAX_THEMES;
    for (int t = 0; t < Consts::THEMES_COUNT; ++t) {
        const ThemeRow& row = THEMES[t];
        Consts::THEME_BACKGROUND[t] = row.background;
        Consts::THEME_LOGOS[t] = row.logo;
        Consts::THEME_BLOCKS[t] = row.blocks;
        Consts::THEME_COLORS[t] = t;
        Consts::THEME_PROGRESS_BARS[t] = row.progressBar;
        Consts::THEME_LINES_VERTICAL[t] = LINE_VERTICAL;
        Consts::THEME_LINES_HORIZONTAL[t] = LINE_HORIZONTAL;
        Consts::THEME_LEVEL_EDGES_VERTICAL[t] = LINE_VERTICAL;
        Consts::THEME_LEVEL_EDGES_HORIZONTAL[t] = LINE_HORIZONTAL;
        Consts::THEME_INGAME[t] = row.ingame;
        Consts::THEME_FONT[t] = row.font;
        Consts::THEME_FONT_SMALL[t] = row.fontSmall;
        Consts::THEME_CORNERS[t] = -1;
        Consts::THEME_KEY_CANCEL[t] = KEY_CANCEL;
        Consts::THEME_KEY_ENTER[t] = KEY_ENTER;
        Consts::THEME_KEY_DELETE[t] = KEY_DELETE;
        Consts::THEME_KEY_SHIFT[t] = KEY_SHIFT;
        Consts::THEME_KEY_SPACE[t] = KEY_SPACE;
        Consts::THEME_BLOCK_ALPHA[t] = row.blockAlpha;
        Consts::THEME_PACK_SELECTION_BLOCKS_ALPHA[t] = row.packSelectionAlpha;
        for (int w = 0; w < Consts::COLORS_PER_ROW; ++w)
            Consts::COLORS[t * Consts::COLORS_PER_ROW + w] = COLOR_ROWS[t][w];
    }

    for (Vorn::NarrowString& name : files)
        name.clear();
    for (const NamedRange& range : NAMED)
        for (int i = 0; i < range.count; ++i)
            files[range.first + i] = range.names[i];
    for (int i = 0; i < static_cast<int>(sizeof(FONTS) / sizeof(FONTS[0])); ++i)
        files[FIRST_FONT + i] = Language::FONTS_PATH + FONTS[i];
    for (int set = 0; set < BLOCK_SETS; ++set) {
        for (int type = 0; type < BLOCK_TYPES; ++type) {
            char name[32];
            std::snprintf(name, sizeof name, "%s/%02d.png", BLOCK_SET_FOLDERS[set], type);
            files[FIRST_BLOCK + BLOCK_TYPES * set + type] = name;
        }
    }
}
