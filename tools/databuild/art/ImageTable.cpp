#include "art/ImageTable.h"

#include <algorithm>
#include <cstdio>

namespace DataBuild {

namespace ImageTable {

const char* const FONTS_PATH = "fonts/efigs/";

namespace {

struct NamedRange {
    int first;
    std::vector<const char*> names;
};

// Ids 2 to 70 in runs; the splash images and the block sets are added separately.
const NamedRange NAMED_RANGES[] = {
    {2,
     {"ui/logo.png", "ui/logoWhite.png", "ui/logoChristmas.png", "ui/logoHelloween.png",
      "ui/logoValentines.png", "ui/logoCookies.png", "ui/logoStones.png", "ui/logo_wood.png",
      "ui/logo_nature.png", "ui/logo_scifi.png", "ui/logo_summer.png", "ui/logo_noodle.png",
      "ui/logo_zombie.png"}},
    {15,
     {"ui/background.png", "ui/backgroundBoard.png", "ui/backgroundChristmas.png",
      "ui/bg_hell_yellow.png", "ui/bg_hell_red.png", "ui/backgroundValentine.png",
      "ui/background_cookies.png", "ui/background_stone.png", "ui/background_wood.png",
      "ui/background_nature.png", "ui/background_scifi.png", "ui/background_summer.png",
      "ui/background_scifi.png", "ui/background_zombie.png"}},
    {29,
     {"ui/progressbar.png", "ui/progressbar_hell.png", "ui/progressbarVal.png",
      "ui/progressbar_scifi.png", "ui/progressbar_summer.png", "ui/progressbar_zombie.png"}},
    {35,
     {"ui/vertical.png", "ui/verticalVal.png", "ui/vertical_scifi.png", "ui/horizontal.png",
      "ui/horizontalVal.png", "ui/horizontal_scifi.png", "ui/gradient.png",
      "ui/gradientHorizontal.png", "ui/gridSmall.png", "ui/round_cornerVal.png",
      "ui/round_corner_scifi.png"}},
    {54,
     {"ui/locked.png", "ui/locked_val.png", "ui/locked_small.png", "ui/bulb_small.png",
      "ui/done_small.png"}},
    {67,
     {"ui/ingameVal.png", "ui/ingame_scifi.png", "ui/ingame_summer.png", "ui/ingame_zombie.png"}},
};

const char* const FONT_NAMES[] = {
    "glfonts/font.png",         "glfonts/font_small.png",         "glfontsValentines/font.png",
    "glfontsValentines/fontsmall.png", "glfontsSciFi/font.png",   "glfontsSciFi/font_small.png",
    "glfontsBeach/font.png",    "glfontsBeach/font_small.png",
};

const char* const BLOCK_FOLDERS[BLOCK_SET_COUNT] = {
    "blocks",      "blocksAlt",  "blocksChristmas", "blocksValentines",
    "blocksCookies", "blocksStones", "blocksWood",  "blocksNature",
    "blocksSciFi", "blocksSummer", "blocksNoodle", "blocksZombie",
};

const Theme THEMES[THEME_COUNT] = {
    {"NOTEBOOK", 15, 2, 71, 0, 29, 35, 38, 35, 38, NO_IMAGE, 46, 47, 0.2f, 0.85f},
    {"CHALKBOARD", 16, 3, 71, 1, 29, 35, 38, 35, 38, NO_IMAGE, 46, 47, 0.2f, 0.75f},
    {"THEME_WOOD", 23, 9, 239, 2, 29, 35, 38, 35, 38, NO_IMAGE, 46, 47, 0.35f, 0.7f},
    {"THEME_NATURE", 24, 10, 267, 3, 29, 35, 38, 35, 38, NO_IMAGE, 46, 47, 0.4f, 0.7f},
    {"THEME_SUMMER", 26, 12, 323, 4, 33, 35, 38, 35, 38, 69, 52, 53, 0.3f, 0.5f},
    {"THEME_OLD_PAPER", 18, 5, 71, 5, 30, 35, 38, 35, 38, NO_IMAGE, 46, 47, 0.35f, 0.8f},
    {"THEME_RED_LEATHER", 19, 5, 71, 6, 30, 35, 38, 35, 38, NO_IMAGE, 46, 47, 0.35f, 0.7f},
    {"THEME_ZOMBIE", 28, 14, 379, 7, 34, 35, 38, 35, 38, 70, 46, 47, 0.32f, 0.75f},
};

const unsigned COLOURS[THEME_COUNT][8] = {
    {0x000000, 0xA270FD, 0xDEAE30, 0x0FD18F, 0xFF6AA9, 0x23C9E7, 0x2880F8, 0x000000},
    {0xFFFFFF, 0xD480FF, 0xFFD463, 0x50FF71, 0xFF95A9, 0x33F2F5, 0x507CFC, 0xFFFFFF},
    {0x3E220D, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF},
    {0xFFF2D5, 0xDC7A32, 0xDC3059, 0x59A24C, 0x8DDC2F, 0xDB9B2C, 0x31AADB, 0xE7E5DD},
    {0xE1AA84, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF},
    {0x05193E, 0x461147, 0x926F30, 0x0153CD, 0x097254, 0x6618B6, 0x01018A, 0x05193E},
    {0xFFE3B4, 0xFFBEC9, 0xF3D39C, 0x80BDF0, 0xA0E6D7, 0xEEB5FF, 0xB6B6FF, 0xFFE3B4},
    {0xFFE2B1, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF},
};

std::vector<std::string> MakeFileNames()
{
    std::vector<std::string> names(IMAGE_COUNT);
    // The first splash image shows the engine; the second is the game's title card.
    names[SPLASH_ENGINE] = "vorn_on_black.png";
    names[SPLASH_GAME] = "ver03_on_white.png";
    for (const NamedRange& range : NAMED_RANGES)
        for (size_t i = 0; i < range.names.size(); ++i)
            names[range.first + static_cast<int>(i)] = range.names[i];
    for (int i = 0; i < 8; ++i)
        names[46 + i] = std::string(FONTS_PATH) + FONT_NAMES[i];
    for (int set = 0; set < BLOCK_SET_COUNT; ++set) {
        for (int type = 0; type < BLOCK_TYPES; ++type) {
            char name[32];
            std::snprintf(name, sizeof name, "%s/%02d.png", BLOCK_FOLDERS[set], type);
            names[FIRST_BLOCK_IMAGE + BLOCK_TYPES * set + type] = name;
        }
    }
    return names;
}

} // namespace

const std::vector<std::string>& FileNames()
{
    static const std::vector<std::string> s_names = MakeFileNames();
    return s_names;
}

int BlockSetOfFirstImage(int first)
{
    const int offset = first - FIRST_BLOCK_IMAGE;
    if (offset < 0 || offset % BLOCK_TYPES != 0 || offset / BLOCK_TYPES >= BLOCK_SET_COUNT)
        return -1;
    return offset / BLOCK_TYPES;
}

const Theme& ThemeAt(int theme)
{
    return THEMES[std::clamp(theme, 0, THEME_COUNT - 1)];
}

unsigned ColourWord(int row, int word)
{
    return COLOURS[std::clamp(row, 0, THEME_COUNT - 1)][std::clamp(word, 0, 7)];
}

std::vector<int> UsedImageIds()
{
    std::vector<int> ids = {SPLASH_ENGINE, SPLASH_GAME, GUIDE_VERTICAL, GUIDE_HORIZONTAL,
                            GRID,          LOCKED,      LOCKED_SMALL,   BULB_SMALL,
                            DONE_SMALL};
    for (const Theme& theme : THEMES) {
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

} // namespace ImageTable

} // namespace DataBuild
